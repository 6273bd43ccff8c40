#include "view/ViewWindow.h"

#include "plugin/DocumentRenderer.h"
#include "view/PluginRecords.h"
#include "view/ViewBitmaps.h"

ViewWindow::ViewWindow()
    : hwnd(nullptr), instance(nullptr), loadFailed(0), tiles{nullptr, 0, 0}, nextTile(nullptr),
      prevWndProc(nullptr), timerStarted(0),
      hInstance(PluginModule()), dragStart{0, 0}, dragEnd{0, 0}, pressDocPoint{0, 0}, pushOffset{0,
                                                                                                 0},
      dragCancelled(0), dragging(0), tool(kToolNone), defaultView(NotSetRect()),
      currentView(NotSetRect()), previousView(NotSetRect()), matrix{0, 0, 0, 0, 0, 0},
      defaultViewFlag(0), zoomPercent(0), zoomCursor(nullptr), pushCursor(nullptr),
      linkCursor(nullptr), arrowCursor(nullptr), hyperlink(), clientWidth(100), clientHeight(100),
      bitsPerPixel(0), colourTable(nullptr), colourCount(0), backInfo(nullptr), backBits(nullptr),
      backValid(0), backIs32(0), renderer(nullptr), pictureShown(0), documentReady(0),
      readyHandled(0), smoothed(1) {
    zoomCursor = LoadCursorA(hInstance, MAKEINTRESOURCEA(kZoomCursorId));
    pushCursor = LoadCursorA(hInstance, MAKEINTRESOURCEA(kPushCursorId));
    linkCursor = LoadCursorA(hInstance, MAKEINTRESOURCEA(kLinkCursorId));
    arrowCursor = LoadCursorA(nullptr, IDC_ARROW);
}

ViewWindow::~ViewWindow() {
    ClearTiles();
    nextTile = nullptr;
    instance = nullptr;
    prevWndProc = nullptr;
    FreeBitmap(&backInfo, &backBits);
    FreeBlock(colourTable);
    colourTable = nullptr;
    colourCount = 0;
    backValid = 0;
    // The hyperlink text frees itself; the cursors are shared and the renderer is borrowed.
}

DocumentRecord* ViewWindow::Document() const {
    return instance != nullptr ? instance->document : nullptr;
}

int32_t ViewWindow::ZoomPanAllowed() const {
    DocumentRecord* document = Document();
    return document != nullptr && document->zoomPanAllowed != 0;
}

void ViewWindow::AttachInstance(PluginInstance* owner) {
    instance = owner;
    DocumentRecord* document = Document();
    if (document == nullptr) {
        return;
    }
    const TextBuffer& viewport = document->viewport;
    if (!ParseViewport(viewport.text, viewport.length, &defaultView, &defaultViewFlag)) {
        return; // no attribute: the renderer supplies the default view later
    }
    if (ZoomPanAllowed()) {
        tool = kToolZoom;
        UpdateCursor();
    }
}

int32_t ViewWindow::Subclass(HWND window) {
    hwnd = window;
    prevWndProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ViewWndProc)));
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    HDC dc = GetDC(window);
    bitsPerPixel = GetDeviceCaps(dc, BITSPIXEL);
    ReleaseDC(window, dc);
    return prevWndProc != nullptr ? 1 : 0;
}

void ViewWindow::Unsubclass() {
    if (hwnd != nullptr && prevWndProc != nullptr) {
        SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(prevWndProc));
    }
}

void ViewWindow::AttachRenderer(IDocumentRenderer* documentRenderer) {
    renderer = documentRenderer;
    if (renderer != nullptr && IsSet(defaultView)) {
        renderer->SetDefaultView(&defaultView, defaultViewFlag);
    }
}

// Transform and zoom on the view's own fields.

DocPoint ViewWindow::DocPointFromWindow(int32_t x, int32_t y) const {
    return ::DocPointFromWindow(*this, x, y);
}

