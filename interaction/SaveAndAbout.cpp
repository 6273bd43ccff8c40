// Save Graphic As and the About box.
#include "interaction/SaveAndAbout.h"

#include <commdlg.h>
#include <string.h>

#include "plugin/DocumentRecord.h"
#include "plugin/HostServices.h"
#include "view/ViewWindow.h"

namespace {

// File-type filters of the save dialog by document kind (".web", ".vem", anything else).
const char kWebFilter[] = "Vemo (*.web)\0*.web\0All Files (*.*)\0*.*\0";
const char kVemFilter[] = "AstelVEMO (*.vem)\0*.vem\0All Files (*.*)\0*.*\0";
const char kAnyFilter[] = "All Files (*.*)\0*.*\0";

const char* SaveFilterFor(int32_t kind) {
    switch (kind) {
    case 0:
        return kWebFilter;
    case 1:
        return kVemFilter;
    default:
        return kAnyFilter;
    }
}

} // namespace

void ViewWindow::ShowAboutBox() {
    if (Document() == nullptr || hwnd == nullptr) {
        return;
    }
    DialogBoxParamA(PluginModule(), MAKEINTRESOURCEA(kAboutDialogId), hwnd, AboutDialogProc, 0);
}

INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG: {
        HWND version = GetDlgItem(dialog, kAboutVersionId);
        if (version != nullptr) {
            SetWindowTextA(version, kAboutVersionText);
        }
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, 0);
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

void ViewWindow::SaveGraphicAs() {
    DocumentRecord* document = Document();
    // Before the first display stream there is no address to fetch the drawing from again.
    if (document == nullptr || document->streamUrl == nullptr) {
        return;
    }
    // The dialog works on a copy: a cancelled dialog leaves the file name as it was.
    char path[sizeof document->fileName];
    memcpy(path, document->fileName, sizeof path);
    path[sizeof path - 1] = '\0';

    OPENFILENAMEA dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = document->ownerWindow != nullptr ? document->ownerWindow : hwnd;
    dialog.lpstrFilter = SaveFilterFor(document->documentUrl.GetDocumentKind());
    dialog.nFilterIndex = 0;
    dialog.lpstrFile = path;
    dialog.nMaxFile = sizeof path;
    dialog.Flags = OFN_HIDEREADONLY | OFN_LONGNAMES;
    dialog.lpstrDefExt = "web";
    if (!GetSaveFileNameA(&dialog)) {
        return;
    }
    memcpy(document->fileName, path, sizeof path);
    document->saveMode = 1;
    // With no target the browser hands the data to this instance as a new stream, which
    // becomes the save stream.
    NPN_GetURL(document->instance, document->streamUrl, nullptr);
}
