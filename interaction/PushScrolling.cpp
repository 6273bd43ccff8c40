// Push scrolling: moving the picture with the pointer.
// Until this feature is in place its handlers keep the view consistent and do nothing visible.
#include "view/ViewWindow.h"

void ViewWindow::PushStep(int32_t, int32_t) {}
void ViewWindow::ShiftBackBuffer(int32_t, int32_t) {}
