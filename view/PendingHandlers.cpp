// Handlers of the interaction features that the view dispatches to. Until those features are
// in place the handlers keep the view consistent and do nothing visible.
#include "view/ViewWindow.h"

void ViewWindow::UpdateCursor() {}
void ViewWindow::UpdateStatusLine() {}
void ViewWindow::RefreshHover(int32_t, int32_t) {}
void ViewWindow::ShowContextMenu(HWND, int32_t, int32_t) {}
void ViewWindow::OnMouseMove(WPARAM, int32_t, int32_t) {}
void ViewWindow::OnButtonDown(WPARAM, int32_t, int32_t) {}
void ViewWindow::OnButtonUp(WPARAM, int32_t, int32_t) {}
void ViewWindow::DrawDragFrame(HDC) {}
void ViewWindow::SelectZoomTool() {}
void ViewWindow::SelectPushTool() {}
void ViewWindow::ShowFullView() {}
void ViewWindow::ShowAboutBox() {}
void ViewWindow::OpenPluginPage() {}
void ViewWindow::SaveGraphicAs() {}
