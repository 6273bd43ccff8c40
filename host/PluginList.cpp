#include "host/PluginList.h"

#include "host/HostText.h"

namespace vemohost {

bool IsPluginFileName(std::string_view fileName) {
    if (fileName.size() < 7) {
        return false;
    }
    return EqualsNoCase(fileName.substr(0, 2), "np") &&
           EqualsNoCase(fileName.substr(fileName.size() - 4), ".dll");
}

bool DescribePlugin(const VersionStrings& strings, PluginDescription& out, std::string& why) {
    if (!strings.hasMimeType) {
        why = "no MIMEType";
        return false;
    }
    if (!strings.hasProductName) {
        why = "no ProductName";
        return false;
    }
    if (!strings.hasFileDescription) {
        why = "no FileDescription";
        return false;
    }
    std::vector<std::string> types = SplitTrimmed(strings.mimeType, '|');
    for (const std::string& type : types) {
        if (type.empty()) {
            why = "empty MIME type";
            return false;
        }
    }
    std::vector<std::string> extents;
    if (strings.hasFileExtents) {
        extents = SplitTrimmed(strings.fileExtents, '|');
        if (extents.size() != types.size()) {
            why = "FileExtents has " + std::to_string(extents.size()) + " entries, MIMEType " +
                  std::to_string(types.size());
            return false;
        }
    }
    std::vector<std::string> names;
    if (strings.hasFileOpenName) {
        names = SplitTrimmed(strings.fileOpenName, '|');
        if (names.size() != types.size()) {
            why = "FileOpenName has " + std::to_string(names.size()) + " entries, MIMEType " +
                  std::to_string(types.size());
            return false;
        }
    }
    out.productName = strings.productName;
    out.description = strings.fileDescription;
    out.types.clear();
    for (size_t i = 0; i < types.size(); ++i) {
        MimeEntry entry;
        entry.type = types[i];
        if (!extents.empty()) {
            for (std::string& extension : SplitTrimmed(extents[i], ',')) {
                while (!extension.empty() && extension[0] == '.') {
                    extension.erase(0, 1);
                }
                if (!extension.empty()) {
                    entry.extensions.push_back(std::move(extension));
                }
            }
        }
        if (!names.empty()) {
            entry.description = names[i];
        }
        out.types.push_back(std::move(entry));
    }
    return true;
}

int FindPluginForType(const std::vector<PluginDescription>& plugins, std::string_view mimeType) {
    for (size_t p = 0; p < plugins.size(); ++p) {
        for (const MimeEntry& entry : plugins[p].types) {
            if (EqualsNoCase(entry.type, mimeType)) {
                return static_cast<int>(p);
            }
        }
    }
    return -1;
}

int FindPluginForExtension(const std::vector<PluginDescription>& plugins,
                           std::string_view extension, std::string* type) {
    if (extension.empty()) {
        return -1;
    }
    for (size_t p = 0; p < plugins.size(); ++p) {
        for (const MimeEntry& entry : plugins[p].types) {
            for (const std::string& candidate : entry.extensions) {
                if (EqualsNoCase(candidate, extension)) {
                    if (type) {
                        *type = entry.type;
                    }
                    return static_cast<int>(p);
                }
            }
        }
    }
    return -1;
}

} // namespace vemohost
