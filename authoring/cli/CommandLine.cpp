#include "authoring/cli/CommandLine.h"

#include <errno.h>
#include <math.h>
#include <stdlib.h>

#include <set>

namespace vemo::cli {

namespace {

const char kOverview[] =
    "usage: vemo COMMAND [OPTIONS]\n"
    "\n"
    "Commands:\n"
    "  convert   SVG drawings to Vemo drawings\n"
    "  render    a Vemo drawing to a PNG image, as the plug-in shows it\n"
    "  info      what a Vemo drawing holds, or where it breaks\n"
    "\n"
    "'vemo COMMAND --help' describes a command.\n"
    "Exit codes: 0 done, 1 an input does not convert, load or render, 2 wrong command line,\n"
    "3 a file cannot be read or written.\n";

const char kConvertHelp[] =
    "usage: vemo convert IN.svg OUT.vem [--width PX | --scale S] [--base URL] [--quiet]\n"
    "       vemo convert --out-dir DIR [--width PX | --scale S] [--base URL] [--quiet] IN.svg...\n"
    "\n"
    "Converts SVG drawings to Vemo drawings and prints, for each, what was dropped or\n"
    "approximated, counted by kind.\n"
    "\n"
    "  --width PX     the drawing's width in pixels (its height follows)\n"
    "  --scale S      pixels per SVG user unit (default: the SVG's own size)\n"
    "  --base URL     base address of the drawing's hyperlinks\n"
    "  --out-dir DIR  many inputs: each becomes DIR/NAME.vem; a progress line on a terminal\n"
    "  --quiet        print nothing but errors\n"
    "\n"
    "An output is written whole or not at all. Exit codes: 0 every input converted, 1 an input\n"
    "did not convert (the others are still written), 2 wrong command line, 3 a file cannot be\n"
    "read or written.\n";

const char kRenderHelp[] =
    "usage: vemo render IN.vem OUT.png [--width PX] [--view X0,Y0,X1,Y1] [--smoothed 0|1]\n"
    "\n"
    "Renders a drawing with the plug-in's renderer into a PNG image: the drawing's default view\n"
    "as the plug-in chooses it (the file's default view, else its bounds, else the box around\n"
    "everything drawn), aspect kept, on white.\n"
    "\n"
    "  --width PX          image width (default: the view at 100 percent, 750 units a pixel);\n"
    "                      the height follows the view's proportions\n"
    "  --view X0,Y0,X1,Y1  the view in document units (1/72000 inch, y upwards), aspect kept\n"
    "  --smoothed 0|1      1 anti-aliased (default), 0 pixel-centre sampling\n"
    "\n"
    "Exit codes: 0 written, 1 the drawing does not load, 2 wrong command line, 3 a file cannot\n"
    "be read or written.\n";

const char kInfoHelp[] =
    "usage: vemo info IN.vem\n"
    "\n"
    "Prints the drawing's version, bounds, default view, objects, paths, points, links,\n"
    "skipped records and warning bits; for a drawing that does not load, the failure and the\n"
    "byte offset where it arose.\n"
    "\n"
    "Exit codes: 0 the drawing loads, 1 it does not, 2 wrong command line, 3 it cannot be read.\n";

bool ParseNumber(const std::string& text, double* value) {
    if (text.empty()) {
        return false;
    }
    errno = 0;
    char* end = nullptr;
    double v = strtod(text.c_str(), &end);
    if (errno != 0 || end != text.c_str() + text.size() || !isfinite(v)) {
        return false;
    }
    *value = v;
    return true;
}

bool ParseInt32(const std::string& text, int32_t* value) {
    if (text.empty()) {
        return false;
    }
    errno = 0;
    char* end = nullptr;
    long long v = strtoll(text.c_str(), &end, 10);
    if (errno != 0 || end != text.c_str() + text.size() || v < INT32_MIN || v > INT32_MAX) {
        return false;
    }
    *value = int32_t(v);
    return true;
}

bool ParseView(const std::string& text, DocRect* view) {
    int32_t v[4];
    size_t at = 0;
    for (int i = 0; i < 4; ++i) {
        size_t comma = text.find(',', at);
        if ((i < 3) != (comma != std::string::npos)) {
            return false;
        }
        std::string part = text.substr(at, i < 3 ? comma - at : std::string::npos);
        if (!ParseInt32(part, &v[i])) {
            return false;
        }
        at = comma + 1;
    }
    if (v[0] >= v[2] || v[1] >= v[3] || v[2] == kDocRectNotSet) {
        return false;
    }
    *view = DocRect{v[0], v[1], v[2], v[3]};
    return true;
}

const char* Name(CommandKind kind) {
    switch (kind) {
    case CommandKind::Convert:
        return "convert";
    case CommandKind::Render:
        return "render";
    case CommandKind::Info:
        return "info";
    default:
        return "vemo";
    }
}

std::string BaseName(const std::string& path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

const char* HelpText(CommandKind kind) {
    switch (kind) {
    case CommandKind::Convert:
        return kConvertHelp;
    case CommandKind::Render:
        return kRenderHelp;
    case CommandKind::Info:
        return kInfoHelp;
    default:
        return kOverview;
    }
}

std::string BatchOutputPath(const std::string& outDir, const std::string& input) {
    std::string name = BaseName(input);
    size_t dot = name.find_last_of('.');
    if (dot != std::string::npos && dot > 0) {
        name.resize(dot);
    }
    std::string dir = outDir;
    while (dir.size() > 1 && dir.back() == '/') {
        dir.pop_back();
    }
    return dir + (dir.back() == '/' ? "" : "/") + name + ".vem";
}

bool ParseCommandLine(const std::vector<std::string>& args, Command* command, std::string* error) {
    Command c;
    if (args.empty()) {
        *error = "no command (convert, render or info); see 'vemo --help'";
        return false;
    }
    const std::string& verb = args[0];
    if (verb == "--help" || verb == "-h" || verb == "help") {
        c.help = true;
        *command = c;
        return true;
    }
    if (verb == "convert") {
        c.kind = CommandKind::Convert;
    } else if (verb == "render") {
        c.kind = CommandKind::Render;
    } else if (verb == "info") {
        c.kind = CommandKind::Info;
    } else {
        *error = "unknown command '" + verb + "' (convert, render or info)";
        return false;
    }
    std::string name = Name(c.kind);
    std::vector<std::string> positional;
    bool hasWidth = false;
    bool hasScale = false;
    bool optionsEnded = false;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (optionsEnded || a.size() < 2 || a[0] != '-') {
            positional.push_back(a);
            continue;
        }
        if (a == "--") {
            optionsEnded = true;
            continue;
        }
        if (a == "--help" || a == "-h") {
            c.help = true;
            continue;
        }
        // Options with a value: "--name value" or "--name=value".
        std::string option = a;
        std::string value;
        bool hasValue = false;
        size_t eq = a.find('=');
        if (eq != std::string::npos) {
            option = a.substr(0, eq);
            value = a.substr(eq + 1);
            hasValue = true;
        }
        bool takesValue = false;
        if (c.kind == CommandKind::Convert) {
            takesValue = option == "--width" || option == "--scale" || option == "--base" ||
                         option == "--out-dir";
            if (option == "--quiet" || option == "-q") {
                if (hasValue) {
                    *error = name + ": " + option + " takes no value";
                    return false;
                }
                c.quiet = true;
                continue;
            }
        } else if (c.kind == CommandKind::Render) {
            takesValue = option == "--width" || option == "--view" || option == "--smoothed";
        }
        if (!takesValue) {
            *error = name + ": unknown option '" + option + "'";
            return false;
        }
        if (!hasValue) {
            if (i + 1 >= args.size()) {
                *error = name + ": " + option + " needs a value";
                return false;
            }
            value = args[++i];
        }
        if (option == "--width") {
            double w = 0;
            bool ok = ParseNumber(value, &w) && w > 0;
            if (c.kind == CommandKind::Render) {
                ok = ok && w == floor(w) && w <= 65535;
            } else {
                ok = ok && w <= 1e6;
            }
            if (!ok) {
                *error = name + ": --width needs a positive " +
                         (c.kind == CommandKind::Render ? "whole number up to 65535" : "number") +
                         ", not '" + value + "'";
                return false;
            }
            c.width = w;
            hasWidth = true;
        } else if (option == "--scale") {
            double s = 0;
            if (!ParseNumber(value, &s) || s <= 0 || s > 1e6) {
                *error = name + ": --scale needs a positive number, not '" + value + "'";
                return false;
            }
            c.scale = s;
            hasScale = true;
        } else if (option == "--base") {
            c.base = value;
        } else if (option == "--out-dir") {
            if (value.empty()) {
                *error = name + ": --out-dir needs a folder";
                return false;
            }
            c.outDir = value;
        } else if (option == "--view") {
            if (!ParseView(value, &c.view)) {
                *error = name + ": --view needs X0,Y0,X1,Y1 with X0 < X1 and Y0 < Y1 (document "
                                "units), not '" + value + "'";
                return false;
            }
            c.hasView = true;
        } else if (option == "--smoothed") {
            if (value != "0" && value != "1") {
                *error = name + ": --smoothed is 0 or 1, not '" + value + "'";
                return false;
            }
            c.smoothed = value == "1" ? 1 : 0;
        }
    }
    if (c.help) {
        *command = c;
        return true;
    }
    if (hasWidth && hasScale) {
        *error = name + ": give --width or --scale, not both";
        return false;
    }
    // The positional arguments as the command's input and, with two, its output.
    auto inOut = [&](size_t count, const char* usage) {
        if (positional.size() != count) {
            *error = usage;
            return false;
        }
        c.inputs.push_back(positional[0]);
        if (count == 2) {
            c.output = positional[1];
        }
        return true;
    };
    switch (c.kind) {
    case CommandKind::Convert:
        if (!c.outDir.empty()) {
            if (positional.empty()) {
                *error = "convert: --out-dir needs at least one input";
                return false;
            }
            std::set<std::string> seen;
            for (const std::string& in : positional) {
                std::string out = BatchOutputPath(c.outDir, in);
                if (!seen.insert(out).second) {
                    *error = "convert: two inputs would both be written to " + out;
                    return false;
                }
            }
            c.inputs = positional;
        } else if (!inOut(2, positional.size() < 2
                                 ? "convert: needs IN.svg and OUT.vem (or --out-dir DIR IN.svg...)"
                                 : "convert: more than one input needs --out-dir DIR")) {
            return false;
        }
        break;
    case CommandKind::Render:
        if (!inOut(2, "render: needs IN.vem and OUT.png")) {
            return false;
        }
        break;
    case CommandKind::Info:
        if (!inOut(1, "info: needs one IN.vem")) {
            return false;
        }
        break;
    default:
        break;
    }
    *command = c;
    return true;
}

} // namespace vemo::cli
