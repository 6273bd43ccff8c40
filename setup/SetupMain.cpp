// The installer's frame: command line, main flow, messages, browser detection and the setup
// dialog with its folder browser.
#include "setup/Setup.h"
#include "setup/SetupIds.h"
#include "setup/SetupRules.h"

#include <objbase.h>
#include <shlobj.h>

namespace setup {

int32_t g_interactive = 1;

namespace {

const char kNetscapeKey[] = "Software\\Netscape\\Netscape Navigator\\Main";
const char kNetscapeValue[] = "Install Directory";
const char kExplorerKey[] = "CLSID\\{0002DF01-0000-0000-C000-000000000046}\\LocalServer32";
const char kBrowseTitle[] = "Select an alternative folder and click OK";
const char kFolderTooLong[] = "The destination folder name is too long.";

// Dialog results besides the buttons' identifiers.
constexpr INT_PTR kResultFolderTooLong = 1000;

// Reads a text value of an open key into value (kRegistryCapacity) and closes the key.
int32_t ReadTextValue(HKEY key, const char* name, char* value) {
    DWORD type = 0;
    DWORD size = kRegistryCapacity;
    LONG status =
        RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
    RegCloseKey(key);
    return status == ERROR_SUCCESS && AcceptRegistryText(type, value, size, kRegistryCapacity);
}

int32_t IsFolder(const char* path) {
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

HWND FolderField(HWND dialog) {
    return GetDlgItem(dialog, IDC_SETUP_FOLDER);
}

// The folder field's text into folder (kPathCapacity); 0 when it does not fit.
int32_t ReadFolderField(HWND dialog, char* folder) {
    folder[0] = '\0';
    if (GetWindowTextLengthA(FolderField(dialog)) >= kPathCapacity) {
        return 0;
    }
    GetDlgItemTextA(dialog, IDC_SETUP_FOLDER, folder, kPathCapacity);
    return 1;
}

int RunSetup(const char* commandLine) {
    char detected[kFolderCapacity];
    char temporary[kFolderCapacity];
    char destination[kFolderCapacity];
    const char* folderText = SkipProgramName(commandLine);
    if (folderText[0] != '\0') {
        g_interactive = 0;
        if (!MakeCommandLineDestination(folderText, destination, kFolderCapacity)) {
            return 1;
        }
    } else {
        if (!DetectPluginFolder(detected) || !ChooseDestination(detected, destination)) {
            return 1;
        }
    }
    if (!FolderTakesFileNames(destination)) {
        ShowSetupMessage(kFolderTooLong, MB_ICONERROR);
        return 1;
    }
    temporary[0] = '\0';
    int32_t installed = 0;
    if (ExtractPayload(temporary)) {
        installed = InstallFiles(temporary, destination);
    }
    if (temporary[0] != '\0') {
        RemoveTemporaryFiles(temporary);
    }
    return installed ? 0 : 1;
}

} // namespace

void ShowSetupMessage(const char* text, UINT icon) {
    if (g_interactive) {
        MessageBoxA(nullptr, text, kMessageCaption, MB_OK | icon);
    }
}

int32_t DetectPluginFolder(char* folder) {
    char value[kRegistryCapacity];
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kNetscapeKey, 0, KEY_READ, &key) == ERROR_SUCCESS) {
        if (!ReadTextValue(key, kNetscapeValue, value)) {
            ShowSetupMessage("Netscape seems to be incorrectly installed.", MB_ICONERROR);
            return 0;
        }
        // Navigator keeps its plug-ins in "Program\Plugins" where that folder exists.
        if (!JoinText(folder, kFolderCapacity, value, "\\Program") || !IsFolder(folder)) {
            JoinText(folder, kFolderCapacity, value, "");
        }
        return AppendText(folder, kFolderCapacity, "\\Plugins");
    }
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, kExplorerKey, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        ShowSetupMessage("No browser installed.", MB_ICONERROR);
        return 0;
    }
    if (!ReadTextValue(key, nullptr, value)) {
        ShowSetupMessage("Internet Explorer seems to be incorrectly installed.", MB_ICONERROR);
        return 0;
    }
    return PluginFolderFromServerValue(value, folder, kFolderCapacity);
}

