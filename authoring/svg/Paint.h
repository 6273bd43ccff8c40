// Colours and paints as SVG and CSS write them.
//
// Colours: the CSS named colours and "transparent", "currentColor", #rgb, #rgba, #rrggbb,
// #rrggbbaa, rgb()/rgba() with numbers or percentages (comma or space separated, an optional
// "/ alpha"), hsl()/hsla() (hue in degrees, or with deg/rad/grad/turn). Components are clamped
// to their range; names and functions are case-insensitive. A trailing ICC colour
// ("#f00 icc-color(...)") is ignored. Results are 0xAARRGGBB.
//
// Paints: "none", a colour, "url(#id)" optionally followed by a fallback ("none" or a colour),
// "context-fill" and "context-stroke".
#pragma once

#include <stdint.h>

#include <string>
#include <string_view>

namespace vemo::svg {

// False for anything that is not a colour. *current is set when the text is currentColor
// (then *argb is untouched).
bool ParseColour(std::string_view text, uint32_t* argb, bool* current);

struct Paint {
    enum class Kind { None, Colour, CurrentColour, Url, ContextFill, ContextStroke };
    Kind kind = Kind::None;
    uint32_t argb = 0xFF000000;
    std::string url; // the fragment without '#', for Kind::Url
    // For Kind::Url: what to paint when the reference does not resolve.
    Kind fallback = Kind::None;
    bool hasFallback = false;
    uint32_t fallbackArgb = 0xFF000000;
};

bool ParsePaint(std::string_view text, Paint* paint);

// "url(#id)" or "url('#id')" to "id"; false when not a local reference.
bool ParseUrlReference(std::string_view text, std::string* id);

inline uint32_t Argb(uint8_t a, uint8_t r, uint8_t g, uint8_t b) {
    return (uint32_t(a) << 24) | (uint32_t(r) << 16) | (uint32_t(g) << 8) | b;
}
inline uint8_t AlphaOf(uint32_t argb) { return uint8_t(argb >> 24); }
// Multiplies the alpha by a factor in [0, 1].
uint32_t ScaleAlpha(uint32_t argb, double factor);

} // namespace vemo::svg
