// RasterPath: the growable verb and point lists handed to the scan converter.
#include "renderer/raster/Raster.h"

#include <new>
#include <string.h>

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
    if (verbUsed + 1 > verbCapacity) {
        int32_t capacity = verbCapacity < 16 ? 16 : verbCapacity * 2;
        if (capacity > kMaxPoints) {
            capacity = kMaxPoints;
        }
        uint8_t* grown = new (std::nothrow) uint8_t[capacity];
        if (!grown) {
            appendFailed = 1;
            return 0;
        }
        if (verbUsed) {
            memcpy(grown, verbList, size_t(verbUsed));
        }
        delete[] verbList;
        verbList = grown;
        verbCapacity = capacity;
    }
    if (pointUsed + n > pointCapacity) {
        int32_t capacity = pointCapacity < 16 ? 16 : pointCapacity * 2;
        if (capacity < pointUsed + n) {
            capacity = pointUsed + n;
        }
        if (capacity > kMaxPoints) {
            capacity = kMaxPoints;
        }
        RasterPoint* grown = new (std::nothrow) RasterPoint[capacity];
        if (!grown) {
            appendFailed = 1;
            return 0;
        }
        if (pointUsed) {
            memcpy(grown, pointList, size_t(pointUsed) * sizeof(RasterPoint));
        }
        delete[] pointList;
        pointList = grown;
        pointCapacity = capacity;
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
    // At least twice the old room, as appending grows it.
    if (verbs > verbCapacity) {
        const int32_t twice = verbCapacity < kMaxPoints / 2 ? 2 * verbCapacity : kMaxPoints;
        verbs = verbs > twice ? verbs : twice;
        uint8_t* grown = new (std::nothrow) uint8_t[verbs];
        if (!grown) {
            return 0;
        }
        if (verbUsed) {
            memcpy(grown, verbList, size_t(verbUsed));
        }
        delete[] verbList;
        verbList = grown;
        verbCapacity = verbs;
    }
    if (points > pointCapacity) {
        const int32_t twice = pointCapacity < kMaxPoints / 2 ? 2 * pointCapacity : kMaxPoints;
        points = points > twice ? points : twice;
        RasterPoint* grown = new (std::nothrow) RasterPoint[points];
        if (!grown) {
            return 0;
        }
        if (pointUsed) {
            memcpy(grown, pointList, size_t(pointUsed) * sizeof(RasterPoint));
        }
        delete[] pointList;
        pointList = grown;
        pointCapacity = points;
    }
    return 1;
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
