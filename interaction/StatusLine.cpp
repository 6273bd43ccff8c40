// Status line and hyperlinks: the link under the pointer, the status texts, navigation.
// Until this feature is in place its handlers keep the view consistent and do nothing visible.
#include "view/ViewWindow.h"

void ViewWindow::RefreshHover(int32_t, int32_t) {}
void ViewWindow::SetHyperlink(const char*) {}
void ViewWindow::UpdateStatusLine() {}
void ViewWindow::NavigatePage(const TextBuffer&) {}
