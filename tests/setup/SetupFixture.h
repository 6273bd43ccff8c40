// A cleaned state for every run of the installer under Wine: no browser keys but the ones a test
// sets, no payload files in the temporary and system folders, an empty scratch folder; the
// prefix's own Internet Explorer key and any renderer component in the system folder come back
// afterwards.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "SetupDriver.h"

namespace setuptest {

inline constexpr const char* kNetscapeKey = "Software\\Netscape\\Netscape Navigator\\Main";
inline constexpr const char* kExplorerKey =
    "CLSID\\{0002DF01-0000-0000-C000-000000000046}\\LocalServer32";
inline constexpr const char* kExplorerValue =
    "\"C:\\Program Files\\Internet Explorer\\iexplore.exe\"";

class SetupProgramTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The installer programs of this build: test payloads (a plug-in stand-in and a COM server
    // that registers itself, or whose registration fails).
    static std::string TestSetup() { return ModuleFolder() + "SetupWithTestPayload.exe"; }
    static std::string FailingSetup() { return ModuleFolder() + "SetupWithFailingServer.exe"; }
    static std::string TestPluginFile() { return ModuleFolder() + "SetupTestPlugin.dll"; }
    static std::string TestServerFile() { return ModuleFolder() + "SetupTestServer.dll"; }
    static std::string FailingServerFile() { return ModuleFolder() + "SetupTestServerFailing.dll"; }
    static std::string ComProbe() { return ModuleFolder() + "SetupComProbe.exe"; }

    static std::string InstalledRenderer() { return SystemFolder() + "VemoDoc.dll"; }
    // None of the installer's temporary files is left in the temporary folder.
    static void ExpectNoTemporaryFiles();

    static void SetNetscape(const char* installDirectory, DWORD type = REG_SZ);
    static void SetExplorer(const char* value); // nullptr: the key without its value
    static void RemoveNetscape();
    static void RemoveExplorer();

    // Unregisters and deletes the renderer component in the system folder.
    static void RemoveInstalledRenderer();

    std::string scratch; // an empty folder of this test, with "\"

private:
    bool explorerSaved = false;
    std::string savedExplorer;
    std::string savedRenderer;
    bool rendererSaved = false;
};

} // namespace setuptest
