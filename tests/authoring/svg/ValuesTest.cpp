// Attribute values: numbers and lengths, colours in every CSS form, paints, transform lists.
#include <gtest/gtest.h>

#include <math.h>

#include "authoring/svg/Paint.h"
#include "authoring/svg/Transform.h"
#include "authoring/svg/Values.h"

namespace vemo::svg {
namespace {

struct LengthCase {
    const char* text;
    bool ok;
    double px; // resolved: font size 10, viewport 200 x 100
};

TEST(Values, LengthsResolveToUserUnits) {
    const LengthCase cases[] = {
        {"12", true, 12},       {" 12px ", true, 12},  {"1in", true, 96},
        {"72pt", true, 96},     {"2.54cm", true, 96},  {"25.4mm", true, 96},
        {"1pc", true, 16},      {"2em", true, 20},     {"2ex", true, 10},
        {"50%", true, 100},     {"1e1", true, 10},     {"1E+1px", true, 10},
        {".5", true, 0.5},      {"-3", true, -3},      {"5.", true, 5},
        {"3em3", false, 0},     {"px", false, 0},      {"", false, 0},
        {"1 2", false, 0},      {"1e400", false, 0},   {"nan", false, 0},
        {"inf", false, 0},      {"1e-400", true, 0},
    };
    LengthContext c;
    c.fontSize = 10;
    c.viewportWidth = 200;
    c.viewportHeight = 100;
    for (const LengthCase& t : cases) {
        Length l;
        bool ok = ParseLength(t.text, &l);
        EXPECT_EQ(t.ok, ok) << t.text;
        if (ok && t.ok) {
            EXPECT_NEAR(t.px, ResolveLength(l, c, Axis::X), 1e-9) << t.text;
        }
    }
    Length l;
    ASSERT_TRUE(ParseLength("10%", &l));
    EXPECT_NEAR(10, ResolveLength(l, c, Axis::Y), 1e-9);
    // other lengths: per cent of the normalised diagonal sqrt((w^2 + h^2) / 2)
    EXPECT_NEAR(sqrt((200.0 * 200 + 100.0 * 100) / 2) / 10, ResolveLength(l, c, Axis::Other), 1e-9);
}

struct ColourCase {
    const char* text;
    bool ok;
    uint32_t argb;
};

TEST(Values, ColoursInEveryForm) {
    const ColourCase cases[] = {
        {"red", true, 0xFFFF0000},
        {"ReD", true, 0xFFFF0000},
        {"yellowgreen", true, 0xFF9ACD32},
        {"aliceblue", true, 0xFFF0F8FF},
        {"transparent", true, 0x00000000},
        {"#abc", true, 0xFFAABBCC},
        {"#abcd", true, 0xDDAABBCC},
        {"#A0b1C2", true, 0xFFA0B1C2},
        {"#a0b1c280", true, 0x80A0B1C2},
        {"#ab", false, 0},
        {"#abcdeg", false, 0},
        {"rgb(255, 0, 10)", true, 0xFFFF000A},
        {"rgb(300,-5,10.4)", true, 0xFFFF000A},
        {"RGB(100%, 50%, 0%)", true, 0xFFFF8000},
        {"rgba(0,0,255,0.5)", true, 0x800000FF},
        {"rgba(0,0,255,50%)", true, 0x800000FF},
        {"rgb(0 0 255 / 0.25)", true, 0x400000FF},
        {"rgb(0, 0 255)", false, 0},
        {"rgb(0,0)", false, 0},
        {"rgb(0,0,0,0,0)", false, 0},
        {"hsl(0, 100%, 50%)", true, 0xFFFF0000},
        {"hsl(120, 100%, 25%)", true, 0xFF008000},
        {"hsl(240deg 100% 50%)", true, 0xFF0000FF},
        {"hsla(0.5turn, 100%, 50%, 0.5)", true, 0x8000FFFF},
        {"hsl(-120, 100%, 50%)", true, 0xFF0000FF},
        {"#f00 icc-color(acmecmyk, 0.11, 0.48, 0.83, 0.00)", true, 0xFFFF0000},
        {"notacolour", false, 0},
        {"", false, 0},
    };
    for (const ColourCase& c : cases) {
        uint32_t argb = 0;
        bool current = false;
        bool ok = ParseColour(c.text, &argb, &current);
        EXPECT_EQ(c.ok, ok) << c.text;
        if (ok && c.ok) {
            EXPECT_EQ(c.argb, argb) << c.text;
            EXPECT_FALSE(current);
        }
    }
    uint32_t argb = 0x12345678;
    bool current = false;
    EXPECT_TRUE(ParseColour(" currentColor ", &argb, &current));
    EXPECT_TRUE(current);
    EXPECT_EQ(0x12345678u, argb);
}

TEST(Values, PaintsWithReferencesAndFallbacks) {
    struct Case {
        const char* text;
        bool ok;
        Paint::Kind kind;
        const char* url;
        bool fallback;
        Paint::Kind fallbackKind;
    };
    const Case cases[] = {
        {"none", true, Paint::Kind::None, "", false, Paint::Kind::None},
        {"#fff", true, Paint::Kind::Colour, "", false, Paint::Kind::None},
        {"currentcolor", true, Paint::Kind::CurrentColour, "", false, Paint::Kind::None},
        {"url(#g1)", true, Paint::Kind::Url, "g1", false, Paint::Kind::None},
        {"url( '#g 2' ) red", true, Paint::Kind::Url, "g 2", true, Paint::Kind::Colour},
        {"url(\"#a\") none", true, Paint::Kind::Url, "a", true, Paint::Kind::None},
        {"url(#a) nonsense", false, Paint::Kind::None, "", false, Paint::Kind::None},
        {"context-stroke", true, Paint::Kind::ContextStroke, "", false, Paint::Kind::None},
        {"url(other.svg#a)", true, Paint::Kind::Url, "\x01external", false, Paint::Kind::None},
        {"bogus", false, Paint::Kind::None, "", false, Paint::Kind::None},
    };
    for (const Case& c : cases) {
        Paint p;
        EXPECT_EQ(c.ok, ParsePaint(c.text, &p)) << c.text;
        if (!c.ok) {
            continue;
        }
        EXPECT_EQ(int(c.kind), int(p.kind)) << c.text;
        EXPECT_EQ(c.url, p.url) << c.text;
        EXPECT_EQ(c.fallback, p.hasFallback) << c.text;
        EXPECT_EQ(int(c.fallbackKind), int(p.fallback)) << c.text;
    }
}

struct TransformCase {
    const char* text;
    bool ok;
    Matrix m;
};

TEST(Values, TransformListsApplyRightToLeft) {
    const double s = sqrt(0.5);
    const TransformCase cases[] = {
        {"translate(10)", true, {1, 0, 0, 1, 10, 0}},
        {"translate(10,20)", true, {1, 0, 0, 1, 10, 20}},
        {"scale(2)", true, {2, 0, 0, 2, 0, 0}},
        {"scale(2 3)", true, {2, 0, 0, 3, 0, 0}},
        {"matrix(1 2 3 4 5 6)", true, {1, 2, 3, 4, 5, 6}},
        {"rotate(90)", true, {0, 1, -1, 0, 0, 0}},
        {"rotate(90 10 10)", true, {0, 1, -1, 0, 20, 0}},
        {"rotate(45)", true, {s, s, -s, s, 0, 0}},
        {"skewX(45)", true, {1, 0, 1, 1, 0, 0}},
        {"skewY(45)", true, {1, 1, 0, 1, 0, 0}},
        // the scale applies first, then the translation
        {"translate(10 0) scale(2)", true, {2, 0, 0, 2, 10, 0}},
        {"scale(2),translate(10 0)", true, {2, 0, 0, 2, 20, 0}},
        {"  translate( 1 , 2 )  ", true, {1, 0, 0, 1, 1, 2}},
        // errors: the whole list is ignored
        {"translate(1,2,3)", false, {}},
        {"translate(10) bogus(1)", false, {}},
        {"rotate(1 2)", false, {}},
        {"scale(2", false, {}},
        {"matrix(1e308 0 0 1e308 0 0) scale(1e10)", false, {}},
        {"", true, {}},
    };
    for (const TransformCase& c : cases) {
        Matrix m;
        EXPECT_EQ(c.ok, ParseTransform(c.text, &m)) << c.text;
        const double got[6] = {m.a, m.b, m.c, m.d, m.e, m.f};
        const double want[6] = {c.m.a, c.m.b, c.m.c, c.m.d, c.m.e, c.m.f};
        for (int i = 0; i < 6; ++i) {
            EXPECT_NEAR(want[i], got[i], 1e-9) << c.text << " [" << i << "]";
        }
    }
}

TEST(Values, MatrixScalesAndSimilarity) {
    Matrix m;
    ASSERT_TRUE(ParseTransform("rotate(30) scale(3)", &m));
    EXPECT_TRUE(m.IsSimilarity());
    EXPECT_NEAR(3, m.MeanScale(), 1e-12);
    ASSERT_TRUE(ParseTransform("scale(1 -1)", &m));
    EXPECT_TRUE(m.IsSimilarity()); // a mirror keeps widths
    ASSERT_TRUE(ParseTransform("scale(2 1)", &m));
    EXPECT_FALSE(m.IsSimilarity());
    EXPECT_NEAR(2, m.MaxScale(), 1e-12);
    ASSERT_TRUE(ParseTransform("skewX(10)", &m));
    EXPECT_FALSE(m.IsSimilarity());
    Matrix inv;
    ASSERT_TRUE(ParseTransform("matrix(2 1 1 3 5 7)", &m));
    ASSERT_TRUE(m.Invert(&inv));
    Point p = (m * inv).Apply({3, 4});
    EXPECT_NEAR(3, p.x, 1e-12);
    EXPECT_NEAR(4, p.y, 1e-12);
    EXPECT_FALSE(Matrix::Scale(0, 1).Invert(&inv));
}

} // namespace
} // namespace vemo::svg
