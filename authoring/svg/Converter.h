// The converter's walk over the SVG tree (internal to vemo_svg): elements become scene items in
// painter's order, styles cascaded and inherited, transforms multiplied into one matrix from
// each element's user space to document units. Split by subject: SvgConverter.cpp (the walk,
// shapes, use, viewports, strokes), ConverterPaint.cpp (colours, gradients, patterns),
// ConverterGroup.cpp (group opacity, clip paths, masks, filters, markers), ConverterText.cpp
// (text layout).
//
// Groups: an element with opacity, a clip path, a mask or a filter renders its content into a
// list of its own; the list is then clipped, masked and faded as a whole and appended to the
// parent's. Elements referenced from elsewhere (use, markers, patterns, clip paths, masks) are
// instantiated with a depth limit and a guard against reference cycles.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "authoring/svg/Outline.h"
#include "authoring/svg/Paint.h"
#include "authoring/svg/Path.h"
#include "authoring/svg/Scene.h"
#include "authoring/svg/Style.h"
#include "authoring/svg/SvgConverter.h"
#include "authoring/svg/SvgDocument.h"
#include "authoring/svg/Transform.h"
#include "authoring/svg/Values.h"

namespace vemo::svg {

class TextShaper;

inline constexpr double kUnitsPerPx = 750;           // 72000 / 96
inline constexpr double kKappa = 0.5522847498307936; // a quarter circle's control distance
// Flattening tolerance in document units: 1/15 of a pixel at 100 % at most, finer for small
// drawings (1/30000 of their larger side, at least one unit), so that a drawing viewed at many
// times its size still shows no facets where its curves were flattened.
inline constexpr double kMaxTolerance = 50;
// Clipping works on a grid of this many document units.
inline constexpr double kClipResolution = 0.25;

struct Limits {
    size_t maxRendered = 1000000;   // elements rendered, use instances counted each time
    size_t maxReferenceDepth = 40;  // nested use, marker, pattern, clip path and mask references
    size_t maxPathPoints = 4000000; // points in one element's path data
    size_t maxTotalPoints = 20000000;
    size_t maxDashPieces = 50000;
    size_t maxTextCharacters = 200000;
    size_t maxPatternTiles = 20000;
    size_t maxMarkers = 200000;
    size_t maxDashPiecesInAll = 200000; // beyond: dashes drawn solid
    size_t maxOutlinePoints = 2000000;  // flattened points outlined in all; beyond: strokes
    size_t maxRegionPoints = 1000000;   // flattened points made into clip regions in all
    size_t maxImagePixels = 64u << 20;  // pixels of embedded images decoded in all
    int32_t imageSamples = 64;          // an image is drawn with at most this many rows and columns
};

struct ViewBox {
    double x = 0, y = 0, w = 0, h = 0;
};
bool ParseViewBox(const std::string* text, ViewBox* vb);

struct AspectRatio {
    int alignX = 1, alignY = 1; // 0 min, 1 mid, 2 max
    bool none = false;
    bool slice = false;
};
AspectRatio ParseAspectRatio(const std::string* text);
// The matrix that maps the view box into the viewport (x, y, w, h).
Matrix ViewBoxMatrix(const ViewBox& vb, const AspectRatio& ar, double x, double y, double w,
                     double h);
// An attribute as a length in user units, or the fallback when absent or unreadable.
double AttrLength(const Element* e, const char* name, const LengthContext& vp, Axis axis,
                  double fallback, bool* present = nullptr);
bool IsShape(std::string_view name);

class Converter {
public:
    Converter(const SvgDocument& document, const ConvertOptions& options, ConvertReport* report);
    ~Converter();

    bool Convert(std::vector<uint8_t>* out, std::string* error);
    // For a document without width, height and view box: the box of everything it draws (in
    // its user units), found by converting it at 100 x 100; then the view box to assume.
    bool Measure(Box* box, std::string* error);
    void AssumeViewBox(const ViewBox& vb) {
        assumed = vb;
        hasAssumed = true;
    }

    struct Context {
        Matrix ctm;       // user space to document units
        LengthContext vp; // the viewport of percentages
        int link = -1;
        // The paints of the element that a marker decorates (context-fill, context-stroke).
        const Style* contextStyle = nullptr;
        Box contextBox;
    };

private:
    using Items = std::vector<SceneItem>;

    void Drop(const std::string& kind) { ++report->dropped[kind]; }
    void Approximate(const std::string& kind) { ++report->approximated[kind]; }
    void Fail(const std::string& reason);

