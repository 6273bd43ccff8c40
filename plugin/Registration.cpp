#include "plugin/Registration.h"

#include <string.h>

namespace {

// What the plug-in's key holds besides "Path": the texts of the library's version block
// (resources/NPVemoC.rc) and the maker.
struct KeyText {
    const char* key;
    const char* name;
    const char* value;
};

constexpr char kAstelTypeKey[] =
    "Software\\MozillaPlugins\\@vemo.example/NPVemoC\\MimeTypes\\application/x-AstelVEMO";
constexpr char kVemoTypeKey[] =
    "Software\\MozillaPlugins\\@vemo.example/NPVemoC\\MimeTypes\\application/vnd.vemo";

constexpr KeyText kPluginTexts[] = {
    {kPluginKey, "Description", "NPVemoC Vemo Netscape Plugin DLL"},
    {kPluginKey, "ProductName", "Vemo plug-in for Netscape and Internet Explorer 3"},
    {kPluginKey, "Vendor", "Vemo"},
    {kPluginKey, "Version", "1.0.0.13"},
    {kAstelTypeKey, "Description", "Vemo (*.vem;*.web)"},
    {kAstelTypeKey, "Suffixes", "vem,web"},
    {kVemoTypeKey, "Description", "Vemo (*.vem;*.web)"},
    {kVemoTypeKey, "Suffixes", "vem,web"},
};

int32_t ResultFor(int32_t error) {
    return error == kStoreAccessDenied ? kRegistrationAccessDenied : kRegistrationFailed;
}

bool SameText(const char* a, const char* b) {
    while (*a != '\0' && *a == *b) {
        ++a;
        ++b;
    }
    return *a == *b;
}

// Writes everything after the key itself; the first failure's error code.
int32_t WriteKey(RegistryStore& store, const char* path) {
    int32_t error = store.SetText(kPluginKey, "Path", path);
    const char* created = kPluginKey;
    for (const KeyText& text : kPluginTexts) {
        if (error != kStoreOk) {
            return error;
        }
        if (!SameText(text.key, created)) {
            error = store.CreateKey(text.key);
            created = text.key;
            if (error != kStoreOk) {
                return error;
            }
        }
        error = store.SetText(text.key, text.name, text.value);
    }
    return error;
}

} // namespace

int32_t IsRegistrablePath(const char* path) {
    if (path == nullptr) {
        return 0;
    }
    const size_t length = strnlen(path, kRegistrablePathLimit + 1);
    if (length < 3 || length > kRegistrablePathLimit) {
        return 0;
    }
    const char first = path[0];
    const bool letter = (first >= 'A' && first <= 'Z') || (first >= 'a' && first <= 'z');
    const bool drive = letter && path[1] == ':' && path[2] == '\\';
    const bool share = path[0] == '\\' && path[1] == '\\' && path[2] != '\\';
    return drive || share ? 1 : 0;
}

int32_t RegisterPlugin(RegistryStore& store, const char* path) {
    if (!IsRegistrablePath(path)) {
        return kRegistrationBadPath;
    }
    // Opening the parent for writing first: a registry the user may not write refuses here,
    // before anything is removed or written.
    int32_t error = store.CreateKey(kMozillaPluginsKey);
    if (error != kStoreOk) {
        return ResultFor(error);
    }
    // An earlier registration (another place, another version) is replaced as a whole.
    error = store.DeleteTree(kPluginKey);
    if (error != kStoreOk && error != kStoreNotFound) {
        store.DeleteIfEmpty(kMozillaPluginsKey); // made just now, perhaps
        return ResultFor(error);
    }
    error = store.CreateKey(kPluginKey);
    if (error == kStoreOk) {
        error = WriteKey(store, path);
    }
    if (error != kStoreOk) {
        store.DeleteTree(kPluginKey);
        store.DeleteIfEmpty(kMozillaPluginsKey);
        return ResultFor(error);
    }
    return kRegistrationOk;
}

int32_t UnregisterPlugin(RegistryStore& store) {
    int32_t error = store.DeleteTree(kPluginKey);
    if (error != kStoreOk && error != kStoreNotFound) {
        return ResultFor(error);
    }
    store.DeleteIfEmpty(kMozillaPluginsKey);
    return kRegistrationOk;
}
