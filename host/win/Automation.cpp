#include "host/win/Automation.h"

#include <algorithm>

#include "host/HostText.h"
#include "host/win/Imaging.h"
#include "host/win/Log.h"

namespace vemohost {

namespace {

Runner* g_runner = nullptr;
const DWORD kBoxGraceMs = 300;
const UINT kTickMs = 15;
const UINT kGetMenuHandle = 0x01E1; // MN_GETHMENU
const UINT kRunMessage = WM_APP + 10;

void CALLBACK RunnerTimer(HWND, UINT, UINT_PTR, DWORD) {
    if (g_runner) {
        g_runner->Tick();
    }
}

std::string WindowText(HWND window) {
    char text[1024];
    int n = GetWindowTextA(window, text, sizeof text);
    return std::string(text, n > 0 ? static_cast<size_t>(n) : 0);
}

std::string ClassOf(HWND window) {
    char name[64];
    int n = GetClassNameA(window, name, sizeof name);
    return std::string(name, n > 0 ? static_cast<size_t>(n) : 0);
}

// Menu and button texts as a person reads them: no '&' marks, nothing after a tab.
std::string PlainLabel(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\t') {
            break;
        }
        if (text[i] == '&') {
            if (i + 1 < text.size() && text[i + 1] == '&') {
                out.push_back('&');
                ++i;
            }
            continue;
        }
        out.push_back(text[i]);
    }
    return out;
}

struct WindowSearch {
    const char* className; // null: every window
    std::vector<HWND> found;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<WindowSearch*>(context);
    if (!search->className || (IsWindowVisible(window) && ClassOf(window) == search->className)) {
        search->found.push_back(window);
    }
    return TRUE;
}

