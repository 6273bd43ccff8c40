// Images. The drawing format has no images, so an embedded PNG or JPEG (a data: URL) is drawn
// as rows of its samples (Image.h: at most 64 x 64 cells, averaged): each row a rectangle
// filled with a linear gradient through the row's samples at the cells' centres, which
// reproduces the picture's colours and shapes coarsely at any zoom. Such an image is always
// reported as approximated. Images the document only links to are never fetched: dropped and
// reported, as are data that do not decode.
//
// Placement is SVG's: x, y, width and height (a missing size is the image's own, a missing
// one of the two keeps its proportions), the image's pixels as the view box,
// preserveAspectRatio (xMidYMid meet by default), and with slice the viewport clips. The
// rows of an opaque image reach down to its bottom edge, each covered by the next, so that no
// background shows where two rows' edges share a pixel. A transparent sample takes the colour
// of its nearest visible neighbour in the row, so that colours do not fade through black on
// their way to transparency.
#include <math.h>

#include "authoring/svg/Converter.h"
#include "authoring/svg/Image.h"

namespace vemo::svg {

namespace {

// The paint of one row of samples over the image's width, in image pixels mapped by m.
ScenePaint RowPaint(const ImageSamples& s, int32_t row, int32_t width, const Matrix& m) {
    const uint32_t* argb = &s.argb[size_t(row) * size_t(s.columns)];
    ScenePaint p;
    p.kind = ScenePaint::Kind::Solid;
    p.argb = argb[0];
    bool same = true;
    for (int32_t i = 1; i < s.columns; ++i) {
        same = same && argb[i] == argb[0];
    }
    if (same) {
        return p;
    }
    auto g = std::make_shared<Gradient>();
    g->o = m.Apply({0, 0});
    g->u = m.Apply({double(width), 0});
    g->v = m.Apply({0, double(width)});
    for (int32_t i = 0; i < s.columns; ++i) {
        uint32_t c = argb[i];
        if ((c >> 24) == 0) {
            for (int32_t d = 1; d < s.columns; ++d) {
                if (i - d >= 0 && (argb[i - d] >> 24) != 0) {
                    c = argb[i - d] & 0xFFFFFF;
                    break;
                }
                if (i + d < s.columns && (argb[i + d] >> 24) != 0) {
                    c = argb[i + d] & 0xFFFFFF;
                    break;
                }
            }
        }
        g->stops.push_back({(s.xs[size_t(i)] + s.xs[size_t(i) + 1]) / 2.0 / width, c});
    }
    p.kind = ScenePaint::Kind::Gradient;
    p.gradient = g;
    return p;
}

} // namespace

void Converter::RenderImage(const Element* e, const Style& style, const Context& ctx, Items* out) {
    if (!style.visible) {
        return;
    }
    const std::string* href = e->Attr("href");
    size_t left = limits.maxImagePixels - std::min(limits.maxImagePixels, imagePixels);
    RasterImage image;
    ImageResult decoded = href == nullptr ? ImageResult::NotEmbedded : DecodeDataImage(*href, left, &image);
    if (decoded != ImageResult::Ok) {
        Drop(decoded == ImageResult::TooLarge ? "image (too large)" : "image");
        return;
    }
    imagePixels += size_t(image.width) * size_t(image.height);
    double x = AttrLength(e, "x", ctx.vp, Axis::X, 0);
    double y = AttrLength(e, "y", ctx.vp, Axis::Y, 0);
    bool hasW = false, hasH = false;
    double w = AttrLength(e, "width", ctx.vp, Axis::X, image.width, &hasW);
    double h = AttrLength(e, "height", ctx.vp, Axis::Y, image.height, &hasH);
    if (hasW && !hasH) {
        h = w * image.height / image.width;
    } else if (hasH && !hasW) {
        w = h * image.width / image.height;
    }
    if (!(w > 0) || !(h > 0)) {
        return;
    }
    ViewBox vb{0, 0, double(image.width), double(image.height)};
    AspectRatio ar = ParseAspectRatio(e->Attr("preserveAspectRatio"));
    Matrix m = ctx.ctm * ViewBoxMatrix(vb, ar, x, y, w, h);
    ImageSamples s = SampleImage(image, limits.imageSamples, limits.imageSamples);
    image = RasterImage(); // (the pixels are no longer needed)
    bool opaque = true;
    for (uint32_t c : s.argb) {
        opaque = opaque && (c >> 24) == 255;
    }
    Items local;
    for (int32_t j = 0; j < s.rows; ++j) {
        SceneItem row;
        row.link = ctx.link;
        row.fill = RowPaint(s, j, vb.w, m);
        if (!row.fill.Visible()) {
            continue;
        }
        double y0 = s.ys[size_t(j)], y1 = opaque ? vb.h : s.ys[size_t(j) + 1];
        row.path = RectPath(0, y0, vb.w, y1 - y0).Transformed(m);
        local.push_back(std::move(row));
    }
    Approximate("image");
    if (ar.slice && !ar.none) {
        ClipToRect(x, y, w, h, ctx.ctm, &local);
    }
    for (SceneItem& it : local) {
        out->push_back(std::move(it));
    }
}

} // namespace vemo::svg
