# Save Graphic As and the About box under Wine, with the plug-in code and its resources linked
# in and driven through the view's commands.
if(VEMO_WIN64 AND TARGET vemo_view AND TARGET vemo_plugin)
    vemo_add_gtest(SaveAndAboutTest WINDOWS
        SOURCES SaveAndAboutTest.cpp ${PROJECT_SOURCE_DIR}/resources/NPVemoC.rc
        LIBS vemo_plugin vemo_view)
    target_include_directories(SaveAndAboutTest PRIVATE ${PROJECT_SOURCE_DIR}/resources
        ${PROJECT_SOURCE_DIR}/tests/plugin)
    vemo_plugin_resources_depend()
endif()

# Through the browser stand-in with the real renderer component: the context menu's command.
vemo_add_gtest(SaveEndToEndTest HOST SOURCES SaveEndToEndTest.cpp)
