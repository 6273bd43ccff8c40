// The converted picture before it is written: drawn objects in painter's order, in document
// units (1/72000 inch, y up), each a path with a fill and a stroke as the drawing format paints
// them (fill, then stroke over it), and the hyperlink it carries.
//
// Paints are solid colours or gradients. A gradient keeps its frame in document units (origin
// O, the images U and V of the unit vectors of its own space), its focus in unit space, its
// spread and its stops; see docs/drawing-format.md for how the renderer paints it.
#pragma once

#include <stdint.h>

#include <memory>
#include <string>
#include <vector>

#include "authoring/svg/Path.h"

namespace vemo::svg {

struct GradientStop {
    double offset; // 0 ... 1, non-decreasing
    uint32_t argb;
};

struct Gradient {
    uint8_t kind = 0;   // 0 linear, 1 radial
    uint8_t spread = 0; // 0 pad, 1 reflect, 2 repeat
    Point o, u, v;      // document units
    double fx = 0, fy = 0; // radial focus in unit space
    std::vector<GradientStop> stops;

    // The colour a reader without gradients paints instead: the stops averaged over t.
    uint32_t AverageColour() const;
};

struct ScenePaint {
    enum class Kind : uint8_t { None, Solid, Gradient };
    Kind kind = Kind::None;
    uint32_t argb = 0;
    std::shared_ptr<const Gradient> gradient;

    bool Visible() const;
    // Multiplies the alpha of the colour or of every stop.
    void ScaleAlpha(double factor);
};

struct SceneItem {
    Path path; // document units
    uint8_t fillRule = 0;
    ScenePaint fill;
    ScenePaint stroke;
    double strokeWidth = 0; // document units; > 0 when the stroke is visible
    uint8_t join = 0, cap = 0;
    double miterLimit = 4;
    int link = -1;          // index into Scene::links
    bool strokeOutline = false; // the path is the outline of a stroke (not fill geometry)
    Box geometry;               // for outlines: the box of the stroked path (document units)

    bool Stroked() const { return stroke.Visible() && strokeWidth > 0; }
    // The box of what the item paints, stroke included (a little generous at joins).
    Box InkBox() const;
};

struct Scene {
    std::vector<SceneItem> items;
    std::vector<std::string> links;
};

} // namespace vemo::svg
