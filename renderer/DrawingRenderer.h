// Everything one renderer object holds: the drawing being loaded, the page's default view and
// the render contexts. Its operations are those of the COM interface, with plain types; results
// are HRESULT values (renderer/Results.h). Objects share nothing with each other.
#pragma once

#include <stdint.h>

#include "plugin/DocGeometry.h"
#include "renderer/Document.h"
#include "renderer/DrawingParser.h"
#include "renderer/PodArray.h"
#include "renderer/RasterBridge.h"

namespace vemo {

// Milliseconds of a monotonic clock; tests may substitute their own.
using ClockFunction = uint64_t (*)(void* user);

struct RenderContext {
    uint32_t handle = 0;
    int32_t width = 0;
    int32_t height = 0;
    int32_t smoothed = 1;
    void* pixels = nullptr;
    DocRect view = NotSetRect();
    int32_t keepAspect = 1;
    RenderMatrix matrix{0, 0, 0, 0, 0, 0};
    uint32_t generation = 0; // the drawing it has drawn from
    int32_t backgroundDone = 0;
    uint32_t nextObject = 0; // painter's order: the first object not yet begun
    ObjectPainter painter;
};

class DrawingRenderer {
public:
    DrawingRenderer();
    ~DrawingRenderer();
    DrawingRenderer(const DrawingRenderer&) = delete;
    DrawingRenderer& operator=(const DrawingRenderer&) = delete;

    int32_t LoadData(uint32_t length, const uint8_t* data);
    int32_t GetDefaultView(DocRect* view, int32_t* flag);
    int32_t SetDefaultView(const DocRect* view, int32_t flag);
    int32_t GetHyperlinkAt(int32_t x, int32_t y, const RenderMatrix& matrix, int32_t tolerance,
                           int32_t capacity, int32_t* length, char* text);
    int32_t CreateRenderContext(uint16_t width, uint16_t height, int32_t smoothed, void* pixels,
                                uint32_t* handle);
    int32_t SetContextView(uint32_t handle, const DocRect* view, int32_t flag);
    int32_t GetContextMatrix(uint32_t handle, RenderMatrix* matrix);
    int32_t RenderSlice(uint32_t handle, uint32_t budgetMs, int32_t reserved, DocRect* changed,
                        int32_t* drawnObjects, int32_t* knownObjects, void* pixels);
    int32_t ConvertBitmap(int32_t width, int32_t height, int32_t originX, int32_t originY,
                          int32_t deviceBits, const uint8_t* colourTable, const void* pixels,
                          void* devicePixels);
    int32_t DestroyRenderContext(uint32_t handle);
    int32_t GetPalette(int32_t reserved, uint8_t* colourTable);

    void SetClock(ClockFunction clock, void* user);
    const Document& GetDocument() const { return doc; }
    const DrawingParser& GetParser() const { return parser; }
    size_t ContextCount() const;

private:
    RenderContext* Find(uint32_t handle);
    uint64_t Now();

    Document doc;
    DrawingParser parser{doc};
    int32_t loadResult = 0;  // a failure of the data, repeated to contexts
    int32_t ended = 0;       // the end of the data has been accepted
    uint32_t generation = 1; // grows with every new drawing
    DocRect pageView = NotSetRect();
    int32_t pageViewFlag = 1;
    PodArray<RenderContext*> contexts;
    ObjectPainter sparePainter; // the working memory of the last context that ended
    uint32_t nextSerial = 1;
    ClockFunction clock = nullptr;
    void* clockUser = nullptr;
};

} // namespace vemo
