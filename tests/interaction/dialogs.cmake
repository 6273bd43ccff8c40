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
if(VEMO_WIN64 AND TARGET vemohost AND TARGET NPVemoC AND TARGET VemoDoc)
    vemo_add_gtest(SaveEndToEndTest WINDOWS SOURCES SaveEndToEndTest.cpp
        DEPENDS NPVemoC VemoDoc vemohost)
    target_compile_definitions(SaveEndToEndTest PRIVATE
        VEMO_PLUGIN_DLL="$<TARGET_FILE:NPVemoC>"
        VEMO_RENDERER_DLL="$<TARGET_FILE:VemoDoc>"
        VEMO_HOST_EXE="$<TARGET_FILE:vemohost>")
endif()
