// The rules of document stream delivery that need no window system: the drawing file header,
// the chunk size, the stream modes and the messages for the renderer's failures; and the
// matching of embed attributes. Free of Win32 so they build and are tested natively.
#pragma once

#include <stdint.h>

// Every drawing file starts with these eight bytes: "VEMO", A3 A3 0D 0A.
constexpr uint8_t kDrawingHeader[8] = {0x56, 0x45, 0x4D, 0x4F, 0xA3, 0xA3, 0x0D, 0x0A};
constexpr int32_t kDrawingHeaderSize = 8;

// The most the plug-in takes from one NPP_Write.
constexpr int32_t kChunkLimit = 4096;

// Renderer results the plug-in tells apart (LoadData failures).
constexpr uint32_t kLoadCorruptFile = 0x80001001u;
constexpr uint32_t kLoadOutOfMemory = 0x8534E107u;
constexpr uint32_t kLoadIncompatibleVersion = 0x8534E10Bu;

// How a stream's bytes are delivered, kept in the stream's pdata for the stream's life.
enum class StreamMode { Display, Save, Discard };
constexpr uintptr_t kStreamSaveMarker = 2;
constexpr uintptr_t kStreamDiscardMarker = 1;
StreamMode StreamModeOf(const void* streamData);

// 1 when the first chunk of a document must be refused: it has at least eight bytes and they
// differ from the header. A shorter chunk is not checked.
int32_t IsRefusedFirstChunk(const uint8_t* data, int32_t length);

// The number of bytes NPP_Write takes of length offered ones (0 for a negative offer).
int32_t ChunkLength(int32_t offered);

// The string id of the message for a failed LoadData, or 0 for a corrupt drawing (which the
// view shows instead of a message box).
uint32_t MessageForLoadFailure(uint32_t result);

// Embed attribute names and the value "false" compare without regard to letter case (ASCII).
bool EqualsIgnoringCase(const char* a, const char* b);

// The "base" attribute is kept only with 1 to 256 characters.
constexpr int32_t kBaseLimit = 256;
bool IsUsableBase(const char* value);

// The page's embed attributes as NPP_New reads them, pair by pair in order.
struct EmbedAttributes {
    const char* viewport = nullptr; // the last "viewport" value, or null
    const char* base = nullptr;     // the last usable "base" value, or null
    int32_t zoomPanAllowed = 1;
    int32_t fileAccessAllowed = 1;
    int32_t scriptLinksAllowed = 0; // scriptlinks="true" (the last "scriptlinks" decides)
};
// Reads count name/value pairs; a pair with a null name or value is skipped.
EmbedAttributes ReadEmbedAttributes(int32_t count, const char* const* names,
                                    const char* const* values);
