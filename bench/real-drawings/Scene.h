// The geometry every renderer of the real-drawings benchmark draws: objects in pixels, y
// downwards, each a path with a fill and/or a stroke.
#pragma once

#include <stdint.h>
#include <string>
#include <vector>

namespace realdrawings {

struct Command {
    char type; // M L C Z
    double p[6];
};

struct Object {
    bool fill = false, stroke = false;
    uint32_t fillArgb = 0, strokeArgb = 0;
    int rule = 0;                // 0 non-zero, 1 even-odd
    double width = 0, miter = 4; // stroke width in pixels, miter limit
    int join = 0, cap = 0;       // join: 0 miter, 1 round, 2 bevel; cap: 0 butt, 1 round, 2 square
    std::vector<Command> path;
};

struct Scene {
    std::string name;
    int width = 0, height = 0;
    std::vector<Object> objects;
};

// Pictures are kept top-down, 0x00RRGGBB words.
using Picture = std::vector<uint32_t>;

} // namespace realdrawings
