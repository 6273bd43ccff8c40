// Links, status line and the context menu end to end: the browser stand-in (vemohost.exe)
// shows the example town map through the built plug-in and the registered renderer; its log
// shows the status texts, the address requests, the menu's items and the message boxes.
#include "support/HostScenario.h"

namespace {

using testfiles::WriteBytes;

// The example page embeds the 8 x 6 inch town map at 640 x 480 pixels with the viewport
// (0 0 576000 432000): 900 document units per pixel, y upwards from the window's bottom.
struct District {
    const char* page;
    int x, y; // a window point inside the district, away from roads and river
};
const District kUniversity{"districts/university.html", 111, 336};
const District kMarket{"districts/market.html", 556, 113};

constexpr const char* kZoomHelp =
    ". CTRL-click: Zoom in. CTRL-SHIFT-click: Zoom out. Drag: AreaZoom. Right click: Menu.";
constexpr const char* kMakerPage = "http://www.vemo.example/plugin/index.html";

class LinksEndToEnd : public HostScenarioTest {
protected:
    void SetUp() override {
        HostScenarioTest::SetUp();
        for (const char* name : {"town-map.vem", "index.html", "districts\\market.html",
                                 "districts\\university.html"}) {
            CopyExample(name);
        }
    }

    // Runs the stand-in on the scenario; the log is kept for Log().
    DWORD Host(const std::vector<std::string>& steps, const std::string& options = "") {
        return Run(steps, "--size 700x600 " + options).exitCode;
    }
    std::string Log() { return testfiles::ReadText(In("log.txt")); }

    static std::string At(const char* step, const District& d) {
        return std::string(step) + " " + std::to_string(d.x) + " " + std::to_string(d.y);
    }

