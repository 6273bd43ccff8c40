#include "renderer/DrawingRenderer.h"

#include <chrono>
#include <new>
#include <string.h>

#include "renderer/Palette.h"
#include "renderer/Results.h"
#include "renderer/ViewMath.h"

namespace vemo {

namespace {

// Scan converter work done between two looks at the clock (see RasterJob): a fraction of a
// millisecond however the drawing is made.
constexpr int32_t kSliceWork = 4096;
// Objects finished within their first piece between two looks at the clock.
constexpr int32_t kObjectsPerClock = 8;
// Objects passed over (outside the buffer) between two looks at the clock.
constexpr uint32_t kSkippedPerClock = 256;

// A view that shows the whole of a box; the whole of one inch when the box is empty.
DocRect ViewOfBox(const DocBox& b) {
    auto clamp = [](int64_t v) {
        return int32_t(v < INT32_MIN + 1 ? INT32_MIN + 1 : (v > INT32_MAX ? INT32_MAX : v));
    };
    DocRect r{clamp(b.x0), clamp(b.y0), clamp(b.x1), clamp(b.y1)};
    if (r.x0 >= r.x1 || r.y0 >= r.y1) {
        return DocRect{0, 0, 72000, 72000};
    }
    return r;
}

// Objects entirely outside the buffer are passed over without drawing.
bool OutsideBuffer(const DocBox& box, const RenderMatrix& m, int32_t width, int32_t height) {
    PixelFixed p = ApplyMatrix(m, box.x0, box.y0);
    PixelFixed q = ApplyMatrix(m, box.x1, box.y1);
    int64_t c0 = p.column < q.column ? p.column : q.column;
    int64_t c1 = p.column < q.column ? q.column : p.column;
    int64_t r0 = p.row < q.row ? p.row : q.row;
    int64_t r1 = p.row < q.row ? q.row : p.row;
    const int64_t one = int64_t(1) << 30;
    // one pixel of margin for anti-aliasing and hairlines
    return c1 < -one || r1 < -one || c0 > (int64_t(width) + 1) * one ||
           r0 > (int64_t(height) + 1) * one;
}

} // namespace

DrawingRenderer::DrawingRenderer() = default;

DrawingRenderer::~DrawingRenderer() {
    for (size_t i = 0; i < contexts.Size(); ++i) {
        delete contexts[i];
    }
}

void DrawingRenderer::SetClock(ClockFunction function, void* user) {
    clock = function;
    clockUser = user;
}

uint64_t DrawingRenderer::Now() {
    if (clock != nullptr) {
        return clock(clockUser);
    }
    return uint64_t(std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now().time_since_epoch())
                        .count());
}

size_t DrawingRenderer::ContextCount() const { return contexts.Size(); }

int32_t DrawingRenderer::LoadData(uint32_t length, const uint8_t* data) {
    if (length == 0) {
        int32_t r = parser.Finish();
        if (r < 0) {
            loadResult = r;
        } else {
            ended = 1;
        }
        return r;
    }
    if (data == nullptr) {
        return kNullPointer;
    }
    if (ended && !parser.Failed()) {
        // a second stream after a complete drawing: it replaces the drawing
        ended = 0;
        ++generation;
    }
    int32_t r = parser.Feed(data, length);
    if (r < 0) {
        loadResult = r;
    }
    return r;
}

int32_t DrawingRenderer::GetDefaultView(DocRect* view, int32_t* flag) {
    if (view == nullptr || flag == nullptr) {
        return kNullPointer;
    }
    if (IsSet(pageView)) {
        *view = pageView;
        *flag = pageViewFlag;
        return kOk;
    }
    if (IsSet(doc.defaultView)) {
        *view = doc.defaultView;
        *flag = doc.defaultViewFlag;
        return kOk;
    }
    if (ended) {
        // no default view in the file: its bounds, else the box of everything drawn
        if (IsSet(doc.bounds)) {
            *view = doc.bounds;
        } else {
            DocBox all{INT64_MAX, INT64_MAX, INT64_MIN, INT64_MIN};
            for (size_t i = 0; i < doc.objects.Size(); ++i) {
                const DocBox& b = doc.objects[i].box;
                all.x0 = b.x0 < all.x0 ? b.x0 : all.x0;
                all.y0 = b.y0 < all.y0 ? b.y0 : all.y0;
                all.x1 = b.x1 > all.x1 ? b.x1 : all.x1;
                all.y1 = b.y1 > all.y1 ? b.y1 : all.y1;
            }
            *view = ViewOfBox(all);
        }
        *flag = 1;
        return kOk;
    }
    view->x1 = kDocRectNotSet;
    return 1; // S_FALSE: not known yet
}

