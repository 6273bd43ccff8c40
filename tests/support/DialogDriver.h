// Drives the modal dialogs that code under test opens on this thread.
//
// A thread timer runs inside every modal loop. On each tick it looks at the thread's visible
// "#32770" windows; the first time it sees one it records the caption, owner and every child
// control (id, class, text, check state), then calls `act` with the dialog and the number of
// ticks it has been open (0 on the first). `act` answers the dialog (PressButton, Escape, ...);
// without `act` a dialog is left open. A dialog still open after `giveUpTicks` is closed with
// every usual answer (Cancel, OK, the warning's "Ignore") and `stuck` is set, so that a test
// that failed to answer fails instead of hanging.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

struct SeenControl {
    int id;
    std::string className;
    std::string text;
    int checked; // BM_GETCHECK for buttons, -1 for other controls
    LONG style;
};

struct SeenDialog {
    HWND window;
    HWND owner;
    std::string caption;
    std::vector<SeenControl> controls;
    RECT rect; // screen coordinates

    const SeenControl* Control(int id) const {
        for (const SeenControl& control : controls) {
            if (control.id == id) {
                return &control;
            }
        }
        return nullptr;
    }
    std::string Text(int id) const {
        const SeenControl* control = Control(id);
        return control != nullptr ? control->text : "<missing>";
    }
};

class DialogDriver {
public:
    std::vector<SeenDialog> seen;
    std::function<void(HWND dialog, int tick)> act;
    int giveUpTicks = 200;
    bool stuck = false;

    explicit DialogDriver(std::function<void(HWND dialog, int tick)> action = nullptr,
                          UINT periodMs = 25)
        : act(std::move(action)) {
        current = this;
        timer = SetTimer(nullptr, 0, periodMs, Tick);
    }
    ~DialogDriver() {
        KillTimer(nullptr, timer);
        if (current == this) {
            current = nullptr;
        }
    }
    DialogDriver(const DialogDriver&) = delete;
    DialogDriver& operator=(const DialogDriver&) = delete;

    std::vector<std::string> Captions() const {
        std::vector<std::string> captions;
        for (const SeenDialog& dialog : seen) {
            captions.push_back(dialog.caption);
        }
        return captions;
    }

    // A click on a button (or check box) of the dialog, as the mouse would give it.
    static void Click(HWND dialog, int id) {
        HWND control = GetDlgItem(dialog, id);
        if (control != nullptr) {
            SendMessageA(control, BM_CLICK, 0, 0);
        }
    }
    // The button's command, as its accelerator or Return would send it.
    static void PressButton(HWND dialog, int id) {
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
    }
    // The Escape key, through the dialog's keyboard handling.
    static void PressEscape(HWND dialog) {
        HWND focus = GetFocus();
        HWND target = focus != nullptr && IsChild(dialog, focus) ? focus : dialog;
        PostMessageA(target, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
        PostMessageA(target, WM_KEYUP, VK_ESCAPE, 0xC0010001);
    }
    // The close box of the caption.
    static void PressCloseBox(HWND dialog) { PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); }

    static std::string TextOf(HWND window) {
        char text[1024] = {};
        GetWindowTextA(window, text, sizeof text);
        return text;
    }

private:
    struct Open {
        HWND window;
        int ticks;
    };
    static inline DialogDriver* current = nullptr;
    UINT_PTR timer = 0;
    std::vector<Open> open;

    static BOOL CALLBACK CollectControl(HWND child, LPARAM param) {
        SeenDialog* dialog = reinterpret_cast<SeenDialog*>(param);
        if (GetParent(child) != dialog->window) {
            return TRUE;
        }
        SeenControl control;
        control.id = GetDlgCtrlID(child);
        char className[64] = {};
        GetClassNameA(child, className, sizeof className);
        control.className = className;
        control.text = TextOf(child);
        control.style = GetWindowLongA(child, GWL_STYLE);
        control.checked = lstrcmpiA(className, "Button") == 0
                              ? static_cast<int>(SendMessageA(child, BM_GETCHECK, 0, 0))
                              : -1;
        dialog->controls.push_back(control);
        return TRUE;
    }

    static BOOL CALLBACK Visit(HWND window, LPARAM) {
        char className[64] = {};
        GetClassNameA(window, className, sizeof className);
        if (lstrcmpA(className, "#32770") != 0 || !IsWindowVisible(window)) {
            return TRUE;
        }
        DialogDriver* self = current;
        for (Open& known : self->open) {
            if (known.window == window) {
                int tick = ++known.ticks;
                if (tick >= self->giveUpTicks) {
                    self->stuck = true;
                    for (int id : {IDCANCEL, IDOK, 1001}) {
                        PostMessageA(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
                    }
                    return TRUE;
                }
                if (self->act) {
                    self->act(window, tick);
                }
                return TRUE;
            }
        }
        self->open.push_back({window, 0});
        SeenDialog dialog;
        dialog.window = window;
        dialog.owner = GetWindow(window, GW_OWNER);
        dialog.caption = TextOf(window);
        GetWindowRect(window, &dialog.rect);
        EnumChildWindows(window, CollectControl, reinterpret_cast<LPARAM>(&dialog));
        self->seen.push_back(dialog);
        if (self->act) {
            self->act(window, 0);
        }
        return TRUE;
    }

    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
        DialogDriver* self = current;
        if (self == nullptr) {
            return;
        }
        // Forget closed dialogs: handles are reused.
        for (size_t i = 0; i < self->open.size();) {
            if (!IsWindow(self->open[i].window)) {
                self->open.erase(self->open.begin() + static_cast<long>(i));
            } else {
                ++i;
            }
        }
        EnumThreadWindows(GetCurrentThreadId(), Visit, 0);
    }
};
