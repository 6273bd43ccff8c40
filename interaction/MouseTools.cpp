// Mouse tools: the button and move handlers, the cursor rule and the drag frame.
// Until this feature is in place its handlers keep the view consistent and do nothing visible.
#include "view/ViewWindow.h"

void ViewWindow::UpdateCursor() {}
void ViewWindow::OnMouseMove(WPARAM, int32_t, int32_t) {}
void ViewWindow::OnButtonDown(WPARAM, int32_t, int32_t) {}
void ViewWindow::OnButtonUp(WPARAM, int32_t, int32_t) {}
void ViewWindow::DrawDragFrame(WindowPoint, WindowPoint) {}