int32_t DrawingRenderer::SetDefaultView(const DocRect* view, int32_t flag) {
    if (view == nullptr) {
        return kNullPointer;
    }
    if (!IsSet(*view) || view->x0 >= view->x1 || view->y0 >= view->y1) {
        return kInvalidArgument;
    }
    pageView = *view;
    pageViewFlag = flag ? 1 : 0;
    return kOk;
}

int32_t DrawingRenderer::GetHyperlinkAt(int32_t x, int32_t y, const RenderMatrix& matrix,
                                        int32_t tolerance, int32_t capacity, int32_t* length,
                                        char* text) {
    if (length == nullptr || (text == nullptr && capacity > 0)) {
        return kNullPointer;
    }
    *length = 0;
    if (tolerance < 0) {
        tolerance = 0;
    }
    // the tolerance (eighths of a pixel, plus a pixel for hairlines) in document units
    int64_t scale = matrix.a < matrix.d ? matrix.a : matrix.d;
    if (scale <= 0) {
        scale = (int64_t(1) << 30) / 750;
    }
    int64_t slack = ((int64_t(tolerance) + 8) << 27) / scale + 1;
    for (size_t i = doc.objects.Size(); i-- > 0;) {
        const DrawObject& obj = doc.objects[i];
        if (obj.link < 0) {
            continue;
        }
        if (x < obj.box.x0 - slack || x > obj.box.x1 + slack || y < obj.box.y0 - slack ||
            y > obj.box.y1 + slack) {
            continue;
        }
        if (!HitObject(doc, obj, matrix, x, y, tolerance)) {
            continue;
        }
        const LinkEntry& link = doc.links[size_t(obj.link)];
        int32_t n = int32_t(link.length);
        int32_t copy = capacity < n ? (capacity > 0 ? capacity : 0) : n;
        if (copy > 0) {
            memcpy(text, doc.linkText.Data() + link.offset, size_t(copy));
        }
        if (copy < capacity) {
            text[copy] = '\0';
        }
        *length = n;
        return kOk;
    }
    if (capacity > 0) {
        text[0] = '\0';
    }
    return 1; // S_FALSE: no link here
}

RenderContext* DrawingRenderer::Find(uint32_t handle) {
    if (handle == 0) {
        return nullptr;
    }
    for (size_t i = 0; i < contexts.Size(); ++i) {
        if (contexts[i]->handle == handle) {
            return contexts[i];
        }
    }
    return nullptr;
}

int32_t DrawingRenderer::CreateRenderContext(uint16_t width, uint16_t height, int32_t smoothed,
                                             void* pixels, uint32_t* handle) {
    if (handle == nullptr) {
        return kNullPointer;
    }
    *handle = 0;
    if (pixels == nullptr && width != 0 && height != 0) {
        return kNullPointer;
    }
    if (!contexts.Reserve(contexts.Size() + 1)) {
        return kOutOfMemory;
    }
    RenderContext* ctx = new (std::nothrow) RenderContext;
    if (ctx == nullptr) {
        return kOutOfMemory;
    }
    ctx->handle = nextSerial++;
    if (nextSerial == 0) {
        nextSerial = 1;
    }
    ctx->width = width;
    ctx->height = height;
    ctx->smoothed = smoothed ? 1 : 0;
    ctx->pixels = pixels;
    ctx->generation = generation;
    ctx->painter.Adopt(sparePainter);
    contexts.Push(ctx);
    *handle = ctx->handle;
    return kOk;
}

int32_t DrawingRenderer::SetContextView(uint32_t handle, const DocRect* view, int32_t flag) {
    RenderContext* ctx = Find(handle);
    if (ctx == nullptr) {
        return kBadHandle;
    }
    if (view == nullptr) {
        return kNullPointer;
    }
    ctx->painter.Cancel();
    ctx->view = *view;
    ctx->keepAspect = flag ? 1 : 0;
    ctx->matrix = MatrixForView(uint32_t(ctx->width), uint32_t(ctx->height), *view, ctx->keepAspect);
    ctx->backgroundDone = 0;
    ctx->nextObject = 0;
    if (!IsSet(*view) || view->x0 >= view->x1 || view->y0 >= view->y1) {
        return kInvalidArgument;
    }
    return kOk;
}

int32_t DrawingRenderer::GetContextMatrix(uint32_t handle, RenderMatrix* matrix) {
    if (matrix == nullptr) {
        return kNullPointer;
    }
    RenderContext* ctx = Find(handle);
    if (ctx == nullptr) {
        *matrix = RenderMatrix{0, 0, 0, 0, 0, 0};
        return kBadHandle;
    }
    *matrix = ctx->matrix;
    return kOk;
}

