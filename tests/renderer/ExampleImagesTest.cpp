// Every example drawing loads with its expected answer and renders like its stored image.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ExampleFiles.h"
#include "renderer/DrawingRenderer.h"
#include "renderer/ExampleRendering.h"
#include "support/BuildPaths.h"

namespace vemo {
namespace {

TEST(ExampleImages, EveryExampleRendersLikeItsExpectedImage) {
    const std::string source = buildpaths::SourceDir();
    for (const ExampleFile& example : kExampleFiles) {
        std::vector<uint8_t> file;
        ASSERT_TRUE(ReadWholeFile(source + "/examples/" + example.name + ".vem", file))
            << example.name;
        int32_t width = 0, height = 0;
        std::vector<uint8_t> expected;
        ASSERT_TRUE(ReadPpm(source + "/tests/renderer/expected/" + example.name + ".ppm", &width,
                            &height, expected))
            << example.name;
        ASSERT_EQ(kExampleWidth, width);
        ASSERT_EQ(kExampleHeight, height);
        std::vector<uint32_t> pixels(size_t(width) * size_t(height + 1));
        DrawingRenderer renderer;
        ExampleOutcome outcome = RenderExample(renderer, file.data(), uint32_t(file.size()),
                                               width, height, 1, pixels.data());
        EXPECT_EQ(example.loadResult, outcome.loadResult) << example.name;
        EXPECT_EQ(example.endResult, outcome.endResult) << example.name;
        std::vector<uint8_t> rgb;
        PixelsToTopDownRgb(pixels.data(), width, height, rgb);
        ImageDifference d = CompareRgb(expected, rgb, kExampleSlack);
        EXPECT_LE(d.largest, kExampleLargestDifference) << example.name;
        EXPECT_LE(d.pixelsOver, kExampleDifferingPixels) << example.name;
    }
}

} // namespace
} // namespace vemo
