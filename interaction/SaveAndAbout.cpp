// Save Graphic As and the About box.
// Until this feature is in place its handlers keep the view consistent and do nothing visible.
#include "view/ViewWindow.h"

void ViewWindow::ShowAboutBox() {}
void ViewWindow::SaveGraphicAs() {}