int32_t DrawingRenderer::RenderSlice(uint32_t handle, uint32_t budgetMs, int32_t, DocRect* changed,
                                     int32_t* drawnObjects, int32_t* knownObjects, void*) {
    RenderContext* ctx = Find(handle);
    if (ctx == nullptr) {
        return kBadHandle;
    }
    if (ctx->generation != generation) {
        ctx->painter.Cancel();
        ctx->generation = generation;
        ctx->backgroundDone = 0;
        ctx->nextObject = 0;
    }
    uint64_t deadline = Now() + budgetMs;
    int32_t drew = 0;
    bool drawable = ctx->matrix.a != 0 && ctx->width > 0 && ctx->height > 0;
    if (!ctx->backgroundDone) {
        // a first object that covers the buffer with opaque spans replaces the white; it is
        // drawn whole below, before the clock is read
        int32_t covers = 0;
        if (!(drawable && ctx->nextObject == 0 && !doc.objects.Empty() &&
              AlignedRectangle(doc, doc.objects[0], ctx->matrix, ctx->width, ctx->height,
                               &covers) &&
              covers)) {
            PaintWhite(ctx->pixels, ctx->width, ctx->height);
        }
        ctx->backgroundDone = 1;
        drew = 1;
    }
    if (!drawable) {
        ctx->nextObject = uint32_t(doc.objects.Size());
    }
    // The clock is read after every piece that used up its work, and after every few objects
    // that needed less, or as soon as they did a piece's work together: small objects then
    // cost no clock reads of their own, and objects that finish with a long piece do.
    int32_t sinceClock = 0;
    int64_t workSinceClock = 0;
    uint32_t skipped = 0;
    for (;;) {
        if (ctx->painter.Busy()) {
            sinceClock += ctx->painter.Step(kSliceWork) ? 1 : kObjectsPerClock;
            workSinceClock += ctx->painter.LastWork();
            if (workSinceClock >= kSliceWork) {
                sinceClock = kObjectsPerClock;
            }
            drew = 1;
        } else if (ctx->nextObject < doc.objects.Size()) {
            const DrawObject& obj = doc.objects[ctx->nextObject++];
            if (OutsideBuffer(obj.box, ctx->matrix, ctx->width, ctx->height)) {
                // passed over cheaply, but a drawing may hold very many of them
                if (++skipped % kSkippedPerClock != 0) {
                    continue;
                }
                sinceClock = kObjectsPerClock;
            } else {
                ctx->painter.Begin(doc, obj, ctx->matrix, ctx->pixels, ctx->width, ctx->height,
                                   ctx->smoothed);
                drew = 1;
                if (ctx->painter.Busy()) {
                    continue; // its first piece follows at once
                }
                sinceClock = kObjectsPerClock; // drawn whole (plain spans) or nothing to draw
            }
        } else {
            break;
        }
        if (sinceClock >= kObjectsPerClock) {
            sinceClock = 0;
            workSinceClock = 0;
            if (Now() >= deadline) {
                break;
            }
        }
    }
    int32_t result = drew ? kSliceNewPixels : 0;
    bool caughtUp = !ctx->painter.Busy() && ctx->nextObject >= doc.objects.Size();
    if (caughtUp) {
        if (loadResult < 0) {
            result |= kSliceFinished | kSliceIncomplete; // nothing more will come
        } else if (ended) {
            result |= kSliceFinished;
        } else {
            result |= kSliceIncomplete;
        }
    }
    if (changed != nullptr) {
        *changed = drew ? DocRect{0, 0, ctx->width, ctx->height} : DocRect{0, 0, 0, 0};
    }
    if (drawnObjects != nullptr) {
        *drawnObjects = int32_t(ctx->nextObject);
    }
    if (knownObjects != nullptr) {
        *knownObjects = int32_t(doc.objects.Size());
    }
    return result;
}

int32_t DrawingRenderer::ConvertBitmap(int32_t width, int32_t height, int32_t originX,
                                       int32_t originY, int32_t deviceBits,
                                       const uint8_t* colourTable, const void* pixels,
                                       void* devicePixels) {
    return ConvertPixels(width, height, originX, originY, deviceBits, colourTable, pixels,
                         devicePixels);
}

int32_t DrawingRenderer::DestroyRenderContext(uint32_t handle) {
    for (size_t i = 0; i < contexts.Size(); ++i) {
        if (contexts[i]->handle == handle && handle != 0) {
            sparePainter.Adopt(contexts[i]->painter);
            delete contexts[i];
            contexts[i] = contexts[contexts.Size() - 1];
            contexts.Resize(contexts.Size() - 1);
            return kOk;
        }
    }
    return kBadHandle;
}

int32_t DrawingRenderer::GetPalette(int32_t, uint8_t* colourTable) {
    if (colourTable == nullptr) {
        return kNullPointer;
    }
    FillPalette(colourTable);
    return kOk;
}

} // namespace vemo
