#include "authoring/svg/Paint.h"

#include <math.h>
#include <string.h>

#include <algorithm>

#include "authoring/svg/Values.h"

namespace vemo::svg {

namespace {

struct NamedColour {
    const char* name;
    uint32_t rgb;
};

// Sorted by name for binary search.
const NamedColour kNamed[] = {
    {"aliceblue", 0xF0F8FF}, {"antiquewhite", 0xFAEBD7}, {"aqua", 0x00FFFF},
    {"aquamarine", 0x7FFFD4}, {"azure", 0xF0FFFF}, {"beige", 0xF5F5DC},
    {"bisque", 0xFFE4C4}, {"black", 0x000000}, {"blanchedalmond", 0xFFEBCD},
    {"blue", 0x0000FF}, {"blueviolet", 0x8A2BE2}, {"brown", 0xA52A2A},
    {"burlywood", 0xDEB887}, {"cadetblue", 0x5F9EA0}, {"chartreuse", 0x7FFF00},
    {"chocolate", 0xD2691E}, {"coral", 0xFF7F50}, {"cornflowerblue", 0x6495ED},
    {"cornsilk", 0xFFF8DC}, {"crimson", 0xDC143C}, {"cyan", 0x00FFFF},
    {"darkblue", 0x00008B}, {"darkcyan", 0x008B8B}, {"darkgoldenrod", 0xB8860B},
    {"darkgray", 0xA9A9A9}, {"darkgreen", 0x006400}, {"darkgrey", 0xA9A9A9},
    {"darkkhaki", 0xBDB76B}, {"darkmagenta", 0x8B008B}, {"darkolivegreen", 0x556B2F},
    {"darkorange", 0xFF8C00}, {"darkorchid", 0x9932CC}, {"darkred", 0x8B0000},
    {"darksalmon", 0xE9967A}, {"darkseagreen", 0x8FBC8F}, {"darkslateblue", 0x483D8B},
    {"darkslategray", 0x2F4F4F}, {"darkslategrey", 0x2F4F4F}, {"darkturquoise", 0x00CED1},
    {"darkviolet", 0x9400D3}, {"deeppink", 0xFF1493}, {"deepskyblue", 0x00BFFF},
    {"dimgray", 0x696969}, {"dimgrey", 0x696969}, {"dodgerblue", 0x1E90FF},
    {"firebrick", 0xB22222}, {"floralwhite", 0xFFFAF0}, {"forestgreen", 0x228B22},
    {"fuchsia", 0xFF00FF}, {"gainsboro", 0xDCDCDC}, {"ghostwhite", 0xF8F8FF},
    {"gold", 0xFFD700}, {"goldenrod", 0xDAA520}, {"gray", 0x808080},
    {"green", 0x008000}, {"greenyellow", 0xADFF2F}, {"grey", 0x808080},
    {"honeydew", 0xF0FFF0}, {"hotpink", 0xFF69B4}, {"indianred", 0xCD5C5C},
    {"indigo", 0x4B0082}, {"ivory", 0xFFFFF0}, {"khaki", 0xF0E68C},
    {"lavender", 0xE6E6FA}, {"lavenderblush", 0xFFF0F5}, {"lawngreen", 0x7CFC00},
    {"lemonchiffon", 0xFFFACD}, {"lightblue", 0xADD8E6}, {"lightcoral", 0xF08080},
    {"lightcyan", 0xE0FFFF}, {"lightgoldenrodyellow", 0xFAFAD2}, {"lightgray", 0xD3D3D3},
    {"lightgreen", 0x90EE90}, {"lightgrey", 0xD3D3D3}, {"lightpink", 0xFFB6C1},
    {"lightsalmon", 0xFFA07A}, {"lightseagreen", 0x20B2AA}, {"lightskyblue", 0x87CEFA},
    {"lightslategray", 0x778899}, {"lightslategrey", 0x778899}, {"lightsteelblue", 0xB0C4DE},
    {"lightyellow", 0xFFFFE0}, {"lime", 0x00FF00}, {"limegreen", 0x32CD32},
    {"linen", 0xFAF0E6}, {"magenta", 0xFF00FF}, {"maroon", 0x800000},
    {"mediumaquamarine", 0x66CDAA}, {"mediumblue", 0x0000CD}, {"mediumorchid", 0xBA55D3},
    {"mediumpurple", 0x9370DB}, {"mediumseagreen", 0x3CB371}, {"mediumslateblue", 0x7B68EE},
    {"mediumspringgreen", 0x00FA9A}, {"mediumturquoise", 0x48D1CC},
    {"mediumvioletred", 0xC71585}, {"midnightblue", 0x191970}, {"mintcream", 0xF5FFFA},
    {"mistyrose", 0xFFE4E1}, {"moccasin", 0xFFE4B5}, {"navajowhite", 0xFFDEAD},
    {"navy", 0x000080}, {"oldlace", 0xFDF5E6}, {"olive", 0x808000},
    {"olivedrab", 0x6B8E23}, {"orange", 0xFFA500}, {"orangered", 0xFF4500},
    {"orchid", 0xDA70D6}, {"palegoldenrod", 0xEEE8AA}, {"palegreen", 0x98FB98},
    {"paleturquoise", 0xAFEEEE}, {"palevioletred", 0xDB7093}, {"papayawhip", 0xFFEFD5},
    {"peachpuff", 0xFFDAB9}, {"peru", 0xCD853F}, {"pink", 0xFFC0CB},
    {"plum", 0xDDA0DD}, {"powderblue", 0xB0E0E6}, {"purple", 0x800080},
    {"rebeccapurple", 0x663399}, {"red", 0xFF0000}, {"rosybrown", 0xBC8F8F},
    {"royalblue", 0x4169E1}, {"saddlebrown", 0x8B4513}, {"salmon", 0xFA8072},
    {"sandybrown", 0xF4A460}, {"seagreen", 0x2E8B57}, {"seashell", 0xFFF5EE},
    {"sienna", 0xA0522D}, {"silver", 0xC0C0C0}, {"skyblue", 0x87CEEB},
    {"slateblue", 0x6A5ACD}, {"slategray", 0x708090}, {"slategrey", 0x708090},
    {"snow", 0xFFFAFA}, {"springgreen", 0x00FF7F}, {"steelblue", 0x4682B4},
    {"tan", 0xD2B48C}, {"teal", 0x008080}, {"thistle", 0xD8BFD8},
    {"tomato", 0xFF6347}, {"turquoise", 0x40E0D0}, {"violet", 0xEE82EE},
    {"wheat", 0xF5DEB3}, {"white", 0xFFFFFF}, {"whitesmoke", 0xF5F5F5},
    {"yellow", 0xFFFF00}, {"yellowgreen", 0x9ACD32},
};

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

uint8_t ClampByte(double v) {
    if (!(v > 0)) {
        return 0;
    }
    if (v >= 255) {
        return 255;
    }
    return uint8_t(lround(v));
}

double Clamp01(double v) { return v < 0 ? 0 : (v > 1 ? 1 : v); }

bool ParseHex(std::string_view h, uint32_t* argb) {
    int d[8];
    if (h.size() != 3 && h.size() != 4 && h.size() != 6 && h.size() != 8) {
        return false;
    }
    for (size_t i = 0; i < h.size(); ++i) {
        d[i] = HexDigit(h[i]);
        if (d[i] < 0) {
            return false;
        }
    }
    uint8_t r, g, b, a = 255;
    if (h.size() <= 4) {
        r = uint8_t(d[0] * 17);
        g = uint8_t(d[1] * 17);
        b = uint8_t(d[2] * 17);
        if (h.size() == 4) {
            a = uint8_t(d[3] * 17);
        }
    } else {
        r = uint8_t(d[0] * 16 + d[1]);
        g = uint8_t(d[2] * 16 + d[3]);
        b = uint8_t(d[4] * 16 + d[5]);
        if (h.size() == 8) {
            a = uint8_t(d[6] * 16 + d[7]);
        }
    }
    *argb = Argb(a, r, g, b);
    return true;
}

// One component of a colour function: a number, optionally with '%' or an angle unit.
struct Component {
    double value;
    bool percent;
    std::string_view unit;
};

// The arguments of rgb()/hsl() in either syntax: "a, b, c[, d]" or "a b c[ / d]".
bool ParseArguments(std::string_view inner, Component* out, int* count) {
    Scanner scan(inner);
    int n = 0;
    scan.SkipSpace();
    bool commas = false;
    while (!scan.AtEnd()) {
        if (n == 4) {
            return false;
        }
        if (n == 3 && !commas) {
            if (!scan.Consume('/')) {
                return false;
            }
            scan.SkipSpace();
        }
        Component c{0, false, {}};
        if (!scan.Number(&c.value)) {
            return false;
        }
        if (scan.Consume('%')) {
            c.percent = true;
        } else {
            c.unit = scan.Word();
        }
        out[n++] = c;
        scan.SkipSpace();
        if (scan.Consume(',')) {
            if (n == 1) {
                commas = true;
            } else if (!commas) {
                return false;
            }
            scan.SkipSpace();
            if (scan.AtEnd()) {
                return false;
            }
        } else if (commas && !scan.AtEnd()) {
            return false;
        }
    }
    *count = n;
    return n == 3 || n == 4;
}

double HueToRgb(double m1, double m2, double h) {
    h -= floor(h);
    if (h * 6 < 1) {
        return m1 + (m2 - m1) * h * 6;
    }
    if (h * 2 < 1) {
        return m2;
    }
    if (h * 3 < 2) {
        return m1 + (m2 - m1) * (2.0 / 3 - h) * 6;
    }
    return m1;
}

bool ParseFunction(std::string_view name, std::string_view inner, uint32_t* argb) {
    Component c[4];
    int n = 0;
    if (!ParseArguments(inner, c, &n)) {
        return false;
    }
    double alpha = 1;
    if (n == 4) {
        alpha = c[3].percent ? c[3].value / 100 : c[3].value;
        if (!c[3].unit.empty()) {
            return false;
        }
    }
    alpha = Clamp01(alpha);
    bool rgb = EqualsNoCase(name, "rgb") || EqualsNoCase(name, "rgba");
    bool hsl = EqualsNoCase(name, "hsl") || EqualsNoCase(name, "hsla");
    if (rgb) {
        uint8_t v[3];
        for (int i = 0; i < 3; ++i) {
            if (!c[i].unit.empty()) {
                return false;
            }
            v[i] = ClampByte(c[i].percent ? c[i].value * 255 / 100 : c[i].value);
        }
        *argb = Argb(ClampByte(alpha * 255), v[0], v[1], v[2]);
        return true;
    }
    if (hsl) {
        double h = c[0].value;
        if (c[0].percent) {
            return false;
        }
        if (EqualsNoCase(c[0].unit, "rad")) {
            h = h * 180 / 3.14159265358979323846;
        } else if (EqualsNoCase(c[0].unit, "grad")) {
            h = h * 0.9;
        } else if (EqualsNoCase(c[0].unit, "turn")) {
            h = h * 360;
        } else if (!c[0].unit.empty() && !EqualsNoCase(c[0].unit, "deg")) {
            return false;
        }
        if (!c[1].unit.empty() || !c[2].unit.empty()) {
            return false;
        }
        double s = Clamp01(c[1].value / 100);
        double l = Clamp01(c[2].value / 100);
        double m2 = l <= 0.5 ? l * (s + 1) : l + s - l * s;
        double m1 = l * 2 - m2;
        double hh = h / 360;
        *argb = Argb(ClampByte(alpha * 255), ClampByte(HueToRgb(m1, m2, hh + 1.0 / 3) * 255),
                     ClampByte(HueToRgb(m1, m2, hh) * 255),
                     ClampByte(HueToRgb(m1, m2, hh - 1.0 / 3) * 255));
        return true;
    }
    return false;
}

} // namespace

bool ParseColour(std::string_view text, uint32_t* argb, bool* current) {
    std::string_view t = Trim(text);
    // A colour may be followed by an icc-color(...) value, which is ignored.
    size_t icc = t.find("icc-color(");
    if (icc != std::string_view::npos && icc > 0) {
        t = Trim(t.substr(0, icc));
    }
    if (t.empty()) {
        return false;
    }
    *current = false;
    if (t[0] == '#') {
        return ParseHex(t.substr(1), argb);
    }
    size_t open = t.find('(');
    if (open != std::string_view::npos) {
        if (t.back() != ')') {
            return false;
        }
        return ParseFunction(Trim(t.substr(0, open)), t.substr(open + 1, t.size() - open - 2),
                             argb);
    }
    if (EqualsNoCase(t, "currentcolor")) {
        *current = true;
        return true;
    }
    if (EqualsNoCase(t, "transparent")) {
        *argb = 0;
        return true;
    }
    if (t.size() > 32) {
        return false;
    }
    std::string lower = Lower(t);
    const NamedColour* end = kNamed + sizeof kNamed / sizeof kNamed[0];
    const NamedColour* it = std::lower_bound(
        kNamed, end, lower, [](const NamedColour& c, const std::string& s) { return s > c.name; });
    if (it == end || lower != it->name) {
        return false;
    }
    *argb = 0xFF000000u | it->rgb;
    return true;
}

bool ParseUrlReference(std::string_view text, std::string* id) {
    std::string_view t = Trim(text);
    if (!StartsWithNoCase(t, "url(")) {
        return false;
    }
    size_t close = t.find(')');
    if (close == std::string_view::npos) {
        return false;
    }
    std::string_view inner = Trim(t.substr(4, close - 4));
    if (inner.size() >= 2 && (inner[0] == '\'' || inner[0] == '"') && inner.back() == inner[0]) {
        inner = Trim(inner.substr(1, inner.size() - 2));
    }
    if (inner.empty() || inner[0] != '#') {
        // A reference into another file is not followed; its id cannot match here.
        size_t hash = inner.find('#');
        if (hash == std::string_view::npos) {
            return false;
        }
        *id = "\x01external";
        return true;
    }
    *id = std::string(inner.substr(1));
    return true;
}

bool ParsePaint(std::string_view text, Paint* paint) {
    std::string_view t = Trim(text);
    Paint p;
    if (EqualsNoCase(t, "none")) {
        p.kind = Paint::Kind::None;
    } else if (EqualsNoCase(t, "context-fill")) {
        p.kind = Paint::Kind::ContextFill;
    } else if (EqualsNoCase(t, "context-stroke")) {
        p.kind = Paint::Kind::ContextStroke;
    } else if (StartsWithNoCase(t, "url(")) {
        if (!ParseUrlReference(t, &p.url)) {
            return false;
        }
        p.kind = Paint::Kind::Url;
        std::string_view rest = Trim(t.substr(t.find(')') + 1));
        if (!rest.empty()) {
            p.hasFallback = true;
            if (EqualsNoCase(rest, "none")) {
                p.fallback = Paint::Kind::None;
            } else {
                bool current = false;
                if (!ParseColour(rest, &p.fallbackArgb, &current)) {
                    return false;
                }
                p.fallback = current ? Paint::Kind::CurrentColour : Paint::Kind::Colour;
            }
        }
    } else {
        bool current = false;
        if (!ParseColour(t, &p.argb, &current)) {
            return false;
        }
        p.kind = current ? Paint::Kind::CurrentColour : Paint::Kind::Colour;
    }
    *paint = p;
    return true;
}

uint32_t ScaleAlpha(uint32_t argb, double factor) {
    double a = double(argb >> 24) * Clamp01(factor);
    return (argb & 0x00FFFFFFu) | (uint32_t(ClampByte(a)) << 24);
}

} // namespace vemo::svg
