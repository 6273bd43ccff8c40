// The view: the browser's child window taken over by the plug-in, with everything needed to
// show the drawing in it (back buffer, render tiles, views, mouse tool, cursors).
#pragma once

#include <windows.h>
#include <stdint.h>

#include "plugin/DocGeometry.h"
#include "plugin/TextBuffer.h"
#include "interaction/DragGeometry.h"
#include "interaction/ViewTransform.h"
#include "view/TileRules.h"

struct PluginInstance;
struct DocumentRecord;
struct IDocumentRenderer;

// Identifiers of the render timer and the context menu's commands.
constexpr UINT_PTR kRenderTimerId = 1000;
constexpr UINT kRenderTimerPeriod = 250;
constexpr ULONG kRenderSliceMs = 200;
constexpr WPARAM kCmdZoomTool = 32773;
constexpr WPARAM kCmdPushTool = 32774;
constexpr WPARAM kCmdPreviousZoom = 32775;
constexpr WPARAM kCmdDefaultView = 32776;
constexpr WPARAM kCmdFullView = 32777;
constexpr WPARAM kCmdSmoothed = 32779;
constexpr WPARAM kCmdAbout = 32788;
constexpr WPARAM kCmdGoToVemo = 32803;
constexpr WPARAM kCmdSaveGraphicAs = 32804;

// Resources of the view.
constexpr int kZoomCursorId = 10403;
constexpr int kLinkCursorId = 19475;
constexpr int kPushCursorId = 20102;
constexpr int kLoadingIconId = 2;

struct ViewWindow {
    HWND hwnd;
    PluginInstance* instance;
    int32_t loadFailed;
    TileList tiles;
    RenderTile* nextTile;
    WNDPROC prevWndProc;
    int32_t timerStarted;
    HINSTANCE hInstance;
    WindowPoint dragStart;
    WindowPoint dragEnd;
    DocPoint pressDocPoint;
    WindowPoint pushOffset;
    int32_t dragCancelled;
    int32_t dragging;
    int32_t tool;
    DocRect defaultView;
    DocRect currentView;
    DocRect previousView;
    RenderMatrix matrix;
    int32_t defaultViewFlag;
    int32_t zoomPercent;
    HCURSOR zoomCursor;
    HCURSOR pushCursor;
    HCURSOR linkCursor;
    HCURSOR arrowCursor;
    TextBuffer hyperlink;
    int32_t clientWidth;
    int32_t clientHeight;
    int32_t bitsPerPixel;
    uint8_t* colourTable;
    uint32_t colourCount;
    BITMAPINFO* backInfo;
    uint8_t* backBits;
    int32_t backValid;
    int32_t backIs32;
    IDocumentRenderer* renderer;
    int32_t pictureShown;
    int32_t documentReady;
    int32_t readyHandled;
    int32_t smoothed;

    ViewWindow();
    ~ViewWindow();
    ViewWindow(const ViewWindow&) = delete;
    ViewWindow& operator=(const ViewWindow&) = delete;

    // Keeps the instance and reads the page's "viewport" attribute into the default view.
    void AttachInstance(PluginInstance* instance);
    // Takes the window over: 1 on success, 0 when the window procedure could not be replaced.
    int32_t Subclass(HWND window);
    // Gives the window its earlier procedure back.
    void Unsubclass();
    void AttachRenderer(IDocumentRenderer* renderer);

    // Re-measures the window, rebuilds the back buffer and starts rendering the current view
    // afresh with one whole-window tile.
    void RestartRendering();
    // One turn of the render timer: at most one slice of one tile.
    void RenderTimerTick();

    // Renders the current view off-screen at the window's size and stretches it onto the
    // printer rectangle: 1 when printed, else 0.
    int32_t PrintView(HDC printer, int32_t x, int32_t y, int32_t width, int32_t height);

    // Makes a bottom-up bitmap of 8 or 32 bits (one spare row); 1 when both blocks exist.
    int32_t MakeBitmap(BITMAPINFO** info, uint8_t** bits, int32_t width, int32_t height,
                       int32_t depth);
    // Copies a rectangle of a client-sized bitmap to the device, or draws the loading or
    // failure display.
    void PaintRegion(HDC dc, int32_t left, int32_t top, int32_t right, int32_t bottom,
                     const BITMAPINFO* info, const uint8_t* bits);
    void PresentTile(RenderTile* tile);
    void CopyTileToBackBuffer(const RenderTile* tile);

    // Tile operations that need the renderer.
    RenderTile* CreateTile(const TileRect& rect, const DocRect& docRect);
    void SetTileArea(RenderTile* tile, const TileRect& rect, const DocRect& docRect);
    int32_t StepTile(RenderTile* tile, ULONG slice);
    void DestroyTile(RenderTile* tile);
    void InsertTile(RenderTile* tile);
    void RemoveTile(RenderTile* tile);
    void ClearTiles();

    // Transform and zoom (window pixels and document units).
    DocPoint DocPointFromWindow(int32_t x, int32_t y) const;
    DocRect DocRectFromWindow(const TileRect& rect) const;
    void ZoomFromView();
    void CentreViewAt(int32_t zoom, DocPoint centre);
    void ZoomStepAt(uint32_t keyFlags, DocPoint centre);
    void FinishZoomDrag(uint32_t keyFlags);
    void PreviousZoom();
    void GoToDefaultView();

    // Window messages.
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    int32_t RunCommand(WPARAM command);
    void OnPaint();

    // Handlers of the interaction features; they reach the document through the instance.
    DocumentRecord* Document() const;
    int32_t ZoomPanAllowed() const;
    void UpdateCursor();
    void UpdateStatusLine();
    void RefreshHover(int32_t x, int32_t y);
    void ShowContextMenu(HWND window, int32_t x, int32_t y);
    void OnMouseMove(WPARAM keys, int32_t x, int32_t y);
    void OnButtonDown(WPARAM keys, int32_t x, int32_t y);
    void OnButtonUp(WPARAM keys, int32_t x, int32_t y);
    void DrawDragFrame(WindowPoint a, WindowPoint b);
    void SelectZoomTool();
    void SelectPushTool();
    void ShowFullView();
    void ToggleSmoothed();
    void ShowAboutBox();
    void OpenPluginPage();
    void SaveGraphicAs();

    // Hyperlinks and navigation.
    void SetHyperlink(const char* text);
    void NavigatePage(const TextBuffer& address);

    // Push scrolling.
    void PushStep(int32_t x, int32_t y);
    void ShiftBackBuffer(int32_t dx, int32_t dyRows);
};

// The procedure that the view installs on the window; finds the view in GWLP_USERDATA.
LRESULT CALLBACK ViewWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
