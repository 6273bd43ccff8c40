// Text to outlines: fontconfig picks the font, HarfBuzz shapes, FreeType gives the outlines.
//
// Fonts: the CSS family list (quoted names, generic families such as serif and sans-serif)
// with weight, style and stretch becomes a fontconfig pattern; fontconfig's sorted font set
// for it is the fallback chain, and each character takes the first font of the chain that
// has it (as the usual text stacks do), so runs split where the font changes. Only fonts
// installed on this machine are used; fonts named by the document are never fetched.
//
// Shaping: HarfBuzz's OpenType shaper over the font file, in font units, direction and script
// guessed from the text. Outlines: FreeType's unhinted outlines of the shaped glyphs, in font
// units, turned into paths (quadratic and cubic curves kept) and scaled to the font size; y
// grows downwards as in SVG, the origin on the baseline at the glyph's pen position.
#pragma once

#include <stdint.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "authoring/svg/Path.h"

namespace vemo::svg {

struct FontRequest {
    std::string families; // the CSS list as written
    int weight = 400;
    int style = 0; // 0 normal, 1 italic, 2 oblique
    int stretch = 100;
    bool operator<(const FontRequest& o) const;
};

struct ShapedGlyph {
    Path outline;     // user units at the run's font size, origin at the pen position
    double x = 0;     // pen position of the glyph relative to the run's start
    double y = 0;
    double advance = 0;
    uint32_t cluster = 0; // index of the first character the glyph belongs to
};

struct FontMetrics {
    double ascent = 0, descent = 0; // per unit of font size
    double underlinePosition = -0.1, underlineThickness = 0.05; // per unit, y up
    double strikeoutPosition = 0.3, strikeoutThickness = 0.05;
};

class TextShaper {
public:
    TextShaper();
    ~TextShaper();
    TextShaper(const TextShaper&) = delete;
    TextShaper& operator=(const TextShaper&) = delete;

    // False when the font machinery could not start (then nothing is shaped).
    bool Ready() const;

    // Shapes one run of characters with one request at `size` user units. Each character is
    // drawn with the first font of the request's fallback chain that has it. *advance receives
    // the pen's advance over the whole run. False when no font could be found.
    bool Shape(const std::u32string& text, const FontRequest& request, double size,
               std::vector<ShapedGlyph>* glyphs, double* advance);
    // Metrics of the request's first font.
    bool Metrics(const FontRequest& request, FontMetrics* metrics);

    struct Impl;

private:
    std::unique_ptr<Impl> impl;
};

// UTF-8 to code points; malformed sequences become U+FFFD.
std::u32string DecodeUtf8(const std::string& text);

} // namespace vemo::svg
