// A drawing whose objects link to a script address, clicked in the browser stand-in: the click
// asks the browser for the address only with the page's consent (scriptlinks="true") or, in a
// browser of today that tells the page's origin, from a page of the drawing's own origin. The
// status line names the address either way.
#include "support/HostScenario.h"

#include <string>

#include "renderer/DrawingWriter.h"

namespace {

constexpr char kScript[] = "javascript:alert(document.cookie)";

// The whole drawing is one rectangle linked to the script address.
std::string ScriptLinkDrawing() {
    vemo::DrawingWriter writer;
    const DocRect page = {0, 0, 576000, 432000};
    writer.Bounds(page);
    writer.DefaultView(page, 1);
    writer.FillColour(0xFF3366CC);
    writer.Link(kScript);
    writer.Rectangle(page.x0, page.y0, page.x1, page.y1);
    return std::string(reinterpret_cast<const char*>(writer.Data()), writer.Size());
}

class ScriptLinksEndToEnd : public HostScenarioTest {};

TEST_F(ScriptLinksEndToEnd, AClickAsksForTheScriptAddressOnlyWhereThePageAllowsIt) {
    testfiles::WriteBytes(In("links.vem"), ScriptLinkDrawing());
    const std::string site = "--site \"" + folder + "\"";
    const struct {
        const char* name;
        std::string options;
        std::string page; // opened as the page's address
        const char* embed;
        int requests;
        int originQueries;
    } cases[] = {
        {"no consent", "", In("page.html"), "src=\"links.vem\"", 0, 0},
        {"scriptlinks=\"true\"", "", In("page.html"), "src=\"links.vem\" scriptlinks=\"True\"", 1,
         0},
        {"scriptlinks=\"yes\"", "", In("page.html"), "src=\"links.vem\" scriptlinks=\"yes\"", 0, 0},
        {"same site, browser tells no origin", site, "http://site.example/page.html",
         "src=\"links.vem\"", 0, 0},
        {"same origin", "--modern " + site, "http://site.example/page.html", "src=\"links.vem\"", 1,
         1},
        {"cross origin", "--modern " + site, "http://site.example/page.html",
         "src=\"http://maps.example/links.vem\"", 0, 1},
        {"cross origin with consent", "--modern " + site, "http://site.example/page.html",
         "src=\"http://maps.example/links.vem\" scriptlinks=\"true\"", 1, 0},
    };
    for (const auto& c : cases) {
        testfiles::WriteBytes(In("page.html"), std::string("<html><body><embed ") + c.embed +
                                                   " type=\"application/vnd.vemo\" width=\"240\" "
                                                   "height=\"180\"></body></html>");
        HostLog log = Run({"open \"" + c.page + "\"", "idle", "ticks 4", "move 120 90", "ticks 1",
                           "click 120 90", "wait 300"},
                          c.options);
        EXPECT_EQ(log.exitCode, 0u) << c.name << "\n" << log.Text();
        EXPECT_GE(log.Count(std::string("status #1 \"Go to ") + kScript), 1) << c.name << "\n"
                                                                             << log.Text();
        EXPECT_EQ(log.Count(std::string("geturl #1 \"") + kScript + "\" target=\"_self\""),
                  c.requests)
            << c.name << "\n"
            << log.Text();
        EXPECT_EQ(log.Count("npn NPN_GetValue variable=22 -> 0 origin=\"http://site.example\""),
                  c.originQueries)
            << c.name << "\n"
            << log.Text();
        EXPECT_EQ(log.Count("messagebox"), 0) << c.name << "\n" << log.Text();
    }
}

} // namespace
