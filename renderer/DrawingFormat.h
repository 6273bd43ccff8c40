// The drawing file format (docs/drawing-format.md): constants shared by the reader and the
// writer. Everything is little-endian.
#pragma once

#include <stdint.h>

namespace vemo {

// The file starts with these 8 bytes, then the version (major, minor: two uint16).
constexpr uint8_t kFileMagic[8] = {'V', 'E', 'M', 'O', 0xA3, 0xA3, 0x0D, 0x0A};
constexpr uint32_t kMagicSize = 8;
constexpr uint32_t kVersionSize = 4;
constexpr uint16_t kReadableMajor = 1;
// The newest minor version the writer knows: 1.6 added the gradient record. Drawings without
// gradients are written as 1.5, which every reader of version 1 opens without a warning.
constexpr uint16_t kWrittenMinor = 6;
constexpr uint16_t kGradientMinor = 6;

// Each record: uint16 tag, uint32 payload length, then the payload.
constexpr uint32_t kRecordHeaderSize = 6;

enum RecordTag : uint16_t {
    kTagBounds = 1,      // int32 x0, y0, x1, y1
    kTagDefaultView = 2, // int32 x0, y0, x1, y1; uint32 keep-aspect flag (0 or 1)
    kTagFillColour = 3,  // uint8 red, green, blue, alpha
    kTagFillRule = 4,    // uint8 0 non-zero, 1 even-odd
    kTagStroke = 5,      // uint8 r, g, b, a; int32 width; uint8 join, cap; uint16 0; uint32 miter
    kTagPath = 6,        // uint32 n; n operation bytes; the points as int32 x, y pairs
    kTagLink = 7,        // the address bytes (none: the objects that follow carry no link)
    kTagBlend = 8,       // version 1.5 blend: read and skipped
    kTagText = 9,        // version 1.5 text: read and skipped
    kTagGradient = 10,   // version 1.6: uint8 target, kind, spread, 0; int32 ox, oy, ux, uy, vx,
                         // vy; int32 fx, fy (16.16); uint16 n; uint16 0; n stops (uint32
                         // offset 16.16; uint8 red, green, blue, alpha)
};

enum PathOp : uint8_t {
    kOpMove = 0,  // 1 point
    kOpLine = 1,  // 1 point
    kOpQuad = 2,  // 2 points: control, end
    kOpCubic = 3, // 3 points: control, control, end
    kOpClose = 4, // no point
};

enum FillRule : uint8_t { kNonZero = 0, kEvenOdd = 1 };
enum LineJoin : uint8_t { kJoinMiter = 0, kJoinRound = 1, kJoinBevel = 2 };
enum LineCap : uint8_t { kCapButt = 0, kCapRound = 1, kCapSquare = 2 };

constexpr uint32_t kFixedSizeBounds = 16;
constexpr uint32_t kFixedSizeDefaultView = 20;
constexpr uint32_t kFixedSizeFillColour = 4;
constexpr uint32_t kFixedSizeFillRule = 1;
constexpr uint32_t kFixedSizeStroke = 16;

// The gradient record (tag 10): 40 bytes, then 8 per stop.
enum PaintTarget : uint8_t { kPaintFill = 0, kPaintStroke = 1 };
enum GradientKind : uint8_t { kGradientLinear = 0, kGradientRadial = 1 };
enum GradientSpread : uint8_t { kSpreadPad = 0, kSpreadReflect = 1, kSpreadRepeat = 2 };
constexpr uint32_t kGradientHeadSize = 40;
constexpr uint32_t kGradientStopSize = 8;
constexpr uint32_t kMinGradientStops = 1;
constexpr uint32_t kMaxGradientStops = 256;
constexpr uint32_t kGradientStopOne = 0x10000; // offset 1.0 in 16.16

// One colour stop: offset 16.16 in [0, 65536]; colour 0xAARRGGBB (straight alpha).
struct GradientStop {
    uint32_t offset;
    uint32_t argb;
};

// A gradient paint as the writer takes it (docs/drawing-format.md, "Gradients"). The frame maps
// the gradient's unit space (u, v) to O + u (U - O) + v (V - O) in document units.
struct GradientPaint {
    uint8_t target; // PaintTarget
    uint8_t kind;   // GradientKind
    uint8_t spread; // GradientSpread
    int32_t ox, oy, ux, uy, vx, vy;
    int32_t fx, fy; // radial focus in unit space, 16.16 (0 for linear)
    const GradientStop* stops;
    uint32_t stopCount;
};

// Documented limits. A declared size beyond one of these is answered like exhausted memory.
constexpr uint32_t kMaxPathRecordBytes = 1u << 20;    // one path record (131068 points)
constexpr uint32_t kMaxLinkBytes = 4096;              // one address
constexpr uint64_t kMaxDocumentBytes = 256ull << 20;  // everything a drawing holds in memory
constexpr uint32_t kMaxObjects = 1u << 20;            // drawn objects in one drawing
constexpr int32_t kMaxStrokeWidth = 1 << 28;          // document units
constexpr uint32_t kMinMiterLimit = 0x10000;          // 1.0 in 16.16
constexpr uint32_t kMaxMiterLimit = 1000u << 16;      // 1000.0 in 16.16

inline uint16_t ReadU16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
inline uint32_t ReadU32(const uint8_t* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
inline int32_t ReadI32(const uint8_t* p) { return int32_t(ReadU32(p)); }

} // namespace vemo
