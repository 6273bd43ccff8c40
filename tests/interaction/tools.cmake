# Mouse tools and push scrolling.
vemo_add_gtest(DragDecisionsTest SOURCES DragDecisionsTest.cpp LIBS vemo_viewcore)
vemo_add_gtest(PushArithmeticTest SOURCES PushArithmeticTest.cpp LIBS vemo_viewcore)

# The handlers under Wine, over a view with a recording renderer. The programs carry the
# plug-in's resources (cursors, strings) and serve as the module the view loads them from.
if(VEMO_WIN64 AND TARGET vemo_view AND TARGET vemo_plugin)
    foreach(test MouseToolMessagesTest:24 PushScrollingTest:24,16,8)
        string(REPLACE ":" ";" parts ${test})
        list(GET parts 0 name)
        list(GET parts 1 depths)
        string(REPLACE "," ";" depths ${depths})
        vemo_add_gtest(${name} WINDOWS DEPTH ${depths}
            SOURCES ${name}.cpp ${PROJECT_SOURCE_DIR}/resources/NPVemoC.rc
            LIBS vemo_view vemo_plugin)
        target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/resources)
    endforeach()
endif()

# End to end through the browser stand-in with the plug-in and the renderer as built.
vemo_add_gtest(ToolsEndToEndTest HOST DEPTH 24 SOURCES ToolsEndToEndTest.cpp)
