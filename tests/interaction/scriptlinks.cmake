# Script links end to end through the browser stand-in in both of its browser modes, with a
# drawing whose only link is a script address (the rule itself: tests/url/ScriptLinksTest.cpp).
vemo_add_gtest(ScriptLinksEndToEndTest HOST SOURCES ScriptLinksEndToEndTest.cpp
    LIBS vemo_renderer_core)
