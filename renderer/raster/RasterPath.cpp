// RasterPath: the growable verb and point lists handed to the scan converter.
#include "renderer/raster/Raster.h"

#include <new>
#include <string.h>

namespace {

// Grows `list` (holding `used` of `capacity`) to room for `wanted`: at least twice the old room
// (and 16), at most `limit`; false when memory ran out (the list is kept).
template <class T>
bool GrowTo(T*& list, int32_t& capacity, int32_t used, int32_t wanted, int32_t limit) {
    if (wanted <= capacity) {
        return true;
    }
    const int32_t twice = capacity < 16 ? 16 : (capacity < limit / 2 ? 2 * capacity : limit);
    wanted = wanted > twice ? wanted : twice;
    T* grown = new (std::nothrow) T[wanted];
    if (!grown) {
        return false;
    }
    if (used) {
        memcpy(grown, list, size_t(used) * sizeof(T));
    }
    delete[] list;
    list = grown;
    capacity = wanted;
    return true;
}

} // namespace

RasterPath::~RasterPath() {
    delete[] verbList;
    delete[] pointList;
}

int32_t RasterPath::Append(uint8_t verb, const RasterPoint* p, int32_t n) {
    if (appendFailed) {
        return 0;
    }
    if (pointUsed > kMaxPoints - n || verbUsed >= kMaxPoints) {
        appendFailed = 1;
        return 0;
    }
    if (!GrowTo(verbList, verbCapacity, verbUsed, verbUsed + 1, kMaxPoints) ||
        !GrowTo(pointList, pointCapacity, pointUsed, pointUsed + n, kMaxPoints)) {
        appendFailed = 1;
        return 0;
    }
    verbList[verbUsed++] = verb;
    for (int32_t i = 0; i < n; ++i) {
        pointList[pointUsed++] = p[i];
    }
    return 1;
}

int32_t RasterPath::QuadTo(int32_t cx, int32_t cy, int32_t x, int32_t y) {
    RasterPoint p[2] = {{cx, cy}, {x, y}};
    return Append(kVerbQuad, p, 2);
}

int32_t RasterPath::CubicTo(int32_t c1x, int32_t c1y, int32_t c2x, int32_t c2y, int32_t x,
                            int32_t y) {
    RasterPoint p[3] = {{c1x, c1y}, {c2x, c2y}, {x, y}};
    return Append(kVerbCubic, p, 3);
}

int32_t RasterPath::Close() {
    return Append(kVerbClose, nullptr, 0);
}

int32_t RasterPath::Reserve(int32_t verbs, int32_t points) {
    if ((verbs <= verbCapacity && points <= pointCapacity) || verbs > kMaxPoints ||
        points > kMaxPoints || verbs < 0 || points < 0) {
        return 0;
    }
    return GrowTo(verbList, verbCapacity, verbUsed, verbs, kMaxPoints) &&
                   GrowTo(pointList, pointCapacity, pointUsed, points, kMaxPoints)
               ? 1
               : 0;
}

void RasterPath::Clear() {
    verbUsed = 0;
    pointUsed = 0;
    appendFailed = 0;
}

int32_t RasterPath::Bounds(RasterPoint* minimum, RasterPoint* maximum) const {
    if (pointUsed == 0) {
        return 0;
    }
    RasterPoint lo = pointList[0];
    RasterPoint hi = pointList[0];
    for (int32_t i = 1; i < pointUsed; ++i) {
        const RasterPoint& p = pointList[i];
        lo.x = p.x < lo.x ? p.x : lo.x;
        lo.y = p.y < lo.y ? p.y : lo.y;
        hi.x = p.x > hi.x ? p.x : hi.x;
        hi.y = p.y > hi.y ? p.y : hi.y;
    }
    *minimum = lo;
    *maximum = hi;
    return 1;
}