    // The walk (SvgConverter.cpp).
    void RenderElement(const Element* e, const Style& parent, const Context& ctx, Items* out);
    void RenderChildren(const Element* e, const Style& style, const Context& ctx, Items* out);
    void RenderUse(const Element* e, const Style& style, const Context& ctx, Items* out);
    void RenderViewport(const Element* e, const Style& style, const Context& ctx, double x,
                        double y, double w, double h, Items* out);
    bool ShapePath(const Element* e, const LengthContext& vp, Path* path);
    void RenderShape(const Element* e, const Style& style, const Context& ctx, Items* out);
    // Fills and strokes a path given in user space. bbox: the box that objectBoundingBox
    // units refer to (null: the path's own).
    void EmitPath(const Path& user, const Style& style, const Context& ctx, Items* out,
                  const Box* bbox = nullptr);
    // The computed style of an element in the place where it is defined (gradient stops,
    // markers, clip paths, masks and patterns inherit from their own ancestors).
    const Style& DefinitionStyle(const Element* e);
    int LinkIndex(const std::string& href);
    bool EnterReference(const Element* e); // false on a cycle or too deep (then reported)
    void LeaveReference();

    // Paints (ConverterPaint.cpp).
    void ResolvePaint(const Paint& paint, const Style& style, double opacity, const Box& bbox,
                      const Context& ctx, ScenePaint* out);
    void ResolveGradient(const Element* g, const Box& bbox, const Matrix& ctm, double opacity,
                         ScenePaint* out);
    // A pattern's tiles over the area the path fills, as items; false when it was approximated.
    bool ExpandPattern(const Element* pattern, const Path& user, const Style& style,
                       double opacity, const Box& bbox, const Context& ctx, Items* out);
    uint32_t PatternAverage(const Element* pattern, const Box& bbox, const Context& ctx);

    // Groups (ConverterGroup.cpp).
    void FinishGroup(const Style& style, const Context& ctx, Items* local, Items* out);
    void ApplyOpacity(double opacity, Items* items);
    // Cuts opaque overlapping leaves down to what shows of each, so that a group's opacity can
    // be folded into them exactly; false (items untouched) when that does not apply.
    bool CutToVisible(Items* items);
    // The region a clip-path reference leaves visible, in document units; false when the
    // reference does not name a clip path (then nothing is clipped).
    bool ClipRegion(const std::string& id, const Context& ctx, const Box& bbox, Region* out);
    bool ClipItems(const Region& region, Items* items);
    // Clips the items to the rectangle x, y, w, h under the matrix (a viewport, a sliced image).
    void ClipToRect(double x, double y, double w, double h, const Matrix& ctm, Items* items);
    // The item's stroke as a filled outline; false when it cannot be outlined (the work limit).
    bool OutlineOfStroke(const SceneItem& it, SceneItem* outline);
    // Strokes become their outlines; false when one could not be (it is left out).
    bool StrokesToOutlines(Items* items);
    void ApplyMask(const std::string& id, const Context& ctx, const Box& bbox, Items* items);
    void ApplyFilter(const std::string& id);
    // The box of the items' fill geometry in the user space of ctm.
    Box ItemsBox(const Items& items, const Matrix& ctm);
    void RenderMarkers(const Path& user, const Style& style, const Context& ctx, Items* out);

    // Text (ConverterText.cpp).
    void RenderText(const Element* e, const Style& style, const Context& ctx, Items* out);

    // Images (ConverterImage.cpp).
    void RenderImage(const Element* e, const Style& style, const Context& ctx, Items* out);

    const SvgDocument& doc;
    const ConvertOptions& options;
    ConvertReport* report;
    Limits limits;
    Scene scene;
    bool failed = false;
    std::string failure;
    size_t rendered = 0;
    size_t totalPoints = 0;
    size_t markers = 0;
    size_t textCharacters = 0;
    std::vector<const Element*> references; // elements being instantiated
    std::map<const Element*, Style> definitionStyles;
    LengthContext rootViewport;
    double rootScale = 1; // document units per root user unit (non-scaling strokes)
    double tolerance = kMaxTolerance; // flattening, document units
    size_t dashPieces = 0;
    size_t outlineBudget = 0; // set from limits.maxOutlinePoints
    size_t regionBudget = 0;  // set from limits.maxRegionPoints
    size_t imagePixels = 0;   // decoded so far
    Box* measure = nullptr; // set while measuring: nothing is written
    ViewBox assumed;
    bool hasAssumed = false;
    int clipMode = 0; // > 0 while the children of a clip path are drawn: geometry only
};

} // namespace vemo::svg
