// The warning shown at the end of a drawing whose contents the renderer does not all show.
#include "warnings/WarningDialog.h"

#include "plugin/DocumentRecord.h"
#include "plugin/HostServices.h"
#include "plugin/StringIds.h"
#include "plugin/TextBuffer.h"
#include "warnings/WarningRules.h"

const char kWarningRegistryKey[] = "Software\\Vemo\\NPVemoC";

namespace {

uint64_t CurrentFileTime() {
    FILETIME now = {};
    GetSystemTimeAsFileTime(&now);
    return (static_cast<uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
}

} // namespace

uint64_t ReadSilencedTime(const char* valueName) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kWarningRegistryKey, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return 0;
    }
    uint8_t data[kStoredTimeReadSize] = {};
    DWORD type = 0;
    DWORD size = sizeof data;
    LONG status = RegQueryValueExA(key, valueName, nullptr, &type, data, &size);
    RegCloseKey(key);
    return StoredTimeFromValue(status == ERROR_SUCCESS, type, data, size);
}

bool StoreSilencedTime(const char* valueName, uint64_t time) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kWarningRegistryKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS) {
        return false;
    }
    uint8_t bytes[8];
    EncodeStoredTime(time, bytes);
    LONG status = RegSetValueExA(key, valueName, 0, REG_BINARY, bytes, sizeof bytes);
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

INT_PTR CALLBACK WarningDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: {
        HWND text = GetDlgItem(dialog, kWarningTextId);
        if (text != nullptr) {
            SetWindowTextA(text, reinterpret_cast<const char*>(lParam));
        }
        return TRUE;
    }
    case WM_COMMAND: {
        int id = LOWORD(wParam);
        if (id != kWarningIgnoreId && id != kWarningGoToId) {
            // Escape and the close box arrive here as IDCANCEL: only the buttons answer.
            return FALSE;
        }
        HWND check = GetDlgItem(dialog, kWarningCheckId);
        bool checked = check != nullptr && SendMessageA(check, BM_GETCHECK, 0, 0) == BST_CHECKED;
        EndDialog(dialog, WarningResultForCommand(id, checked));
        return TRUE;
    }
    default:
        return FALSE;
    }
}

void DocumentRecord::ShowDrawingWarning(uint32_t flags) {
    // One reading of the clock for both the test and the time stored.
    uint64_t now = CurrentFileTime();
    const WarningKind* kind = ChooseWarningKind(flags);
    if (kind == nullptr) {
        return;
    }
    if (IsWarningSilenced(ReadSilencedTime(kind->valueName), now)) {
        return;
    }

    TextBuffer prefix;
    TextBuffer kindText;
    TextBuffer suffix;
    if (!prefix.LoadString(kStringTheDrawing) || !kindText.LoadString(kind->textId) ||
        !suffix.LoadString(kStringUpgradeHint)) {
        return;
    }
    char message[kWarningTextCapacity];
    BuildWarningText(message, prefix.GetText(1), DocumentNameOf(streamUrl), kindText.GetText(1),
                     suffix.GetText(1));

    INT_PTR answer =
        DialogBoxParamA(PluginModule(), MAKEINTRESOURCEA(kWarningDialogId), ownerWindow,
                        WarningDialogProc, reinterpret_cast<LPARAM>(message));
    int32_t result = NormaliseWarningResult(answer);

    // Silencing is stored first, so that it holds even when the page request fails.
    if ((result & kWarningResultSilence) != 0) {
        StoreSilencedTime(kind->valueName, now);
    }
    if ((result & kWarningResultGoTo) != 0 && streamUrl != nullptr) {
        TextBuffer address;
        if (address.LoadString(kStringMakerPage)) {
            NPError status = NPN_GetURL(instance, address.GetText(1), "_self");
            if ((status & 0xFFFF) != 0) {
                ShowErrorBox(kStringMakerPage);
            }
        }
    }
}
