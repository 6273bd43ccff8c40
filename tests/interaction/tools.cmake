# Mouse tools and push scrolling.
vemo_add_gtest(DragDecisionsTest SOURCES DragDecisionsTest.cpp LIBS vemo_viewcore)
vemo_add_gtest(PushArithmeticTest SOURCES PushArithmeticTest.cpp LIBS vemo_viewcore)
