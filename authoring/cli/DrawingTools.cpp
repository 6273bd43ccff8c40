#include "authoring/cli/DrawingTools.h"

#include <stdio.h>

#include "renderer/DrawingFormat.h"
#include "renderer/DrawingRenderer.h"
#include "renderer/Results.h"

namespace vemo::cli {

namespace {

// The plug-in receives the drawing in stream chunks; the result does not depend on their size.
constexpr size_t kChunk = 1 << 20;

// Feeds the whole drawing and the end of data; the first failure, else the warning bits.
int32_t LoadAll(DrawingRenderer& renderer, const uint8_t* data, size_t size) {
    for (size_t at = 0; at < size; at += kChunk) {
        size_t n = size - at < kChunk ? size - at : kChunk;
        int32_t r = renderer.LoadData(uint32_t(n), data + at);
        if (r < 0) {
            return r;
        }
    }
    return renderer.LoadData(0, nullptr);
}

std::string Hex(int32_t code) {
    char text[16];
    snprintf(text, sizeof text, "0x%08X", unsigned(code));
    return text;
}

std::string RectText(const DocRect& r) {
    char text[96];
    snprintf(text, sizeof text, "%d %d %d %d", r.x0, r.y0, r.x1, r.y1);
    return text;
}

const char* FailureName(int32_t code) {
    switch (code) {
    case kCorruptFile:
        return "corrupt file";
    case kOutOfMemory:
        return "out of memory or past a limit";
    case kIncompatibleVersion:
        return "incompatible file version";
    default:
        return "failure";
    }
}

const char* TagName(uint16_t tag) {
    switch (tag) {
    case kTagBounds:
        return "bounds";
    case kTagDefaultView:
        return "default view";
    case kTagFillColour:
        return "fill colour";
    case kTagFillRule:
        return "fill rule";
    case kTagStroke:
        return "stroke";
    case kTagPath:
        return "path";
    case kTagLink:
        return "hyperlink";
    case kTagBlend:
        return "blend";
    case kTagText:
        return "text";
    case kTagGradient:
        return "gradient";
    default:
        return "unknown kind";
    }
}

std::string WarningText(int32_t warnings) {
    std::string text = Hex(warnings).substr(8); // the low byte is all there is
    text = "0x" + text;
    if (warnings == 0) {
        return text + " (none)";
    }
    text += " (";
    if (warnings & kWarnVersion15Objects) {
        text += "blends or text skipped";
    }
    if (warnings & kWarnUnknownRecords) {
        text += (warnings & kWarnVersion15Objects) ? ", " : "";
        text += "records of unknown kinds skipped";
    }
    return text + ")";
}

} // namespace

DrawingSummary SummariseDrawing(const uint8_t* data, size_t size) {
    DrawingSummary s;
    DrawingRenderer renderer;
    int32_t r = LoadAll(renderer, data, size);
    const DrawingParser& parser = renderer.GetParser();
    const Document& doc = renderer.GetDocument();
    if (r < 0) {
        s.loadResult = r;
        s.failureOffset = parser.FailureOffset();
    } else {
        s.warnings = r;
    }
    s.major = parser.Major();
    s.minor = parser.Minor();
    s.bounds = doc.bounds;
    if (renderer.GetDefaultView(&s.defaultView, &s.defaultViewFlag) != kOk) {
        s.defaultView = NotSetRect();
    }
    s.viewSource = IsSet(doc.defaultView) ? ViewSource::File
                   : IsSet(doc.bounds)    ? ViewSource::Bounds
                                          : ViewSource::Drawn;
    s.objects = doc.objects.Size();
    s.points = doc.points.Size();
    for (size_t i = 0; i < doc.ops.Size(); ++i) {
        s.paths += doc.ops[i] == kOpMove ? 1 : 0;
    }
    s.links = doc.links.Size();
    for (size_t i = 0; i < doc.objects.Size(); ++i) {
        const DrawObject& o = doc.objects[i];
        s.linkedObjects += o.link >= 0 ? 1 : 0;
        s.gradientFills += o.style.fillGradient >= 0 ? 1 : 0;
        s.gradientStrokes += o.style.strokeGradient >= 0 ? 1 : 0;
    }
    for (size_t i = 0; i < doc.gradients.Size(); ++i) {
        bool radial = doc.gradients[i].kind == kGradientRadial;
        s.radialGradients += radial ? 1 : 0;
        s.linearGradients += radial ? 0 : 1;
    }
    s.skippedRecords = parser.SkippedRecords();
    return s;
}

std::string DescribeFailure(const uint8_t* data, size_t size, const DrawingSummary& s) {
    std::string text = std::string(FailureName(s.loadResult)) + " (" + Hex(s.loadResult) +
                       ") at byte " + std::to_string(s.failureOffset) + ": ";
    uint64_t at = s.failureOffset;
    if (at == 0) {
        return text + (size < kMagicSize ? "the header is cut short" : "not a Vemo drawing (header)");
    }
    if (at == kMagicSize) {
        if (size < kMagicSize + kVersionSize) {
            return text + "the version is cut short";
        }
        char v[64];
        snprintf(v, sizeof v, "version %u.%u", unsigned(ReadU16(data + 8)),
                 unsigned(ReadU16(data + 10)));
        return text + v;
    }
    if (at + kRecordHeaderSize > size) {
        return text + "a record header cut short (" + std::to_string(size - at) + " of 6 bytes)";
    }
    uint16_t tag = ReadU16(data + at);
    uint32_t length = ReadU32(data + at + 2);
    text += "record " + std::to_string(tag) + " (" + TagName(tag) + "), " +
            std::to_string(length) + " bytes";
    uint64_t have = size - at - kRecordHeaderSize;
    if (have < length && s.loadResult == kCorruptFile) {
        text += ", cut short after " + std::to_string(have);
    }
    return text;
}

std::string DescribeDrawing(const uint8_t* data, size_t size, const DrawingSummary& s) {
    std::string text;
    auto line = [&text](const char* name, const std::string& value) {
        text += name;
        text += ": ";
        text += value;
        text += "\n";
    };
    if (s.major != 0 || s.minor != 0) {
        line("version", std::to_string(s.major) + "." + std::to_string(s.minor));
    }
    line("bytes", std::to_string(size));
    line("bounds", IsSet(s.bounds) ? RectText(s.bounds) : "none");
    if (IsSet(s.defaultView)) {
        const char* source = s.viewSource == ViewSource::File     ? "from the file"
                             : s.viewSource == ViewSource::Bounds ? "the bounds"
                                                                  : "around everything drawn";
        line("default view", RectText(s.defaultView) + " keep-aspect " +
                                 std::to_string(s.defaultViewFlag) + " (" + source + ")");
    } else {
        line("default view", "not known");
    }
    line("objects", std::to_string(s.objects));
    line("paths", std::to_string(s.paths));
    line("points", std::to_string(s.points));
    line("links", std::to_string(s.links) + " (" + std::to_string(s.linkedObjects) +
                      " objects linked)");
    line("gradients", std::to_string(s.linearGradients + s.radialGradients) + " (" +
                          std::to_string(s.linearGradients) + " linear, " +
                          std::to_string(s.radialGradients) + " radial; painting " +
                          std::to_string(s.gradientFills) + " fills, " +
                          std::to_string(s.gradientStrokes) + " strokes)");
    line("skipped records", std::to_string(s.skippedRecords));
    if (s.loadResult < 0) {
        line("failure", DescribeFailure(data, size, s));
    } else {
        line("warnings", WarningText(s.warnings));
    }
    return text;
}

bool ImageSizeForView(const DocRect& view, int32_t width, int32_t* outWidth, int32_t* outHeight) {
    int64_t vw = int64_t(view.x1) - int64_t(view.x0);
    int64_t vh = int64_t(view.y1) - int64_t(view.y0);
    if (vw <= 0 || vh <= 0) {
        return false;
    }
    // Whole pixels that cover the view, rounded up (as SVG renderers size their images).
    int64_t w = width > 0 ? width : (vw + 749) / 750;
    if (w > 65535) {
        return false;
    }
    int64_t h = (w * vh + vw - 1) / vw;
    if (h > 65535 || uint64_t(w * h) > kMaxRenderPixels) {
        return false;
    }
    *outWidth = int32_t(w);
    *outHeight = int32_t(h);
    return true;
}

bool RenderDrawing(const uint8_t* data, size_t size, const RenderRequest& request,
                   RenderedImage* image, std::string* error) {
    *image = RenderedImage();
    DrawingRenderer renderer;
    int32_t r = LoadAll(renderer, data, size);
    if (r < 0) {
        DrawingSummary s;
        s.loadResult = r;
        s.failureOffset = renderer.GetParser().FailureOffset();
        *error = DescribeFailure(data, size, s);
        return false;
    }
    if (request.hasView) {
        // As a page's viewport attribute: the page's default view, aspect kept.
        renderer.SetDefaultView(&request.view, 1);
    }
    DocRect view;
    int32_t flag = 1;
    if (renderer.GetDefaultView(&view, &flag) != kOk) {
        *error = "the drawing has no view";
        return false;
    }
    int32_t width = 0;
    int32_t height = 0;
    if (!ImageSizeForView(view, request.width, &width, &height)) {
        *error = "the image would be too large (at most 65535 pixels a side and " +
                 std::to_string(kMaxRenderPixels) + " pixels; give a smaller --width)";
        return false;
    }
    std::vector<uint8_t> pixels;
    pixels.resize(size_t(width) * size_t(height) * 4);
    uint32_t handle = 0;
    if (renderer.CreateRenderContext(uint16_t(width), uint16_t(height), request.smoothed,
                                     pixels.data(), &handle) != kOk) {
        *error = "the renderer refused a " + std::to_string(width) + " x " +
                 std::to_string(height) + " image";
        return false;
    }
    renderer.SetContextView(handle, &view, flag);
    for (;;) {
        r = renderer.RenderSlice(handle, 1000, 0, nullptr, nullptr, nullptr, pixels.data());
        if (r < 0 || (r & (kSliceFinished | kSliceIncomplete))) {
            break;
        }
    }
    renderer.DestroyRenderContext(handle);
    if (r < 0) {
        *error = "rendering failed (" + Hex(r) + ")";
        return false;
    }
    image->width = width;
    image->height = height;
    image->view = view;
    image->rgb.resize(size_t(width) * size_t(height) * 3);
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* row = pixels.data() + size_t(height - 1 - y) * size_t(width) * 4;
        uint8_t* o = image->rgb.data() + size_t(y) * size_t(width) * 3;
        for (int32_t x = 0; x < width; ++x) {
            o[x * 3] = row[x * 4 + 2];
            o[x * 3 + 1] = row[x * 4 + 1];
            o[x * 3 + 2] = row[x * 4];
        }
    }
    return true;
}

} // namespace vemo::cli
