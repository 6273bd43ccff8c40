// vemo: converts SVG drawings to Vemo drawings, renders Vemo drawings to PNG images as the
// plug-in shows them, and tells what a drawing holds. Usage: authoring/cli/CommandLine.cpp.
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <map>
#include <string>
#include <vector>

#include "authoring/cli/CommandLine.h"
#include "authoring/cli/DrawingTools.h"
#include "authoring/cli/OutputFile.h"
#include "authoring/cli/PngImage.h"

#ifdef VEMO_HAVE_SVG
#include "authoring/svg/SvgConverter.h"
#endif

namespace vemo::cli {
namespace {

// The batch form's progress line on a terminal: redrawn in place, cleared before anything
// else is printed.
bool progressShown = false;

void ClearProgress() {
    if (progressShown) {
        fprintf(stderr, "\r\033[K");
        fflush(stderr);
        progressShown = false;
    }
}

void Error(const char* command, const std::string& message) {
    ClearProgress();
    fprintf(stderr, "vemo %s: %s\n", command, message.c_str());
}

int RunInfo(const Command& c) {
    std::vector<uint8_t> data;
    std::string error;
    if (!ReadWholeFile(c.inputs[0], &data, &error)) {
        Error("info", error);
        return kExitFiles;
    }
    DrawingSummary summary = SummariseDrawing(data.data(), data.size());
    std::string text = DescribeDrawing(data.data(), data.size(), summary);
    fputs(text.c_str(), stdout);
    return summary.loadResult < 0 ? kExitBadInput : kExitOk;
}

int RunRender(const Command& c) {
    std::vector<uint8_t> data;
    std::string error;
    if (!ReadWholeFile(c.inputs[0], &data, &error)) {
        Error("render", error);
        return kExitFiles;
    }
    RenderRequest request;
    request.width = int32_t(c.width);
    request.hasView = c.hasView;
    request.view = c.view;
    request.smoothed = c.smoothed;
    RenderedImage image;
    if (!RenderDrawing(data.data(), data.size(), request, &image, &error)) {
        Error("render", c.inputs[0] + ": " + error);
        return kExitBadInput;
    }
    std::vector<uint8_t> png;
    if (!EncodePng(image.rgb.data(), image.width, image.height, &png, &error)) {
        Error("render", error);
        return kExitBadInput;
    }
    if (!WriteWholeFile(c.output, png, &error)) {
        Error("render", error);
        return kExitFiles;
    }
    return kExitOk;
}

#ifdef VEMO_HAVE_SVG
// "dropped: filter 2, mask 1; approximated: group opacity 3", or empty.
std::string ReportText(const std::map<std::string, int>& dropped,
                       const std::map<std::string, int>& approximated) {
    std::string text;
    auto add = [&text](const char* title, const std::map<std::string, int>& counts) {
        if (counts.empty()) {
            return;
        }
        text += text.empty() ? "" : "; ";
        text += title;
        bool first = true;
        for (const auto& [kind, count] : counts) {
            text += first ? " " : ", ";
            text += kind + " " + std::to_string(count);
            first = false;
        }
    };
    add("dropped:", dropped);
    add("approximated:", approximated);
    return text;
}

struct ConvertTotals {
    int converted = 0;
    int failed = 0;
    std::map<std::string, int> dropped;
    std::map<std::string, int> approximated;
};

// One input to one output; the exit code of that file alone.
int ConvertOne(const Command& c, const std::string& input, const std::string& output,
               ConvertTotals* totals) {
    std::vector<uint8_t> text;
    std::string error;
    if (!ReadWholeFile(input, &text, &error)) {
        Error("convert", error);
        ++totals->failed;
        return kExitFiles;
    }
    svg::ConvertOptions options;
    options.width = c.width;
    options.scale = c.scale;
    options.base = c.base;
    options.sourcePath = input;
    std::vector<uint8_t> drawing;
    svg::ConvertReport report;
    if (!svg::ConvertSvg(std::string(text.begin(), text.end()), options, &drawing, &report,
                         &error)) {
        Error("convert", input + ": " + (error.empty() ? "does not convert" : error));
        ++totals->failed;
        return kExitBadInput;
    }
    if (!WriteWholeFile(output, drawing, &error)) {
        Error("convert", error);
        ++totals->failed;
        return kExitFiles;
    }
    ++totals->converted;
    for (const auto& [kind, count] : report.dropped) {
        totals->dropped[kind] += count;
    }
    for (const auto& [kind, count] : report.approximated) {
        totals->approximated[kind] += count;
    }
    std::string line = ReportText(report.dropped, report.approximated);
    if (!c.quiet && !line.empty()) {
        ClearProgress();
        printf("%s: %s\n", input.c_str(), line.c_str());
    }
    return kExitOk;
}
#endif

int RunConvert(const Command& c) {
#ifdef VEMO_HAVE_SVG
    ConvertTotals totals;
    if (c.outDir.empty()) {
        return ConvertOne(c, c.inputs[0], c.output, &totals);
    }
    struct stat st;
    if (stat(c.outDir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        Error("convert", "no folder " + c.outDir);
        return kExitFiles;
    }
    bool progress = !c.quiet && isatty(STDERR_FILENO);
    int worst = kExitOk;
    size_t total = c.inputs.size();
    for (size_t i = 0; i < total; ++i) {
        if (progress) {
            fprintf(stderr, "\r\033[K[%zu/%zu] %s", i + 1, total, c.inputs[i].c_str());
            fflush(stderr);
            progressShown = true;
        }
        std::string output = BatchOutputPath(c.outDir, c.inputs[i]);
        int r = ConvertOne(c, c.inputs[i], output, &totals);
        worst = r > worst ? r : worst;
    }
    ClearProgress();
    if (!c.quiet) {
        printf("converted %d of %zu files", totals.converted, total);
        std::string line = ReportText(totals.dropped, totals.approximated);
        printf("%s%s\n", line.empty() ? "" : "; ", line.c_str());
    }
    return worst;
#else
    (void)c;
    Error("convert", "this build has no SVG converter");
    return kExitFiles;
#endif
}

} // namespace
} // namespace vemo::cli

int main(int argc, char** argv) {
    using namespace vemo::cli;
    std::vector<std::string> args(argv + 1, argv + argc);
    Command command;
    std::string error;
    if (!ParseCommandLine(args, &command, &error)) {
        fprintf(stderr, "vemo: %s\n", error.c_str());
        return kExitUsage;
    }
    if (command.help) {
        fputs(HelpText(command.kind), stdout);
        return kExitOk;
    }
    switch (command.kind) {
    case CommandKind::Convert:
        return RunConvert(command);
    case CommandKind::Render:
        return RunRender(command);
    case CommandKind::Info:
        return RunInfo(command);
    default:
        return kExitUsage;
    }
}
