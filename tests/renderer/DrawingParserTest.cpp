// The drawing reader: every record kind, every failure code, the warnings, and the property that
// the result does not depend on how the file is cut into chunks.
#include <gtest/gtest.h>

#include <string.h>
#include <vector>

#include "renderer/DrawingFormat.h"
#include "renderer/DrawingParser.h"
#include "renderer/DrawingWriter.h"
#include "renderer/Results.h"

namespace vemo {
namespace {

std::vector<uint8_t> Bytes(const DrawingWriter& w) {
    return std::vector<uint8_t>(w.Data(), w.Data() + w.Size());
}

struct Outcome {
    int32_t feed;
    int32_t end;
};

Outcome Parse(Document& doc, const std::vector<uint8_t>& file) {
    DrawingParser parser(doc);
    Outcome o{parser.Feed(file.data(), uint32_t(file.size())), 0};
    o.end = parser.Finish();
    return o;
}

void Append(std::vector<uint8_t>& file, std::initializer_list<uint8_t> bytes) {
    file.insert(file.end(), bytes.begin(), bytes.end());
}

TEST(DrawingParser, ReadsEveryDrawingRecord) {
    DrawingWriter w;
    w.Bounds(DocRect{-10, -20, 30, 40});
    w.DefaultView(DocRect{1, 2, 3, 4}, 0);
    w.FillColour(0x80112233);
    w.FillRule(kEvenOdd);
    w.Stroke(0xFF445566, 700, kJoinBevel, kCapSquare, 3u << 16);
    w.Link("a.html");
    w.MoveTo(0, 0);
    w.LineTo(10, 0);
    w.QuadTo(15, 5, 10, 10);
    w.CubicTo(8, 12, 2, 12, 0, 10);
    w.Close();
    w.EndPath();
    w.Link(nullptr);
    w.Rectangle(100, 100, 200, 300);
    Document doc;
    Outcome o = Parse(doc, Bytes(w));
    ASSERT_EQ(kOk, o.feed);
    EXPECT_EQ(0, o.end);
    EXPECT_EQ(-10, doc.bounds.x0);
    EXPECT_EQ(40, doc.bounds.y1);
    EXPECT_EQ(3, doc.defaultView.x1);
    EXPECT_EQ(0, doc.defaultViewFlag);
    ASSERT_EQ(2u, doc.objects.Size());
    const DrawObject& first = doc.objects[0];
    EXPECT_EQ(5u, first.opCount);
    EXPECT_EQ(7u, first.pointCount);
    EXPECT_EQ(0x80112233u, first.style.fillColour);
    EXPECT_EQ(0xFF445566u, first.style.strokeColour);
    EXPECT_EQ(kEvenOdd, first.style.fillRule);
    EXPECT_EQ(700, first.style.strokeWidth);
    EXPECT_EQ(kJoinBevel, first.style.join);
    EXPECT_EQ(kCapSquare, first.style.cap);
    EXPECT_EQ(3u << 16, first.style.miterLimit);
    ASSERT_EQ(0, first.link);
    EXPECT_EQ(0, memcmp("a.html", doc.linkText.Data() + doc.links[0].offset, 6));
    EXPECT_EQ(-1, doc.objects[1].link);
    // the box reaches past the points by the stroke's half width
    EXPECT_LE(first.box.x0, -350);
    EXPECT_GE(first.box.x1, 15 + 350);
    EXPECT_LT(doc.objects[1].box.x0, 100);
    EXPECT_EQ(7u, doc.objects[1].firstPoint);
}


// A file of the header, version 1.5 and the given records.
std::vector<uint8_t> FileWith(std::initializer_list<uint8_t> records, uint16_t major = 1) {
    DrawingWriter w(major, 5);
    std::vector<uint8_t> file = Bytes(w);
    Append(file, records);
    return file;
}

struct FailureCase {
    const char* what;
    std::vector<uint8_t> file;
    int32_t feed; // result of feeding the whole file
    int32_t end;  // result of the end of data
};

TEST(DrawingParser, AnswersEveryFaultWithItsCode) {
    const FailureCase cases[] = {
        {"wrong magic", {'V', 'E', 'M', 'O', 0xA3, 0xA3, 0x0A, 0x0D, 1, 0, 5, 0}, kCorruptFile,
         kCorruptFile},
        {"version 0", FileWith({}, 0), kCorruptFile, kCorruptFile},
        {"newer major version", FileWith({}, 2), kIncompatibleVersion, kIncompatibleVersion},
        {"a much newer major version", FileWith({}, 0xFFFF), kIncompatibleVersion,
         kIncompatibleVersion},
        {"bounds of the wrong length", FileWith({1, 0, 15, 0, 0, 0}), kCorruptFile, kCorruptFile},
        {"bounds without area",
         FileWith({1, 0, 16, 0, 0, 0, 5, 0, 0, 0, 0, 0, 0, 0, 5, 0, 0, 0, 9, 0, 0, 0}),
         kCorruptFile, kCorruptFile},
        {"default view flag 2",
         FileWith({2, 0, 20, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 9, 0, 0, 0, 9, 0, 0, 0, 2, 0, 0, 0}),
         kCorruptFile, kCorruptFile},
        {"fill rule 2", FileWith({4, 0, 1, 0, 0, 0, 2}), kCorruptFile, kCorruptFile},
        {"colour of 3 bytes", FileWith({3, 0, 3, 0, 0, 0, 1, 2, 3}), kCorruptFile, kCorruptFile},
        {"negative stroke width",
         FileWith({5, 0, 16, 0, 0, 0, 0, 0, 0, 255, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 1, 0}),
         kCorruptFile, kCorruptFile},
        {"join 3",
         FileWith({5, 0, 16, 0, 0, 0, 0, 0, 0, 255, 1, 0, 0, 0, 3, 0, 0, 0, 0, 0, 1, 0}),
         kCorruptFile, kCorruptFile},
        {"miter limit below 1",
         FileWith({5, 0, 16, 0, 0, 0, 0, 0, 0, 255, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0x80, 0, 0}),
         kCorruptFile, kCorruptFile},
        {"path shorter than its count", FileWith({6, 0, 3, 0, 0, 0, 0, 0, 0}), kCorruptFile,
         kCorruptFile},
        {"path count beyond its length", FileWith({6, 0, 5, 0, 0, 0, 9, 0, 0, 0, 0}),
         kCorruptFile, kCorruptFile},
        {"path with points missing", FileWith({6, 0, 9, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0}),
         kCorruptFile, kCorruptFile},
        {"path of an unknown operation",
         FileWith({6, 0, 5, 0, 0, 0, 1, 0, 0, 0, 7}), kCorruptFile, kCorruptFile},
        {"path that draws before a move",
         FileWith({6, 0, 13, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0}), kCorruptFile,
         kCorruptFile},
        {"path beyond the record limit", FileWith({6, 0, 0, 0, 0x40, 0}), kOutOfMemory,
         kOutOfMemory},
        {"path of 4 GiB", FileWith({6, 0, 0xFF, 0xFF, 0xFF, 0xFF}), kOutOfMemory, kOutOfMemory},
        {"address beyond its limit", FileWith({7, 0, 0x01, 0x10, 0, 0}), kOutOfMemory,
         kOutOfMemory},
        {"address with a control character", FileWith({7, 0, 2, 0, 0, 0, 'a', '\n'}),
         kCorruptFile, kCorruptFile},
        {"record header cut short", FileWith({3, 0, 4}), kOk, kCorruptFile},
        {"payload cut short", FileWith({3, 0, 4, 0, 0, 0, 1, 2}), kOk, kCorruptFile},
        {"skipped record cut short", FileWith({0x99, 0, 4, 0, 0, 0, 1}), kOk, kCorruptFile},
        {"version cut short", {'V', 'E', 'M', 'O', 0xA3, 0xA3, 0x0D, 0x0A, 1}, kOk,
         kCorruptFile},
        {"nothing at all", {}, kOk, kCorruptFile},
    };
    for (const FailureCase& c : cases) {
        Document doc;
        DrawingParser parser(doc);
        int32_t feed = c.file.empty() ? kOk : parser.Feed(c.file.data(), uint32_t(c.file.size()));
        EXPECT_EQ(c.feed, feed) << c.what;
        EXPECT_EQ(c.end, parser.Finish()) << c.what;
        // a failure sticks: later data gets the same answer
        if (c.feed < 0) {
            const uint8_t more[1] = {0};
            EXPECT_EQ(c.feed, parser.Feed(more, 1)) << c.what;
        }
    }
}

struct WarningCase {
    const char* what;
    std::vector<uint8_t> file;
    int32_t end;
};

TEST(DrawingParser, SkipsWhatItDoesNotDrawAndSaysSo) {
    const WarningCase cases[] = {
        {"nothing skipped", FileWith({4, 0, 1, 0, 0, 0, 1}), 0},
        {"a blend", FileWith({8, 0, 3, 0, 0, 0, 1, 2, 3}), kWarnVersion15Objects},
        {"a text", FileWith({9, 0, 2, 0, 0, 0, 'h', 'i'}), kWarnVersion15Objects},
        {"an empty blend", FileWith({8, 0, 0, 0, 0, 0}), kWarnVersion15Objects},
        {"an unknown kind", FileWith({0x00, 0x7F, 1, 0, 0, 0, 9}), kWarnUnknownRecords},
        {"tag 0", FileWith({0, 0, 0, 0, 0, 0}), kWarnUnknownRecords},
        {"both", FileWith({8, 0, 0, 0, 0, 0, 77, 0, 0, 0, 0, 0}),
         kWarnVersion15Objects | kWarnUnknownRecords},
        {"a huge unknown record is skipped without memory",
         [] {
             std::vector<uint8_t> f = FileWith({50, 0, 0, 0, 0, 1});
             f.resize(f.size() + (1u << 24));
             return f;
         }(),
         kWarnUnknownRecords},
        {"a newer minor version is read", [] {
             DrawingWriter w(1, 9);
             return Bytes(w);
         }(),
         0},
    };
    for (const WarningCase& c : cases) {
        Document doc;
        Outcome o = Parse(doc, c.file);
        EXPECT_EQ(kOk, o.feed) << c.what;
        EXPECT_EQ(c.end, o.end) << c.what;
    }
}

TEST(DrawingParser, LinksApplyUntilTheNextLinkRecord) {
    DrawingWriter w;
    w.Rectangle(0, 0, 1, 1);
    w.Link("one");
    w.Rectangle(0, 0, 1, 1);
    w.Rectangle(0, 0, 1, 1);
    w.Link("two");
    w.Rectangle(0, 0, 1, 1);
    w.Link("");
    w.Rectangle(0, 0, 1, 1);
    Document doc;
    ASSERT_EQ(0, Parse(doc, Bytes(w)).end);
    const int32_t expected[] = {-1, 0, 0, 1, -1};
    ASSERT_EQ(5u, doc.objects.Size());
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(expected[i], doc.objects[i].link) << i;
    }
}

TEST(DrawingParser, ObjectsBeyondTheLimitAreRefusedAsMemory) {
    Document doc;
    DrawingParser parser(doc);
    DrawingWriter header;
    ASSERT_EQ(kOk, parser.Feed(header.Data(), uint32_t(header.Size())));
    // one move per path: 19 bytes a record
    const uint8_t path[19] = {6, 0, 13, 0, 0, 0, 1, 0, 0, 0, 0, 7, 0, 0, 0, 9, 0, 0, 0};
    std::vector<uint8_t> block;
    for (int i = 0; i < 4096; ++i) {
        block.insert(block.end(), path, path + sizeof path);
    }
    for (uint32_t i = 0; i < kMaxObjects / 4096; ++i) {
        ASSERT_EQ(kOk, parser.Feed(block.data(), uint32_t(block.size()))) << i;
    }
    EXPECT_EQ(kMaxObjects, doc.objects.Size());
    EXPECT_EQ(kOutOfMemory, parser.Feed(path, sizeof path));
    EXPECT_EQ(kOutOfMemory, parser.Finish());
}

TEST(DrawingParser, AnEmptyPathDrawsNothing) {
    Document doc;
    EXPECT_EQ(0, Parse(doc, FileWith({6, 0, 4, 0, 0, 0, 0, 0, 0, 0})).end);
    EXPECT_EQ(0u, doc.objects.Size());
}

// A summary of everything a document holds, to compare two parses.
std::vector<int64_t> Summary(const Document& doc) {
    std::vector<int64_t> s = {doc.bounds.x0, doc.bounds.y0, doc.bounds.x1, doc.bounds.y1,
                              doc.defaultView.x0, doc.defaultView.x1, doc.defaultViewFlag};
    for (size_t i = 0; i < doc.ops.Size(); ++i) {
        s.push_back(doc.ops[i]);
    }
    for (size_t i = 0; i < doc.points.Size(); ++i) {
        s.push_back(doc.points[i].x);
        s.push_back(doc.points[i].y);
    }
    for (size_t i = 0; i < doc.objects.Size(); ++i) {
        const DrawObject& o = doc.objects[i];
        s.insert(s.end(), {o.firstOp, o.opCount, o.firstPoint, o.pointCount, o.style.fillColour,
                           o.style.strokeColour, o.style.strokeWidth, o.link, o.box.x0, o.box.y1,
                           o.style.fillGradient, o.style.strokeGradient});
    }
    for (size_t i = 0; i < doc.gradients.Size(); ++i) {
        const DocGradient& g = doc.gradients[i];
        s.insert(s.end(), {g.kind, g.spread, g.stopCount, g.firstStop, g.ox, g.oy, g.ux, g.uy, g.vx,
                           g.vy, g.fx, g.fy});
    }
    for (size_t i = 0; i < doc.gradientStops.Size(); ++i) {
        s.insert(s.end(), {doc.gradientStops[i].offset, doc.gradientStops[i].argb});
    }
    for (size_t i = 0; i < doc.linkText.Size(); ++i) {
        s.push_back(doc.linkText[i]);
    }
    return s;
}

const GradientStop kTwoStops[] = {{0, 0xFF102030}, {0x10000, 0x80405060}};

std::vector<uint8_t> Sample() {
    DrawingWriter w(1, kGradientMinor);
    w.Bounds(DocRect{0, 0, 1000, 1000});
    w.DefaultView(DocRect{0, 0, 1000, 800}, 1);
    w.Record(kTagBlend, "blend", 5);
    w.Link("http://example.com/a");
    w.Stroke(0xFF000000, 30, kJoinRound, kCapRound);
    w.MoveTo(1, 2);
    w.CubicTo(3, 4, 5, 6, 7, 8);
    w.QuadTo(9, 10, 11, 12);
    w.Close();
    w.EndPath();
    w.Record(0x1234, "unknown", 7);
    w.Link(nullptr);
    w.Gradient(GradientPaint{kPaintFill, kGradientRadial, kSpreadReflect, 1, 2, 3, 4, 5, 6, -7, 8,
                             kTwoStops, 2});
    w.Ellipse(500, 500, 100, 200);
    return Bytes(w);
}

Outcome ParseInChunks(Document& doc, const std::vector<uint8_t>& file,
                      const std::vector<uint32_t>& sizes) {
    DrawingParser parser(doc);
    size_t at = 0, k = 0;
    while (at < file.size()) {
        uint32_t n = sizes[k++ % sizes.size()];
        n = uint32_t(file.size() - at < n ? file.size() - at : n);
        int32_t r = parser.Feed(file.data() + at, n);
        if (r != kOk) {
            return Outcome{r, r};
        }
        at += n;
    }
    return Outcome{kOk, parser.Finish()};
}

TEST(DrawingParser, ResultDoesNotDependOnHowTheFileIsCut) {
    std::vector<uint8_t> file = Sample();
    Document whole;
    Outcome reference = Parse(whole, file);
    ASSERT_EQ(kWarnVersion15Objects | kWarnUnknownRecords, reference.end);
    // every single cut
    for (size_t cut = 1; cut < file.size(); ++cut) {
        Document doc;
        DrawingParser parser(doc);
        ASSERT_EQ(kOk, parser.Feed(file.data(), uint32_t(cut)));
        ASSERT_EQ(kOk, parser.Feed(file.data() + cut, uint32_t(file.size() - cut)));
        ASSERT_EQ(reference.end, parser.Finish()) << cut;
        ASSERT_EQ(Summary(whole), Summary(doc)) << cut;
    }
    // byte by byte, and pseudo-random chunk sizes
    uint32_t seed = 12345;
    for (int round = 0; round < 200; ++round) {
        std::vector<uint32_t> sizes;
        for (int i = 0; i < 16; ++i) {
            seed = seed * 1103515245u + 12345u;
            sizes.push_back(round == 0 ? 1 : 1 + (seed >> 16) % 40);
        }
        Document doc;
        Outcome o = ParseInChunks(doc, file, sizes);
        ASSERT_EQ(reference.end, o.end) << round;
        ASSERT_EQ(Summary(whole), Summary(doc)) << round;
    }
}

// A valid gradient record (radial, so that it may carry a focus) in a 1.6 file; the payload
// starts at kGradientAt.
constexpr size_t kGradientAt = 12 + 6;
std::vector<uint8_t> GradientFile(uint32_t stops = 2) {
    std::vector<GradientStop> list;
    for (uint32_t i = 0; i < stops; ++i) {
        list.push_back(GradientStop{i * 0x10000 / stops, 0xFF000000u + i});
    }
    DrawingWriter w(1, kGradientMinor);
    w.Gradient(GradientPaint{kPaintStroke, kGradientRadial, kSpreadRepeat, -5, -6, 7, 8, 9, 10,
                             0x8000, -0x8000, list.data(), stops});
    return Bytes(w);
}

struct GradientEdit {
    const char* what;
    std::vector<std::pair<size_t, uint8_t>> bytes; // payload offset, new value
    int32_t lengthChange; // bytes appended to (or cut from) the record, its length to match
    int32_t result;       // of the whole file, end of data included
};

TEST(DrawingParser, GradientRecordsFollowEveryRule) {
    // the valid record: focus (0x8000, -0x8000), stops at offsets 0 and 0x8000
    const GradientEdit cases[] = {
        {"valid", {}, 0, 0},
        {"target 2", {{0, 2}}, 0, kCorruptFile},
        {"kind 2", {{1, 2}}, 0, kCorruptFile},
        {"spread 3", {{2, 3}}, 0, kCorruptFile},
        {"byte 3 not 0", {{3, 1}}, 0, kCorruptFile},
        {"linear with a focus", {{1, kGradientLinear}}, 0, kCorruptFile},
        {"linear with a focus y only", {{1, kGradientLinear}, {29, 0}}, 0, kCorruptFile},
        {"linear with a focus x only",
         {{1, kGradientLinear}, {33, 0}, {34, 0}, {35, 0}},
         0,
         kCorruptFile},
        {"linear without focus", {{1, kGradientLinear}, {29, 0}, {33, 0}, {34, 0}, {35, 0}}, 0, 0},
        {"no stops counted", {{36, 0}}, 0, kCorruptFile},
        {"more stops counted than present", {{36, 3}}, 0, kCorruptFile},
        {"fewer stops counted than present", {{36, 1}}, 0, kCorruptFile},
        {"reserved u16 not 0", {{39, 1}}, 0, kCorruptFile},
        {"stop offset beyond 1", {{48, 1}, {49, 0}, {50, 1}}, 0, kCorruptFile},
        {"stop offset exactly 1", {{49, 0}, {50, 1}}, 0, 0},
        {"stop offsets decreasing", {{40, 1}, {41, 0x80}}, 0, kCorruptFile},
        {"stop offsets equal", {{41, 0x80}}, 0, 0},
        {"length not 40 + 8 n", {}, -1, kCorruptFile},
        {"length of a stop and a byte more", {}, 9, kCorruptFile},
        {"head only", {}, -16, kCorruptFile},
    };
    for (const GradientEdit& c : cases) {
        std::vector<uint8_t> file = GradientFile();
        for (const auto& edit : c.bytes) {
            file[kGradientAt + edit.first] = edit.second;
        }
        file.resize(size_t(int64_t(file.size()) + c.lengthChange));
        uint32_t length = uint32_t(file.size() - kGradientAt);
        memcpy(&file[14], &length, 4);
        Document whole;
        EXPECT_EQ(c.result, Parse(whole, file).end) << c.what;
        if (c.result == 0) {
            EXPECT_EQ(1u, whole.gradients.Size()) << c.what;
        }
        // byte by byte, and cut short anywhere
        Document bytes;
        EXPECT_EQ(c.result, ParseInChunks(bytes, file, {1}).end) << c.what;
        for (size_t cut = 12; cut < file.size(); ++cut) {
            std::vector<uint8_t> shorter(file.begin(), file.begin() + ptrdiff_t(cut));
            Document doc;
            int32_t end = Parse(doc, shorter).end;
            EXPECT_TRUE(end == kCorruptFile || (end == 0 && cut == 12)) << c.what << " " << cut;
        }
    }
    // the most stops a record holds; one more is corrupt at the record's header
    Document most, tooMany;
    EXPECT_EQ(0, Parse(most, GradientFile(kMaxGradientStops)).end);
    std::vector<uint8_t> header = GradientFile(kMaxGradientStops + 1);
    header.resize(kGradientAt);
    EXPECT_EQ(kCorruptFile, ParseInChunks(tooMany, header, {1}).feed);
}

TEST(DrawingParser, GradientsReadAsTheyWereWritten) {
    const GradientStop stops[] = {{0, 0x11223344}, {0x4000, 0x55667788}, {0x10000, 0x99AABBCC}};
    const GradientPaint paints[] = {
        {kPaintFill, kGradientLinear, kSpreadPad, INT32_MIN, -1, INT32_MAX, 0, 0, 1, 0, 0, stops,
         3},
        {kPaintStroke, kGradientRadial, kSpreadReflect, 10, 20, 30, 40, 50, 60, INT32_MIN,
         INT32_MAX, stops + 1, 2},
    };
    DrawingWriter w(1, kGradientMinor);
    for (const GradientPaint& g : paints) {
        w.Gradient(g);
    }
    Document doc;
    ASSERT_EQ(0, Parse(doc, Bytes(w)).end);
    ASSERT_EQ(2u, doc.gradients.Size());
    EXPECT_GE(doc.BytesHeld(), 2 * sizeof(DocGradient) + 5 * sizeof(GradientStop));
    for (size_t i = 0; i < 2; ++i) {
        const GradientPaint& p = paints[i];
        const DocGradient& g = doc.gradients[i];
        EXPECT_EQ(std::vector<int64_t>({p.kind, p.spread, p.ox, p.oy, p.ux, p.uy, p.vx, p.vy, p.fx,
                                        p.fy, p.stopCount}),
                  std::vector<int64_t>({g.kind, g.spread, g.ox, g.oy, g.ux, g.uy, g.vx, g.vy, g.fx,
                                        g.fy, g.stopCount}))
            << i;
        for (uint32_t k = 0; k < p.stopCount; ++k) {
            EXPECT_EQ(p.stops[k].offset, doc.gradientStops[g.firstStop + k].offset);
            EXPECT_EQ(p.stops[k].argb, doc.gradientStops[g.firstStop + k].argb);
        }
    }
}

// Which paint each path gets: a gradient holds until its target's next solid record or next
// gradient; a fill colour of alpha 0 does not switch a later fill gradient off, and a stroke
// gradient strokes whatever the stroke record's alpha.
TEST(DrawingParser, GradientsPaintTheirTargetUntilItsNextSolidRecord) {
    DrawingWriter w(1, kGradientMinor);
    auto gradient = [&w](uint8_t target) {
        w.Gradient(GradientPaint{target, kGradientLinear, kSpreadPad, 0, 0, 100, 0, 0, 100, 0, 0,
                                 kTwoStops, 2});
    };
    auto path = [&w] { w.Rectangle(0, 0, 100, 100); };
    w.FillColour(0);
    w.Stroke(0, 1000, kJoinMiter, kCapButt);
    gradient(kPaintFill); // gradient 0
    path();
    gradient(kPaintStroke); // gradient 1
    path();
    w.FillColour(0xFF0000FF);
    path();
    gradient(kPaintFill); // gradient 2
    gradient(kPaintFill); // gradient 3 replaces it
    path();
    w.Stroke(0, 1000, kJoinMiter, kCapButt);
    path();
    w.FillColour(0);
    path();
    struct Expected {
        int32_t fill, stroke;
        bool fills, strokes;
    };
    const Expected expected[] = {{0, -1, true, false}, {0, 1, true, true},
                                 {-1, 1, true, true},  {3, 1, true, true},
                                 {3, -1, true, false}, {-1, -1, false, false}};
    Document doc;
    ASSERT_EQ(0, Parse(doc, Bytes(w)).end);
    ASSERT_EQ(6u, doc.objects.Size());
    for (size_t i = 0; i < 6; ++i) {
        const Style& s = doc.objects[i].style;
        EXPECT_EQ(expected[i].fill, s.fillGradient) << i;
        EXPECT_EQ(expected[i].stroke, s.strokeGradient) << i;
        EXPECT_EQ(expected[i].fills, Fills(s)) << i;
        EXPECT_EQ(expected[i].strokes, Strokes(s)) << i;
        // a gradient stroke reaches past the points like any other
        EXPECT_EQ(expected[i].strokes, doc.objects[i].box.x0 <= -500) << i;
    }
}

TEST(DrawingParser, FailuresDoNotDependOnHowTheFileIsCut) {
    std::vector<uint8_t> file = Sample();
    file.insert(file.end(), {6, 0, 5, 0, 0, 0, 9, 0, 0, 0, 0}); // corrupt path at the end
    for (uint32_t size = 1; size < 64; ++size) {
        Document doc;
        EXPECT_EQ(kCorruptFile, ParseInChunks(doc, file, {size}).end) << size;
    }
}

TEST(DrawingParser, DataAfterTheEndStartsANewDrawing) {
    std::vector<uint8_t> file = Sample();
    Document doc;
    DrawingParser parser(doc);
    ASSERT_EQ(kOk, parser.Feed(file.data(), uint32_t(file.size())));
    ASSERT_LE(0, parser.Finish());
    size_t objects = doc.objects.Size();
    ASSERT_EQ(kOk, parser.Feed(file.data(), uint32_t(file.size())));
    ASSERT_LE(0, parser.Finish());
    EXPECT_EQ(objects, doc.objects.Size());
}

} // namespace
} // namespace vemo
