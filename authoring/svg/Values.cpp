#include "authoring/svg/Values.h"

#include <math.h>

#include <charconv>

namespace vemo::svg {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view NextWord(std::string_view list, size_t* at) {
    size_t i = *at;
    while (i < list.size() && IsSpace(list[i])) {
        ++i;
    }
    size_t b = i;
    while (i < list.size() && !IsSpace(list[i])) {
        ++i;
    }
    *at = i;
    return list.substr(b, i - b);
}

std::string_view Trim(std::string_view s) {
    size_t b = 0;
    size_t e = s.size();
    while (b < e && IsSpace(s[b])) {
        ++b;
    }
    while (e > b && IsSpace(s[e - 1])) {
        --e;
    }
    return s.substr(b, e - b);
}

static char LowerChar(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (LowerChar(a[i]) != LowerChar(b[i])) {
            return false;
        }
    }
    return true;
}

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && EqualsNoCase(s.substr(0, prefix.size()), prefix);
}

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) {
        c = LowerChar(c);
    }
    return out;
}

void Scanner::SkipSpace() {
    while (at < s.size() && IsSpace(s[at])) {
        ++at;
    }
}

bool Scanner::SkipCommaSpace() {
    SkipSpace();
    bool comma = false;
    if (at < s.size() && s[at] == ',') {
        ++at;
        comma = true;
        SkipSpace();
    }
    return comma;
}

bool Scanner::Consume(char c) {
    if (at < s.size() && s[at] == c) {
        ++at;
        return true;
    }
    return false;
}

static bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool Scanner::Number(double* value) {
    size_t p = at;
    size_t n = s.size();
    bool negative = false;
    if (p < n && (s[p] == '+' || s[p] == '-')) {
        negative = s[p] == '-';
        ++p;
    }
    size_t mantissa = p;
    size_t digits = 0;
    while (p < n && IsDigit(s[p])) {
        ++p;
        ++digits;
    }
    if (p < n && s[p] == '.' && p + 1 < n && IsDigit(s[p + 1])) {
        ++p;
        while (p < n && IsDigit(s[p])) {
            ++p;
            ++digits;
        }
    } else if (p < n && s[p] == '.' && digits > 0) {
        ++p; // "5." is 5
    }
    if (digits == 0) {
        return false;
    }
    // An exponent only when digits follow: "3em" is 3 then the unit em.
    if (p < n && (s[p] == 'e' || s[p] == 'E')) {
        size_t q = p + 1;
        if (q < n && (s[q] == '+' || s[q] == '-')) {
            ++q;
        }
        if (q < n && IsDigit(s[q])) {
            while (q < n && IsDigit(s[q])) {
                ++q;
            }
            p = q;
        }
    }
    double v = 0;
    std::from_chars_result r = std::from_chars(s.data() + mantissa, s.data() + p, v);
    if (r.ec != std::errc() || r.ptr != s.data() + p || !isfinite(v)) {
        // Out of range: tiny values (a negative exponent) are zero, huge ones are refused.
        std::string_view text = s.substr(mantissa, p - mantissa);
        size_t e = text.find_first_of("eE");
        bool tiny = e != std::string_view::npos && e + 1 < text.size() && text[e + 1] == '-';
        if (r.ec == std::errc::result_out_of_range && tiny) {
            v = 0;
        } else {
            return false;
        }
    }
    *value = negative ? -v : v;
    at = p;
    return true;
}

bool Scanner::Flag(bool* value) {
    if (at < s.size() && (s[at] == '0' || s[at] == '1')) {
        *value = s[at] == '1';
        ++at;
        return true;
    }
    return false;
}

std::string_view Scanner::Word() {
    size_t b = at;
    while (at < s.size()) {
        char c = s[at];
        bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || IsDigit(c) || c == '-' ||
                  c == '_';
        if (!ok) {
            break;
        }
        ++at;
    }
    return s.substr(b, at - b);
}

bool ScanLength(Scanner& scan, Length* length) {
    double v = 0;
    if (!scan.Number(&v)) {
        return false;
    }
    Unit unit = Unit::None;
    std::string_view rest = scan.Rest();
    struct Name {
        const char* text;
        Unit unit;
    };
    static const Name names[] = {{"px", Unit::Px}, {"pt", Unit::Pt}, {"pc", Unit::Pc},
                                 {"mm", Unit::Mm}, {"cm", Unit::Cm}, {"in", Unit::In},
                                 {"em", Unit::Em}, {"ex", Unit::Ex}};
    if (!rest.empty() && rest[0] == '%') {
        unit = Unit::Percent;
        scan.Advance(1);
    } else {
        for (const Name& name : names) {
            if (StartsWithNoCase(rest, name.text)) {
                unit = name.unit;
                scan.Advance(2);
                break;
            }
        }
    }
    length->value = v;
    length->unit = unit;
    return true;
}

bool ParseLength(std::string_view text, Length* length) {
    Scanner scan(Trim(text));
    Length l;
    if (!ScanLength(scan, &l) || !scan.AtEnd()) {
        return false;
    }
    *length = l;
    return true;
}

bool ParseNumber(std::string_view text, double* value) {
    Scanner scan(Trim(text));
    double v = 0;
    if (!scan.Number(&v) || !scan.AtEnd()) {
        return false;
    }
    *value = v;
    return true;
}

double ResolveLength(const Length& length, const LengthContext& context, Axis axis) {
    double v = length.value;
    switch (length.unit) {
    case Unit::None:
    case Unit::Px:
        return v;
    case Unit::Pt:
        return v * 96.0 / 72.0;
    case Unit::Pc:
        return v * 16.0;
    case Unit::Mm:
        return v * 96.0 / 25.4;
    case Unit::Cm:
        return v * 96.0 / 2.54;
    case Unit::In:
        return v * 96.0;
    case Unit::Em:
        return v * context.fontSize;
    case Unit::Ex:
        return v * context.fontSize / 2;
    case Unit::Percent:
        if (axis == Axis::X) {
            return v / 100 * context.viewportWidth;
        }
        if (axis == Axis::Y) {
            return v / 100 * context.viewportHeight;
        }
        return v / 100 *
               sqrt((context.viewportWidth * context.viewportWidth +
                     context.viewportHeight * context.viewportHeight) /
                    2);
    }
    return v;
}

} // namespace vemo::svg
