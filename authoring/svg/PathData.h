// The path data of <path d="...">: every command (M L H V C S Q T A Z, absolute upper case,
// relative lower case), implicit repeats (numbers after a command repeat it; after M/m they are
// line-tos), smooth curves reflecting the previous control point only when the previous command
// was of the same family, and numbers run together ("M1-2.5.5"). Data in error is drawn up to
// the last complete command before the error, as SVG requires; the result says so.
#pragma once

#include <stddef.h>

#include <string_view>

#include "authoring/svg/Path.h"

namespace vemo::svg {

enum class PathDataResult {
    Ok,
    Error,    // drawn up to the error
    TooLarge, // more than maxPoints points: *path holds what came before
};

PathDataResult ParsePathData(std::string_view d, size_t maxPoints, Path* path);

} // namespace vemo::svg
