# The window-to-document transform, the zoom ladder and the zoom commands.
vemo_add_gtest(ViewTransformTest SOURCES ViewTransformTest.cpp LIBS vemo_viewcore)
