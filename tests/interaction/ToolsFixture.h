// A view showing its first view over a browser-like window, with a recording browser table, and
// the helpers the mouse-tool tests share: real key presses and window captures.
#pragma once

#include "tests/plugin/TestBrowser.h"
#include "tests/view/ViewFixture.h"

namespace toolstest {

using viewtest::Surface;

// Presses or releases a key for real, so that GetKeyState and GetAsyncKeyState see it. Wine
// may take the state back from the X server when a window gains the focus, so the input is
// sent again until both states show it; taking the keyboard messages off the queue brings the
// thread's state along.
inline void PressKey(WORD key, bool down) {
    for (int attempt = 0; attempt < 40; ++attempt) {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = key;
        input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
        SendInput(1, &input, sizeof input);
        for (int i = 0; i < 3; ++i) {
            MSG msg;
            while (PeekMessageA(&msg, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE)) {
            }
            Sleep(5);
        }
        bool async = (GetAsyncKeyState(key) & 0x8000) != 0;
        bool thread = (GetKeyState(key) & 0x8000) != 0;
        if (async == down && thread == down) {
            return;
        }
    }
}

inline int ScreenDepth() {
    HDC dc = GetDC(nullptr);
    int bits = GetDeviceCaps(dc, BITSPIXEL);
    ReleaseDC(nullptr, dc);
    return bits;
}

inline bool operator==(const DocRect& a, const DocRect& b) {
    return a.x0 == b.x0 && a.y0 == b.y0 && a.x1 == b.x1 && a.y1 == b.y1;
}

class ToolsFixture : public viewtest::ViewFixture {
protected:
    NPP_t browserInstance{};

    void SetUp() override {
        ViewFixture::SetUp();
        SetBrowserFunctions(TestBrowser::Get().Reset());
    }
    void TearDown() override {
        PressKey(VK_ESCAPE, false);
        PressKey(VK_CONTROL, false);
        ViewFixture::TearDown();
        SetBrowserFunctions(nullptr);
    }

    // A width x height view showing `docView` after the first tick; the first tile finishes in
    // that tick when `finishFirstTile`, leaving the tile list empty.
    void ShowView(int width, int height, DocRect docView, bool finishFirstTile = false) {
        MakeView(width, height);
        document->instance = &browserInstance;
        renderer.defaultView = docView;
        StartRenderer();
        renderer.sliceResults.push_back(finishFirstTile ? 0x18 : 0x10);
        view->RenderTimerTick();
    }

    // What the window shows, through its device context.
    void Capture(Surface& into) {
        HDC dc = GetDC(browser->child);
        BitBlt(into.dc, 0, 0, into.width, into.height, dc, 0, 0, SRCCOPY);
        ReleaseDC(browser->child, dc);
        GdiFlush();
    }
};

} // namespace toolstest
