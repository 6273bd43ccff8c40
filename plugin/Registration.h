// Registration for today's browsers.
//
// Browsers that still load plug-ins of this API today do not look into a plug-in folder; they
// find plug-ins through the registry: one key per plug-in under Software\MozillaPlugins (of the
// current user or of the machine) with the library's full path in "Path", the texts
// "Description", "ProductName", "Vendor" and "Version", and a subkey "MimeTypes" with one subkey
// per type ("Description", "Suffixes"). `regsvr32 NPVemoC.dll` writes that key for the current
// user with the library where it lies; `regsvr32 /u` removes it again.
//
// Registering is all or nothing: the path is checked before anything is written, an earlier
// registration is replaced as a whole, and a failed write removes what was written. Unregistering
// removes the plug-in's key and nothing else (an empty Software\MozillaPlugins left behind goes
// too). The steps run against a RegistryStore, so that every failure can be tried without a
// registry; plugin/SelfRegistration.cpp is the store over the Windows registry.
#pragma once

#include <stddef.h>
#include <stdint.h>

// Keys, relative to the user's registry root.
constexpr char kMozillaPluginsKey[] = "Software\\MozillaPlugins";
constexpr char kPluginKey[] = "Software\\MozillaPlugins\\@vemo.example/NPVemoC";

// The longest library path a browser can load by name (MAX_PATH less the terminating zero).
constexpr size_t kRegistrablePathLimit = 259;

// Win32 error codes the store answers with (as in winerror.h).
constexpr int32_t kStoreOk = 0;           // ERROR_SUCCESS
constexpr int32_t kStoreNotFound = 2;     // ERROR_FILE_NOT_FOUND
constexpr int32_t kStoreAccessDenied = 5; // ERROR_ACCESS_DENIED

// Results of the registration (HRESULTs, as in winerror.h and olectl.h).
constexpr int32_t kRegistrationOk = 0;                              // S_OK
constexpr int32_t kRegistrationBadPath = int32_t(0x80004005u);      // E_FAIL
constexpr int32_t kRegistrationAccessDenied = int32_t(0x80070005u); // E_ACCESSDENIED
constexpr int32_t kRegistrationFailed = int32_t(0x80040201u);       // SELFREG_E_CLASS

// The registry below the user's root. Paths name keys relative to it; each operation answers
// a Win32 error code.
class RegistryStore {
public:
    // Opens the key for writing, made with the keys above it when missing.
    virtual int32_t CreateKey(const char* path) = 0;
    // Sets a REG_SZ value of an existing key.
    virtual int32_t SetText(const char* path, const char* name, const char* value) = 0;
    // Removes the key with everything below it; kStoreNotFound when there is no such key.
    virtual int32_t DeleteTree(const char* path) = 0;
    // Removes the key when it has neither subkeys nor values; kStoreOk also when it is absent
    // or not empty.
    virtual int32_t DeleteIfEmpty(const char* path) = 0;

protected:
    ~RegistryStore() = default;
};

// 1 when a library path can go into "Path": 1 to kRegistrablePathLimit characters and absolute
// (a drive letter and a backslash, or a \\server share).
int32_t IsRegistrablePath(const char* path);

// Writes the plug-in's key for the library at `path`.
int32_t RegisterPlugin(RegistryStore& store, const char* path);

// Removes the plug-in's key; S_OK also when it was not there.
int32_t UnregisterPlugin(RegistryStore& store);
