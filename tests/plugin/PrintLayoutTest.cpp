// The embedded print record read in the layout of the browser's API version: 0.6 to 0.10 without
// the window type, 0.11 and later (today's browsers) with it.
#include <gtest/gtest.h>

#include "plugin/PrintRecord.h"

namespace {

void* const kOldPrinter = reinterpret_cast<void*>(uintptr_t(0x1230));
void* const kNewPrinter = reinterpret_cast<void*>(uintptr_t(0x4560));

NPPrint OldRecord() {
    NPPrint record = {};
    record.mode = NP_EMBED;
    record.print.embedPrint.window = {nullptr, 11, 22, 33, 44, {22, 11, 66, 44}};
    record.print.embedPrint.platformPrint = kOldPrinter;
    return record;
}

NPPrintV11 NewRecord() {
    NPPrintV11 record = {};
    record.mode = NP_EMBED;
    record.print.embedPrint.window = {
        nullptr, 55, 66, 77, 88, {66, 55, 154, 132}, NPWindowTypeDrawable};
    record.print.embedPrint.platformPrint = kNewPrinter;
    return record;
}

TEST(PrintLayout, TheBrowsersVersionChoosesTheLayout) {
    const struct {
        uint16_t version;
        int32_t withType;
    } cases[] = {
        {0x0006, 0}, {0x0009, 0}, {0x000A, 0},              // Navigator and its time
        {0x000B, 1}, {0x000E, 1}, {0x001B, 1}, {0x00FF, 1}, // windowless and later
        {0x0100, 1},                                        // a major version the plug-in refuses
    };
    const NPPrint oldRecord = OldRecord();
    const NPPrintV11 newRecord = NewRecord();
    for (const auto& c : cases) {
        EXPECT_EQ(HasWindowTypeLayout(c.version), c.withType) << std::hex << c.version;
        // Each browser hands over a record of its own layout.
        const EmbedPrintTarget target =
            c.withType ? ReadEmbedPrint(reinterpret_cast<const NPPrint&>(newRecord), c.version)
                       : ReadEmbedPrint(oldRecord, c.version);
        const EmbedPrintTarget expected = c.withType
                                              ? EmbedPrintTarget{kNewPrinter, 55, 66, 77, 88}
                                              : EmbedPrintTarget{kOldPrinter, 11, 22, 33, 44};
        EXPECT_EQ(target.printer, expected.printer) << std::hex << c.version;
        EXPECT_EQ(target.x, expected.x);
        EXPECT_EQ(target.y, expected.y);
        EXPECT_EQ(target.width, expected.width);
        EXPECT_EQ(target.height, expected.height);
    }
}

// What a 0.6 reading made of a newer browser's record: the window type (in the low 32 bits;
// padding above it in 64-bit builds) as the printer's device context.
TEST(PrintLayout, TheNewerRecordReadAsOldGivesNoPrinter) {
    const NPPrintV11 newRecord = NewRecord();
    const EmbedPrintTarget target =
        ReadEmbedPrint(reinterpret_cast<const NPPrint&>(newRecord), 0x0006);
    EXPECT_EQ(uint32_t(reinterpret_cast<uintptr_t>(target.printer)),
              uint32_t(NPWindowTypeDrawable));
    EXPECT_EQ(target.x, 55);
}

} // namespace
