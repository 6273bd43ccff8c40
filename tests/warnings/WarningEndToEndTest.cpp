// The drawing warning end to end: the browser stand-in shows the example drawings whose contents
// the real renderer does not all show; the warning names the drawing with the right text, its
// check box silences that kind for the next drawings, and "Go to Vemo" asks for the maker's page.
#include "support/HostScenario.h"

namespace {

const char kUnsupported[] = "\\x92 contains version 1.5 objects (such as blends and text) which "
                            "are not yet supported by the Vemo graphic plug-in.  There may be "
                            "an upgrade available on the Vemo web site.\"";
const char kUnknown[] = "\\x92 contains objects (not from version 1.5) which are not understood "
                        "by the Vemo graphic plug-in.  There may be an upgrade available on the "
                        "Vemo web site.\"";

class WarningEndToEnd : public HostScenarioTest {
protected:
    void SetUp() override {
        HostScenarioTest::SetUp();
        RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Vemo\\NPVemoC");
    }
    void TearDown() override { RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Vemo\\NPVemoC"); }

    HostLog ShowExample(const char* example, std::vector<std::string> steps) {
        std::string name = std::string(example) + ".vem";
        return Show(Example(name.c_str()), name, steps);
    }
};

TEST_F(WarningEndToEnd, EachExampleRaisesItsWarning) {
    struct Case {
        const char* example;
        const char* kindText;
    };
    const Case cases[] = {
        {"warning-blend", kUnsupported},
        {"warning-text", kUnsupported},
        {"warning-unknown", kUnknown},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.example);
        HostLog log = ShowExample(c.example, {"dialog button #1001", "idle", "wait 300"});
        EXPECT_EQ(log.exitCode, 0u) << log.Text();
        ASSERT_EQ(log.Count("dialog \"Warning from Vemo graphic plug-in\""), 1) << log.Text();
        std::string text = "dialog-control #1003 Static \"The drawing '" + std::string(c.example) +
                           ".vem" + c.kindText;
        EXPECT_EQ(log.Count(text), 1) << log.Text();
        EXPECT_EQ(log.Count("dialog-control #1001 Button \"&Ignore\""), 1);
        EXPECT_EQ(log.Count("dialog-control #1002 Button \"&Go to Vemo\""), 1);
        EXPECT_EQ(log.Count("dialog-control #1000 Button \"Don't show this warning again\" "
                            "unchecked"),
                  1);
        EXPECT_EQ(log.Count("geturl"), 0) << log.Text();
    }
}

TEST_F(WarningEndToEnd, TickedBoxSilencesTheKindForTheNextDrawing) {
    HostLog first = ShowExample("warning-text", {"dialog check #1000 button #1001", "idle"});
    ASSERT_EQ(first.Count("dialog \"Warning from"), 1) << first.Text();
    HostLog second = ShowExample("warning-blend", {"idle", "wait 500"});
    EXPECT_EQ(second.Count("dialog \"Warning from"), 0) << second.Text();
    EXPECT_EQ(second.exitCode, 0u) << second.Text();
    // The other kind still warns.
    HostLog other = ShowExample("warning-unknown", {"dialog button #1001", "idle"});
    EXPECT_EQ(other.Count("dialog \"Warning from"), 1) << other.Text();
}

TEST_F(WarningEndToEnd, GoToAsksForTheMakersPageInThePage) {
    HostLog log = ShowExample("warning-unknown", {"dialog button #1002", "idle", "wait 300"});
    std::vector<std::string> requests = log.Starting("geturl ");
    ASSERT_EQ(requests.size(), 1u) << log.Text();
    EXPECT_NE(requests[0].find("\"http://www.vemo.example/plugin/index.html\" target=\"_self\""),
              std::string::npos)
        << requests[0];
}

} // namespace
