// Plug-in discovery and loading, as browsers did it: the plug-in folder's np*.dll files, their
// version blocks, and the library's life from the first instance to the last.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "host/PluginList.h"
#include "npapi/npapi.h"

namespace vemohost {

struct RejectedPlugin {
    std::string path;
    std::string why;
};

// Reads every np*.dll of the folder (sorted by name); libraries a browser would not take are
// listed in `rejected`.
std::vector<PluginDescription> ScanPluginFolder(const std::string& folder,
                                                std::vector<RejectedPlugin>& rejected);

// Today's browsers: the libraries named by "Path" in the keys below Software\MozillaPlugins of
// the current user, then of the machine (keys by name order), described by their version blocks
// as in a plug-in folder. Libraries already in `known` (the same path) are skipped.
std::vector<PluginDescription> ScanPluginRegistry(const std::vector<PluginDescription>& known,
                                                  std::vector<RejectedPlugin>& rejected);

// Reads the version strings of one library file; false when it has no version block "040904E4".
bool ReadVersionStrings(const std::string& path, VersionStrings& strings);

// The about:plugins listing.
void LogPluginList(const std::vector<PluginDescription>& plugins,
                   const std::vector<RejectedPlugin>& rejected);

class PluginModule {
public:
    explicit PluginModule(const PluginDescription& description) : description_(description) {}
    ~PluginModule() { Unload(); }

    // On the first instance: load the library, NP_GetEntryPoints, then NP_Initialize with the
    // browser's table. False (logged) when any of these fails; the library is then unloaded.
    bool Acquire(NPNetscapeFuncs* browserFuncs);
    // After the last instance: NP_Shutdown and unload.
    void Release();

    const NPPluginFuncs& Funcs() const { return funcs_; }
    const PluginDescription& Description() const { return description_; }
    std::string FileName() const;

private:
    void Unload();

    PluginDescription description_;
    HMODULE module_ = nullptr;
    NPPluginFuncs funcs_ = {};
    int users_ = 0;
};

} // namespace vemohost
