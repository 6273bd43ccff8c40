// Which items of the view's context menu are greyed or marked, from the state of the view and
// of the page's embed attributes when the menu opens. Free of Win32: the menu code applies the
// plan item by item.
#pragma once

#include <stdint.h>

// Identifiers of the context menu's items (and of the commands they send).
constexpr uint32_t kMenuZoomTool = 32773;
constexpr uint32_t kMenuPushTool = 32774;
constexpr uint32_t kMenuPreviousZoom = 32775;
constexpr uint32_t kMenuDefaultView = 32776;
constexpr uint32_t kMenuFullView = 32777;
constexpr uint32_t kMenuSmoothed = 32779;
constexpr uint32_t kMenuAbout = 32788;
constexpr uint32_t kMenuGoToVemo = 32803;
constexpr uint32_t kMenuSaveGraphicAs = 32804;

enum class MenuMark : uint8_t { Greyed, Checked };

struct MenuStateInputs {
    int32_t fullPage;          // the drawing fills the browser window (NP_FULL)
    int32_t zoomPanAllowed;    // the "zoompan" attribute is not "false"
    int32_t fileAccessAllowed; // the "fileaccess" attribute is not "false"
    int32_t tool;              // 0 none, 1 zoom, 2 push
    int32_t previousViewSet;
    int32_t defaultViewSet;
    int32_t smoothed;
};

struct MenuStateChange {
    uint32_t id;
    MenuMark mark;
};

// The state changes in the order they are made (each replaces the item's earlier state), and
// the tool the view keeps: no tool when zooming and panning are not allowed.
struct MenuPlan {
    static constexpr int32_t kMaxChanges = 12;
    MenuStateChange changes[kMaxChanges];
    int32_t count;
    int32_t tool;
};

MenuPlan PlanContextMenu(const MenuStateInputs& in);

// What an item shows once the plan is applied: false for a plain item, else true with the mark
// of its last change in *mark.
bool FinalMark(const MenuPlan& plan, uint32_t id, MenuMark* mark);
