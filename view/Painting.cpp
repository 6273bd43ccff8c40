// Painting and printing: the view's bitmaps, the copy from tiles to the back buffer and from
// there to the window, the palette of 8-bit displays, the loading and failure displays, and the
// off-screen rendering for the printer.
#include <new>
#include <string.h>

#include "plugin/DocumentRenderer.h"
#include "view/PluginRecords.h"
#include "view/ViewBitmaps.h"
#include "view/ViewWindow.h"

namespace {

constexpr uint32_t kStringCorrupt = 32795;      // "Failed to load corrupt file"
constexpr uint32_t kStringIncompatible = 32799; // "Incompatible file version"
constexpr uint64_t kLargestBlock = uint64_t(1) << 31;
constexpr UINT kDisplayTextFlags = DT_SINGLELINE | DT_VCENTER | DT_CENTER;

} // namespace

uint8_t* AllocateBlock(uint64_t size) {
    if (size == 0 || size >= kLargestBlock) {
        return nullptr;
    }
    return new (std::nothrow) uint8_t[size_t(size)];
}

void FreeBlock(void* block) {
    delete[] static_cast<uint8_t*>(block);
}

void FreeBitmap(BITMAPINFO** info, uint8_t** bits) {
    FreeBlock(*bits);
    *bits = nullptr;
    FreeBlock(*info);
    *info = nullptr;
}

int32_t ViewWindow::MakeBitmap(BITMAPINFO** info, uint8_t** bits, int32_t width, int32_t height,
                               int32_t depth) {
    if (colourTable == nullptr && renderer != nullptr) {
        HDC dc = GetDC(hwnd);
        if (GetDeviceCaps(dc, RASTERCAPS) & RC_PALETTE) {
            int size = GetDeviceCaps(dc, SIZEPALETTE);
            colourCount = size < 256 ? 256u : uint32_t(size);
            colourTable = AllocateBlock(uint64_t(colourCount) * 4);
            if (colourTable != nullptr) {
                memset(colourTable, 0, size_t(colourCount) * 4);
                renderer->GetPalette(0, colourTable);
            } else {
                colourCount = 0;
            }
        }
        ReleaseDC(hwnd, dc);
    }
    if (depth != 8 && depth != 32) {
        return 0;
    }
    if (width < 0 || height < 0) {
        return 0;
    }
    uint32_t tableEntries = colourTable != nullptr ? colourCount : 0;
    uint8_t* header = AllocateBlock(sizeof(BITMAPINFOHEADER) + uint64_t(tableEntries) * 4);
    *info = reinterpret_cast<BITMAPINFO*>(header);
    if (header == nullptr) {
        return 0;
    }
    uint8_t* table = header + sizeof(BITMAPINFOHEADER);
    for (uint32_t i = 0; i < tableEntries; ++i) {
        const uint8_t* entry = colourTable + i * 4; // red, green, blue, flags
        table[i * 4 + 0] = entry[2];
        table[i * 4 + 1] = entry[1];
        table[i * 4 + 2] = entry[0];
        table[i * 4 + 3] = entry[3];
    }
    BITMAPINFOHEADER& h = (*info)->bmiHeader;
    h.biSize = sizeof(BITMAPINFOHEADER);
    h.biWidth = width;
    h.biHeight = height;
    h.biPlanes = 1;
    h.biBitCount = WORD(depth);
    h.biCompression = BI_RGB;
    h.biSizeImage = 0;
    h.biXPelsPerMeter = 0;
    h.biYPelsPerMeter = 0;
    h.biClrUsed = 0;
    h.biClrImportant = 0;
    // One spare row below the picture.
    *bits = AllocateBlock(uint64_t(BitmapStride(width, depth)) * (uint64_t(height) + 1));
    return *bits != nullptr ? 1 : 0;
}

HPALETTE MakePaintPalette(const uint8_t* colourTable, uint32_t colourCount, int32_t depth) {
    if (colourTable == nullptr || colourCount == 0) {
        return nullptr;
    }
    uint32_t entries = depth >= 8 || depth < 0 ? 256u : (1u << depth);
    if (entries > colourCount) {
        entries = colourCount;
    }
    uint8_t* block = AllocateBlock(sizeof(LOGPALETTE) + uint64_t(entries) * 4);
    if (block == nullptr) {
        return nullptr;
    }
    LOGPALETTE* logical = reinterpret_cast<LOGPALETTE*>(block);
    logical->palVersion = 0x300;
    logical->palNumEntries = WORD(entries);
    memcpy(logical->palPalEntry, colourTable, size_t(entries) * 4);
    HPALETTE palette = CreatePalette(logical);
    FreeBlock(block);
    return palette;
}

