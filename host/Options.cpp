#include "host/Options.h"

#include "host/HostText.h"

namespace vemohost {

namespace {

bool ParsePair(const std::string& text, char separator, long long minimum, long long maximum,
               int& first, int& second) {
    size_t at = text.find(separator);
    long long a = 0, b = 0;
    if (at == std::string::npos ||
        !ParseInteger(std::string_view(text).substr(0, at), minimum, maximum, a) ||
        !ParseInteger(std::string_view(text).substr(at + 1), minimum, maximum, b)) {
        return false;
    }
    first = static_cast<int>(a);
    second = static_cast<int>(b);
    return true;
}

} // namespace

const char* UsageText() {
    return "usage: vemohost [options] [PAGE-OR-DRAWING]\n"
           "  --plugins DIR        plug-in folder (default: plugins beside vemohost.exe, else .)\n"
           "  --site DIR           folder served for http:// addresses (default: the folder of\n"
           "                       the first file opened)\n"
           "  --list               print the plug-ins found (about:plugins) and exit\n"
           "  --chunk N            bytes offered per NPP_Write (default 4096)\n"
           "  --pace MS            one chunk every MS milliseconds (default 0: as fast as taken)\n"
           "  --modern             behave like today's browsers: API 0.27 with its window and\n"
           "                       print records, plug-ins found in Software\\MozillaPlugins\n"
           "                       too, the page's origin told (NPNVdocumentOrigin)\n"
           "  --np-version M.N     version of the browser function table (default 0.9, 0.27\n"
           "                       with --modern)\n"
           "  --np-size N          its size field in bytes (default: full table of the version)\n"
           "  --late-window        full-page instances get NPP_SetWindow after NPP_NewStream\n"
           "  --teardown ORDER     destroy-first (NPP_Destroy, then the window; default) or\n"
           "                       window-first\n"
           "  --fail SERVICE       geturl or memalloc: that browser service always fails\n"
           "  --size WxH           page size in pixels (default 640x480)\n"
           "  --pos X,Y            window position on the screen (default 0,0)\n"
           "  --script FILE        run the scenario in FILE\n"
           "  --do STEP            run one scenario step (repeatable; after --script's steps)\n"
           "  --log FILE           write the log to FILE too (it always goes to stdout)\n"
           "  --keep-open          stay open when the scenario ends\n";
}

bool ParseOptions(const std::vector<std::string>& args, HostOptions& options, std::string& error) {
    bool versionGiven = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= args.size()) {
                error = arg + " wants a value";
                return false;
            }
            out = args[++i];
            return true;
        };
        auto number = [&](long long minimum, long long maximum, long long& out) {
            std::string text;
            if (!value(text)) {
                return false;
            }
            if (!ParseInteger(text, minimum, maximum, out)) {
                error = arg + " wants a number from " + std::to_string(minimum) + " to " +
                        std::to_string(maximum);
                return false;
            }
            return true;
        };
        std::string text;
        if (arg == "--help" || arg == "-h" || arg == "/?") {
            options.help = true;
        } else if (arg == "--list") {
            options.list = true;
        } else if (arg == "--plugins") {
            if (!value(options.pluginDir)) {
                return false;
            }
        } else if (arg == "--site") {
            if (!value(options.siteDir)) {
                return false;
            }
        } else if (arg == "--chunk") {
            if (!number(1, 16 * 1024 * 1024, options.chunkSize)) {
                return false;
            }
        } else if (arg == "--pace") {
            if (!number(0, 600000, options.paceMs)) {
                return false;
            }
        } else if (arg == "--np-version") {
            if (!value(text)) {
                return false;
            }
            if (!ParsePair(text, '.', 0, 255, options.tableMajor, options.tableMinor)) {
                error = "--np-version wants MAJOR.MINOR, each 0 to 255";
                return false;
            }
            versionGiven = true;
        } else if (arg == "--modern") {
            options.modern = true;
        } else if (arg == "--np-size") {
            if (!number(0, 65535, options.tableSize)) {
                return false;
            }
        } else if (arg == "--late-window") {
            options.lateWindow = true;
        } else if (arg == "--teardown") {
            if (!value(text)) {
                return false;
            }
            if (text == "destroy-first") {
                options.teardown = Teardown::DestroyFirst;
            } else if (text == "window-first") {
                options.teardown = Teardown::WindowFirst;
            } else {
                error = "--teardown is destroy-first or window-first";
                return false;
            }
        } else if (arg == "--fail") {
            if (!value(text)) {
                return false;
            }
            if (text == "geturl") {
                options.failGetUrl = true;
            } else if (text == "memalloc") {
                options.failMemAlloc = true;
            } else {
                error = "--fail is geturl or memalloc";
                return false;
            }
        } else if (arg == "--size") {
            if (!value(text)) {
                return false;
            }
            if (!ParsePair(LowerCopy(text), 'x', 16, 8000, options.width, options.height)) {
                error = "--size wants WIDTHxHEIGHT, each 16 to 8000";
                return false;
            }
        } else if (arg == "--pos") {
            if (!value(text)) {
                return false;
            }
            if (!ParsePair(text, ',', -8000, 8000, options.left, options.top)) {
                error = "--pos wants X,Y";
                return false;
            }
        } else if (arg == "--script") {
            if (!value(options.scriptFile)) {
                return false;
            }
        } else if (arg == "--do") {
            if (!value(text)) {
                return false;
            }
            options.steps.push_back(text);
        } else if (arg == "--log") {
            if (!value(options.logFile)) {
                return false;
            }
        } else if (arg == "--keep-open") {
            options.keepOpen = true;
        } else if (arg.size() > 1 && arg[0] == '-' && arg != "-") {
            error = "unknown option " + arg;
            return false;
        } else if (options.address.empty()) {
            options.address = arg;
        } else {
            error = "more than one page given: " + arg;
            return false;
        }
    }
    if (options.modern && !versionGiven) {
        options.tableMajor = 0;
        options.tableMinor = kModernMinorVersion;
    }
    return true;
}

} // namespace vemohost
