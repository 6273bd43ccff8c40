// Records the message boxes a piece of code shows on this thread and answers each with OK.
//
// A thread timer runs inside the box's modal loop; on each tick it reads every open "#32770"
// window of the thread (caption, texts of its static controls, owner) and closes it.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct RecordedBox {
    std::string caption;
    std::string text; // the message (the box's text control)
    HWND owner;
};

class MessageBoxRecorder {
public:
    std::vector<RecordedBox> boxes;

    MessageBoxRecorder() {
        current = this;
        timer = SetTimer(nullptr, 0, 20, Tick);
    }
    ~MessageBoxRecorder() {
        KillTimer(nullptr, timer);
        current = nullptr;
    }
    MessageBoxRecorder(const MessageBoxRecorder&) = delete;
    MessageBoxRecorder& operator=(const MessageBoxRecorder&) = delete;

    std::vector<std::string> Captions() const {
        std::vector<std::string> found;
        for (const RecordedBox& box : boxes) {
            found.push_back(box.caption);
        }
        return found;
    }
    std::vector<std::string> Texts() const {
        std::vector<std::string> found;
        for (const RecordedBox& box : boxes) {
            found.push_back(box.text);
        }
        return found;
    }

private:
    static inline MessageBoxRecorder* current = nullptr;
    UINT_PTR timer = 0;

    static std::string TextOf(HWND window) {
        char text[1024] = {};
        GetWindowTextA(window, text, sizeof text);
        return text;
    }

    static BOOL CALLBACK CollectStatic(HWND child, LPARAM param) {
        char className[64] = {};
        GetClassNameA(child, className, sizeof className);
        if (lstrcmpiA(className, "Static") == 0 &&
            (GetWindowLongA(child, GWL_STYLE) & 0x1F) != SS_ICON) {
            std::string* text = reinterpret_cast<std::string*>(param);
            *text += TextOf(child);
        }
        return TRUE;
    }

    static BOOL CALLBACK CloseBox(HWND window, LPARAM) {
        char className[64] = {};
        GetClassNameA(window, className, sizeof className);
        if (lstrcmpA(className, "#32770") != 0 || !IsWindowVisible(window) ||
            GetPropA(window, "VemoRecorded") != nullptr) {
            return TRUE;
        }
        SetPropA(window, "VemoRecorded", reinterpret_cast<HANDLE>(1));
        RecordedBox box;
        box.caption = TextOf(window);
        EnumChildWindows(window, CollectStatic, reinterpret_cast<LPARAM>(&box.text));
        box.owner = GetWindow(window, GW_OWNER);
        current->boxes.push_back(box);
        PostMessageA(window, WM_COMMAND, IDOK, 0);
        return TRUE;
    }

    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
        if (current != nullptr) {
            EnumThreadWindows(GetCurrentThreadId(), CloseBox, 0);
        }
    }
};
