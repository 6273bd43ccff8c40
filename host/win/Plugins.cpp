#include "host/win/Plugins.h"

#include <algorithm>

#include "host/HostText.h"
#include "host/win/Log.h"

namespace vemohost {

namespace {

// Exports are looked up by name and called through the declared type.
template <typename Function> Function Export(HMODULE module, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// Takes the library into `plugins` when a browser would, else lists it in `rejected`.
void DescribeLibrary(const std::string& path, const std::string& fileName,
                     std::vector<PluginDescription>& plugins,
                     std::vector<RejectedPlugin>& rejected) {
    if (!IsPluginFileName(fileName)) {
        rejected.push_back({path, "name is not np*.dll of 7 or more characters"});
        return;
    }
    VersionStrings strings;
    if (!ReadVersionStrings(path, strings)) {
        rejected.push_back({path, GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES
                                      ? "no such file"
                                      : "no version block 040904E4"});
        return;
    }
    PluginDescription description;
    std::string why;
    if (!DescribePlugin(strings, description, why)) {
        rejected.push_back({path, why});
        return;
    }
    description.path = path;
    plugins.push_back(std::move(description));
}

} // namespace

bool ReadVersionStrings(const std::string& path, VersionStrings& strings) {
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
    if (size == 0) {
        return false;
    }
    std::vector<char> block(size);
    if (!GetFileVersionInfoA(path.c_str(), 0, size, block.data())) {
        return false;
    }
    auto read = [&](const char* key, bool& has, std::string& value) {
        std::string query = std::string("\\StringFileInfo\\040904E4\\") + key;
        char* text = nullptr;
        UINT length = 0;
        has =
            VerQueryValueA(block.data(), query.c_str(), reinterpret_cast<void**>(&text), &length) &&
            text != nullptr;
        if (has) {
            // The length counts the terminating zero when there is one.
            size_t n = strnlen(text, length);
            value.assign(text, n);
        }
    };
    read("MIMEType", strings.hasMimeType, strings.mimeType);
    read("FileExtents", strings.hasFileExtents, strings.fileExtents);
    read("FileOpenName", strings.hasFileOpenName, strings.fileOpenName);
    read("ProductName", strings.hasProductName, strings.productName);
    read("FileDescription", strings.hasFileDescription, strings.fileDescription);
    return true;
}

std::vector<PluginDescription> ScanPluginFolder(const std::string& folder,
                                                std::vector<RejectedPlugin>& rejected) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    std::string pattern = folder + "\\*.dll";
    HANDLE search = FindFirstFileA(pattern.c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
                names.push_back(found.cFileName);
            }
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return LowerCopy(a) < LowerCopy(b);
    });
    std::vector<PluginDescription> plugins;
    for (const std::string& name : names) {
        DescribeLibrary(folder + "\\" + name, name, plugins, rejected);
    }
    return plugins;
}

std::vector<PluginDescription> ScanPluginRegistry(const std::vector<PluginDescription>& known,
                                                  std::vector<RejectedPlugin>& rejected) {
    std::vector<PluginDescription> plugins;
    const struct {
        HKEY root;
        const char* name;
    } roots[] = {{HKEY_CURRENT_USER, "HKCU"}, {HKEY_LOCAL_MACHINE, "HKLM"}};
    for (const auto& root : roots) {
        HKEY parent = nullptr;
        if (RegOpenKeyExA(root.root, "Software\\MozillaPlugins", 0, KEY_READ, &parent) !=
            ERROR_SUCCESS) {
            continue;
        }
        std::vector<std::string> ids;
        char id[256];
        for (DWORD i = 0;; ++i) {
            DWORD length = sizeof id;
            if (RegEnumKeyExA(parent, i, id, &length, nullptr, nullptr, nullptr, nullptr) !=
                ERROR_SUCCESS) {
                break;
            }
            ids.emplace_back(id, length);
        }
        std::sort(ids.begin(), ids.end(), [](const std::string& a, const std::string& b) {
            return LowerCopy(a) < LowerCopy(b);
        });
        for (const std::string& name : ids) {
            const std::string where =
                std::string(root.name) + "\\Software\\MozillaPlugins\\" + name;
            char path[1024];
            DWORD size = sizeof path - 1;
            DWORD type = 0;
            LONG read =
                RegGetValueA(parent, name.c_str(), "Path", RRF_RT_REG_SZ, &type, path, &size);
            if (read != ERROR_SUCCESS) {
                rejected.push_back({where, "no Path value"});
                continue;
            }
            path[sizeof path - 1] = '\0';
            LogLine("plugin-key " + QuoteForLog(where) + " path=" + QuoteForLog(path));
            auto same = [&](const PluginDescription& plugin) {
                return LowerCopy(plugin.path) == LowerCopy(path);
            };
            if (std::any_of(known.begin(), known.end(), same) ||
                std::any_of(plugins.begin(), plugins.end(), same)) {
                continue; // found already
            }
            const char* slash = strrchr(path, '\\');
            DescribeLibrary(path, slash ? slash + 1 : path, plugins, rejected);
        }
        RegCloseKey(parent);
    }
    return plugins;
}

