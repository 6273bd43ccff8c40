// The installer's text rules: command line, folder names, registry values and the command lines
// it starts. Pure functions over byte strings; they build and are tested on any platform.
//
// Every function that writes into a caller's buffer takes its capacity in characters (counting
// the terminating zero) and returns 1 when the whole result fits, 0 otherwise. A result that
// does not fit is never cut short: on 0 the buffer holds an empty text (when its capacity is at
// least 1).
#pragma once

#include <stdint.h>

namespace setup {

// Buffer sizes of the installer, in characters with the terminating zero.
constexpr int32_t kFolderCapacity = 512;   // detected, temporary and destination folders
constexpr int32_t kPathCapacity = 260;     // file paths handed to the file system, dialog fields
constexpr int32_t kRegistryCapacity = 260; // registry values read during detection
constexpr int32_t kCommandCapacity = 512;  // command lines started as processes

// The file names of the payload and of the older plug-in.
inline constexpr const char* kCabinetName = "NPVemoC.cab";
inline constexpr const char* kPluginName = "NPVemoC.dll";
inline constexpr const char* kRendererName = "VemoDoc.dll";
inline constexpr const char* kOldPluginName = "NPVemo.dll";
inline constexpr const char* kOldPluginNewName = "NPVemo.dlx";
// The longest of the names above that is ever put behind a folder.
constexpr int32_t kLongestFileName = 11;

// Returns the part of a process command line behind the program name and the blanks after it.
// A program name starting with a quotation mark runs to the closing one (or to the end);
// otherwise it runs up to the first character at or below the blank. Characters 1 to 32 behind
// it are skipped. Bytes are compared unsigned, so characters of 128 and above belong to names.
const char* SkipProgramName(const char* commandLine);

// Makes the destination folder of a silent run out of the folder text of the command line:
// blanks at its ends are dropped, then one pair of surrounding quotation marks (and blanks
// inside them at the ends), and a "\" is appended unless the folder already ends with one.
// 0 for an empty folder and for one that does not fit.
int32_t MakeCommandLineDestination(const char* folderText, char* destination, int32_t capacity);

// destination := first + second. 0 when it does not fit.
int32_t JoinText(char* destination, int32_t capacity, const char* first, const char* second);

// Appends second to the text already in destination. 0 (destination unchanged) when the
// result does not fit.
int32_t AppendText(char* destination, int32_t capacity, const char* second);

// 1 when a file name of kLongestFileName characters behind folder still fits a file path
// (kPathCapacity), so every file the installer puts into that folder can be named.
int32_t FolderTakesFileNames(const char* folder);

// Checks a value read from the registry: 1 when type is REG_SZ (1) and the data form a text
// within capacity. size is the count of bytes read; a text without its terminating zero gets
// one when there is room. data must hold capacity bytes.
int32_t AcceptRegistryText(uint32_t type, char* data, uint32_t size, uint32_t capacity);

// The plug-in folder beside Internet Explorer's program file, from its LocalServer32 value:
// a leading quotation mark is skipped and, in a quoted value, everything from the closing
// one on (its arguments) is left out; the text from its last "\" on becomes "\Plugins" (the
// whole text, when it holds no "\").
int32_t PluginFolderFromServerValue(const char* value, char* folder, int32_t capacity);

// The command that registers the renderer component: regsvr32 /s "<path>".
int32_t MakeRegisterCommand(const char* rendererPath, char* command, int32_t capacity);

// The command interpreter's extraction command for the cabinet in the temporary folder (which
// ends with "\"): COMMAND.COM /C EXTRACT /Y /E /L <folder without its "\"> <folder>NPVemoC.cab.
int32_t MakeExtractCommand(const char* temporaryFolder, char* command, int32_t capacity);

} // namespace setup
