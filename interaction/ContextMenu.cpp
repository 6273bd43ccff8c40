// The context menu and its commands.
// Until this feature is in place its handlers keep the view consistent and do nothing visible.
#include "view/ViewWindow.h"

void ViewWindow::ShowContextMenu(HWND, int32_t, int32_t) {}
void ViewWindow::SelectZoomTool() {}
void ViewWindow::SelectPushTool() {}
void ViewWindow::ShowFullView() {}
void ViewWindow::OpenPluginPage() {}