std::vector<HWND> ThreadWindows(const char* className) {
    WindowSearch search = {className, {}};
    EnumThreadWindows(GetCurrentThreadId(), CollectWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::vector<HWND> Children(HWND parent) {
    WindowSearch search = {nullptr, {}};
    EnumChildWindows(parent, CollectWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// A message box holds its text in the one static control 0xFFFF, perhaps an icon, and push
// buttons; a dialog with controls of its own (more texts, check boxes, fields) is no message
// box, even when one of its labels has the id 0xFFFF (-1) too.
bool IsMessageBox(HWND dialog) {
    int texts = 0;
    for (HWND control : Children(dialog)) {
        const LONG style = GetWindowLongA(control, GWL_STYLE);
        const std::string kind = ClassOf(control);
        if (EqualsNoCase(kind, "Static") && (style & SS_TYPEMASK) == SS_ICON) {
            continue;
        }
        if (EqualsNoCase(kind, "Static") && (GetDlgCtrlID(control) & 0xFFFF) == 0xFFFF) {
            ++texts;
            continue;
        }
        const LONG button = style & BS_TYPEMASK;
        if (EqualsNoCase(kind, "Button") &&
            (button == BS_PUSHBUTTON || button == BS_DEFPUSHBUTTON)) {
            continue;
        }
        return false;
    }
    return texts == 1;
}

void SendInputs(std::vector<INPUT>& inputs) {
    if (!inputs.empty()) {
        SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    }
    inputs.clear();
}

void AddKey(std::vector<INPUT>& inputs, int key, bool up) {
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = static_cast<WORD>(key);
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyA(static_cast<UINT>(key), 0));
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    if (key == VK_LEFT || key == VK_RIGHT || key == VK_UP || key == VK_DOWN || key == VK_HOME ||
        key == VK_END || key == VK_PRIOR || key == VK_NEXT || key == VK_INSERT ||
        key == VK_DELETE) {
        input.ki.dwFlags |= KEYEVENTF_EXTENDEDKEY;
    }
    inputs.push_back(input);
}

void AddMove(std::vector<INPUT>& inputs, POINT screen) {
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    INPUT input = {};
    input.type = INPUT_MOUSE;
    // The smallest absolute value that lands on the pixel: pixel = value * size / 65536.
    input.mi.dx = static_cast<LONG>((static_cast<long long>(screen.x) * 65536 + width - 1) / width);
    input.mi.dy =
        static_cast<LONG>((static_cast<long long>(screen.y) * 65536 + height - 1) / height);
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    inputs.push_back(input);
}

void AddButton(std::vector<INPUT>& inputs, MouseButton button, bool up) {
    INPUT input = {};
    input.type = INPUT_MOUSE;
    switch (button) {
    case MouseButton::Left:
        input.mi.dwFlags = up ? MOUSEEVENTF_LEFTUP : MOUSEEVENTF_LEFTDOWN;
        break;
    case MouseButton::Right:
        input.mi.dwFlags = up ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_RIGHTDOWN;
        break;
    case MouseButton::Middle:
        input.mi.dwFlags = up ? MOUSEEVENTF_MIDDLEUP : MOUSEEVENTF_MIDDLEDOWN;
        break;
    }
    inputs.push_back(input);
}

void AddModifiers(std::vector<INPUT>& inputs, const Step& step, bool up) {
    if (step.shift) {
        AddKey(inputs, VK_SHIFT, up);
    }
    if (step.ctrl) {
        AddKey(inputs, VK_CONTROL, up);
    }
}

const char* ButtonName(MouseButton button) {
    return button == MouseButton::Right    ? "right"
           : button == MouseButton::Middle ? "middle"
                                           : "left";
}

void LogMenu(HWND menuWindow) {
    HMENU menu = reinterpret_cast<HMENU>(SendMessageA(menuWindow, kGetMenuHandle, 0, 0));
    int count = menu ? GetMenuItemCount(menu) : -1;
    LogLine("menu items=" + std::to_string(count));
    for (int i = 0; i < count; ++i) {
        char text[256] = "";
        MENUITEMINFOA info = {};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_STRING | MIIM_ID | MIIM_SUBMENU;
        info.dwTypeData = text;
        info.cch = sizeof text - 1;
        if (!GetMenuItemInfoA(menu, static_cast<UINT>(i), TRUE, &info)) {
            continue;
        }
        std::string line = "menu-item " + std::to_string(i + 1);
        if (info.fType & MFT_SEPARATOR) {
            line += " separator";
        } else {
            line += " " + QuoteForLog(PlainLabel(text)) + " id=" + std::to_string(info.wID);
            if (info.fState & MFS_GRAYED) {
                line += " grayed";
            }
            if (info.fState & MFS_CHECKED) {
                line += " checked";
            }
            if (info.hSubMenu) {
                line += " submenu";
            }
        }
        LogLine(line);
    }
}

void LogDialog(HWND dialog) {
    if (IsMessageBox(dialog)) {
        LogLine("messagebox " + QuoteForLog(WindowText(dialog)) + " " +
                QuoteForLog(WindowText(GetDlgItem(dialog, 0xFFFF))));
        return;
    }
    LogLine("dialog " + QuoteForLog(WindowText(dialog)));
    for (HWND control : Children(dialog)) {
        if (GetParent(control) != dialog) {
            continue;
        }
        std::string line = "dialog-control #" + std::to_string(GetDlgCtrlID(control)) + " " +
                           ClassOf(control) + " " + QuoteForLog(WindowText(control));
        if (EqualsNoCase(ClassOf(control), "Button")) {
            LRESULT check = SendMessageA(control, BM_GETCHECK, 0, 0);
            LONG type = GetWindowLongA(control, GWL_STYLE) & BS_TYPEMASK;
            if (type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_3STATE ||
                type == BS_AUTO3STATE || type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON) {
                line += check == BST_CHECKED ? " checked" : " unchecked";
            }
        }
        if (!IsWindowEnabled(control)) {
            line += " disabled";
        }
        LogLine(line);
    }
}

HWND FindButton(HWND dialog, const DialogAction& action) {
    if (action.controlId >= 0) {
        return GetDlgItem(dialog, action.controlId);
    }
    for (HWND control : Children(dialog)) {
        if (EqualsNoCase(ClassOf(control), "Button") &&
            (EqualsNoCase(PlainLabel(WindowText(control)), PlainLabel(action.text)) ||
             EqualsNoCase(WindowText(control), action.text))) {
            return control;
        }
    }
    return nullptr;
}

} // namespace

Runner::Runner(Host& host, std::vector<Step> steps, bool scripted, bool keepOpen)
    : host_(host), steps_(std::move(steps)), scripted_(scripted), keepOpen_(keepOpen) {}

LRESULT CALLBACK RunnerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kRunMessage && g_runner) {
        g_runner->RunPosted(static_cast<size_t>(wParam));
        return 0;
    }
    if (message == WM_TIMER && g_runner) { // a step put off by RunPosted
        KillTimer(window, wParam);
        g_runner->RunPosted(static_cast<size_t>(wParam) - 1);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void Runner::Start() {
    g_runner = this;
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = RunnerWindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "VemoHostRunner";
    RegisterClassA(&windowClass);
    window_ = CreateWindowA("VemoHostRunner", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                            GetModuleHandleA(nullptr), nullptr);
    SetTimer(nullptr, 0, kTickMs, RunnerTimer);
    if (scripted_) {
        LogLine("scenario steps=" + std::to_string(steps_.size()));
    }
}

void Runner::Tick() {
    if (!watching_) { // the watcher also runs in modal loops entered from a step
        watching_ = true;
        Watch();
        watching_ = false;
    }
    if (busy_) {
        return;
    }
    busy_ = true;
    if (scripted_ && !finished_) {
        if (finishing_) {
            if (Finish()) {
                finished_ = true;
            }
        } else {
            // Several quick steps may run in one tick; a step that waits ends the tick.
            for (int guard = 0; guard < 16 && !finishing_; ++guard) {
                if (index_ >= steps_.size()) {
                    LogLine("scenario-end failures=" + std::to_string(failures_));
                    if (keepOpen_ && !quit_) {
                        scripted_ = false;
                    } else {
                        finishing_ = true;
                        finishStart_ = GetTickCount();
                    }
                    break;
                }
                Step& step = steps_[index_];
                if (!started_) {
                    started_ = true;
                    phase_ = 0;
                    stepStart_ = GetTickCount();
                    LogLine("step " + std::to_string(index_ + 1) + " " + StepName(step.kind) +
                            " line=" + std::to_string(step.line));
                }
                yield_ = false;
                if (!RunStep(step)) {
                    break;
                }
                started_ = false;
                ++index_;
                if (yield_) {
                    break;
                }
            }
        }
    }
    busy_ = false;
}

bool Runner::Expired(const Step& step) const {
    return GetTickCount() - stepStart_ >= static_cast<DWORD>(step.timeoutMs);
}

void Runner::Fail(const Step& step, const std::string& why) {
    ++failures_;
    LogLine("step-failed " + std::to_string(index_ + 1) + " " + StepName(step.kind) +
            " line=" + std::to_string(step.line) + " why=" + QuoteForLog(why));
}

bool Runner::RunStep(Step& step) {
    switch (step.kind) {
    case StepKind::Open:
    case StepKind::Close:
    case StepKind::Quit:
        if (InsidePlugin()) { // never from inside a plug-in's call
            if (Expired(step)) {
                Fail(step, "a plug-in call did not return");
                return true;
            }
            return false;
        }
        if (step.kind == StepKind::Quit) {
            index_ = steps_.size() - 1; // the end of the scenario
            quit_ = true;
            return true;
        }
        Post(step);
        return true;
    case StepKind::Wait:
        return GetTickCount() - stepStart_ >= static_cast<DWORD>(step.number);
    case StepKind::Ticks: {
        Instance* instance = host_.InstanceAt(step.instance);
        if (!instance) {
            Fail(step, "no instance " + std::to_string(step.instance));
            return true;
        }
        if (phase_ == 0) {
            tickBase_ = instance->ticks;
            phase_ = 1;
        }
        if (instance->ticks - tickBase_ >= step.number) {
            return true;
        }
        if (Expired(step)) {
            Fail(step, "timeout after " + std::to_string(instance->ticks - tickBase_) + " ticks");
            return true;
        }
        return false;
    }
    case StepKind::Idle:
        if (!host_.Busy()) {
            return true;
        }
        if (Expired(step)) {
            Fail(step, "streams still open");
            return true;
        }
        return false;
    case StepKind::Move:
    case StepKind::Down:
    case StepKind::Up:
    case StepKind::Click:
    case StepKind::Drag:
        return PointerStep(step);
    case StepKind::Key:
    case StepKind::KeyDown:
    case StepKind::KeyUp: {
        std::vector<INPUT> inputs;
        if (step.kind == StepKind::Key) {
            AddModifiers(inputs, step, false);
        }
        if (step.kind != StepKind::KeyUp) {
            AddKey(inputs, step.virtualKey, false);
        }
        if (step.kind != StepKind::KeyDown) {
            AddKey(inputs, step.virtualKey, true);
        }
        if (step.kind == StepKind::Key) {
            AddModifiers(inputs, step, true);
        }
        SendInputs(inputs);
        yield_ = true;
        LogLine(std::string("input ") + StepName(step.kind) + " " + step.text +
                (step.shift ? " shift" : "") + (step.ctrl ? " ctrl" : ""));
        return true;
    }
    case StepKind::Menu:
        return MenuStep(step);
    case StepKind::Dialog:
        return DialogStep(step);
    case StepKind::Resize:
    case StepKind::Print:
        Post(step);
        return true;
    case StepKind::Capture: {
        Image image;
        if (!host_.Capture(step.instance, step.capturePrint, image) ||
            !SaveImage(image, step.text)) {
            Fail(step, "cannot capture " +
                           std::string(step.instance == kPageTarget     ? "the page"
                                       : step.instance == kWindowTarget ? "the window"
                                           : "instance " + std::to_string(step.instance)));
            return true;
        }
        LogLine("capture " +
                (step.instance == kPageTarget     ? std::string("page")
                 : step.instance == kWindowTarget ? std::string("window")
                                                  : "in=" + std::to_string(step.instance)) +
                " file=" + QuoteForLog(step.text) + " width=" + std::to_string(image.width) +
                " height=" + std::to_string(image.height));
        return true;
    }
    case StepKind::Fail:
        host_.SetFail(step.failTarget, step.failMode);
        LogLine(std::string("fail ") +
                (step.failTarget == FailTarget::GetUrl ? "geturl" : "memalloc") + " " +
                (step.failMode == FailMode::Always ? "always"
                 : step.failMode == FailMode::Once ? "once"
                                                   : "off"));
        return true;
    case StepKind::Log:
        LogLine("note " + QuoteForLog(step.text));
        return true;
    }
    return true;
}

// Steps that call into plug-ins run from the message loop, not from the timer: a plug-in may
// open a modal box in such a call, and the timer must stay free to answer it.
void Runner::Post(const Step& step) {
    (void)step;
    PostMessageA(window_, kRunMessage, index_, 0);
    yield_ = true;
}

void Runner::RunPosted(size_t index) {
    if (index >= steps_.size()) {
        return;
    }
    Step& step = steps_[index];
    if (InsidePlugin()) { // inside a plug-in's call: once it has returned
        SetTimer(window_, index + 1, 20, nullptr);
        return;
    }
    switch (step.kind) {
    case StepKind::Open:
        host_.Open(step.text);
        break;
    case StepKind::Close:
        host_.ClosePage();
        break;
    case StepKind::Resize:
        host_.ResizePage(step.x, step.y);
        break;
    case StepKind::Print: {
        Image image;
        if (!host_.Print(static_cast<int>(step.number), image) || !SaveImage(image, step.text)) {
            Fail(step, "cannot print to " + step.text);
            break;
        }
        LogLine("print file=" + QuoteForLog(step.text) + " width=" + std::to_string(image.width) +
                " height=" + std::to_string(image.height));
        break;
    }
    default:
        break;
    }
}

bool Runner::PointerStep(Step& step) {
    // The instance is looked up when the step starts; its window's place is kept for the rest of
    // the step, which may outlive the instance (a release that follows a link navigates away).
    if (phase_ == 0) {
        Instance* instance = host_.InstanceAt(step.instance);
        if (!instance || !instance->window) {
            Fail(step, "no instance " + std::to_string(step.instance));
            return true;
        }
        stepOrigin_ = {0, 0};
        ClientToScreen(instance->window, &stepOrigin_);
    }
    auto toScreen = [&](int x, int y) { return POINT{stepOrigin_.x + x, stepOrigin_.y + y}; };
    std::vector<INPUT> inputs;
    const std::string where = " in=" + std::to_string(step.instance);
    switch (step.kind) {
    case StepKind::Move:
        AddMove(inputs, toScreen(step.x, step.y));
        SendInputs(inputs);
        yield_ = true;
        LogLine("input move " + std::to_string(step.x) + " " + std::to_string(step.y) + where);
        return true;
    case StepKind::Down:
    case StepKind::Up: {
        bool up = step.kind == StepKind::Up;
        if (phase_ == 0) {
            AddModifiers(inputs, step, false);
            AddMove(inputs, toScreen(step.x, step.y));
            AddButton(inputs, step.button, up);
            SendInputs(inputs);
            phase_ = 1;
            return false;
        }
        AddModifiers(inputs, step, true);
        SendInputs(inputs);
        yield_ = true;
        LogLine(std::string("input ") + (up ? "up " : "down ") + std::to_string(step.x) + " " +
                std::to_string(step.y) + " " + ButtonName(step.button) +
                (step.shift ? " shift" : "") + (step.ctrl ? " ctrl" : "") + where);
        return true;
    }
    case StepKind::Click:
        // Press; release the button on the next tick and the modifiers on the one after, as a
        // hand would.
        if (phase_ == 0) {
            AddModifiers(inputs, step, false);
            AddMove(inputs, toScreen(step.x, step.y));
            AddButton(inputs, step.button, false);
            SendInputs(inputs);
            phase_ = 1;
            return false;
        }
        if (phase_ == 1) {
            AddModifiers(inputs, step, false);
            AddButton(inputs, step.button, true);
            SendInputs(inputs);
            phase_ = 2;
            return false;
        }
        AddModifiers(inputs, step, true);
        SendInputs(inputs);
        yield_ = true;
        LogLine("input click " + std::to_string(step.x) + " " + std::to_string(step.y) + " " +
                ButtonName(step.button) + (step.shift ? " shift" : "") +
                (step.ctrl ? " ctrl" : "") + where);
        return true;
    default: // Drag: press, move in steps (one per tick), release.
        if (phase_ == 0) {
            AddModifiers(inputs, step, false);
            AddMove(inputs, toScreen(step.x, step.y));
            AddButton(inputs, step.button, false);
            SendInputs(inputs);
            phase_ = 1;
            return false;
        }
        if (phase_ <= step.dragSteps) {
            int x = step.x + (step.x2 - step.x) * phase_ / step.dragSteps;
            int y = step.y + (step.y2 - step.y) * phase_ / step.dragSteps;
            AddModifiers(inputs, step, false);
            AddMove(inputs, toScreen(x, y));
            SendInputs(inputs);
            ++phase_;
            return false;
        }
        if (phase_ == step.dragSteps + 1) {
            AddModifiers(inputs, step, false);
            AddButton(inputs, step.button, true);
            SendInputs(inputs);
            ++phase_;
            return false;
        }
        AddModifiers(inputs, step, true);
        SendInputs(inputs);
        yield_ = true;
        LogLine("input drag " + std::to_string(step.x) + " " + std::to_string(step.y) + " " +
                std::to_string(step.x2) + " " + std::to_string(step.y2) + " " +
                ButtonName(step.button) + (step.shift ? " shift" : "") +
                (step.ctrl ? " ctrl" : "") + where);
        return true;
    }
}

HWND Runner::OpenMenu() const {
    std::vector<HWND> menus = ThreadWindows("#32768");
    return menus.empty() ? nullptr : menus.back();
}

bool Runner::MenuStep(Step& step) {
    HWND menuWindow = OpenMenu();
    if (!menuWindow) {
        if (Expired(step)) {
            Fail(step, "no menu opened");
            return true;
        }
        return false;
    }
    if (seen_.find(menuWindow) == seen_.end()) {
        seen_[menuWindow] = GetTickCount();
        LogMenu(menuWindow);
    }
    if (step.menuCancel) {
        EndMenu();
        LogLine("menu-cancel");
        return true;
    }
    HMENU menu = reinterpret_cast<HMENU>(SendMessageA(menuWindow, kGetMenuHandle, 0, 0));
    int count = menu ? GetMenuItemCount(menu) : 0;
    int index = -1;
    for (int i = 0; i < count && index < 0; ++i) {
        char text[256] = "";
        GetMenuStringA(menu, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
        if (step.number > 0 ? i + 1 == step.number
                            : (EqualsNoCase(PlainLabel(text), PlainLabel(step.text)) ||
                               EqualsNoCase(text, step.text))) {
            index = i;
        }
    }
    if (index < 0) {
        Fail(step, "no menu item " + step.text);
        EndMenu();
        return true;
    }
    UINT state = GetMenuState(menu, static_cast<UINT>(index), MF_BYPOSITION);
    char text[256] = "";
    GetMenuStringA(menu, static_cast<UINT>(index), text, sizeof text, MF_BYPOSITION);
    if (state & (MF_GRAYED | MF_DISABLED | MF_SEPARATOR)) {
        LogLine("menu-pick " + QuoteForLog(PlainLabel(text)) + " grayed (menu closed)");
        EndMenu();
        return true;
    }
    RECT r;
    std::vector<INPUT> inputs;
    if (GetMenuItemRect(nullptr, menu, static_cast<UINT>(index), &r)) {
        POINT center = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
        AddMove(inputs, center);
        AddButton(inputs, MouseButton::Left, false);
        AddButton(inputs, MouseButton::Left, true);
    } else {
        // Keyboard: Home, then Down to the item (separators are skipped by the menu).
        int downs = 0;
        for (int i = 0; i < index; ++i) {
            downs += !(GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION) & MF_SEPARATOR);
        }
        AddKey(inputs, VK_HOME, false);
        AddKey(inputs, VK_HOME, true);
        for (int i = 0; i < downs; ++i) {
            AddKey(inputs, VK_DOWN, false);
            AddKey(inputs, VK_DOWN, true);
        }
        AddKey(inputs, VK_RETURN, false);
        AddKey(inputs, VK_RETURN, true);
    }
    SendInputs(inputs);
    LogLine("menu-pick " + QuoteForLog(PlainLabel(text)) + " item=" + std::to_string(index + 1));
    return true;
}

HWND Runner::NextDialog() const {
    HWND newest = nullptr;
    DWORD newestTime = 0;
    for (HWND dialog : ThreadWindows("#32770")) {
        if (answered_.count(dialog)) {
            continue;
        }
        auto seen = seen_.find(dialog);
        DWORD time = seen == seen_.end() ? GetTickCount() : seen->second;
        if (!newest || time - newestTime < 0x80000000u) {
            newest = dialog;
            newestTime = time;
        }
    }
    return newest;
}

bool Runner::DialogStep(Step& step) {
    HWND dialog = NextDialog();
    if (!dialog) {
        if (Expired(step)) {
            Fail(step, "no dialog opened");
            return true;
        }
        return false;
    }
    if (seen_.find(dialog) == seen_.end()) {
        seen_[dialog] = GetTickCount();
        LogDialog(dialog);
    }
    const std::string caption = QuoteForLog(WindowText(dialog));
    for (const DialogAction& action : step.actions) {
        switch (action.kind) {
        case DialogActionKind::Button: {
            HWND button = FindButton(dialog, action);
            if (!button) {
                Fail(step,
                     "no button " + (action.controlId >= 0 ? "#" + std::to_string(action.controlId)
                                                           : action.text));
                return true;
            }
            answered_.insert(dialog);
            LogLine("dialog-answer " + caption +
                    " button=" + QuoteForLog(PlainLabel(WindowText(button))) +
                    " id=" + std::to_string(GetDlgCtrlID(button)));
            PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED),
                         reinterpret_cast<LPARAM>(button));
            break;
        }
        case DialogActionKind::Check:
        case DialogActionKind::Uncheck: {
            HWND box = FindButton(dialog, action);
            if (!box) {
                Fail(step, "no check box " + action.text);
                return true;
            }
            bool want = action.kind == DialogActionKind::Check;
            bool is = SendMessageA(box, BM_GETCHECK, 0, 0) == BST_CHECKED;
            if (want != is) {
                SendMessageA(box, BM_CLICK, 0, 0); // as a click: the dialog is told
                if ((SendMessageA(box, BM_GETCHECK, 0, 0) == BST_CHECKED) != want) {
                    SendMessageA(box, BM_SETCHECK, want ? BST_CHECKED : BST_UNCHECKED, 0);
                }
            }
            LogLine("dialog-answer " + caption + (want ? " check=" : " uncheck=") +
                    QuoteForLog(PlainLabel(WindowText(box))));
            break;
        }
        case DialogActionKind::Edit:
            SetDlgItemTextA(dialog, action.controlId, action.text.c_str());
            LogLine("dialog-answer " + caption + " edit=#" + std::to_string(action.controlId) +
                    " " + QuoteForLog(action.text));
            break;
        case DialogActionKind::File: {
            // The file name box: cmb13 in the Explorer-style dialog, edt1 in the old one.
            HWND box = GetDlgItem(dialog, 0x47C);
            if (!box) {
                box = GetDlgItem(dialog, 0x480);
            }
            if (!box) {
                Fail(step, "no file name box in " + WindowText(dialog));
                return true;
            }
            SetWindowTextA(box, action.text.c_str());
            answered_.insert(dialog);
            LogLine("dialog-answer " + caption + " file=" + QuoteForLog(action.text));
            PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
            break;
        }
        case DialogActionKind::Capture: {
            Image image;
            if (!CaptureWindow(dialog, true, false, image) || !SaveImage(image, action.text)) {
                Fail(step, "cannot capture the dialog to " + action.text);
                return true;
            }
            LogLine("capture dialog " + caption + " file=" + QuoteForLog(action.text) + " width=" +
                    std::to_string(image.width) + " height=" + std::to_string(image.height));
            break;
        }
        case DialogActionKind::Ok:
        case DialogActionKind::Cancel: {
            bool ok = action.kind == DialogActionKind::Ok;
            answered_.insert(dialog);
            LogLine("dialog-answer " + caption + (ok ? " ok" : " cancel"));
            PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(ok ? IDOK : IDCANCEL, BN_CLICKED), 0);
            break;
        }
        }
    }
    return true;
}

