// The SVG converter against arbitrary documents. Properties checked on every input:
// - it converts or fails with a one-line reason, and leaves no drawing behind when it fails;
// - a drawing it writes is read by the renderer's own parser without a failure, its view and
//   bounds set, and every kind of record it holds known to the reader;
// - (libFuzzer's -timeout) no input takes long.
// Any crash or sanitizer report is a finding as well.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "authoring/svg/SvgConverter.h"
#include "renderer/Document.h"
#include "renderer/DrawingParser.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    vemo::svg::ConvertOptions options;
    // Smaller work limits than the converter's own, for the sanitizers' pace: the fuzzer looks
    // for inputs whose cost the limits do not bound, not for large documents.
    options.maxElements = 50000;
    options.maxPoints = 1000000;
    std::vector<uint8_t> drawing;
    vemo::svg::ConvertReport report;
    std::string error;
    bool ok = vemo::svg::ConvertSvg(text, options, &drawing, &report, &error);
    if (!ok) {
        if (!drawing.empty() || error.empty() || error.find('\n') != std::string::npos) {
            abort();
        }
        return 0;
    }
    vemo::Document document;
    vemo::DrawingParser parser(document);
    if (parser.Feed(drawing.data(), uint32_t(drawing.size())) < 0) {
        abort();
    }
    int32_t end = parser.Finish();
    if (end != 0) {
        abort(); // a failure, or records the reader does not know (warning bits)
    }
    return 0;
}
