// What a plug-in library declares in its version block, read as browsers read it.
//
// A browser takes a library from its plug-in folder when the file name is np*.dll (any letter
// case, at least 7 characters) and its version block "040904E4" has "MIMEType", "ProductName"
// and "FileDescription". "MIMEType", "FileExtents" and "FileOpenName" are lists separated by
// '|' whose n-th entries belong together; the extensions of one entry are separated by ','.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vemohost {

bool IsPluginFileName(std::string_view fileName);

// The version strings as found: a missing string is marked by its flag.
struct VersionStrings {
    bool hasMimeType = false, hasFileExtents = false, hasFileOpenName = false;
    bool hasProductName = false, hasFileDescription = false;
    std::string mimeType, fileExtents, fileOpenName, productName, fileDescription;
};

struct MimeEntry {
    std::string type;                    // as declared
    std::vector<std::string> extensions; // without dots, as declared
    std::string description;             // the FileOpenName entry, or empty
};

struct PluginDescription {
    std::string path; // the library file
    std::string productName;
    std::string description;
    std::vector<MimeEntry> types;
};

// Fills the description from the strings. Returns false with the reason in `why` when a browser
// would not take the library: a missing "MIMEType", "ProductName" or "FileDescription", an empty
// MIME type, or lists of unequal length. A missing "FileExtents" or "FileOpenName" is no list
// (no extensions, no descriptions).
bool DescribePlugin(const VersionStrings& strings, PluginDescription& out, std::string& why);

// Index of the plug-in that handles a MIME type / a file extension (no dot), any letter case;
// the first match in list order wins. -1 when none does. `type` receives the matching MIME type.
int FindPluginForType(const std::vector<PluginDescription>& plugins, std::string_view mimeType);
int FindPluginForExtension(const std::vector<PluginDescription>& plugins,
                           std::string_view extension, std::string* type);

} // namespace vemohost
