#include "SetupFixture.h"

namespace setuptest {

namespace {

const char* const kTemporaryNames[] = {"NPVemoC.cab", "NPVemoC.dll", "VemoDoc.dll"};

bool ReadDefaultValue(HKEY root, const char* path, std::string* value) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    char data[1024];
    DWORD size = sizeof(data) - 1;
    DWORD type = 0;
    LONG status =
        RegQueryValueExA(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS || type != REG_SZ) {
        return false;
    }
    data[size] = '\0';
    *value = data;
    return true;
}

} // namespace

void SetupProgramTest::SetUp() {
    explorerSaved = ReadDefaultValue(HKEY_CLASSES_ROOT, kExplorerKey, &savedExplorer);
    RemoveNetscape();
    SetExplorer(kExplorerValue);
    for (const char* name : kTemporaryNames) {
        DeleteFileA((TemporaryFolder() + name).c_str());
    }
    rendererSaved = FileExists(InstalledRenderer());
    if (rendererSaved) {
        savedRenderer = ReadWholeFile(InstalledRenderer());
    }
    RemoveInstalledRenderer();
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "." + info->name();
    for (char& c : name) {
        if (c == '/') {
            c = '.';
        }
    }
    CreateDirectoryA((TemporaryFolder() + "vemo-setup-tests").c_str(), nullptr);
    scratch = TemporaryFolder() + "vemo-setup-tests\\" + name + "\\";
    RemoveTree(scratch);
    ASSERT_TRUE(CreateDirectoryA(scratch.c_str(), nullptr)) << scratch;
}

void SetupProgramTest::TearDown() {
    RemoveTree(scratch);
    RemoveInstalledRenderer();
    if (rendererSaved) {
        WriteWholeFile(InstalledRenderer(), savedRenderer);
    }
    RemoveNetscape();
    if (explorerSaved) {
        SetExplorer(savedExplorer.c_str());
    }
}

void SetupProgramTest::RemoveInstalledRenderer() {
    if (FileExists(InstalledRenderer())) {
        RunProgram("regsvr32 /s /u \"" + InstalledRenderer() + "\"");
        DeleteFileA(InstalledRenderer().c_str());
    }
}

void SetupProgramTest::ExpectNoTemporaryFiles() {
    for (const char* name : kTemporaryNames) {
        EXPECT_FALSE(FileExists(TemporaryFolder() + name)) << name << " left behind";
    }
}

void SetupProgramTest::SetNetscape(const char* installDirectory, DWORD type) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kNetscapeKey, 0, nullptr, 0, KEY_WRITE, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS);
    if (installDirectory != nullptr) {
        RegSetValueExA(key, "Install Directory", 0, type,
                       reinterpret_cast<const BYTE*>(installDirectory),
                       static_cast<DWORD>(strlen(installDirectory) + 1));
    }
    RegCloseKey(key);
}

void SetupProgramTest::SetExplorer(const char* value) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, kExplorerKey, 0, nullptr, 0, KEY_WRITE | KEY_READ,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    if (value != nullptr) {
        RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                       static_cast<DWORD>(strlen(value) + 1));
    } else {
        RegDeleteValueA(key, nullptr);
    }
    RegCloseKey(key);
}

void SetupProgramTest::RemoveNetscape() {
    RegDeleteTreeA(HKEY_CURRENT_USER, kNetscapeKey);
}

void SetupProgramTest::RemoveExplorer() {
    RegDeleteTreeA(HKEY_CLASSES_ROOT, kExplorerKey);
}

} // namespace setuptest
