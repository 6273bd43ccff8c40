// Renders a drawing with the renderer core into a binary PPM image, the way the tests' expected
// images are made:  vemo_render_ppm <drawing.vem> <out.ppm> [width height [smoothed]]
#include <stdio.h>
#include <stdlib.h>
#include <vector>

#include "renderer/DrawingRenderer.h"
#include "renderer/ExampleRendering.h"

int main(int argc, char** argv) {
    if (argc != 3 && argc != 5 && argc != 6) {
        fprintf(stderr, "usage: %s drawing.vem out.ppm [width height [smoothed]]\n", argv[0]);
        return 2;
    }
    FILE* f = fopen(argv[1], "rb");
    if (f == nullptr) {
        perror(argv[1]);
        return 1;
    }
    std::vector<uint8_t> file;
    uint8_t buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, f)) > 0) {
        file.insert(file.end(), buffer, buffer + n);
    }
    fclose(f);
    int32_t width = argc >= 5 ? atoi(argv[3]) : vemo::kExampleWidth;
    int32_t height = argc >= 5 ? atoi(argv[4]) : vemo::kExampleHeight;
    int32_t smoothed = argc == 6 ? atoi(argv[5]) : 1;
    std::vector<uint8_t> pixels(size_t(width) * size_t(height + 1) * 4);
    vemo::DrawingRenderer renderer;
    vemo::ExampleOutcome outcome = vemo::RenderExample(renderer, file.data(), uint32_t(file.size()),
                                                       width, height, smoothed, pixels.data());
    printf("load %08X end %08X slices %d\n", unsigned(outcome.loadResult),
           unsigned(outcome.endResult), outcome.slices);
    std::vector<uint8_t> rgb;
    vemo::PixelsToTopDownRgb(pixels.data(), width, height, rgb);
    FILE* o = fopen(argv[2], "wb");
    if (o == nullptr) {
        perror(argv[2]);
        return 1;
    }
    fprintf(o, "P6\n%d %d\n255\n", width, height);
    fwrite(rgb.data(), 1, rgb.size(), o);
    fclose(o);
    return 0;
}