    // The drawing's address as the stand-in streamed it, and a page beside it.
    std::string StreamUrl(const std::string& log) {
        const std::string key = "call NPP_NewStream #1 stream=";
        size_t at = log.find(key);
        size_t open = log.find("url=\"", at);
        if (at == std::string::npos || open == std::string::npos) {
            return "";
        }
        open += 5;
        return log.substr(open, log.find('"', open) - open);
    }
    std::string Beside(const std::string& log, const char* page) {
        std::string url = StreamUrl(log);
        return url.substr(0, url.rfind('/') + 1) + page;
    }
};

// The pointer rests on a district while the drawing arrives: once it is complete, the status
// line names the district's page as an absolute address.
TEST_F(LinksEndToEnd, TheDistrictUnderThePointerIsShownOnceTheDrawingIsComplete) {
    ASSERT_EQ(Host({Open("index.html"), At("move", kUniversity), "idle", "ticks 6"}), 0u) << Log();
    std::string log = Log();
    ASSERT_NE(StreamUrl(log), "") << log;
    std::string expected = "status #1 \"Go to " + Beside(log, kUniversity.page) + kZoomHelp + "\"";
    EXPECT_NE(log.find(expected), std::string::npos) << expected << "\n" << log;
}

// The right button opens the menu; its items and states are those of a freshly shown drawing.
TEST_F(LinksEndToEnd, TheRightButtonOpensTheMenu) {
    ASSERT_EQ(Host({Open("index.html"), "idle", "ticks 4", "click 300 200 right", "menu cancel"}),
              0u)
        << Log();
    std::string log = Log();
    const char* lines[] = {
        "menu items=12",
        "menu-item 1 \"Zoom Tool\" id=32773 checked",
        "menu-item 2 \"Push Tool\" id=32774\n",
        "menu-item 3 separator",
        "menu-item 4 \"Previous Zoom\" id=32775 grayed",
        "menu-item 5 \"Default View\" id=32776\n",
        "menu-item 6 \"Full View\" id=32777\n",
        "menu-item 8 \"Smoothed\" id=32779 checked",
        "menu-item 10 \"Save Graphic As...\" id=32804\n",
        "menu-item 11 \"About...\" id=32788\n",
        "menu-item 12 \"Go to Vemo\" id=32803\n",
        "menu-cancel",
    };
    size_t from = 0;
    for (const char* line : lines) {
        size_t found = log.find(line, from);
        EXPECT_NE(found, std::string::npos) << line << "\n" << log;
        from = found == std::string::npos ? from : found;
    }
}

// A page that forbids zooming and file access greys their items.
TEST_F(LinksEndToEnd, ThePagesAttributesGreyTheirItems) {
    ASSERT_TRUE(WriteBytes(In("locked.html"),
                           "<html><body><embed src=\"town-map.vem\" type=\"application/vnd.vemo\" "
                           "width=\"320\" height=\"240\" zoompan=\"false\" "
                           "fileaccess=\"false\"></body></html>"));
    ASSERT_EQ(Host({Open("locked.html"), "idle", "ticks 4", "click 100 100 right", "menu cancel"}),
              0u)
        << Log();
    std::string log = Log();
    for (const char* line :
         {"menu-item 1 \"Zoom Tool\" id=32773 grayed", "menu-item 2 \"Push Tool\" id=32774 grayed",
          "menu-item 4 \"Previous Zoom\" id=32775 grayed",
          "menu-item 5 \"Default View\" id=32776 grayed",
          "menu-item 6 \"Full View\" id=32777 grayed",
          "menu-item 10 \"Save Graphic As...\" id=32804 grayed",
          "menu-item 12 \"Go to Vemo\" id=32803\n"}) {
        EXPECT_NE(log.find(line), std::string::npos) << line << "\n" << log;
    }
}

// "Full View" asks for the drawing itself in the page, which the browser then shows full-page.
TEST_F(LinksEndToEnd, FullViewShowsTheDrawingByItself) {
    ASSERT_EQ(Host({Open("index.html"), "idle", "ticks 4", "click 300 200 right",
                    "menu \"Full View\"", "wait 500", "idle"}),
              0u)
        << Log();
    std::string log = Log();
    std::string request = "geturl #1 \"" + StreamUrl(log) + "\" target=\"_self\" -> 0";
    size_t asked = log.find(request);
    EXPECT_NE(asked, std::string::npos) << request << "\n" << log;
    EXPECT_NE(log.find("mode=full", asked == std::string::npos ? 0 : asked), std::string::npos)
        << log;
}

// "Go to Vemo" asks for the maker's page; when the browser refuses, the error box names it.
TEST_F(LinksEndToEnd, GoToVemoAsksForTheMakersPage) {
    ASSERT_EQ(Host({Open("index.html"), "idle", "ticks 4", "click 300 200 right",
                    "menu \"Go to Vemo\"", "wait 300", "fail geturl once", "click 300 200 right",
                    "menu \"Go to Vemo\"", "wait 800"}),
              0u)
        << Log();
    std::string log = Log();
    std::string request = std::string("geturl #1 \"") + kMakerPage + "\" target=\"_self\"";
    size_t first = log.find(request);
    ASSERT_NE(first, std::string::npos) << log;
    EXPECT_NE(log.find(request, first + 1), std::string::npos) << log;
    std::string box =
        std::string("messagebox \"Error from Vemo graphic plug-in\" \"") + kMakerPage + "\"";
    EXPECT_NE(log.find(box, first), std::string::npos) << box << "\n" << log;
}

// Moving onto a district after the drawing is complete shows its address, and a click asks the
// browser for its page. Needs the mouse tools' move and button handlers.
TEST_F(LinksEndToEnd, AClickOnADistrictAsksForItsPage) {
    // The release navigates away; the "up" step that made it is a step like any other.
    EXPECT_EQ(Host({Open("index.html"), "idle", "ticks 6", At("move", kMarket), "ticks 1",
                    At("down", kMarket), At("up", kMarket), "wait 500"}),
              0u)
        << Log();
    std::string log = Log();
    std::string address = Beside(log, kMarket.page);
    std::string status = "status #1 \"Go to " + address + kZoomHelp + "\"";
    size_t shown = log.find(status);
    EXPECT_NE(shown, std::string::npos) << status << "\n" << log;
    std::string request = "geturl #1 \"" + address + "\" target=\"_self\" -> 0";
    size_t asked = log.find(request, shown == std::string::npos ? 0 : shown);
    EXPECT_NE(asked, std::string::npos) << request << "\n" << log;
    std::string page = "page \"" + address + "\" title=\"Market\"";
    EXPECT_NE(log.find(page, asked == std::string::npos ? 0 : asked), std::string::npos)
        << page << "\n"
        << log;
    EXPECT_EQ(log.find("step-failed"), std::string::npos) << log;
}

} // namespace