namespace {

// A logical palette made from the view's colour table for one paint, selected as a background
// palette; the earlier palette is put back before it is deleted.
struct PaintPalette {
    HDC dc = nullptr;
    HPALETTE palette = nullptr;
    HPALETTE previous = nullptr;

    void Select(HDC target, const uint8_t* colourTable, uint32_t colourCount, int32_t depth) {
        palette = MakePaintPalette(colourTable, colourCount, depth);
        if (palette == nullptr) {
            return;
        }
        dc = target;
        previous = SelectPalette(dc, palette, TRUE);
        RealizePalette(dc);
    }

    ~PaintPalette() {
        if (palette == nullptr) {
            return;
        }
        if (previous != nullptr) {
            SelectPalette(dc, previous, TRUE);
        }
        DeleteObject(palette);
    }
};

} // namespace

void ViewWindow::PaintRegion(HDC dc, int32_t left, int32_t top, int32_t right, int32_t bottom,
                             const BITMAPINFO* info, const uint8_t* bits) {
    if (dc == nullptr) {
        return;
    }
    if (left < 0) {
        left = 0;
    }
    if (top < 0) {
        top = 0;
    }
    if (right > clientWidth) {
        right = clientWidth;
    }
    if (bottom > clientHeight) {
        bottom = clientHeight;
    }
    PaintPalette palette;
    palette.Select(dc, colourTable, colourCount, bitsPerPixel);

    if (pictureShown == 1 && info != nullptr && bits != nullptr) {
        if (right <= left || bottom <= top) {
            SetDIBitsToDevice(dc, 0, 0, DWORD(clientWidth), DWORD(clientHeight), 0, 0, 0,
                              UINT(clientHeight), bits, info, DIB_RGB_COLORS);
        } else {
            // Copies start on a 4-pixel boundary and span whole groups of 4 pixels.
            int32_t x = left & ~3;
            int32_t width = (right - x + 3) & ~3;
            int32_t height = bottom - top;
            SetDIBitsToDevice(dc, x, top, DWORD(width), DWORD(height), x, clientHeight - bottom, 0,
                              UINT(clientHeight), bits, info, DIB_RGB_COLORS);
        }
    }

    if ((pictureShown == 0 && dragging == 0) || loadFailed == 1) {
        int32_t halfWidth = clientWidth / 2;
        int32_t halfHeight = clientHeight / 2;
        HBRUSH background = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        RECT area{0, 0, 0, 0};
        GetClientRect(hwnd, &area);
        if (pictureShown == 0) {
            FillRect(dc, &area, background);
        }
        if (loadFailed != 0) {
            area = RECT{halfWidth - 120, halfHeight - 70, halfWidth + 120, halfHeight + 70};
            FillRect(dc, &area, background);
        }
        HICON icon = LoadIconA(hInstance, MAKEINTRESOURCEA(kLoadingIconId));
        if (icon != nullptr) {
            DrawIcon(dc, halfWidth - 16, halfHeight - 50, icon);
        }
        DocumentRecord* document = Document();
        if (document != nullptr) {
            DrawTextA(dc, document->fileName, -1, &area, kDisplayTextFlags);
        }
        if (loadFailed != 0) {
            bool refused = document != nullptr && document->refused != 0;
            TextBuffer message;
            if (message.LoadString(refused ? kStringIncompatible : kStringCorrupt)) {
                SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
                SetBkColor(dc, GetSysColor(COLOR_WINDOW));
                area.bottom += 100;
                DrawTextA(dc, message.GetText(1), -1, &area, kDisplayTextFlags);
            }
        }
    }

    if (tool == kToolZoom && dragging == 1) {
        DrawDragFrame(dragStart, dragEnd);
    }
}

void ViewWindow::OnPaint() {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(hwnd, &paint);
    const RECT& update = paint.rcPaint;
    if (backValid == 1) {
        PaintRegion(dc, update.left, update.top, update.right, update.bottom, backInfo, backBits);
    } else if (IsSet(currentView)) {
        // No back buffer: the area is rendered as a tile and shown when it has pixels.
        TileRect rect{update.left, update.top, update.right, update.bottom};
        InsertTile(CreateTile(rect, DocRectFromWindow(rect)));
    }
    EndPaint(hwnd, &paint);
}

