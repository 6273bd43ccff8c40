// The scenario language of the stand-in: one step per line (or per --do argument), words
// separated by spaces, texts with spaces in double quotes (\" and \\ inside). A comment is a
// line whose first word starts with '#', or the rest of a line after a lone "#" word. docs/host.md
// lists every step.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vemohost {

enum class StepKind {
    Open,    // open ADDRESS
    Wait,    // wait MS
    Ticks,   // ticks N [in=I] [timeout=MS]
    Idle,    // idle [timeout=MS]
    Move,    // move X Y [in=I]
    Down,    // down X Y [left|right|middle] [shift] [ctrl] [in=I]
    Up,      // up X Y [left|right|middle] [shift] [ctrl] [in=I]
    Click,   // click X Y [left|right|middle] [shift] [ctrl] [in=I]
    Drag,    // drag X1 Y1 X2 Y2 [left|right|middle] [shift] [ctrl] [steps=N] [in=I]
    Key,     // key NAME [shift] [ctrl]
    KeyDown, // keydown NAME
    KeyUp,   // keyup NAME
    Menu,    // menu "TEXT" | menu #N | menu cancel   [timeout=MS]
    Dialog,  // dialog ACTION... [timeout=MS]
    Resize,  // resize W H
    Print,   // print FILE [scale=N]
    Capture, // capture FILE [in=I|in=page|in=window] [method=screen|print]
    Close,   // close
    Fail,    // fail geturl|memalloc always|once|off
    Log,     // log TEXT
    Quit,    // quit
};

enum class MouseButton { Left, Right, Middle };

enum class DialogActionKind { Button, Check, Uncheck, File, Edit, Capture, Ok, Cancel };

struct DialogAction {
    DialogActionKind kind = DialogActionKind::Ok;
    std::string text;   // button or check box text, file name, capture file, edit value
    int controlId = -1; // "#ID" instead of a text (Button, Check, Uncheck, Edit)
};

enum class FailTarget { GetUrl, MemAlloc };
enum class FailMode { Off, Once, Always };

// Instance numbers count the page's instances from 1 in document order; 0 is the page itself,
// -1 the whole browser window as the screen shows it (status line, menus and dialogs over it).
constexpr int kPageTarget = 0;
constexpr int kWindowTarget = -1;

struct Step {
    StepKind kind = StepKind::Wait;
    int line = 0;
    std::string text;     // address, file, key name, menu item text, log text
    long long number = 0; // milliseconds, ticks, menu item number (#N), scale
    int x = 0, y = 0, x2 = 0, y2 = 0;
    int instance = 1;
    int timeoutMs = 10000;
    int dragSteps = 8;
    MouseButton button = MouseButton::Left;
    bool shift = false, ctrl = false;
    bool menuCancel = false;
    bool capturePrint = false; // capture with PrintWindow instead of the screen's pixels
    int virtualKey = 0;        // Key, KeyDown, KeyUp
    FailTarget failTarget = FailTarget::GetUrl;
    FailMode failMode = FailMode::Off;
    std::vector<DialogAction> actions;
};

// Splits a line into words; false with a message for an unterminated quote.
bool SplitWords(std::string_view line, std::vector<std::string>& words, std::string& error);

// Parses one step (the words of one line). A line with no words yields false with an empty error.
bool ParseStep(std::string_view line, int lineNumber, Step& step, std::string& error);

// Parses a whole script; on failure `error` names the line.
bool ParseScenario(std::string_view text, std::vector<Step>& steps, std::string& error);

// Windows virtual-key code of a key name: escape, return (enter), tab, space, backspace, delete,
// insert, home, end, pageup, pagedown, up, down, left, right, shift, ctrl, alt, f1-f12, a-z, 0-9.
// 0 for an unknown name.
int VirtualKeyFromName(std::string_view name);

const char* StepName(StepKind kind);

} // namespace vemohost
