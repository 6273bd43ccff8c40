// vemohost: a browser stand-in that hosts plug-ins of the Netscape Plug-in API (docs/host.md).
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "host/HostText.h"
#include "host/Options.h"
#include "host/Scenario.h"
#include "host/win/Automation.h"
#include "host/win/Host.h"
#include "host/win/Log.h"

using namespace vemohost;

namespace {

bool ReadTextFile(const std::string& path, std::string& text) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        return false;
    }
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        text.append(buffer, n);
    }
    std::fclose(file);
    return true;
}

int Usage(const std::string& error) {
    std::fprintf(stderr, "vemohost: %s\n%s", error.c_str(), UsageText());
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    HostOptions options;
    std::string error;
    if (!ParseOptions(args, options, error)) {
        return Usage(error);
    }
    if (options.help) {
        std::fputs(UsageText(), stdout);
        return 0;
    }
    if (!options.logFile.empty() && !OpenLogFile(options.logFile)) {
        return Usage("cannot write the log file " + options.logFile);
    }
    std::vector<Step> steps;
    if (!options.scriptFile.empty()) {
        std::string text;
        if (!ReadTextFile(options.scriptFile, text)) {
            return Usage("cannot read the scenario " + options.scriptFile);
        }
        if (!ParseScenario(text, steps, error)) {
            return Usage(options.scriptFile + ": " + error);
        }
    }
    for (size_t i = 0; i < options.steps.size(); ++i) {
        Step step;
        if (!ParseStep(options.steps[i], static_cast<int>(i + 1), step, error)) {
            return Usage("--do " + QuoteForLog(options.steps[i]) + ": " +
                         (error.empty() ? std::string("empty step") : error));
        }
        step.line = -static_cast<int>(i + 1); // --do steps: negative "line" numbers
        steps.push_back(step);
    }
    const bool scripted = !options.scriptFile.empty() || !options.steps.empty();

    Host host(options);
    g_host = &host;
    if (!host.Start()) {
        return 1;
    }
    if (options.list) {
        g_host = nullptr;
        return 0;
    }
    // The runner watches before the first page opens: a message box that a plug-in shows while
    // that page loads is logged and, in a scenario, dismissed like any other.
    Runner runner(host, std::move(steps), scripted, options.keepOpen);
    runner.Start();
    if (!options.address.empty()) {
        host.Open(options.address);
    }
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (message.message == WM_TIMER && message.hwnd) {
            host.CountTimerMessage(message.hwnd);
        }
        TranslateMessage(&message);
        host.Dispatch(message);
    }
    host.Shutdown();
    g_host = nullptr;
    return runner.ExitCode();
}
