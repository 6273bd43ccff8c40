# Status line, hyperlinks and the context menu.
vemo_add_gtest(StatusLineTextsTest SOURCES StatusLineTextsTest.cpp LIBS vemo_viewcore)
vemo_add_gtest(MenuItemStatesTest SOURCES MenuItemStatesTest.cpp LIBS vemo_viewcore)

# Under Wine: the real view with a renderer double, the browser's table and the plug-in's
# resources (strings, menu) in the test program.
if(VEMO_WIN64 AND TARGET vemo_view AND TARGET vemo_plugin)
    vemo_plugin_resources_depend()
    foreach(test HyperlinkHoverTest PageNavigationTest ContextMenuTest)
        vemo_add_gtest(${test} WINDOWS
            SOURCES ${test}.cpp ${PROJECT_SOURCE_DIR}/resources/NPVemoC.rc
            LIBS vemo_view vemo_plugin)
        target_include_directories(${test} PRIVATE ${PROJECT_SOURCE_DIR}/resources)
    endforeach()
endif()

# End to end through the browser stand-in with the built plug-in and renderer.
vemo_add_gtest(LinksEndToEndTest HOST SOURCES LinksEndToEndTest.cpp)

# The menu resource of both built libraries; the i686 one comes from the win32 preset's tree
# (scripts/test.sh builds win32 before win64).
if(VEMO_WIN64 AND TARGET NPVemoC)
    vemo_add_gtest(ContextMenuResourceTest WINDOWS SOURCES ContextMenuResourceTest.cpp
        DEPENDS NPVemoC)
endif()
