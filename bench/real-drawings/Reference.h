// The benchmark's reference picture: each object sampled at 8 x 8 points per pixel against its
// exact geometric definition (Reference.cpp tells how), independent of every renderer.
#pragma once

#include "Scene.h"

namespace realdrawings {

Picture DrawReference(const Scene& scene);

} // namespace realdrawings