void ViewWindow::PresentTile(RenderTile* tile) {
    const TileRect& r = tile->rect;
    if (backValid == 0) {
        // Straight to the window: the tile's own 32-bit pixels at the tile's place.
        HDC dc = GetDC(hwnd);
        if (dc != nullptr) {
            PaintPalette palette;
            palette.Select(dc, colourTable, colourCount, bitsPerPixel);
            if (tile->renderInfo != nullptr && tile->renderBits != nullptr) {
                int32_t height = r.bottom - r.top;
                SetDIBitsToDevice(dc, r.left, r.top, DWORD(r.right - r.left), DWORD(height), 0, 0,
                                  0, UINT(height), tile->renderBits, tile->renderInfo,
                                  DIB_RGB_COLORS);
            }
            if (loadFailed == 1) {
                // The failure display stays on top of whatever is shown.
                PaintRegion(dc, 0, 0, 0, 0, nullptr, nullptr);
            }
            ReleaseDC(hwnd, dc);
        }
        return;
    }
    if (renderer == nullptr) {
        backValid = 0;
        return;
    }
    if (backIs32 != 1) {
        PixelPoint origin{pushOffset.x - r.left, pushOffset.y - r.bottom};
        HRESULT converted =
            renderer->ConvertBitmap(r.right - r.left, r.bottom - r.top, origin, bitsPerPixel,
                                    colourTable, tile->renderBits, tile->displayBits);
        if (FAILED(converted)) {
            backValid = 0; // later paints queue tiles instead
            return;
        }
    }
    CopyTileToBackBuffer(tile);
    RECT invalid{r.left, r.top, r.right, r.bottom};
    InvalidateRect(hwnd, &invalid, FALSE);
}

void ViewWindow::CopyTileToBackBuffer(const RenderTile* tile) {
    if (backValid == 0 || backBits == nullptr || backInfo == nullptr ||
        tile->displayBits == nullptr) {
        return;
    }
    int32_t bitCount = backInfo->bmiHeader.biBitCount;
    if (bitCount < 8) {
        return;
    }
    const int32_t p = bitCount / 8;
    const TileRect& r = tile->rect;
    const int64_t tileWidth = int64_t(r.right) - r.left;
    const uint64_t backStride = BitmapStride(clientWidth, bitCount);
    const uint64_t tileStride = uint64_t((tileWidth * bitCount + 31) / 8) & ~uint64_t(3);

    int32_t top = r.top < 0 ? 0 : r.top;
    int32_t bottom = r.bottom > clientHeight ? clientHeight : r.bottom;
    int32_t left = r.left < 0 ? 0 : r.left;
    int32_t right = r.right > clientWidth ? clientWidth : r.right;
    if (right <= left || bottom <= top) {
        return;
    }
    const size_t rowBytes = size_t(right - left) * size_t(p);
    for (int32_t y = top; y < bottom; ++y) {
        uint8_t* destination =
            backBits + uint64_t(clientHeight - 1 - y) * backStride + uint64_t(p) * left;
        // The tile's rows are bottom-up too: its last window row is its first pixel row.
        const uint8_t* source = tile->displayBits + uint64_t(r.bottom - 1 - y) * tileStride +
                                uint64_t(p) * uint64_t(left - r.left);
        memcpy(destination, source, rowBytes);
    }
}

int32_t ViewWindow::PrintView(HDC printer, int32_t x, int32_t y, int32_t width, int32_t height) {
    if (renderer == nullptr) {
        return 0;
    }
    BITMAPINFO info;
    memset(&info, 0, sizeof(info));
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = clientWidth;
    info.bmiHeader.biHeight = clientHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    if (clientWidth <= 0 || clientHeight <= 0) {
        return 0;
    }
    uint8_t* pixels = AllocateBlock(uint64_t(clientWidth) * (uint64_t(clientHeight) + 1) * 4);
    if (pixels == nullptr) {
        return 0;
    }
    ULONG context = 0;
    HRESULT made = renderer->CreateRenderContext(USHORT(clientWidth), USHORT(clientHeight), 1,
                                                 pixels, &context);
    HRESULT viewed = renderer->SetContextView(context, &currentView, defaultViewFlag);
    int32_t printed = 0;
    if (SUCCEEDED(made) && SUCCEEDED(viewed) && IsSet(currentView)) {
        for (;;) {
            DocRect changed{0, 0, 0, 0};
            LONG value1 = 0;
            LONG value2 = 0;
            HRESULT r = renderer->RenderSlice(context, kRenderSliceMs, 0, &changed, &value1,
                                              &value2, pixels);
            if (r <= 0 || (r & (kSliceFinished | kSliceIncomplete)) != 0) {
                break;
            }
        }
        StretchDIBits(printer, x, y, width, height, 0, 0, clientWidth, clientHeight, pixels, &info,
                      DIB_RGB_COLORS, SRCCOPY);
        printed = 1;
    }
    if (context != 0) {
        renderer->DestroyRenderContext(context);
    }
    FreeBlock(pixels);
    return printed;
}
