// The registration's store over the Windows registry, and the library's own path.
#include "plugin/SelfRegistration.h"

#include <olectl.h>

#include "plugin/HostServices.h"
#include "plugin/Registration.h"

static_assert(kStoreOk == ERROR_SUCCESS && kStoreNotFound == ERROR_FILE_NOT_FOUND &&
                  kStoreAccessDenied == ERROR_ACCESS_DENIED,
              "the store answers Win32 error codes");
static_assert(kRegistrationOk == S_OK && kRegistrationBadPath == E_FAIL &&
                  kRegistrationAccessDenied == E_ACCESSDENIED &&
                  kRegistrationFailed == SELFREG_E_CLASS,
              "the registration answers HRESULTs");

namespace {

class UserRegistry : public RegistryStore {
public:
    int32_t CreateKey(const char* path) override {
        HKEY key = nullptr;
        LONG error = RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                     KEY_WRITE, nullptr, &key, nullptr);
        if (error == ERROR_SUCCESS) {
            RegCloseKey(key);
        }
        return error;
    }

    int32_t SetText(const char* path, const char* name, const char* value) override {
        HKEY key = nullptr;
        LONG error = RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_SET_VALUE, &key);
        if (error != ERROR_SUCCESS) {
            return error;
        }
        error = RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                               static_cast<DWORD>(lstrlenA(value) + 1));
        RegCloseKey(key);
        return error;
    }

    int32_t DeleteTree(const char* path) override {
        // The key itself goes too.
        return RegDeleteTreeA(HKEY_CURRENT_USER, path);
    }

    int32_t DeleteIfEmpty(const char* path) override {
        HKEY key = nullptr;
        LONG error = RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_QUERY_VALUE, &key);
        if (error != ERROR_SUCCESS) {
            return ERROR_SUCCESS;
        }
        DWORD subkeys = 1, values = 1;
        error = RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr,
                                 &values, nullptr, nullptr, nullptr, nullptr);
        RegCloseKey(key);
        if (error != ERROR_SUCCESS || subkeys != 0 || values != 0) {
            return ERROR_SUCCESS;
        }
        return RegDeleteKeyA(HKEY_CURRENT_USER, path);
    }
};

} // namespace

HRESULT RegisterPluginFile(const char* path) {
    UserRegistry registry;
    return RegisterPlugin(registry, path);
}

HRESULT RegisterThisPlugin() {
    // Room for more than a registrable path, so that a longer one is seen whole and refused.
    char path[kRegistrablePathLimit + 64];
    DWORD length = GetModuleFileNameA(PluginModule(), path, sizeof path);
    if (length == 0 || length >= sizeof path) {
        return E_FAIL;
    }
    path[length] = '\0';
    return RegisterPluginFile(path);
}

HRESULT UnregisterThisPlugin() {
    UserRegistry registry;
    return UnregisterPlugin(registry);
}
