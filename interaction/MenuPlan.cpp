#include "interaction/MenuPlan.h"

namespace {

void Add(MenuPlan* plan, uint32_t id, MenuMark mark) {
    if (plan->count < MenuPlan::kMaxChanges) {
        plan->changes[plan->count++] = MenuStateChange{id, mark};
    }
}

} // namespace

MenuPlan PlanContextMenu(const MenuStateInputs& in) {
    MenuPlan plan{};
    plan.count = 0;
    plan.tool = in.tool;
    if (in.fullPage) {
        Add(&plan, kMenuFullView, MenuMark::Greyed); // the drawing already fills the window
    }
    if (!in.zoomPanAllowed) {
        Add(&plan, kMenuZoomTool, MenuMark::Greyed);
        Add(&plan, kMenuPushTool, MenuMark::Greyed);
        Add(&plan, kMenuPreviousZoom, MenuMark::Greyed);
        Add(&plan, kMenuDefaultView, MenuMark::Greyed);
        plan.tool = 0;
    } else {
        if (!in.previousViewSet) {
            Add(&plan, kMenuPreviousZoom, MenuMark::Greyed);
        }
        if (!in.defaultViewSet) {
            Add(&plan, kMenuDefaultView, MenuMark::Greyed);
            Add(&plan, kMenuZoomTool, MenuMark::Greyed);
            Add(&plan, kMenuPushTool, MenuMark::Greyed);
        } else if (in.tool == 1) {
            Add(&plan, kMenuZoomTool, MenuMark::Checked);
        } else if (in.tool == 2) {
            Add(&plan, kMenuPushTool, MenuMark::Checked);
        }
    }
    if (in.smoothed) {
        Add(&plan, kMenuSmoothed, MenuMark::Checked);
    }
    if (!in.fileAccessAllowed) {
        Add(&plan, kMenuFullView, MenuMark::Greyed);
        Add(&plan, kMenuSaveGraphicAs, MenuMark::Greyed);
    }
    return plan;
}

bool FinalMark(const MenuPlan& plan, uint32_t id, MenuMark* mark) {
    bool found = false;
    for (int32_t i = 0; i < plan.count; ++i) {
        if (plan.changes[i].id == id) {
            *mark = plan.changes[i].mark;
            found = true;
        }
    }
    return found;
}
