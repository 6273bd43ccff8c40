// Pixels out of the stand-in: window captures and the printer stand-in.
#include <algorithm>

#include "host/HostText.h"
#include "host/win/Host.h"
#include "host/win/Imaging.h"
#include "host/win/Log.h"

namespace vemohost {

namespace {

// A 32-bit top-down DIB section selected into a memory DC.
struct Canvas {
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ old = nullptr;
    uint32_t* bits = nullptr;
    int width = 0, height = 0;

    bool Create(int w, int h) {
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = w;
        info.bmiHeader.biHeight = -h;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        dc = CreateCompatibleDC(nullptr);
        void* pixels = nullptr;
        bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &pixels, nullptr, 0);
        if (!dc || !bitmap) {
            return false;
        }
        bits = static_cast<uint32_t*>(pixels);
        old = SelectObject(dc, bitmap);
        width = w;
        height = h;
        return true;
    }

    void ToImage(Image& image) const {
        GdiFlush();
        image.width = width;
        image.height = height;
        image.pixels.assign(bits, bits + static_cast<size_t>(width) * height);
        for (uint32_t& p : image.pixels) {
            p &= 0xFFFFFF;
        }
    }

    ~Canvas() {
        if (old) {
            SelectObject(dc, old);
        }
        if (bitmap) {
            DeleteObject(bitmap);
        }
        if (dc) {
            DeleteDC(dc);
        }
    }
};

} // namespace

bool CaptureWindow(HWND window, bool wholeWindow, bool usePrintWindow, Image& image) {
    RECT r;
    if (!IsWindow(window)) {
        return false;
    }
    if (wholeWindow) {
        GetWindowRect(window, &r);
        OffsetRect(&r, -r.left, -r.top);
    } else {
        GetClientRect(window, &r);
    }
    if (r.right <= 0 || r.bottom <= 0) {
        return false;
    }
    RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    Canvas canvas;
    if (!canvas.Create(r.right, r.bottom)) {
        return false;
    }
    bool ok;
    if (usePrintWindow) {
        PatBlt(canvas.dc, 0, 0, r.right, r.bottom, WHITENESS);
        ok = PrintWindow(window, canvas.dc, wholeWindow ? 0 : PW_CLIENTONLY) != 0;
    } else {
        HDC source = wholeWindow ? GetWindowDC(window) : GetDC(window);
        ok = BitBlt(canvas.dc, 0, 0, r.right, r.bottom, source, 0, 0, SRCCOPY) != 0;
        ReleaseDC(window, source);
    }
    if (ok) {
        canvas.ToImage(image);
    }
    return ok;
}

bool SaveImage(const Image& image, const std::string& path) {
    std::vector<uint8_t> bytes = EncodeBmp(image);
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD written = 0;
    bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
              written == bytes.size();
    CloseHandle(file);
    return ok;
}

// The screen's pixels over the browser window: what a person sees, with the popup menus, dialogs
// and message boxes that lie over it (each of those is a window of its own).
bool CaptureScreenOver(HWND window, Image& image) {
    RECT r;
    if (!IsWindow(window) || !GetWindowRect(window, &r) || r.right <= r.left ||
        r.bottom <= r.top) {
        return false;
    }
    RedrawWindow(nullptr, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    Canvas canvas;
    if (!canvas.Create(r.right - r.left, r.bottom - r.top)) {
        return false;
    }
    HDC screen = GetDC(nullptr);
    bool ok = BitBlt(canvas.dc, 0, 0, canvas.width, canvas.height, screen, r.left, r.top,
                     SRCCOPY) != 0;
    ReleaseDC(nullptr, screen);
    if (ok) {
        canvas.ToImage(image);
    }
    return ok;
}

bool Host::Capture(int pageIndex, bool usePrintWindow, Image& image) {
    HWND window = page_;
    if (pageIndex == kWindowTarget) {
        return usePrintWindow ? CaptureWindow(frame_, true, true, image)
                              : CaptureScreenOver(frame_, image);
    }
    if (pageIndex != kPageTarget) {
        Instance* instance = InstanceAt(pageIndex);
        if (!instance || !instance->window) {
            return false;
        }
        window = instance->window;
    }
    return CaptureWindow(window, false, usePrintWindow, image);
}

bool Host::Print(int scale, Image& image) {
    RECT client;
    GetClientRect(page_, &client);
    Canvas canvas;
    if (!canvas.Create(client.right * scale, client.bottom * scale)) {
        return false;
    }
    PatBlt(canvas.dc, 0, 0, canvas.width, canvas.height, WHITENESS);
    PaintPage(canvas.dc, scale, 0, 0);
    for (auto& owned : instances_) {
        Instance* instance = owned.get();
        if (!instance || !instance->alive || !instance->plugin->Funcs().print) {
            continue;
        }
        NPP_PrintProcPtr print = instance->plugin->Funcs().print;
        std::string tag = "#" + std::to_string(instance->number);
        bool embedded = instance->mode != NP_FULL;
        if (!embedded) {
            NPPrint record = {};
            record.mode = NP_FULL;
            record.print.fullPrint.pluginPrinted = 1;
            record.print.fullPrint.printOne = 1;
            record.print.fullPrint.platformPrint = canvas.dc;
            {
                ++g_hostCallDepth;
                print(&instance->npp, &record);
                --g_hostCallDepth;
            }
            LogLine("call NPP_Print " + tag + " mode=full -> pluginPrinted=" +
                    std::to_string(record.print.fullPrint.pluginPrinted));
            embedded = !record.print.fullPrint.pluginPrinted;
        }
        if (embedded && instance->alive) {
            // Filled in the layout of the announced version: the 0.6 record is the start of
            // the newer one, up to the window type and platformPrint behind it.
            NPPrintV11 record = {};
            record.mode = NP_EMBED;
            NPWindowV11& w = record.print.embedPrint.window;
            w.window = nullptr;
            w.x = instance->rect.left * scale;
            w.y = instance->rect.top * scale;
            w.width = static_cast<uint32_t>((instance->rect.right - instance->rect.left) * scale);
            w.height = static_cast<uint32_t>((instance->rect.bottom - instance->rect.top) * scale);
            w.clipRect.left = static_cast<uint16_t>(std::max(0, w.x));
            w.clipRect.top = static_cast<uint16_t>(std::max(0, w.y));
            w.clipRect.right = static_cast<uint16_t>(std::max(0, w.x + static_cast<int>(w.width)));
            w.clipRect.bottom =
                static_cast<uint16_t>(std::max(0, w.y + static_cast<int>(w.height)));
            NPPrint* handed = reinterpret_cast<NPPrint*>(&record);
            if (WindowTypeLayout()) {
                w.type = NPWindowTypeDrawable;
                record.print.embedPrint.platformPrint = canvas.dc;
            } else {
                handed->print.embedPrint.platformPrint = canvas.dc;
            }
            int saved = SaveDC(canvas.dc);
            {
                ++g_hostCallDepth;
                print(&instance->npp, handed);
                --g_hostCallDepth;
            }
            RestoreDC(canvas.dc, saved);
            LogLine("call NPP_Print " + tag + " mode=embed x=" + std::to_string(w.x) +
                    " y=" + std::to_string(w.y) + " width=" + std::to_string(w.width) +
                    " height=" + std::to_string(w.height));
        }
    }
    canvas.ToImage(image);
    return true;
}

} // namespace vemohost
