// Runs a scenario from the message loop: a thread timer advances the steps, so that steps go on
// inside the modal loops of menus and dialogs that a plug-in opens. The same timer watches for
// message boxes and dialogs of this thread and logs them.
#pragma once

#include <windows.h>

#include <map>
#include <set>
#include <vector>

#include "host/Scenario.h"
#include "host/win/Host.h"

namespace vemohost {

class Runner {
public:
    // With `scripted` false only the watcher runs (interactive use): boxes are logged, not
    // answered.
    Runner(Host& host, std::vector<Step> steps, bool scripted, bool keepOpen);
    void Start();
    void Tick();
    int ExitCode() const { return failures_ ? 1 : 0; }
    void RunPosted(size_t index);

private:
    bool RunStep(Step& step); // true when the step is complete
    void Post(const Step& step);
    bool PointerStep(Step& step);
    bool MenuStep(Step& step);
    bool DialogStep(Step& step);
    bool Finish(); // true when everything is closed
    void Watch();
    bool Expired(const Step& step) const;
    void Fail(const Step& step, const std::string& why);
    HWND NextDialog() const;
    HWND OpenMenu() const;

    Host& host_;
    std::vector<Step> steps_;
    bool scripted_;
    bool keepOpen_;
    size_t index_ = 0;
    bool started_ = false;
    int phase_ = 0;
    DWORD stepStart_ = 0;
    POINT stepOrigin_ = {0, 0}; // screen place of the pointer step's window
    long long tickBase_ = 0;
    bool finishing_ = false;
    bool finished_ = false;
    DWORD finishStart_ = 0;
    bool busy_ = false;
    bool watching_ = false;
    bool yield_ = false;
    bool quit_ = false;
    HWND window_ = nullptr;
    int failures_ = 0;
    std::map<HWND, DWORD> seen_; // dialogs and menus logged, with the time they appeared
    std::set<HWND> answered_;    // dialogs a step has closed (or is closing)
};

} // namespace vemohost