void LogPluginList(const std::vector<PluginDescription>& plugins,
                   const std::vector<RejectedPlugin>& rejected) {
    for (const PluginDescription& plugin : plugins) {
        LogLine("plugin " + QuoteForLog(plugin.path) +
                " product=" + QuoteForLog(plugin.productName) +
                " description=" + QuoteForLog(plugin.description));
        for (const MimeEntry& entry : plugin.types) {
            std::string extensions;
            for (const std::string& extension : entry.extensions) {
                extensions += (extensions.empty() ? "" : ",") + extension;
            }
            LogLine("plugin-type " + QuoteForLog(entry.type) + " extensions=" +
                    QuoteForLog(extensions) + " description=" + QuoteForLog(entry.description));
        }
    }
    for (const RejectedPlugin& reject : rejected) {
        LogLine("plugin-rejected " + QuoteForLog(reject.path) + " why=" + QuoteForLog(reject.why));
    }
}

std::string PluginModule::FileName() const {
    size_t slash = description_.path.find_last_of("\\/");
    return slash == std::string::npos ? description_.path : description_.path.substr(slash + 1);
}

bool PluginModule::Acquire(NPNetscapeFuncs* browserFuncs) {
    if (users_ > 0) {
        ++users_;
        return true;
    }
    module_ = LoadLibraryA(description_.path.c_str());
    if (!module_) {
        LogLine("load-failed " + QuoteForLog(FileName()) +
                " error=" + std::to_string(GetLastError()));
        return false;
    }
    LogLine("load " + QuoteForLog(FileName()));
    auto getEntryPoints = Export<NP_GetEntryPointsFunc>(module_, "NP_GetEntryPoints");
    auto initialize = Export<NP_InitializeFunc>(module_, "NP_Initialize");
    if (!getEntryPoints || !initialize) {
        LogLine("load-failed " + QuoteForLog(FileName()) +
                " missing=" + (getEntryPoints ? "NP_Initialize" : "NP_GetEntryPoints"));
        Unload();
        return false;
    }
    funcs_ = NPPluginFuncs();
    funcs_.size = sizeof(NPPluginFuncs);
    NPError result = getEntryPoints(&funcs_);
    LogLine("call NP_GetEntryPoints size=" + std::to_string(sizeof(NPPluginFuncs)) + " -> " +
            std::to_string(result) + " version=" + std::to_string(funcs_.version));
    if (result != NPERR_NO_ERROR) {
        Unload();
        return false;
    }
    result = initialize(browserFuncs);
    char version[16];
    wsprintfA(version, "%u.%u", browserFuncs->version >> 8, browserFuncs->version & 0xFF);
    LogLine(std::string("call NP_Initialize version=") + version +
            " size=" + std::to_string(browserFuncs->size) + " -> " + std::to_string(result));
    if (result != NPERR_NO_ERROR) {
        Unload();
        return false;
    }
    users_ = 1;
    return true;
}

void PluginModule::Release() {
    if (users_ <= 0) {
        return;
    }
    if (--users_ > 0) {
        return;
    }
    auto shutdown = Export<NP_ShutdownFunc>(module_, "NP_Shutdown");
    if (shutdown) {
        NPError result = shutdown();
        LogLine("call NP_Shutdown -> " + std::to_string(result));
    }
    Unload();
}

void PluginModule::Unload() {
    if (module_) {
        FreeLibrary(module_);
        module_ = nullptr;
        LogLine("unload " + QuoteForLog(FileName()));
    }
    funcs_ = NPPluginFuncs();
    users_ = 0;
}

} // namespace vemohost