void Runner::Watch() {
    const DWORD now = GetTickCount();
    for (HWND menu : ThreadWindows("#32768")) {
        if (seen_.find(menu) == seen_.end()) {
            seen_[menu] = now;
            LogMenu(menu);
        }
    }
    const bool stepIsDialog =
        scripted_ && index_ < steps_.size() && !finishing_ &&
        (steps_[index_].kind == StepKind::Dialog ||
         (index_ + 1 < steps_.size() && steps_[index_ + 1].kind == StepKind::Dialog && !started_));
    for (HWND dialog : ThreadWindows("#32770")) {
        auto seen = seen_.find(dialog);
        if (seen == seen_.end()) {
            seen_[dialog] = now;
            LogDialog(dialog);
            continue;
        }
        // In a scenario, message boxes nobody answers are dismissed with their default button.
        if (scripted_ && !stepIsDialog && !answered_.count(dialog) && IsMessageBox(dialog) &&
            now - seen->second >= kBoxGraceMs) {
            LRESULT def = SendMessageA(dialog, DM_GETDEFID, 0, 0);
            int id = HIWORD(def) == DC_HASDEFID ? LOWORD(def) : IDOK;
            answered_.insert(dialog);
            LogLine("messagebox-dismissed " + QuoteForLog(WindowText(dialog)) +
                    " button=" + QuoteForLog(PlainLabel(WindowText(GetDlgItem(dialog, id)))));
            PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
        }
    }
    // Forget windows that are gone (handles are reused).
    for (auto it = seen_.begin(); it != seen_.end();) {
        if (!IsWindow(it->first) || !IsWindowVisible(it->first)) {
            answered_.erase(it->first);
            it = seen_.erase(it);
        } else {
            ++it;
        }
    }
}

bool Runner::Finish() {
    // Close what is still open, from the top: menus, then dialogs; then the page.
    if (OpenMenu()) {
        EndMenu();
        return false;
    }
    std::vector<HWND> dialogs = ThreadWindows("#32770");
    if (!dialogs.empty()) {
        for (HWND dialog : dialogs) {
            if (!answered_.count(dialog)) {
                answered_.insert(dialog);
                LogLine("dialog-cancelled " + QuoteForLog(WindowText(dialog)));
                PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
            }
        }
        if (GetTickCount() - finishStart_ < 10000) {
            return false;
        }
    }
    if (InsidePlugin()) {
        if (GetTickCount() - finishStart_ < 10000) {
            return false;
        }
        // A plug-in call that never returns: the instances cannot be torn down safely.
        LogLine("exit forced");
        ExitProcess(2);
    }
    host_.Shutdown();
    LogLine("exit");
    DestroyWindow(host_.FrameWindow());
    return true;
}

} // namespace vemohost
