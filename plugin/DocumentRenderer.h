// The renderer component's one interface, shared by the plug-in (its client) and VemoDoc (its
// server). Slots follow IUnknown in this order; 7 and 11 exist but are not used.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include "plugin/DocGeometry.h"

// {C12047E8-4832-410A-871F-0A452D817E51}
inline constexpr CLSID CLSID_VemoDocument = {
    0xc12047e8, 0x4832, 0x410a, {0x87, 0x1f, 0x0a, 0x45, 0x2d, 0x81, 0x7e, 0x51}};
// {ABEAB236-E1D5-4809-8158-912B98D80DA3}
inline constexpr IID IID_IDocumentRenderer = {
    0xabeab236, 0xe1d5, 0x4809, {0x81, 0x58, 0x91, 0x2b, 0x98, 0xd8, 0x0d, 0xa3}};

// Results the plug-in tells apart.
constexpr HRESULT kVemoCorruptFile = HRESULT(0x80001001L);
constexpr HRESULT kVemoOutOfMemory = HRESULT(0x8534E107L);
constexpr HRESULT kVemoIncompatibleVersion = HRESULT(0x8534E10BL);

// Bits of RenderSlice's success value.
constexpr HRESULT kSliceIncomplete = 0x04; // waiting for more data; everything so far drawn
constexpr HRESULT kSliceFinished = 0x08;   // this context is finished
constexpr HRESULT kSliceNewPixels = 0x10;  // the slice produced pixels

// Bits of the success value of the end of data.
constexpr HRESULT kWarnUnsupported = 0x01; // version 1.5 objects that are not drawn
constexpr HRESULT kWarnUnknown = 0x02;     // records of unknown kinds

// A point in buffer pixels (the origin of ConvertBitmap's pattern).
struct PixelPoint {
    int32_t x;
    int32_t y;
};

struct IDocumentRenderer : public IUnknown {
    // 3: one chunk of the file; length 0 with null data ends it.
    virtual HRESULT STDMETHODCALLTYPE LoadData(ULONG length, const BYTE* data) = 0;
    // 4: the drawing's default view; x1 stays INT32_MIN until it is known.
    virtual HRESULT STDMETHODCALLTYPE GetDefaultView(DocRect* view, LONG* flag) = 0;
    // 5: a default view given by the page.
    virtual HRESULT STDMETHODCALLTYPE SetDefaultView(const DocRect* view, LONG flag) = 0;
    // 6: the address of the topmost linked object at (x, y); at most capacity bytes written,
    //    the full length returned.
    virtual HRESULT STDMETHODCALLTYPE GetHyperlinkAt(LONG x, LONG y, RenderMatrix matrix,
                                                     LONG tolerance, LONG capacity, LONG* length,
                                                     char* text) = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved7() = 0;
    // 8: binds a caller-owned 32-bit bottom-up pixel buffer.
    virtual HRESULT STDMETHODCALLTYPE CreateRenderContext(USHORT width, USHORT height,
                                                          LONG smoothed, void* pixels,
                                                          ULONG* handle) = 0;
    // 9: which part of the drawing fills the buffer; flag 1 keeps the aspect ratio.
    virtual HRESULT STDMETHODCALLTYPE SetContextView(ULONG handle, const DocRect* view,
                                                     LONG flag) = 0;
    // 10: the context's document-to-pixel matrix.
    virtual HRESULT STDMETHODCALLTYPE GetContextMatrix(ULONG handle, RenderMatrix* matrix) = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved11() = 0;
    // 12: renders for at most budget milliseconds; success bits kSlice*.
    virtual HRESULT STDMETHODCALLTYPE RenderSlice(ULONG handle, ULONG budget, LONG reserved,
                                                  DocRect* changed, LONG* value1, LONG* value2,
                                                  void* pixels) = 0;
    // 13: converts a rendered buffer to the display's format (8 bits through colourTable).
    virtual HRESULT STDMETHODCALLTYPE ConvertBitmap(LONG width, LONG height, PixelPoint origin,
                                                    LONG deviceBitsPerPixel,
                                                    const BYTE* colourTable, const void* pixels,
                                                    void* devicePixels) = 0;
    // 14: frees a context.
    virtual HRESULT STDMETHODCALLTYPE DestroyRenderContext(ULONG handle) = 0;
    // 15: 256 entries of red, green, blue, flags.
    virtual HRESULT STDMETHODCALLTYPE GetPalette(LONG reserved, BYTE* colourTable) = 0;
};
