# Status line, hyperlinks and the context menu.
vemo_add_gtest(StatusLineTextsTest SOURCES StatusLineTextsTest.cpp LIBS vemo_viewcore)
vemo_add_gtest(MenuItemStatesTest SOURCES MenuItemStatesTest.cpp LIBS vemo_viewcore)
