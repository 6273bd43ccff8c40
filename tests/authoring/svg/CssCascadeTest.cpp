// Styles: selectors and their specificity, the cascade's order (presentation attributes, sheet
// rules, the style attribute, !important), inheritance, currentColor and the font shorthand;
// documents read in every encoding.
#include <gtest/gtest.h>

#include <string>

#include "authoring/svg/Css.h"
#include "authoring/svg/Style.h"
#include "authoring/svg/SvgDocument.h"

namespace vemo::svg {
namespace {

// The computed style of the element with the given id, inherited along its ancestors.
Style StyleOf(const SvgDocument& doc, const char* id) {
    const Element* e = doc.FindById(id);
    EXPECT_NE(nullptr, e) << id;
    std::vector<const Element*> chain;
    for (; e != nullptr; e = e->parent) {
        chain.push_back(e);
    }
    Style s;
    LengthContext vp;
    vp.viewportWidth = vp.viewportHeight = 100;
    for (size_t i = chain.size(); i-- > 0;) {
        Style parent = s;
        ComputeStyle(doc.Declarations(chain[i]), parent, vp, &s);
    }
    return s;
}

const char kDocument[] = R"(<?xml version="1.0"?>
<!DOCTYPE svg [ <!ENTITY ns_svg "http://www.w3.org/2000/svg"> <!ENTITY blue "#00f"> ]>
<svg xmlns="&ns_svg;" xmlns:xlink="http://www.w3.org/1999/xlink" width="100" height="100">
  <style type="text/css"><![CDATA[
    /* comments are skipped */
    rect { fill: #010101 }
    .a { fill: #020202 }
    rect.a { fill: #030303 }
    #i3 { fill: #040404 }
    g rect.b { fill: #050505 }
    g > .c { fill: #060606 }
    .d + .e { fill: #070707 }
    .imp { fill: #080808 !important }
    [data-x="1"] { fill: #090909 }
    rect:first-child.f { fill: #0a0a0a }
    .a:hover { fill: #ff0000 }
    .bad, rect:: { fill: #ff0000 }
    @media print { rect { fill: #ff0000 } }
    .late { fill: #0b0b0b } .late { fill: #0c0c0c }
  ]]></style>
  <style type="text/unknown">rect { fill: #ff0000 }</style>
  <g>
    <rect id="i1" fill="#ff0000"/>
    <rect id="i2" class="a"/>
    <rect id="i3" class="a" style="fill:#0d0d0d"/>
    <circle id="i4" class="a"/>
    <rect id="i5" class="b"/>
    <rect id="i6" class="c" style="fill: #0e0e0e" fill="#ff0000"/>
    <rect id="i7" class="d"/><rect id="i8" class="e"/>
    <rect id="i9" class="imp" style="fill:#ff0000"/>
    <rect id="i10" class="imp" style="fill:#0f0f0f !important"/>
    <circle id="i11" data-x="1"/>
    <rect id="i12" class="late"/>
  </g>
  <g><rect id="i13" class="f"/></g>
  <g><circle/><rect id="i14" class="f"/></g>
  <g fill="&blue;" color="#123456" stroke="currentColor" stroke-width="3" style="font: italic bold 20px/2 'My Font', serif">
    <circle id="i20"/>
    <circle id="i21" fill="inherit" stroke-width="2em" color="lime"/>
    <circle id="i22" fill="bogus" opacity="0.5" fill-opacity="150%" stroke-dasharray="1,2,3"/>
    <svg:rect xmlns:svg="http://www.w3.org/2000/svg" id="i23" stroke-linejoin="round" font-size="50%"/>
    <x:rect xmlns:x="urn:other" id="i24"/>
  </g>
</svg>)";

struct FillCase {
    const char* id;
    uint32_t fill;
};

TEST(CssCascade, SelectorsSpecificityAndOrder) {
    SvgDocument doc;
    std::string error;
    ASSERT_TRUE(doc.Load(kDocument, LoadLimits(), &error)) << error;
    const FillCase cases[] = {
        {"i1", 0xFF010101},  // a type rule beats the presentation attribute
        {"i2", 0xFF030303},  // rect.a is more specific than .a and rect
        {"i3", 0xFF0D0D0D},  // the style attribute beats an id rule
        {"i4", 0xFF020202},  // .a alone
        {"i5", 0xFF050505},  // descendant combinator
        {"i6", 0xFF0E0E0E},  // child combinator, then the style attribute
        {"i7", 0xFF010101},
        {"i8", 0xFF070707},  // next-sibling combinator
        {"i9", 0xFF080808},  // !important in the sheet beats the style attribute
        {"i10", 0xFF0F0F0F}, // ... but not an !important style attribute
        {"i11", 0xFF090909}, // attribute selector
        {"i12", 0xFF0C0C0C}, // the later of equal rules
        {"i13", 0xFF0A0A0A}, // :first-child
        {"i14", 0xFF010101},
        {"i20", 0xFF0000FF}, // inherited, entity expanded
        {"i21", 0xFF0000FF},
        {"i22", 0xFF0000FF}, // an unreadable value is ignored
    };
    for (const FillCase& c : cases) {
        Style s = StyleOf(doc, c.id);
        EXPECT_EQ(Paint::Kind::Colour, s.fill.kind) << c.id;
        EXPECT_EQ(c.fill, s.fill.argb) << c.id;
    }
    EXPECT_EQ(nullptr, doc.FindById("i24")); // another namespace: not an SVG element...
}

TEST(CssCascade, InheritanceAndComputedValues) {
    SvgDocument doc;
    std::string error;
    ASSERT_TRUE(doc.Load(kDocument, LoadLimits(), &error)) << error;
    Style s20 = StyleOf(doc, "i20");
    EXPECT_EQ(Paint::Kind::CurrentColour, s20.stroke.kind);
    EXPECT_EQ(0xFF123456u, s20.colour);
    EXPECT_EQ(3, s20.strokeWidth);
    EXPECT_EQ(20, s20.fontSize);
    EXPECT_EQ(700, s20.fontWeight);
    EXPECT_EQ(FontStyle::Italic, s20.fontStyle);
    EXPECT_EQ("'My Font', serif", s20.fontFamily);
    Style s21 = StyleOf(doc, "i21");
    EXPECT_EQ(40, s21.strokeWidth); // 2em of 20px
    EXPECT_EQ(0xFF00FF00u, s21.colour);
    Style s22 = StyleOf(doc, "i22");
    EXPECT_EQ(0.5, s22.opacity);
    EXPECT_EQ(1, s22.fillOpacity); // clamped
    const std::vector<double> dashes = {1, 2, 3, 1, 2, 3}; // odd lists repeat
    EXPECT_EQ(dashes, s22.dashes);
    Style s23 = StyleOf(doc, "i23"); // a prefixed SVG element
    EXPECT_EQ(1, s23.join);
    EXPECT_EQ(10, s23.fontSize);
    EXPECT_EQ(1, StyleOf(doc, "i20").opacity); // opacity is not inherited
}

TEST(CssCascade, DeclarationsSplitOutsideStringsAndBrackets) {
    std::vector<Declaration> d;
    ParseDeclarations(" FILL : url('a;b') red ; stroke:none;;bogus;font-family:\"x;y\" !important",
                      &d);
    ASSERT_EQ(3u, d.size());
    EXPECT_EQ("fill", d[0].name);
    EXPECT_EQ("url('a;b') red", d[0].value);
    EXPECT_EQ("stroke", d[1].name);
    EXPECT_EQ("font-family", d[2].name);
    EXPECT_EQ("\"x;y\"", d[2].value);
    EXPECT_TRUE(d[2].important);
}

TEST(CssCascade, TextKeepsItsCharactersWhateverTheEncoding) {
    struct Case {
        std::string xml;
        const char* text; // UTF-8
    };
    const Case cases[] = {
        {"<?xml version='1.0' encoding='ISO-8859-1'?><svg><text id='t'>\xe9t\xe9</text></svg>",
         "\xc3\xa9t\xc3\xa9"},
        {"<?xml version='1.0' encoding='UTF-8'?><svg><text id='t'>\xc3\xa9t\xc3\xa9</text></svg>",
         "\xc3\xa9t\xc3\xa9"},
        {"<!DOCTYPE svg [<!ENTITY e 'x&#233;'>]><svg><text id='t'>&e;&amp;<![CDATA[&e;]]></text></svg>",
         "x\xc3\xa9&&e;"},
    };
    for (const Case& c : cases) {
        SvgDocument doc;
        std::string error;
        ASSERT_TRUE(doc.Load(c.xml, LoadLimits(), &error)) << error;
        const Element* t = doc.FindById("t");
        ASSERT_NE(nullptr, t);
        std::string text;
        for (const Node& n : t->content) {
            text += n.text;
        }
        EXPECT_EQ(c.text, text) << c.xml;
    }
}

} // namespace
} // namespace vemo::svg
