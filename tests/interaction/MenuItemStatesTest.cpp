// The context menu's greyed and marked items for every combination of page mode, embed
// attributes, tool, views and smoothing that matters, and the tool the menu leaves.
#include <gtest/gtest.h>

#include <string>

#include "interaction/MenuPlan.h"

namespace {

const uint32_t kItems[] = {kMenuZoomTool,      kMenuPushTool, kMenuPreviousZoom,
                           kMenuDefaultView,   kMenuFullView, kMenuSmoothed,
                           kMenuSaveGraphicAs, kMenuAbout,    kMenuGoToVemo};

// One letter per item of kItems: '.' plain, 'g' greyed, 'c' check mark.
std::string Shown(const MenuPlan& plan) {
    std::string shown;
    for (uint32_t id : kItems) {
        MenuMark mark;
        shown += !FinalMark(plan, id, &mark) ? '.' : mark == MenuMark::Greyed ? 'g' : 'c';
    }
    return shown;
}

struct Case {
    const char* what;
    MenuStateInputs in; // full, zoompan, fileaccess, tool, previous, default, smoothed
    const char* shown;  // zoom push prev default full smooth save about vemo
    int32_t tool;
};

const Case kCases[] = {
    {"fresh embedded drawing, zoom tool", {0, 1, 1, 1, 0, 1, 1}, "c.g..c...", 1},
    {"after a click: previous view known", {0, 1, 1, 1, 1, 1, 1}, "c....c...", 1},
    {"push tool", {0, 1, 1, 2, 1, 1, 1}, ".c...c...", 2},
    {"no tool", {0, 1, 1, 0, 1, 1, 1}, ".....c...", 0},
    {"not smoothed", {0, 1, 1, 1, 1, 1, 0}, "c........", 1},
    {"default view not known yet", {0, 1, 1, 0, 0, 0, 1}, "gggg.c...", 0},
    {"default view unknown hides the tool mark", {0, 1, 1, 1, 1, 0, 1}, "gg.g.c...", 1},
    {"zoompan false", {0, 0, 1, 1, 1, 1, 1}, "gggg.c...", 0},
    {"zoompan false with the push tool", {0, 0, 1, 2, 0, 0, 0}, "gggg.....", 0},
    {"fileaccess false greys full view and save", {0, 1, 0, 1, 1, 1, 1}, "c...gcg..", 1},
    {"full page", {1, 1, 1, 1, 1, 1, 1}, "c...gc...", 1},
    {"full page without file access", {1, 1, 0, 2, 1, 1, 0}, ".c..g.g..", 2},
    {"everything forbidden", {1, 0, 0, 1, 0, 0, 0}, "ggggg.g..", 0},
};

TEST(MenuItemStates, GreyedAndMarkedItemsFollowTheViewAndThePage) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        MenuPlan plan = PlanContextMenu(c.in);
        EXPECT_EQ(Shown(plan), c.shown);
        EXPECT_EQ(plan.tool, c.tool);
    }
}

// About, Go to Vemo and Smoothed are never greyed, whatever the state.
TEST(MenuItemStates, SomeItemsAreNeverGreyed) {
    for (int bits = 0; bits < 128; ++bits) {
        for (int32_t tool = 0; tool <= 2; ++tool) {
            MenuStateInputs in{bits & 1,        (bits >> 1) & 1, (bits >> 2) & 1, tool,
                               (bits >> 3) & 1, (bits >> 4) & 1, (bits >> 5) & 1};
            MenuPlan plan = PlanContextMenu(in);
            for (uint32_t id : {kMenuAbout, kMenuGoToVemo, kMenuSmoothed}) {
                MenuMark mark = MenuMark::Checked;
                if (FinalMark(plan, id, &mark)) {
                    EXPECT_EQ(mark, MenuMark::Checked) << id << " bits " << bits;
                }
            }
            int marks = 0;
            for (uint32_t id : {kMenuZoomTool, kMenuPushTool}) {
                MenuMark mark;
                marks += FinalMark(plan, id, &mark) && mark == MenuMark::Checked ? 1 : 0;
            }
            EXPECT_LE(marks, 1) << "bits " << bits;
            EXPECT_LE(plan.count, MenuPlan::kMaxChanges);
        }
    }
}

} // namespace
