// The command line of the `vemo` tool: subcommands, their options and the exit codes. Parsing is
// pure (argument strings in, a Command or a one-line error out) so that every rule is a row of a
// table in the tests.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

#include "plugin/DocGeometry.h"

namespace vemo::cli {

// Exit codes of every subcommand.
constexpr int kExitOk = 0;
constexpr int kExitBadInput = 1; // an input that does not convert, load or render
constexpr int kExitUsage = 2;    // the command line itself is wrong
constexpr int kExitFiles = 3;    // a file that cannot be read or written

enum class CommandKind { None, Convert, Render, Info };

struct Command {
    CommandKind kind = CommandKind::None;
    bool help = false;  // --help: print the subcommand's help, nothing else
    bool quiet = false; // convert: no report of drops and approximations, no progress
    std::vector<std::string> inputs;
    std::string output; // convert (single form) and render
    std::string outDir; // convert --out-dir: one .vem per input
    double width = 0;   // convert: pixels across; render: pixels across (0: the view at 100%)
    double scale = 0;   // convert: document pixels per SVG user unit
    std::string base;   // convert: base URL for links
    bool hasView = false;
    DocRect view = NotSetRect(); // render --view, document units
    int32_t smoothed = 1;
};

// Parses argv[1..] (the subcommand first). False with a one-line message in `error` (no
// trailing newline) for a command line that cannot run; the exit code is then kExitUsage.
bool ParseCommandLine(const std::vector<std::string>& args, Command* command, std::string* error);

// The help text of a subcommand (None: the tool's overview).
const char* HelpText(CommandKind kind);

// The output name for `input` in the batch form: DIR/<base name without .svg>.vem.
std::string BatchOutputPath(const std::string& outDir, const std::string& input);

} // namespace vemo::cli
