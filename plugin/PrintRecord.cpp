#include "plugin/PrintRecord.h"

int32_t HasWindowTypeLayout(uint16_t browserVersion) {
    const uint16_t major = browserVersion >> 8;
    const uint16_t minor = browserVersion & 0xFF;
    return major > 0 || minor >= NPVERS_HAS_WINDOWLESS ? 1 : 0;
}

namespace {

template <typename Window> EmbedPrintTarget TargetOf(const Window& window, void* printer) {
    EmbedPrintTarget target;
    target.printer = printer;
    target.x = window.x;
    target.y = window.y;
    target.width = static_cast<int32_t>(window.width);
    target.height = static_cast<int32_t>(window.height);
    return target;
}

} // namespace

EmbedPrintTarget ReadEmbedPrint(const NPPrint& record, uint16_t browserVersion) {
    if (HasWindowTypeLayout(browserVersion)) {
        // The browser's record is the longer one; NPPrint is only how it was handed over.
        const NPEmbedPrintV11& embed = reinterpret_cast<const NPPrintV11&>(record).print.embedPrint;
        return TargetOf(embed.window, embed.platformPrint);
    }
    const NPEmbedPrint& embed = record.print.embedPrint;
    return TargetOf(embed.window, embed.platformPrint);
}