int32_t ChooseDestination(const char* detectedFolder, char* destination) {
    JoinText(destination, kFolderCapacity, detectedFolder, "");
    INT_PTR result =
        DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_SETUP), nullptr,
                        SetupDialogProc, reinterpret_cast<LPARAM>(destination));
    if (result == IDC_SETUP_CANCEL) {
        ShowSetupMessage("Installation cancelled", MB_ICONERROR);
        return 0;
    }
    if (result == kResultFolderTooLong) {
        ShowSetupMessage(kFolderTooLong, MB_ICONERROR);
        return 0;
    }
    if (result != IDC_SETUP_INSTALL) {
        return 0; // the dialog could not be shown: nothing was confirmed
    }
    // The folder always gets a "\", also when it ends with one (a drive's root).
    return AppendText(destination, kFolderCapacity, "\\");
}

INT_PTR CALLBACK SetupDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        SetDlgItemTextA(dialog, IDC_SETUP_FOLDER, reinterpret_cast<const char*>(lParam));
        return TRUE;
    case WM_CLOSE:
        EndDialog(dialog, IDC_SETUP_CANCEL);
        return TRUE;
    case WM_COMMAND:
        break;
    default:
        return FALSE;
    }
    char* destination = reinterpret_cast<char*>(GetWindowLongPtrA(dialog, DWLP_USER));
    char folder[kPathCapacity];
    switch (LOWORD(wParam)) {
    case IDC_SETUP_BROWSE: {
        char chosen[kPathCapacity];
        ReadFolderField(dialog, folder); // a folder too long to start from starts nowhere
        if (BrowseForFolder(dialog, folder, chosen)) {
            SetDlgItemTextA(dialog, IDC_SETUP_FOLDER, chosen);
        }
        return TRUE;
    }
    case IDC_SETUP_INSTALL:
        if (destination == nullptr || !ReadFolderField(dialog, folder)) {
            EndDialog(dialog, kResultFolderTooLong);
            return TRUE;
        }
        JoinText(destination, kFolderCapacity, folder, "");
        EndDialog(dialog, IDC_SETUP_INSTALL);
        return TRUE;
    case IDC_SETUP_CANCEL:
        EndDialog(dialog, IDC_SETUP_CANCEL);
        return TRUE;
    default:
        return FALSE; // Escape's IDCANCEL among them: the dialog stays
    }
}

int32_t BrowseForFolder(HWND owner, const char* startFolder, char* folder) {
    char displayName[kPathCapacity];
    char path[kPathCapacity];
    BROWSEINFOA info = {};
    info.hwndOwner = owner;
    info.pidlRoot = nullptr;
    info.pszDisplayName = displayName;
    info.lpszTitle = kBrowseTitle;
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    info.lpfn = BrowseCallback;
    info.lParam = reinterpret_cast<LPARAM>(startFolder);
    HRESULT com = CoInitialize(nullptr);
    int32_t chosen = 0;
    for (;;) {
        PIDLIST_ABSOLUTE item = SHBrowseForFolderA(&info);
        if (item == nullptr) {
            break;
        }
        BOOL isPath = SHGetPathFromIDListA(item, path);
        CoTaskMemFree(item);
        if (isPath) {
            chosen = JoinText(folder, kPathCapacity, path, "");
            break;
        }
        ShowSetupMessage("Not a filing system folder", MB_ICONWARNING);
    }
    if (SUCCEEDED(com)) {
        CoUninitialize();
    }
    return chosen;
}

int CALLBACK BrowseCallback(HWND browser, UINT message, LPARAM, LPARAM data) {
    if (message == BFFM_INITIALIZED) {
        SendMessageA(browser, BFFM_SETSELECTIONA, TRUE, data);
    }
    return 0;
}

} // namespace setup

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    return setup::RunSetup(GetCommandLineA());
}
