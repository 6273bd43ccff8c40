// The scenario language: each step's words, options anywhere, quoted texts, and errors that
// name the line.
#include <gtest/gtest.h>

#include "host/Scenario.h"

using namespace vemohost;

namespace {

Step Parse(const char* line) {
    Step step;
    std::string error;
    EXPECT_TRUE(ParseStep(line, 7, step, error)) << line << ": " << error;
    return step;
}

std::string ErrorOf(const char* line) {
    Step step;
    std::string error;
    EXPECT_FALSE(ParseStep(line, 1, step, error)) << line;
    return error;
}

TEST(ScenarioWords, QuotesEscapesAndComments) {
    std::vector<std::string> words;
    std::string error;
    ASSERT_TRUE(SplitWords(R"(menu "Save Graphic As..." # a comment)", words, error));
    EXPECT_EQ(words, (std::vector<std::string>{"menu", "Save Graphic As..."}));
    ASSERT_TRUE(SplitWords(R"(log "say \"hi\" \\ there" x"y z")", words, error));
    EXPECT_EQ(words, (std::vector<std::string>{"log", "say \"hi\" \\ there", "xy z"}));
    ASSERT_TRUE(SplitWords("dialog file C:\\tmp\\a.vem", words, error));
    EXPECT_EQ(words[2], "C:\\tmp\\a.vem") << "backslashes outside quotes stay";
    EXPECT_FALSE(SplitWords("log \"open", words, error));
    EXPECT_EQ(error, "unterminated quote");
    ASSERT_TRUE(SplitWords("#comment line", words, error));
    EXPECT_TRUE(words.empty());
    ASSERT_TRUE(SplitWords("menu #2 #", words, error));
    EXPECT_EQ(words, (std::vector<std::string>{"menu", "#2"})) << "#N is a word, not a comment";
}

TEST(ScenarioSteps, PointerStepsTakeButtonsModifiersAndInstanceAnywhere) {
    Step click = Parse("click shift 10 -20 right ctrl in=2");
    EXPECT_EQ(click.kind, StepKind::Click);
    EXPECT_EQ(click.x, 10);
    EXPECT_EQ(click.y, -20);
    EXPECT_EQ(click.button, MouseButton::Right);
    EXPECT_TRUE(click.shift);
    EXPECT_TRUE(click.ctrl);
    EXPECT_EQ(click.instance, 2);
    EXPECT_EQ(click.line, 7);

    Step drag = Parse("drag 1 2 3 4 steps=3");
    EXPECT_EQ(drag.kind, StepKind::Drag);
    EXPECT_EQ(drag.x2, 3);
    EXPECT_EQ(drag.y2, 4);
    EXPECT_EQ(drag.dragSteps, 3);
    EXPECT_EQ(drag.button, MouseButton::Left);
    EXPECT_EQ(drag.instance, 1) << "the first instance by default";
}

TEST(ScenarioSteps, EveryKindParses) {
    struct Case {
        const char* line;
        StepKind kind;
    } cases[] = {
        {"open http://site/page.htm", StepKind::Open},
        {"wait 250", StepKind::Wait},
        {"ticks 4 in=1 timeout=5000", StepKind::Ticks},
        {"idle", StepKind::Idle},
        {"move 5 5", StepKind::Move},
        {"down 1 1 middle", StepKind::Down},
        {"up 1 1", StepKind::Up},
        {"key escape shift", StepKind::Key},
        {"keydown ctrl", StepKind::KeyDown},
        {"keyup ctrl", StepKind::KeyUp},
        {"menu #2", StepKind::Menu},
        {"dialog ok", StepKind::Dialog},
        {"resize 300 200", StepKind::Resize},
        {"print out.bmp scale=2", StepKind::Print},
        {"capture a.bmp in=page", StepKind::Capture},
        {"close", StepKind::Close},
        {"fail memalloc once", StepKind::Fail},
        {"log hello world", StepKind::Log},
        {"QUIT", StepKind::Quit},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Parse(c.line).kind, c.kind) << c.line;
    }
}

TEST(ScenarioSteps, ValuesLandInTheirFields) {
    EXPECT_EQ(Parse("wait 250").number, 250);
    EXPECT_EQ(Parse("ticks 4 timeout=5000").timeoutMs, 5000);
    EXPECT_EQ(Parse("key escape").virtualKey, 0x1B);
    EXPECT_EQ(Parse("key F5").virtualKey, 0x74);
    EXPECT_EQ(Parse("key a").virtualKey, 'A');
    EXPECT_EQ(Parse("capture a.bmp in=page").instance, kPageTarget);
    EXPECT_EQ(Parse("capture a.bmp in=Window").instance, kWindowTarget);
    EXPECT_TRUE(Parse("capture a.bmp method=print").capturePrint);
    EXPECT_EQ(Parse("print out.bmp scale=2").number, 2);
    EXPECT_EQ(Parse("print out.bmp").number, 1);
    EXPECT_EQ(Parse("menu #2").number, 2);
    EXPECT_TRUE(Parse("menu cancel").menuCancel);
    EXPECT_FALSE(Parse("menu \"cancel\"").menuCancel) << "a quoted word is an item text";
    EXPECT_EQ(Parse("menu \"#2\"").number, -1);
    EXPECT_EQ(Parse("log hello   world").text, "hello world");
    Step fail = Parse("fail geturl always");
    EXPECT_EQ(fail.failTarget, FailTarget::GetUrl);
    EXPECT_EQ(fail.failMode, FailMode::Always);
}

TEST(ScenarioSteps, DialogActionsRunInOrder) {
    Step step = Parse(R"(dialog check "Don't show again" uncheck #12 edit #1001 "x y" )"
                      R"(capture d.bmp button "&Yes" file "C:\a b.vem" ok cancel)");
    ASSERT_EQ(step.actions.size(), 8u);
    EXPECT_EQ(step.actions[0].kind, DialogActionKind::Check);
    EXPECT_EQ(step.actions[0].text, "Don't show again");
    EXPECT_EQ(step.actions[1].kind, DialogActionKind::Uncheck);
    EXPECT_EQ(step.actions[1].controlId, 12);
    EXPECT_EQ(step.actions[2].kind, DialogActionKind::Edit);
    EXPECT_EQ(step.actions[2].controlId, 1001);
    EXPECT_EQ(step.actions[2].text, "x y");
    EXPECT_EQ(step.actions[3].kind, DialogActionKind::Capture);
    EXPECT_EQ(step.actions[4].kind, DialogActionKind::Button);
    EXPECT_EQ(step.actions[4].text, "&Yes");
    EXPECT_EQ(step.actions[4].controlId, -1);
    EXPECT_EQ(step.actions[5].text, "C:\\a b.vem");
    EXPECT_EQ(step.actions[6].kind, DialogActionKind::Ok);
    EXPECT_EQ(step.actions[7].kind, DialogActionKind::Cancel);
}

TEST(ScenarioSteps, MistakesAreExplained) {
    struct Case {
        const char* line;
        const char* error;
    } cases[] = {
        {"jump 1", "unknown step \"jump\""},
        {"wait", "missing milliseconds"},
        {"wait soon", "milliseconds wants a number from 0 to 3600000, not \"soon\""},
        {"wait -1", "milliseconds wants a number from 0 to 3600000, not \"-1\""},
        {"click 10", "missing y"},
        {"click 10 20 30", "unexpected \"30\""},
        {"click 1 2 in=0", "in= wants an instance number (1, 2, ...)"},
        {"capture a.bmp in=x", "in= wants an instance number (1, 2, ...), page or window"},
        {"move 1 2 in=window", "in= wants an instance number (1, 2, ...)"},
        {"capture a.bmp method=paint", "method= is screen or print"},
        {"key hyper", "unknown key \"hyper\""},
        {"menu #0", "menu #N wants an item number from 1"},
        {"dialog push OK", "unknown dialog action \"push\" (button, check, uncheck, edit, file, "
                           "capture, ok, cancel)"},
        {"dialog edit 12 x", "edit wants #ID and a text"},
        {"fail network always", "fail geturl or fail memalloc"},
        {"fail geturl sometimes", "fail mode is always, once or off"},
        {"resize 0 10", "width wants a number from 1 to 10000, not \"0\""},
        {"print a.bmp scale=9", "scale= wants a number from 1 to 8"},
        {"wait 1 timeout=x", "timeout= wants a number from 0 to 3600000"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ErrorOf(c.line), c.error) << c.line;
    }
}

TEST(ScenarioScript, SkipsBlankAndCommentLinesAndNamesTheBadLine) {
    std::vector<Step> steps;
    std::string error;
    ASSERT_TRUE(ParseScenario("# setup\r\nopen page.htm\r\n\r\n  idle   # all data\nwait 10", steps,
                              error));
    ASSERT_EQ(steps.size(), 3u);
    EXPECT_EQ(steps[0].line, 2);
    EXPECT_EQ(steps[1].kind, StepKind::Idle);
    EXPECT_EQ(steps[2].line, 5);
    EXPECT_FALSE(ParseScenario("idle\nwait x\n", steps, error));
    EXPECT_EQ(error, "line 2: milliseconds wants a number from 0 to 3600000, not \"x\"");
}

} // namespace
