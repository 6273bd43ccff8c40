// Everything the stand-in reads from files: pages, scenarios, images, addresses.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "host/Bitmap.h"
#include "host/Page.h"
#include "host/Scenario.h"
#include "host/Url.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    vemohost::Page page = vemohost::ParsePage(text);
    for (const vemohost::PageItem& item : page.items) {
        if (const std::string* src = vemohost::FindAttribute(item.attributes, "src")) {
            std::string url = vemohost::ResolveUrl("http://site/a/b/page.htm", *src);
            std::string path;
            if (vemohost::UrlToLocalPath(url, "C:\\site", path) &&
                path.compare(0, 7, "C:\\site") != 0) {
                __builtin_trap(); // an address left the site folder
            }
        }
    }
    std::vector<vemohost::Step> steps;
    std::string error;
    vemohost::ParseScenario(text, steps, error);
    vemohost::Image image;
    vemohost::DecodeBmp(data, size, image);
    return 0;
}
