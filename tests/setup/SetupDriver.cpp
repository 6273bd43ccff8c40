#include "SetupDriver.h"

#include <algorithm>

namespace setuptest {

namespace {

struct Search {
    DWORD processId;
    const std::vector<HWND>* known;
    HWND found;
};

BOOL CALLBACK FindVisible(HWND window, LPARAM data) {
    Search* search = reinterpret_cast<Search*>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId || !IsWindowVisible(window)) {
        return TRUE;
    }
    if (std::find(search->known->begin(), search->known->end(), window) != search->known->end()) {
        return TRUE;
    }
    search->found = window;
    return FALSE;
}

HWND FindNewWindow(DWORD processId, const std::vector<HWND>& known) {
    Search search = {processId, &known, nullptr};
    EnumWindows(FindVisible, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

BOOL CALLBACK FindText(HWND child, LPARAM data) {
    std::string* text = reinterpret_cast<std::string*>(data);
    if (ClassName(child) == "Static") {
        std::string t = WindowText(child);
        if (!t.empty()) {
            *text = t;
            return FALSE;
        }
    }
    return TRUE;
}

BOOL CALLBACK FindIconControl(HWND child, LPARAM data) {
    if (ClassName(child) == "Static" &&
        (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
        *reinterpret_cast<HWND*>(data) = child;
        return FALSE;
    }
    return TRUE;
}

// The pixels of a screen rectangle, or of an icon drawn on a given background, as 0xRRGGBB.
struct Pixels {
    int width;
    int height;
    std::vector<uint32_t> data;

    Pixels(int w, int h) : width(w), height(h), data(size_t(w) * h) {}

    template <typename Draw> void Capture(Draw draw) {
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        HDC screen = GetDC(nullptr);
        HDC memory = CreateCompatibleDC(screen);
        HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        HGDIOBJ old = SelectObject(memory, bitmap);
        draw(memory, screen);
        GdiFlush();
        const uint32_t* p = static_cast<const uint32_t*>(bits);
        for (size_t i = 0; i < data.size(); ++i) {
            data[i] = p[i] & 0xFFFFFF;
        }
        SelectObject(memory, old);
        DeleteObject(bitmap);
        DeleteDC(memory);
        ReleaseDC(nullptr, screen);
    }
};

} // namespace

std::string ModuleFolder() {
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, length);
    return folder.substr(0, folder.find_last_of('\\') + 1);
}

std::string TemporaryFolder() {
    char path[MAX_PATH];
    DWORD length = GetTempPathA(MAX_PATH, path);
    return std::string(path, length);
}

std::string SystemFolder() {
    char path[MAX_PATH];
    UINT length = GetSystemDirectoryA(path, MAX_PATH);
    return std::string(path, length) + "\\";
}

bool FileExists(const std::string& path) {
    DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool FolderExists(const std::string& path) {
    DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::string ReadWholeFile(const std::string& path) {
    std::vector<uint8_t> data;
    return testfiles::ReadBytes(path, data) ? std::string(data.begin(), data.end()) : "<missing>";
}

std::string MakeFolderOfLength(const std::string& base, size_t length) {
    std::string folder = base;
    CreateDirectoryA(folder.c_str(), nullptr);
    while (folder.size() < length) {
        size_t remaining = length - folder.size(); // characters still to add, "\" included
        size_t part = remaining <= 101 ? remaining - 1 : (remaining - 101 == 1 ? 99 : 100);
        folder += std::string(part, 'd') + "\\";
        CreateDirectoryA(folder.c_str(), nullptr);
    }
    return folder;
}

DWORD RunProgram(const std::string& commandLine) {
    std::string command = commandLine;
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                        nullptr, &startup, &process)) {
        return ~0u;
    }
    DWORD exitCode = ~0u;
    if (WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0) {
        GetExitCodeProcess(process.hProcess, &exitCode);
    } else {
        TerminateProcess(process.hProcess, 99);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return exitCode;
}

std::string WindowText(HWND window) {
    char text[1024];
    int length = GetWindowTextA(window, text, sizeof(text));
    return std::string(text, length > 0 ? length : 0);
}

std::string ClassName(HWND window) {
    char name[256];
    int length = GetClassNameA(window, name, sizeof(name));
    return std::string(name, length > 0 ? length : 0);
}

std::string MessageText(HWND box) {
    std::string text;
    EnumChildWindows(box, FindText, reinterpret_cast<LPARAM>(&text));
    return text;
}

void Click(HWND dialog, int id) {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

HWND WaitForWindow(DWORD processId, const std::vector<HWND>& known, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    while (GetTickCount() - start < timeoutMs) {
        HWND found = FindNewWindow(processId, known);
        if (found != nullptr) {
            return found;
        }
        Sleep(20);
    }
    return nullptr;
}

bool WaitUntilGone(HWND window, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    while (GetTickCount() - start < timeoutMs) {
        if (!IsWindow(window) || !IsWindowVisible(window)) {
            return true;
        }
        Sleep(20);
    }
    return false;
}

UINT RecogniseIcon(HWND box) {
    HWND control = nullptr;
    EnumChildWindows(box, FindIconControl, reinterpret_cast<LPARAM>(&control));
    RECT r;
    if (control == nullptr || !GetWindowRect(control, &r) || r.right <= r.left) {
        return 0;
    }
    const struct {
        UINT flag;
        const char* icon;
    } kinds[] = {{MB_ICONERROR, IDI_ERROR},
                 {MB_ICONWARNING, IDI_WARNING},
                 {MB_ICONINFORMATION, IDI_INFORMATION},
                 {MB_ICONQUESTION, IDI_QUESTION}};
    int w = r.right - r.left;
    int h = r.bottom - r.top;
    for (int attempt = 0; attempt < 50; ++attempt) { // until the box has painted itself
        Pixels shown(w, h);
        shown.Capture([&](HDC memory, HDC screen) {
            BitBlt(memory, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
        });
        COLORREF background =
            RGB(shown.data[0] >> 16, (shown.data[0] >> 8) & 0xFF, shown.data[0] & 0xFF);
        for (const auto& kind : kinds) {
            Pixels drawn(w, h);
            drawn.Capture([&](HDC memory, HDC) {
                HBRUSH brush = CreateSolidBrush(background);
                RECT all = {0, 0, w, h};
                FillRect(memory, &all, brush);
                DeleteObject(brush);
                DrawIconEx(memory, 0, 0, LoadIconA(nullptr, kind.icon), w, h, 0, nullptr,
                           DI_NORMAL);
            });
            if (drawn.data == shown.data) {
                return kind.flag;
            }
        }
        Sleep(20);
    }
    return 0;
}

SetupRun RunSetup(const std::string& program, const std::string& arguments,
                  const DialogScript& script) {
    SetupRun run;
    std::string command = "\"" + program + "\"";
    if (!arguments.empty()) {
        command += " " + arguments;
    }
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        return run;
    }
    std::vector<HWND> handled;
    DWORD start = GetTickCount();
    while (WaitForSingleObject(process.hProcess, 20) == WAIT_TIMEOUT) {
        if (GetTickCount() - start > 60000) {
            run.timedOut = true;
            TerminateProcess(process.hProcess, 99);
            WaitForSingleObject(process.hProcess, 5000);
            break;
        }
        HWND window = FindNewWindow(process.dwProcessId, handled);
        if (window == nullptr) {
            continue;
        }
        handled.push_back(window);
        std::string title = WindowText(window);
        run.windows.push_back(title);
        if (title == kMessageCaption) {
            run.messages.push_back(MessageText(window));
            run.icons.push_back(RecogniseIcon(window));
            PostMessageA(window, WM_COMMAND, IDOK, 0);
        } else if (title == kDialogTitle && script) {
            script(window);
        } else if (ClassName(window) == "#32770") {
            Click(window, title == kDialogTitle ? 108 : IDCANCEL);
        } else {
            PostMessageA(window, WM_CLOSE, 0, 0);
        }
    }
    if (!run.timedOut) {
        GetExitCodeProcess(process.hProcess, &run.exitCode);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return run;
}

} // namespace setuptest
