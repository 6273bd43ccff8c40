// `vemo info`: what it tells of a drawing that loads, and for each kind of failure the code, the
// byte offset where it arose and what lies there.
#include <gtest/gtest.h>

#include <string.h>

#include "authoring/cli/DrawingTools.h"
#include "renderer/DrawingFormat.h"
#include "renderer/DrawingWriter.h"

namespace vemo::cli {
namespace {

std::vector<uint8_t> Bytes(const DrawingWriter& w) {
    return std::vector<uint8_t>(w.Data(), w.Data() + w.Size());
}

std::string Info(const std::vector<uint8_t>& file) {
    DrawingSummary s = SummariseDrawing(file.data(), file.size());
    return DescribeDrawing(file.data(), file.size(), s);
}

// Each line that `info` prints for one drawing.
TEST(VemoInfo, TellsWhatADrawingHolds) {
    DrawingWriter w(1, kGradientMinor);
    w.Bounds(DocRect{0, 0, 72000, 36000});
    w.Link("a.html");
    w.MoveTo(0, 0);
    w.LineTo(100, 0);
    w.LineTo(100, 100);
    w.Close();
    w.MoveTo(10, 10);
    w.LineTo(20, 20);
    w.EndPath();
    w.Link(nullptr);
    w.Rectangle(5, 5, 50, 50);
    const GradientStop stops[2] = {{0, 0xFF000000}, {kGradientStopOne, 0xFFFFFFFF}};
    w.Gradient(GradientPaint{kPaintStroke, kGradientRadial, kSpreadPad, 0, 0, 10, 0, 0, 10, 0, 0,
                             stops, 2});
    w.Rectangle(5, 5, 50, 50);
    w.Record(kTagText, "abc", 3);
    w.Record(77, "", 0);
    std::string text = Info(Bytes(w));
    EXPECT_EQ("version: 1.6\n"
              "bytes: " + std::to_string(w.Size()) + "\n"
              "bounds: 0 0 72000 36000\n"
              "default view: 0 0 72000 36000 keep-aspect 1 (the bounds)\n"
              "objects: 3\n"
              "paths: 4\n"
              "points: 13\n"
              "links: 1 (1 objects linked)\n"
              "gradients: 1 (0 linear, 1 radial; painting 0 fills, 1 strokes)\n"
              "skipped records: 2\n"
              "warnings: 0x03 (blends or text skipped, records of unknown kinds skipped)\n",
              text);
}

// The default view as the plug-in chooses it, and where it came from.
TEST(VemoInfo, DefaultViewInThePlugInsOrder) {
    DrawingWriter fromFile;
    fromFile.Bounds(DocRect{0, 0, 10, 10});
    fromFile.DefaultView(DocRect{1, 2, 3, 4}, 0);
    DrawingWriter drawn;
    drawn.Rectangle(1000, 2000, 5000, 9000);
    DrawingWriter empty;
    const struct {
        const DrawingWriter* w;
        const char* line;
    } kCases[] = {
        {&fromFile, "default view: 1 2 3 4 keep-aspect 0 (from the file)\n"},
        {&drawn, "default view: 1000 2000 5000 9000 keep-aspect 1 (around everything drawn)\n"},
        {&empty, "default view: 0 0 72000 72000 keep-aspect 1 (around everything drawn)\n"},
    };
    for (const auto& c : kCases) {
        std::string text = Info(Bytes(*c.w));
        EXPECT_NE(std::string::npos, text.find(c.line)) << text;
        EXPECT_NE(std::string::npos, text.find("warnings: 0x00 (none)\n")) << text;
    }
}

std::vector<uint8_t> Header(uint16_t major, uint16_t minor) {
    std::vector<uint8_t> f(kFileMagic, kFileMagic + kMagicSize);
    f.insert(f.end(), {uint8_t(major), uint8_t(major >> 8), uint8_t(minor), uint8_t(minor >> 8)});
    return f;
}

void Record(std::vector<uint8_t>& f, uint16_t tag, uint32_t length,
            std::initializer_list<uint8_t> payload) {
    f.insert(f.end(), {uint8_t(tag), uint8_t(tag >> 8), uint8_t(length), uint8_t(length >> 8),
                       uint8_t(length >> 16), uint8_t(length >> 24)});
    f.insert(f.end(), payload.begin(), payload.end());
}

std::vector<uint8_t> WithRectangleThen(void (*tail)(std::vector<uint8_t>&)) {
    DrawingWriter w;
    w.Rectangle(0, 0, 10, 10); // 12 + 6 + 4 + 5 + 32 = 59 bytes
    std::vector<uint8_t> f = Bytes(w);
    tail(f);
    return f;
}

// Every kind of failure: its line names the code, the offset and what lies there.
TEST(VemoInfo, NamesEachFailureAndItsOffset) {
    const struct {
        std::vector<uint8_t> file;
        const char* failure;
    } kCases[] = {
        {{}, "corrupt file (0x80001001) at byte 0: the header is cut short"},
        {{'V', 'E', 'M', 'X', 0, 0, 0, 0, 1, 0, 5, 0},
         "corrupt file (0x80001001) at byte 0: not a Vemo drawing (header)"},
        {std::vector<uint8_t>(kFileMagic, kFileMagic + 8),
         "corrupt file (0x80001001) at byte 8: the version is cut short"},
        {Header(2, 0), "incompatible file version (0x8534E10B) at byte 8: version 2.0"},
        {Header(0, 9), "corrupt file (0x80001001) at byte 8: version 0.9"},
        {[] { auto f = Header(1, 5); Record(f, kTagFillRule, 1, {2}); return f; }(),
         "corrupt file (0x80001001) at byte 12: record 4 (fill rule), 1 bytes"},
        {[] { auto f = Header(1, 5); Record(f, kTagStroke, 15, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}); return f; }(),
         "corrupt file (0x80001001) at byte 12: record 5 (stroke), 15 bytes"},
        {WithRectangleThen([](std::vector<uint8_t>& f) { Record(f, kTagPath, 5, {1, 0, 0, 0, 1}); }),
         "corrupt file (0x80001001) at byte 59: record 6 (path), 5 bytes"},
        {WithRectangleThen([](std::vector<uint8_t>& f) { Record(f, kTagBounds, 16, {1, 2, 3}); }),
         "corrupt file (0x80001001) at byte 59: record 1 (bounds), 16 bytes, cut short after 3"},
        {WithRectangleThen([](std::vector<uint8_t>& f) { f.insert(f.end(), {6, 0, 9}); }),
         "corrupt file (0x80001001) at byte 59: a record header cut short (3 of 6 bytes)"},
        {WithRectangleThen([](std::vector<uint8_t>& f) { Record(f, kTagPath, 2u << 20, {}); }),
         "out of memory or past a limit (0x8534E107) at byte 59: record 6 (path), 2097152 bytes"},
        {WithRectangleThen([](std::vector<uint8_t>& f) { Record(f, kTagLink, 1, {0x7F}); }),
         "corrupt file (0x80001001) at byte 59: record 7 (hyperlink), 1 bytes"},
        {WithRectangleThen([](std::vector<uint8_t>& f) { Record(f, kTagGradient, 40, {2}); }),
         "corrupt file (0x80001001) at byte 59: record 10 (gradient), 40 bytes, cut short after 1"},
    };
    for (const auto& c : kCases) {
        DrawingSummary s = SummariseDrawing(c.file.data(), c.file.size());
        EXPECT_LT(s.loadResult, 0);
        std::string text = DescribeDrawing(c.file.data(), c.file.size(), s);
        EXPECT_NE(std::string::npos, text.find(std::string("failure: ") + c.failure + "\n"))
            << c.failure << "\n" << text;
        EXPECT_EQ(std::string::npos, text.find("warnings:")) << text;
    }
}

// What was read before a failure is still told.
TEST(VemoInfo, TellsWhatCameBeforeAFailure) {
    std::vector<uint8_t> f =
        WithRectangleThen([](std::vector<uint8_t>& t) { Record(t, kTagFillRule, 1, {9}); });
    std::string text = Info(f);
    EXPECT_NE(std::string::npos, text.find("version: 1.5\n")) << text;
    EXPECT_NE(std::string::npos, text.find("objects: 1\n")) << text;
    EXPECT_NE(std::string::npos, text.find("default view: not known\n")) << text;
}

// The image size follows the view, rounded up to whole pixels; a size out of range is refused.
TEST(VemoRenderSize, FollowsTheView) {
    const struct {
        DocRect view;
        int32_t width;
        bool ok;
        int32_t w, h;
    } kCases[] = {
        {{0, 0, 75000, 37500}, 0, true, 100, 50},      // 100 percent: 750 units a pixel
        {{0, 0, 75000, 37500}, 640, true, 640, 320},   // the width given, height in proportion
        {{0, 0, 1000, 3}, 0, true, 2, 1},              // at least one pixel each way
        {{0, 0, 3000, 1000}, 10, true, 10, 4},         // 3.33 rounds up
        {{0, 0, 3000, 2000}, 10, true, 10, 7},         // 6.67 too
        {{0, 0, 3000, 3000}, 10, true, 10, 10},        // exact stays
        {{0, 0, 75001, 75000}, 0, true, 101, 101},     // 100.001 pixels across: 101
        {{0, 0, 1000, 100000}, 1000, false, 0, 0},     // 100000 rows
        {{-2000000000, 0, 2000000000, 2000000000}, 0, false, 0, 0},
        {{0, 0, 1, 1}, 0, true, 1, 1},
    };
    for (const auto& c : kCases) {
        int32_t w = 0, h = 0;
        EXPECT_EQ(c.ok, ImageSizeForView(c.view, c.width, &w, &h)) << c.view.x1 << " " << c.width;
        if (c.ok) {
            EXPECT_EQ(c.w, w) << c.view.x1 << " " << c.width;
            EXPECT_EQ(c.h, h) << c.view.x1 << " " << c.width;
        }
    }
}

} // namespace
} // namespace vemo::cli
