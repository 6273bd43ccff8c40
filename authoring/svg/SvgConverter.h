// SVG to Vemo drawing conversion (the authoring side; native tools only).
//
// The drawing is written with the renderer's own writer: document units of 1/72000 inch with y
// upwards, an SVG px being 1/96 inch (750 units at scale 1). Bounds and the default view are
// the SVG's viewport, so the plug-in's default view shows what a browser shows; the default
// view keeps the aspect ratio unless the root's preserveAspectRatio is "none".
//
// What cannot be converted exactly is approximated or dropped and counted by kind in the
// report; the conversion fails only for documents that cannot be read at all or that pass a
// limit (nesting, use expansion, path size, output size), with a one-line reason.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <map>
#include <string>
#include <vector>

namespace vemo::svg {

struct ConvertOptions {
    double width = 0; // the drawing is this many pixels wide at 100 % zoom (0: as the SVG says)
    double scale = 0; // multiplies the SVG's own size (0: 1); applied after width
    // Hyperlinks: with a base address, relative link addresses are resolved against it and
    // written absolute; without one they are written as the SVG has them (the plug-in resolves
    // them against the page). Fragment-only links ("#id") are kept as they are either way.
    std::string base;
    // The SVG file's path, for messages; references to other files (use, image, fonts) are
    // never fetched.
    std::string sourcePath;
    // Elements drawn, each use instance counted again: a document that needs more fails.
    size_t maxElements = 1000000;
    // Points of all the paths drawn (use instances, markers and glyphs counted each time): a
    // document that needs more fails.
    size_t maxPoints = 20000000;
    // Points of the strokes made into outlines (under clips, masks, group opacity and non-uniform
    // transforms), in all: beyond, a stroke is drawn with one width or left out, and reported.
    size_t maxOutlinePoints = 2000000;
};

struct ConvertReport {
    std::map<std::string, int> dropped;      // kind -> count, e.g. "filter", "image", "mask"
    std::map<std::string, int> approximated; // kind -> count, e.g. "group opacity"
};

// Converts one SVG document. On failure returns false, leaves *drawing empty and sets a
// one-line reason.
bool ConvertSvg(const std::string& svgText, const ConvertOptions& options,
                std::vector<uint8_t>* drawing, ConvertReport* report, std::string* error);

} // namespace vemo::svg
