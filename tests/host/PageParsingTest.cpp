// Reading pages: embeds keep every attribute in document order, text collapses as a browser
// shows it, and markup the stand-in does not know never leaks into the text.
#include <gtest/gtest.h>

#include "host/Page.h"

using namespace vemohost;

namespace {

std::vector<std::pair<std::string, std::string>> Attributes(const PageItem& item) {
    std::vector<std::pair<std::string, std::string>> out;
    for (const PageAttribute& a : item.attributes) {
        out.emplace_back(a.name, a.value);
    }
    return out;
}

// The page as a compact text: T(text) B E[name=value,...]
std::string Shape(const Page& page) {
    std::string out;
    for (const PageItem& item : page.items) {
        if (item.kind == PageItemKind::Text) {
            out += "T(" + item.text + ")";
        } else if (item.kind == PageItemKind::Break) {
            out += "B";
        } else {
            out += "E[";
            for (size_t i = 0; i < item.attributes.size(); ++i) {
                out += (i ? "," : "") + item.attributes[i].name + "=" + item.attributes[i].value;
            }
            out += "]";
        }
    }
    return out;
}

TEST(PageParsing, EmbedAttributesKeepDocumentOrderNamesAndValues) {
    Page page = ParsePage("<EMBED SRC=\"a.vem\" width=100 Height='50' ZoomPan=FALSE hidden "
                          "viewport=\"0 0 10 10\" src=second>");
    ASSERT_EQ(page.items.size(), 1u);
    std::vector<std::pair<std::string, std::string>> expected = {
        {"SRC", "a.vem"}, {"width", "100"},          {"Height", "50"}, {"ZoomPan", "FALSE"},
        {"hidden", ""},   {"viewport", "0 0 10 10"}, {"src", "second"}};
    EXPECT_EQ(Attributes(page.items[0]), expected);
    ASSERT_NE(FindAttribute(page.items[0].attributes, "src"), nullptr);
    EXPECT_EQ(*FindAttribute(page.items[0].attributes, "src"), "a.vem"); // the first one
    EXPECT_EQ(FindAttribute(page.items[0].attributes, "base"), nullptr);
}

struct ShapeCase {
    const char* html;
    const char* shape;
};

class PageShape : public testing::TestWithParam<ShapeCase> {};

TEST_P(PageShape, ReadsAsABrowserShowsIt) {
    EXPECT_EQ(Shape(ParsePage(GetParam().html)), GetParam().shape);
}

INSTANTIATE_TEST_SUITE_P(
    Pages, PageShape,
    testing::Values(ShapeCase{"  Hello \n\t world  ", "T(Hello world)"},
                    ShapeCase{"a <b>bold</b> c", "T(a bold c)"},
                    ShapeCase{"one<br>two<p>three</p>", "T(one)BT(two)BT(three)B"},
                    ShapeCase{"x <embed src=a> y", "T(x )E[src=a]T( y)"},
                    ShapeCase{"x<embed src=a>y", "T(x)E[src=a]T(y)"},
                    ShapeCase{"<embed src=a><embed src=b>", "E[src=a]E[src=b]"},
                    ShapeCase{"a<!-- <embed src=hidden> -->b", "T(ab)"},
                    ShapeCase{"a<script>var x = '<embed src=no>';</script>b", "T(ab)"},
                    ShapeCase{"a<STYLE>p { }</Style>b", "T(ab)"},
                    ShapeCase{"&lt;tag&gt; &amp; &quot;q&quot; &#65;&#x42; &bogus;",
                              "T(<tag> & \"q\" AB &bogus;)"},
                    ShapeCase{"<embed title=\"a &amp; b\" n=&lt;>", "E[title=a & b,n=<]"},
                    ShapeCase{"<!DOCTYPE html><html><body>x</body></html>", "T(x)"},
                    ShapeCase{"a < b", "T(a < b)"},
                    ShapeCase{"<embed src=\"unterminated", "T(<embed src=\"unterminated)"},
                    ShapeCase{"<embed src=a width=1", "T(<embed src=a width=1)"},
                    ShapeCase{"<embed / src=a/>", "E[src=a/]"}, ShapeCase{"", ""}));

TEST(PageParsing, TitleIsKeptApartFromTheText) {
    Page page = ParsePage("<head><title> My &amp; page </title></head><body>text</body>");
    EXPECT_EQ(page.title, "My & page");
    EXPECT_EQ(Shape(page), "T(text)");
}

TEST(PageParsing, CharacterReferencesOutsideTheCodePageBecomeQuestionMarks) {
    EXPECT_EQ(DecodeEntities("&#233;&#8364;&#0;&#1114112;"), "\xE9???");
}

} // namespace