DocRect ViewWindow::DocRectFromWindow(const TileRect& r) const {
    return ::DocRectFromWindow(uint32_t(clientWidth), uint32_t(clientHeight), currentView, matrix,
                               r.left, r.top, r.right, r.bottom);
}

void ViewWindow::ZoomFromView() {
    ::ZoomFromView(*this);
}
void ViewWindow::CentreViewAt(int32_t zoom, DocPoint centre) {
    ::CentreViewAt(*this, zoom, centre);
}
void ViewWindow::ZoomStepAt(uint32_t keyFlags, DocPoint centre) {
    ::ZoomStepAt(*this, keyFlags, centre);
}
void ViewWindow::FinishZoomDrag(uint32_t keyFlags) {
    ::FinishZoomDrag(*this, keyFlags);
}
void ViewWindow::PreviousZoom() {
    ::PreviousZoom(*this);
}
void ViewWindow::GoToDefaultView() {
    ::GoToDefaultView(*this);
}

void ViewWindow::ToggleSmoothed() {
    smoothed = smoothed ? 0 : 1;
    RestartRendering();
}

// Window messages.

LRESULT CALLBACK ViewWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    ViewWindow* view = reinterpret_cast<ViewWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (view == nullptr) {
        return DefWindowProcA(window, message, wParam, lParam);
    }
    // Menus and dialogs of the view run message loops in which the browser may destroy the
    // instance; it then goes when this message is handled.
    InstanceCall call(view->instance);
    return view->HandleMessage(message, wParam, lParam);
}

namespace {

int32_t LowX(LPARAM lParam) {
    return int16_t(LOWORD(lParam));
}
int32_t HighY(LPARAM lParam) {
    return int16_t(HIWORD(lParam));
}

} // namespace

LRESULT ViewWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SIZE:
        RestartRendering();
        return 0;
    case WM_PAINT:
        OnPaint();
        if (timerStarted == 0) {
            SetTimer(hwnd, kRenderTimerId, kRenderTimerPeriod, nullptr);
            timerStarted = 1;
        }
        return 0;
    case WM_CLOSE:
        KillTimer(hwnd, kRenderTimerId);
        return DefWindowProcA(hwnd, message, wParam, lParam);
    case WM_ERASEBKGND:
        return 1; // every pixel is painted from the back buffer
    case WM_CONTEXTMENU:
        if (dragging == 0) {
            ShowContextMenu(reinterpret_cast<HWND>(wParam), LowX(lParam), HighY(lParam));
        }
        return 0;
    case WM_COMMAND:
        if (RunCommand(wParam)) {
            return 0;
        }
        return DefWindowProcA(hwnd, message, wParam, lParam);
    case WM_TIMER:
        RenderTimerTick();
        return 0;
    case WM_MOUSEMOVE:
        OnMouseMove(wParam, LowX(lParam), HighY(lParam));
        return 0;
    case WM_LBUTTONDOWN:
        OnButtonDown(wParam, LowX(lParam), HighY(lParam));
        return 0;
    case WM_LBUTTONUP:
        OnButtonUp(wParam, LowX(lParam), HighY(lParam));
        return 0;
    case WM_PALETTECHANGED:
        InvalidateRect(hwnd, nullptr, FALSE);
        return 0;
    default:
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
}

int32_t ViewWindow::RunCommand(WPARAM command) {
    switch (command) {
    case kCmdZoomTool:
        SelectZoomTool();
        return 1;
    case kCmdPushTool:
        SelectPushTool();
        return 1;
    case kCmdPreviousZoom:
        PreviousZoom();
        return 1;
    case kCmdDefaultView:
        GoToDefaultView();
        return 1;
    case kCmdFullView:
        ShowFullView();
        return 1;
    case kCmdSmoothed:
        ToggleSmoothed();
        return 1;
    case kCmdAbout:
        ShowAboutBox();
        return 1;
    case kCmdGoToVemo:
        OpenPluginPage();
        return 1;
    case kCmdSaveGraphicAs:
        SaveGraphicAs();
        return 1;
    default:
        return 0;
    }
}
