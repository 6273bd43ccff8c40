#include "renderer/DrawingParser.h"

#include <string.h>

#include "renderer/DrawingFormat.h"
#include "renderer/Results.h"

namespace vemo {

namespace {

bool ValidRect(const DocRect& r) { return r.x0 < r.x1 && r.y0 < r.y1; }

DocRect ReadRect(const uint8_t* p) {
    return DocRect{ReadI32(p), ReadI32(p + 4), ReadI32(p + 8), ReadI32(p + 12)};
}

uint32_t ReadColour(const uint8_t* p) {
    return (uint32_t(p[3]) << 24) | (uint32_t(p[0]) << 16) | (uint32_t(p[1]) << 8) | p[2];
}

// How far a stroke can reach beyond the path's points, in document units.
int64_t StrokeReach(const Style& s) {
    if (!Strokes(s) || s.strokeWidth <= 0) {
        return 0;
    }
    int64_t half = s.strokeWidth / 2 + 1;
    int64_t reach = half;
    if (s.join == kJoinMiter) {
        reach = (half * int64_t(s.miterLimit) + 0xFFFF) >> 16;
    }
    if (s.cap == kCapSquare && reach < half * 3 / 2 + 1) {
        reach = half * 3 / 2 + 1;
    }
    return reach + 1;
}

int PointsOf(uint8_t op) {
    switch (op) {
    case kOpMove:
    case kOpLine:
        return 1;
    case kOpQuad:
        return 2;
    case kOpCubic:
        return 3;
    case kOpClose:
        return 0;
    default:
        return -1;
    }
}

} // namespace

void DrawingParser::Reset() {
    doc.Clear();
    state = State::Magic;
    failure = kOkState;
    warnings = 0;
    major = minor = 0;
    fed = itemStart = failureOffset = 0;
    skippedRecords = 0;
    smallFill = 0;
    tag = 0;
    recordLength = 0;
    remaining = 0;
    payload.Release();
}

int32_t DrawingParser::Fail(int32_t code) {
    failure = code;
    failureOffset = itemStart;
    payload.Release();
    return code;
}

int32_t DrawingParser::Feed(const uint8_t* data, uint32_t length) {
    if (failure != kOkState) {
        return failure;
    }
    if (length > 0 && data == nullptr) {
        return kNullPointer;
    }
    if (state == State::Ended) {
        // Data after the end belongs to a new drawing.
        Reset();
    }
    uint32_t at = 0;
    while (at < length) {
        uint32_t left = length - at;
        switch (state) {
        case State::Magic: {
            uint32_t take = kMagicSize - smallFill;
            take = take < left ? take : left;
            memcpy(small + smallFill, data + at, take);
            smallFill += take;
            at += take;
            if (smallFill == kMagicSize) {
                if (memcmp(small, kFileMagic, kMagicSize) != 0) {
                    return Fail(kCorruptFile);
                }
                itemStart = kMagicSize;
                smallFill = 0;
                state = State::Version;
            }
            break;
        }
        case State::Version: {
            uint32_t take = kVersionSize - smallFill;
            take = take < left ? take : left;
            memcpy(small + smallFill, data + at, take);
            smallFill += take;
            at += take;
            if (smallFill == kVersionSize) {
                major = ReadU16(small);
                minor = ReadU16(small + 2);
                if (major > kReadableMajor) {
                    return Fail(kIncompatibleVersion);
                }
                if (major == 0) {
                    return Fail(kCorruptFile);
                }
                smallFill = 0;
                state = State::RecordHeader;
            }
            break;
        }
        case State::RecordHeader: {
            if (smallFill == 0) {
                itemStart = fed + at;
            }
            uint32_t take = kRecordHeaderSize - smallFill;
            take = take < left ? take : left;
            memcpy(small + smallFill, data + at, take);
            smallFill += take;
            at += take;
            if (smallFill == kRecordHeaderSize) {
                smallFill = 0;
                tag = ReadU16(small);
                recordLength = ReadU32(small + 2);
                int32_t r = BeginRecord();
                if (r != kOk) {
                    return Fail(r);
                }
            }
            break;
        }
        case State::Payload: {
            uint32_t take = remaining < left ? uint32_t(remaining) : left;
            if (!payload.Append(data + at, take)) {
                return Fail(kOutOfMemory);
            }
            at += take;
            remaining -= take;
            if (remaining == 0) {
                int32_t r = ApplyRecord(payload.Data(), recordLength);
                payload.Clear();
                if (r != kOk) {
                    return Fail(r);
                }
                state = State::RecordHeader;
            }
            break;
        }
        case State::Skip: {
            uint32_t take = remaining < left ? uint32_t(remaining) : left;
            at += take;
            remaining -= take;
            if (remaining == 0) {
                state = State::RecordHeader;
            }
            break;
        }
        case State::Ended:
            fed += at;
            return kOk;
        }
    }
    fed += length;
    return kOk;
}

int32_t DrawingParser::BeginRecord() {
    uint32_t fixed = 0;
    switch (tag) {
    case kTagBounds:
        fixed = kFixedSizeBounds;
        break;
    case kTagDefaultView:
        fixed = kFixedSizeDefaultView;
        break;
    case kTagFillColour:
        fixed = kFixedSizeFillColour;
        break;
    case kTagFillRule:
        fixed = kFixedSizeFillRule;
        break;
    case kTagStroke:
        fixed = kFixedSizeStroke;
        break;
    case kTagPath:
        if (recordLength < 4) {
            return kCorruptFile;
        }
        if (recordLength > kMaxPathRecordBytes) {
            return kOutOfMemory;
        }
        break;
    case kTagLink:
        if (recordLength > kMaxLinkBytes) {
            return kOutOfMemory;
        }
        break;
    case kTagGradient:
        // 40 bytes and 1 to 256 stops of 8; the stop count inside must agree (ApplyGradient)
        if (recordLength < kGradientHeadSize + kGradientStopSize * kMinGradientStops ||
            recordLength > kGradientHeadSize + kGradientStopSize * kMaxGradientStops ||
            (recordLength - kGradientHeadSize) % kGradientStopSize != 0) {
            return kCorruptFile;
        }
        break;
    case kTagBlend:
    case kTagText:
        ++skippedRecords;
        warnings |= kWarnVersion15Objects;
        remaining = recordLength;
        state = remaining ? State::Skip : State::RecordHeader;
        return kOk;
    default:
        ++skippedRecords;
        warnings |= kWarnUnknownRecords;
        remaining = recordLength;
        state = remaining ? State::Skip : State::RecordHeader;
        return kOk;
    }
    if (fixed != 0 && recordLength != fixed) {
        return kCorruptFile;
    }
    if (doc.BytesHeld() + recordLength > kMaxDocumentBytes) {
        return kOutOfMemory;
    }
    if (recordLength == 0) {
        int32_t r = ApplyRecord(nullptr, 0);
        state = State::RecordHeader;
        return r;
    }
    payload.Clear();
    if (!payload.Reserve(recordLength)) {
        return kOutOfMemory;
    }
    remaining = recordLength;
    state = State::Payload;
    return kOk;
}

int32_t DrawingParser::ApplyRecord(const uint8_t* p, uint32_t length) {
    switch (tag) {
    case kTagBounds: {
        DocRect r = ReadRect(p);
        if (!ValidRect(r)) {
            return kCorruptFile;
        }
        doc.bounds = r;
        return kOk;
    }
    case kTagDefaultView: {
        DocRect r = ReadRect(p);
        uint32_t flag = ReadU32(p + 16);
        if (!ValidRect(r) || flag > 1) {
            return kCorruptFile;
        }
        doc.defaultView = r;
        doc.defaultViewFlag = int32_t(flag);
        return kOk;
    }
    case kTagFillColour:
        doc.style.fillColour = ReadColour(p);
        doc.style.fillGradient = -1;
        return kOk;
    case kTagFillRule:
        if (p[0] > kEvenOdd) {
            return kCorruptFile;
        }
        doc.style.fillRule = p[0];
        return kOk;
    case kTagStroke: {
        int32_t width = ReadI32(p + 4);
        uint8_t join = p[8];
        uint8_t cap = p[9];
        uint16_t zero = ReadU16(p + 10);
        uint32_t miter = ReadU32(p + 12);
        if (width < 0 || width > kMaxStrokeWidth || join > kJoinBevel || cap > kCapSquare ||
            zero != 0 || miter < kMinMiterLimit || miter > kMaxMiterLimit) {
            return kCorruptFile;
        }
        doc.style.strokeColour = ReadColour(p);
        doc.style.strokeWidth = width;
        doc.style.join = join;
        doc.style.cap = cap;
        doc.style.miterLimit = miter;
        doc.style.strokeGradient = -1;
        return kOk;
    }
    case kTagPath:
        return ApplyPath(p, length);
    case kTagLink:
        return ApplyLink(p, length);
    case kTagGradient:
        return ApplyGradient(p, length);
    default:
        return kOk;
    }
}

int32_t DrawingParser::ApplyPath(const uint8_t* p, uint32_t length) {
    uint32_t opCount = ReadU32(p);
    if (opCount > length - 4) {
        return kCorruptFile;
    }
    const uint8_t* ops = p + 4;
    uint64_t pointCount = 0;
    bool open = false; // a subpath has a current point
    for (uint32_t i = 0; i < opCount; ++i) {
        int n = PointsOf(ops[i]);
        if (n < 0) {
            return kCorruptFile;
        }
        if (ops[i] != kOpMove && !open) {
            return kCorruptFile; // drawing before the first move
        }
        open = true;
        pointCount += uint32_t(n);
    }
    if (uint64_t(length) != 4 + uint64_t(opCount) + pointCount * 8) {
        return kCorruptFile;
    }
    if (doc.objects.Size() >= kMaxObjects) {
        return kOutOfMemory;
    }
    if (opCount == 0) {
        return kOk; // nothing to draw
    }
    DrawObject obj{};
    obj.firstOp = uint32_t(doc.ops.Size());
    obj.opCount = opCount;
    obj.firstPoint = uint32_t(doc.points.Size());
    obj.pointCount = uint32_t(pointCount);
    obj.style = doc.style;
    obj.link = doc.currentLink;
    const uint8_t* q = ops + opCount;
    if (!doc.ops.Append(ops, opCount) || !doc.points.Reserve(doc.points.Size() + pointCount)) {
        return kOutOfMemory;
    }
    DocBox box{INT64_MAX, INT64_MAX, INT64_MIN, INT64_MIN};
    for (uint64_t i = 0; i < pointCount; ++i, q += 8) {
        DocPoint pt{ReadI32(q), ReadI32(q + 4)};
        doc.points.Push(pt); // room reserved above
        box.x0 = pt.x < box.x0 ? pt.x : box.x0;
        box.y0 = pt.y < box.y0 ? pt.y : box.y0;
        box.x1 = pt.x > box.x1 ? pt.x : box.x1;
        box.y1 = pt.y > box.y1 ? pt.y : box.y1;
    }
    int64_t reach = StrokeReach(obj.style);
    obj.box = DocBox{box.x0 - reach, box.y0 - reach, box.x1 + reach, box.y1 + reach};
    if (!doc.objects.Push(obj)) {
        return kOutOfMemory;
    }
    return kOk;
}

int32_t DrawingParser::ApplyLink(const uint8_t* p, uint32_t length) {
    if (length == 0) {
        doc.currentLink = -1;
        return kOk;
    }
    for (uint32_t i = 0; i < length; ++i) {
        if (p[i] < 0x20 || p[i] == 0x7F) {
            return kCorruptFile; // control characters have no place in an address
        }
    }
    LinkEntry entry{uint32_t(doc.linkText.Size()), length};
    if (!doc.linkText.Append(reinterpret_cast<const char*>(p), length) || !doc.links.Push(entry)) {
        return kOutOfMemory;
    }
    doc.currentLink = int32_t(doc.links.Size() - 1);
    return kOk;
}

int32_t DrawingParser::ApplyGradient(const uint8_t* p, uint32_t length) {
    const uint8_t target = p[0], kind = p[1], spread = p[2];
    const int32_t fx = ReadI32(p + 28), fy = ReadI32(p + 32);
    const uint32_t n = ReadU16(p + 36);
    if (target > kPaintStroke || kind > kGradientRadial || spread > kSpreadRepeat || p[3] != 0 ||
        (kind == kGradientLinear && (fx != 0 || fy != 0)) || n < kMinGradientStops ||
        n > kMaxGradientStops || ReadU16(p + 38) != 0 ||
        length != kGradientHeadSize + kGradientStopSize * n) {
        return kCorruptFile;
    }
    const uint8_t* q = p + kGradientHeadSize;
    uint32_t previous = 0;
    for (uint32_t i = 0; i < n; ++i, q += kGradientStopSize) {
        uint32_t offset = ReadU32(q);
        if (offset > kGradientStopOne || offset < previous) {
            return kCorruptFile;
        }
        previous = offset;
    }
    DocGradient g{};
    g.kind = kind;
    g.spread = spread;
    g.stopCount = uint16_t(n);
    g.firstStop = uint32_t(doc.gradientStops.Size());
    g.ox = ReadI32(p + 4);
    g.oy = ReadI32(p + 8);
    g.ux = ReadI32(p + 12);
    g.uy = ReadI32(p + 16);
    g.vx = ReadI32(p + 20);
    g.vy = ReadI32(p + 24);
    g.fx = fx;
    g.fy = fy;
    if (!doc.gradientStops.Reserve(doc.gradientStops.Size() + n) || !doc.gradients.Push(g)) {
        return kOutOfMemory;
    }
    q = p + kGradientHeadSize;
    for (uint32_t i = 0; i < n; ++i, q += kGradientStopSize) {
        doc.gradientStops.Push(GradientStop{ReadU32(q), ReadColour(q + 4)}); // room reserved
    }
    const int32_t index = int32_t(doc.gradients.Size() - 1);
    if (target == kPaintFill) {
        doc.style.fillGradient = index;
    } else {
        doc.style.strokeGradient = index;
    }
    return kOk;
}

int32_t DrawingParser::Finish() {
    if (failure != kOkState) {
        return failure;
    }
    if (state != State::RecordHeader || smallFill != 0) {
        if (state == State::Ended) {
            return warnings;
        }
        return Fail(kCorruptFile); // cut short: header, version or a record incomplete
    }
    state = State::Ended;
    payload.Release();
    return warnings;
}

} // namespace vemo
