// The context menu and its commands.
#include "interaction/MenuPlan.h"
#include "plugin/StringIds.h"
#include "view/PluginRecords.h"
#include "view/ViewWindow.h"

namespace {

constexpr int kContextMenuId = 201;

// Where a context menu asked for from the keyboard opens (the message then carries -1, -1): at
// the pointer when it is over the window, else at the window's top-left corner.
POINT KeyboardMenuPoint(HWND window) {
    POINT pointer{0, 0};
    RECT client{0, 0, 0, 0};
    GetCursorPos(&pointer);
    GetClientRect(window, &client);
    POINT inside = pointer;
    ScreenToClient(window, &inside);
    if (PtInRect(&client, inside)) {
        return pointer;
    }
    POINT corner{0, 0};
    ClientToScreen(window, &corner);
    return corner;
}

} // namespace

void ViewWindow::ShowContextMenu(HWND window, int32_t x, int32_t y) {
    HMENU menu = LoadMenuA(hInstance, MAKEINTRESOURCEA(kContextMenuId));
    if (menu == nullptr) {
        return;
    }
    HMENU popup = GetSubMenu(menu, 0);
    if (popup == nullptr) {
        DestroyMenu(menu);
        return;
    }
    DocumentRecord* document = Document();
    MenuStateInputs inputs{};
    inputs.fullPage = instance != nullptr && instance->mode == NP_FULL;
    inputs.zoomPanAllowed = document == nullptr || document->zoomPanAllowed != 0;
    inputs.fileAccessAllowed = document == nullptr || document->fileAccessAllowed != 0;
    inputs.tool = tool;
    inputs.previousViewSet = IsSet(previousView);
    inputs.defaultViewSet = IsSet(defaultView);
    inputs.smoothed = smoothed;
    MenuPlan plan = PlanContextMenu(inputs);
    tool = plan.tool;
    for (int32_t i = 0; i < plan.count; ++i) {
        MENUITEMINFOA item{};
        item.cbSize = sizeof item;
        item.fMask = MIIM_STATE;
        item.fState = plan.changes[i].mark == MenuMark::Greyed ? MFS_GRAYED : MFS_CHECKED;
        SetMenuItemInfoA(popup, plan.changes[i].id, FALSE, &item);
    }
    HWND owner = IsWindow(window) ? window : hwnd;
    if (x == -1 && y == -1) {
        POINT at = KeyboardMenuPoint(hwnd);
        x = at.x;
        y = at.y;
    }
    // The chosen command comes back to the owner as WM_COMMAND. Nothing of the view is touched
    // after the menu's modal loop: the view may be gone when it returns.
    TrackPopupMenu(popup, TPM_RIGHTBUTTON | TPM_LEFTALIGN | TPM_TOPALIGN, x, y, 0, owner, nullptr);
    DestroyMenu(menu);
}

void ViewWindow::SelectZoomTool() {
    if (!ZoomPanAllowed()) {
        return; // the page forbids zooming: the view keeps no tool
    }
    tool = kToolZoom;
    UpdateCursor();
}

void ViewWindow::SelectPushTool() {
    if (!ZoomPanAllowed()) {
        return;
    }
    tool = kToolPush;
    UpdateCursor();
}

void ViewWindow::ShowFullView() {
    DocumentRecord* document = Document();
    if (document == nullptr || document->streamUrl == nullptr) {
        return;
    }
    NavigatePage(TextBuffer(document->streamUrl));
}

void ViewWindow::OpenPluginPage() {
    DocumentRecord* document = Document();
    if (document == nullptr || document->streamUrl == nullptr) {
        return; // before the first display stream the command does nothing
    }
    TextBuffer address;
    if (address.LoadString(kStringMakerPage)) {
        NavigatePage(address);
    }
}
