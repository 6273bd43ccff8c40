// Dashes turned into geometry: the path is flattened (curves divided within the tolerance) and
// cut into the pieces that the dash pattern draws. The pattern starts again at each subpath,
// moved by the offset (a negative offset counts backwards, wrapping around the pattern). On a
// closed subpath the pattern runs on over the closing line, and a dash that is on at both the
// start and the end of the ring is drawn as one piece through the start point, so it gets a
// join there rather than two caps. Pieces of zero length are kept (round and square caps draw
// them as dots). The result has open subpaths only.
#pragma once

#include <stddef.h>

#include <vector>

#include "authoring/svg/Path.h"

namespace vemo::svg {

// False when the pattern would cut the path into more than maxPieces pieces (*out is then
// empty): patterns of tiny dashes on long paths are refused rather than drawn for ever.
bool DashPath(const Path& path, const std::vector<double>& dashes, double offset,
              double tolerance, size_t maxPieces, Path* out);

} // namespace vemo::svg
