// Loading texts from the library's string table.
#include "plugin/HostServices.h"
#include "plugin/TextBuffer.h"

bool TextBuffer::LoadString(uint32_t id) {
    // 256 bytes with a limit of 255: at most 254 characters and the terminating zero.
    char loaded[256];
    int count = LoadStringA(PluginModule(), id, loaded, 255);
    if (count <= 0) {
        *this = static_cast<const char*>(nullptr);
        return false;
    }
    loaded[count] = '\0';
    *this = loaded;
    return true;
}
