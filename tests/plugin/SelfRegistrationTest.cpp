// regsvr32's entry points of the built NPVemoC.dll, called in this process with the current
// user's registry redirected to a scratch key: the key today's browsers read agrees with the
// library's version block and place; a registry the user may not write refuses before anything is
// written; unregistering removes exactly the plug-in's key.
#include <gtest/gtest.h>

#include <windows.h>
#include <aclapi.h>

#include <string>
#include <vector>

#include "support/BuildPaths.h"

namespace {

using EntryPoint = HRESULT(WINAPI*)();
const char kPlugins[] = "Software\\MozillaPlugins";
const char kKey[] = "Software\\MozillaPlugins\\@vemo.example/NPVemoC";

std::string Text(HKEY root, const std::string& key, const char* name) {
    char value[1024];
    DWORD size = sizeof value;
    if (RegGetValueA(root, key.c_str(), name, RRF_RT_REG_SZ, nullptr, value, &size) !=
        ERROR_SUCCESS) {
        return "<missing>";
    }
    return value;
}

bool KeyExists(const char* key) {
    HKEY opened = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, KEY_READ, &opened) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(opened);
    return true;
}

std::vector<std::string> Split(const std::string& list) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t bar = list.find('|');; bar = list.find('|', start)) {
        parts.push_back(
            list.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
        if (bar == std::string::npos) {
            return parts;
        }
        start = bar + 1;
    }
}

class SelfRegistration : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        module = LoadLibraryA(buildpaths::PluginDll("x86_64").c_str());
        registerServer = reinterpret_cast<EntryPoint>(
            reinterpret_cast<void*>(GetProcAddress(module, "DllRegisterServer")));
        unregisterServer = reinterpret_cast<EntryPoint>(
            reinterpret_cast<void*>(GetProcAddress(module, "DllUnregisterServer")));
    }
    static void TearDownTestSuite() { FreeLibrary(module); }

    void SetUp() override {
        ASSERT_NE(registerServer, nullptr) << buildpaths::PluginDll("x86_64");
        ASSERT_NE(unregisterServer, nullptr);
        scratchName =
            "Software\\VemoTest\\SelfRegistration-" + std::to_string(GetCurrentProcessId());
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, scratchName.c_str(), 0, nullptr, 0,
                                  KEY_ALL_ACCESS, nullptr, &scratch, nullptr),
                  ERROR_SUCCESS);
        RegCreateKeyExA(scratch, "Software", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &software,
                        nullptr);
        ASSERT_EQ(RegOverridePredefKey(HKEY_CURRENT_USER, scratch), ERROR_SUCCESS);
    }
    void TearDown() override {
        RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
        RegCloseKey(software);
        RegCloseKey(scratch);
        RegDeleteTreeA(HKEY_CURRENT_USER, scratchName.c_str());
        RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\VemoTest"); // when no other test uses it
    }

    static inline HMODULE module = nullptr;
    static inline EntryPoint registerServer = nullptr;
    static inline EntryPoint unregisterServer = nullptr;
    std::string scratchName;
    HKEY scratch = nullptr;
    HKEY software = nullptr;
};

TEST_F(SelfRegistration, TheKeyAgreesWithTheVersionBlockAndThePlace) {
    ASSERT_EQ(registerServer(), S_OK);
    char path[MAX_PATH];
    GetModuleFileNameA(module, path, MAX_PATH);
    DWORD ignored = 0;
    std::vector<char> block(GetFileVersionInfoSizeA(path, &ignored));
    ASSERT_FALSE(block.empty());
    ASSERT_TRUE(GetFileVersionInfoA(path, 0, DWORD(block.size()), block.data()));
    auto version = [&](const char* name) {
        char* value = nullptr;
        UINT length = 0;
        std::string query = std::string("\\StringFileInfo\\040904E4\\") + name;
        return VerQueryValueA(block.data(), query.c_str(), reinterpret_cast<void**>(&value),
                              &length)
                   ? std::string(value)
                   : std::string("<missing>");
    };
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    const std::string fileVersion = std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." +
                                    std::to_string(LOWORD(fixed->dwFileVersionMS)) + "." +
                                    std::to_string(HIWORD(fixed->dwFileVersionLS)) + "." +
                                    std::to_string(LOWORD(fixed->dwFileVersionLS));

    EXPECT_EQ(Text(HKEY_CURRENT_USER, kKey, "Path"), path);
    EXPECT_EQ(Text(HKEY_CURRENT_USER, kKey, "Description"), version("FileDescription"));
    EXPECT_EQ(Text(HKEY_CURRENT_USER, kKey, "ProductName"), version("ProductName"));
    EXPECT_EQ(Text(HKEY_CURRENT_USER, kKey, "Version"), fileVersion);
    EXPECT_EQ(Text(HKEY_CURRENT_USER, kKey, "Vendor"), "Vemo");
    const std::vector<std::string> types = Split(version("MIMEType"));
    const std::vector<std::string> suffixes = Split(version("FileExtents"));
    const std::vector<std::string> descriptions = Split(version("FileOpenName"));
    ASSERT_EQ(types.size(), 2u);
    for (size_t i = 0; i < types.size(); ++i) {
        const std::string type = std::string(kKey) + "\\MimeTypes\\" + types[i];
        EXPECT_EQ(Text(HKEY_CURRENT_USER, type, "Suffixes"), suffixes.at(i)) << types[i];
        EXPECT_EQ(Text(HKEY_CURRENT_USER, type, "Description"), descriptions.at(i)) << types[i];
    }

    EXPECT_EQ(unregisterServer(), S_OK);
    EXPECT_FALSE(KeyExists(kPlugins)) << "an empty parent is not left behind";
    EXPECT_EQ(unregisterServer(), S_OK) << "unregistering again";
}

TEST_F(SelfRegistration, UnregisteringLeavesOtherPluginsAlone) {
    const std::string other = std::string(kPlugins) + "\\@other.example/npother";
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, other.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, "Path", 0, REG_SZ, reinterpret_cast<const BYTE*>("C:\\o\\npother.dll"), 17);
    RegCloseKey(key);
    ASSERT_EQ(registerServer(), S_OK);
    ASSERT_TRUE(KeyExists(kKey));
    EXPECT_EQ(unregisterServer(), S_OK);
    EXPECT_FALSE(KeyExists(kKey));
    EXPECT_EQ(Text(HKEY_CURRENT_USER, other, "Path"), "C:\\o\\npother.dll");
}

// Software\MozillaPlugins that grants reading only (as a locked-down profile has it).
TEST_F(SelfRegistration, ARegistryTheUserCannotWriteRefusesBeforeWriting) {
    HKEY plugins = nullptr;
    ASSERT_EQ(RegCreateKeyExA(software, "MozillaPlugins", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &plugins, nullptr),
              ERROR_SUCCESS);
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID everyone = nullptr;
    ASSERT_TRUE(
        AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone));
    alignas(8) char aclBytes[256];
    PACL acl = reinterpret_cast<PACL>(aclBytes);
    InitializeAcl(acl, sizeof aclBytes, ACL_REVISION);
    AddAccessAllowedAce(acl, ACL_REVISION, KEY_READ, everyone);
    SECURITY_DESCRIPTOR descriptor;
    InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE);
    ASSERT_EQ(RegSetKeySecurity(plugins, DACL_SECURITY_INFORMATION, &descriptor), ERROR_SUCCESS);
    RegCloseKey(plugins);
    FreeSid(everyone);

    EXPECT_EQ(registerServer(), E_ACCESSDENIED);
    EXPECT_FALSE(KeyExists(kKey));
}

} // namespace
