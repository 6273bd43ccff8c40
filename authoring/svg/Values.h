// The lexical rules shared by every SVG attribute parser: XML white space, the comma-or-space
// separator, numbers, flags, lengths with their units.
//
// Numbers follow the SVG grammar: an optional sign, digits with an optional fraction (or a
// fraction alone: ".5"), an optional exponent. A number ends where the grammar ends, so "1.5.5"
// is 1.5 then .5 and "1-2" is 1 then -2, as path data needs. Values beyond the double range
// and anything that is not finite are refused. Nothing here allocates; a scanner never reads
// past the end of its text.
#pragma once

#include <stddef.h>

#include <string>
#include <string_view>

namespace vemo::svg {

bool IsSpace(char c); // XML white space: space, tab, CR, LF
// The next word of a white-space separated list from *at on (empty at the list's end); *at
// moves past it.
std::string_view NextWord(std::string_view list, size_t* at);
std::string_view Trim(std::string_view s);
bool EqualsNoCase(std::string_view a, std::string_view b);
bool StartsWithNoCase(std::string_view s, std::string_view prefix);
std::string Lower(std::string_view s);

class Scanner {
public:
    explicit Scanner(std::string_view text) : s(text) {}

    bool AtEnd() const { return at >= s.size(); }
    char Peek() const { return at < s.size() ? s[at] : '\0'; }
    size_t Position() const { return at; }
    std::string_view Rest() const { return s.substr(at); }
    void Advance(size_t n) { at = at + n < s.size() ? at + n : s.size(); }

    void SkipSpace();
    // White space, at most one comma, white space. True when a comma was passed.
    bool SkipCommaSpace();
    bool Consume(char c);
    // A number by the SVG grammar; on failure the position is unchanged.
    bool Number(double* value);
    // A single '0' or '1' (arc flags may run into the next number: "a1 1 0 00 1 1").
    bool Flag(bool* value);
    // An identifier-like word made of letters, digits, '-' and '_'.
    std::string_view Word();

private:
    std::string_view s;
    size_t at = 0;
};

enum class Unit { None, Px, Pt, Pc, Mm, Cm, In, Em, Ex, Percent };

struct Length {
    double value = 0;
    Unit unit = Unit::None;
};

// A whole attribute as one length ("12", "1.5em", "50%"), spaces around allowed.
bool ParseLength(std::string_view text, Length* length);
// A number with an optional unit at the scanner's position.
bool ScanLength(Scanner& scan, Length* length);
// A whole attribute as one number.
bool ParseNumber(std::string_view text, double* value);

// What relative lengths are relative to.
struct LengthContext {
    double fontSize = 16;     // em
    double viewportWidth = 0;  // % of horizontal lengths
    double viewportHeight = 0; // % of vertical lengths
};

enum class Axis { X, Y, Other }; // Other: % of the viewport's normalised diagonal

double ResolveLength(const Length& length, const LengthContext& context, Axis axis);

} // namespace vemo::svg
