// A small plug-in for the stand-in's tests. What it does is chosen by its embed attributes:
//   echo        status "args ..." with the mode and every argn=argv pair as received
//   color=RRGGBB  paints its window (and its printout) in that colour
//   write=N     NPP_Write consumes at most N bytes;  ready=N  NPP_WriteReady answers N
//   failat=N    NPP_Write returns -1 once the offset reaches N
//   geturl=URL [target=T] [notify]  at the end of its first stream: NPN_GetURL(URL, T or null),
//               or NPN_GetURLNotify with the data 1234 (NPP_URLNotify reports in the status)
//   status=TEXT status TEXT from the first NPP_SetWindow
//   timer=MS    a window timer (the scenario's "ticks")
//   fullprint=decline  declines full-page printing (so does a drawing whose address has
//               "decline" in it: a full page has no attributes)
// Its window reports input through the status line: mouse buttons with the key state, keys;
// a right click opens a menu, key B shows a message box with the text box=TEXT, key D opens a
// dialog with a check box, key S a save dialog. Every stream ends with a status line giving its
// byte count and checksum.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "npapi/npapi.h"

namespace {

NPNetscapeFuncs* g_browser = nullptr;
HMODULE g_module = nullptr;

struct TestInstance {
    NPP npp;
    HWND window;
    WNDPROC previous;
    COLORREF color;
    bool hasColor;
    int32_t writeLimit;
    int32_t ready;
    int32_t failAt;
    char getUrl[512];
    char target[64];
    bool hasTarget;
    bool notify;
    char status[256];
    char box[256];
    int timerMs;
    bool declineFullPrint;
    int streams;
    uint16_t mode;
};

struct TestStream {
    uint32_t bytes;
    uint32_t sum;
    int number;
};

void Status(NPP npp, const char* text) {
    g_browser->status(npp, text);
}

TestInstance* Find(HWND window) {
    return reinterpret_cast<TestInstance*>(GetPropA(window, "TestInstance"));
}

const char* Modifiers(char* out) {
    out[0] = 0;
    if (GetKeyState(VK_SHIFT) & 0x8000) {
        strcat(out, " shift");
    }
    if (GetKeyState(VK_CONTROL) & 0x8000) {
        strcat(out, " ctrl");
    }
    return out;
}

// Mouse messages carry the key state of their moment in wParam.
const char* MouseModifiers(WPARAM flags, char* out) {
    out[0] = 0;
    if (flags & MK_SHIFT) {
        strcat(out, " shift");
    }
    if (flags & MK_CONTROL) {
        strcat(out, " ctrl");
    }
    return out;
}

INT_PTR CALLBACK TestDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) {
        return TRUE;
    }
    if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        int checked = IsDlgButtonChecked(dialog, 101) == BST_CHECKED;
        EndDialog(dialog, LOWORD(wParam) == IDOK ? 10 + checked : 0);
        return TRUE;
    }
    return FALSE;
}

LRESULT CALLBACK TestWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    TestInstance* instance = Find(window);
    if (!instance) {
        return DefWindowProcA(window, message, wParam, lParam);
    }
    char text[600], mods[32];
    int x = static_cast<short>(LOWORD(lParam)), y = static_cast<short>(HIWORD(lParam));
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window, &ps);
        RECT r;
        GetClientRect(window, &r);
        HBRUSH brush = CreateSolidBrush(instance->hasColor ? instance->color : RGB(255, 255, 255));
        FillRect(dc, &r, brush);
        DeleteObject(brush);
        EndPaint(window, &ps);
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
        if (GetFocus() != window) {
            SetFocus(window);
        }
        snprintf(text, sizeof text, "%s %d %d%s", message == WM_LBUTTONDOWN ? "ldown" : "rdown", x,
                 y, MouseModifiers(wParam, mods));
        Status(instance->npp, text);
        return 0;
    case WM_LBUTTONUP:
        snprintf(text, sizeof text, "lup %d %d%s", x, y, MouseModifiers(wParam, mods));
        Status(instance->npp, text);
        return 0;
    case WM_MOUSEMOVE:
        if (wParam & MK_LBUTTON) {
            snprintf(text, sizeof text, "drag %d %d%s", x, y, MouseModifiers(wParam, mods));
            Status(instance->npp, text);
        }
        return 0;
    case WM_RBUTTONUP: {
        snprintf(text, sizeof text, "rup %d %d%s", x, y, MouseModifiers(wParam, mods));
        Status(instance->npp, text);
        HMENU menu = CreatePopupMenu();
        AppendMenuA(menu, MF_STRING, 1, "&First");
        AppendMenuA(menu, MF_STRING, 2, "&Second\tCtrl+S");
        AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
        AppendMenuA(menu, MF_STRING | MF_GRAYED, 3, "&Grayed");
        AppendMenuA(menu, MF_STRING | MF_CHECKED, 4, "&Checked");
        POINT p = {x, y};
        ClientToScreen(window, &p);
        int picked =
            TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, p.x, p.y, 0, window, nullptr);
        DestroyMenu(menu);
        snprintf(text, sizeof text, "menu -> %d", picked);
        Status(instance->npp, text);
        return 0;
    }
    case WM_KEYDOWN:
        snprintf(text, sizeof text, "key %d%s", static_cast<int>(wParam), Modifiers(mods));
        Status(instance->npp, text);
        if (wParam == 'B') {
            int answer = MessageBoxA(window, instance->box, "Test box", MB_OKCANCEL);
            snprintf(text, sizeof text, "box -> %d", answer);
            Status(instance->npp, text);
        } else if (wParam == 'D') {
            INT_PTR result =
                DialogBoxParamA(g_module, MAKEINTRESOURCEA(100), window, TestDialogProc, 0);
            snprintf(text, sizeof text, "dialog -> %d", static_cast<int>(result));
            Status(instance->npp, text);
        } else if (wParam == 'S') {
            char file[MAX_PATH] = "drawing.hts";
            OPENFILENAMEA ofn = {};
            ofn.lStructSize = sizeof ofn;
            ofn.hwndOwner = window;
            ofn.lpstrFilter = "Host test (*.hts)\0*.hts\0";
            ofn.lpstrFile = file;
            ofn.nMaxFile = sizeof file;
            ofn.lpstrDefExt = "hts";
            ofn.Flags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY;
            BOOL ok = GetSaveFileNameA(&ofn);
            snprintf(text, sizeof text, "save -> %d %s", ok ? 1 : 0, ok ? file : "");
            Status(instance->npp, text);
        }
        return 0;
    case WM_TIMER:
        return 0;
    default:
        break;
    }
    return CallWindowProcA(instance->previous, window, message, wParam, lParam);
}

bool Is(const char* a, const char* b) {
    return lstrcmpiA(a, b) == 0;
}

NPError TestNew(NPMIMEType, NPP npp, uint16_t mode, int16_t argc, char* argn[], char* argv[],
                NPSavedData*) {
    if (!npp) {
        return NPERR_INVALID_INSTANCE_ERROR;
    }
    auto* instance = static_cast<TestInstance*>(g_browser->memalloc(sizeof(TestInstance)));
    if (!instance) {
        return NPERR_OUT_OF_MEMORY_ERROR;
    }
    memset(instance, 0, sizeof *instance);
    instance->npp = npp;
    instance->mode = mode;
    instance->ready = 65536;
    instance->writeLimit = 0x7FFFFFFF;
    instance->failAt = -1;
    npp->pdata = instance;
    char echo[2048];
    snprintf(echo, sizeof echo, "args mode=%d argc=%d", mode, argc);
    bool doEcho = false;
    for (int i = 0; i < argc; ++i) {
        const char* name = argn[i];
        const char* value = argv[i] ? argv[i] : "";
        size_t used = strlen(echo);
        snprintf(echo + used, sizeof echo - used, " %s=%s", name, value);
        if (Is(name, "echo")) {
            doEcho = true;
        } else if (Is(name, "color")) {
            unsigned rgb = static_cast<unsigned>(strtoul(value, nullptr, 16));
            instance->color = RGB((rgb >> 16) & 255, (rgb >> 8) & 255, rgb & 255);
            instance->hasColor = true;
        } else if (Is(name, "write")) {
            instance->writeLimit = atoi(value);
        } else if (Is(name, "ready")) {
            instance->ready = atoi(value);
        } else if (Is(name, "failat")) {
            instance->failAt = atoi(value);
        } else if (Is(name, "geturl")) {
            lstrcpynA(instance->getUrl, value, sizeof instance->getUrl);
        } else if (Is(name, "target")) {
            lstrcpynA(instance->target, value, sizeof instance->target);
            instance->hasTarget = true;
        } else if (Is(name, "notify")) {
            instance->notify = true;
        } else if (Is(name, "status")) {
            lstrcpynA(instance->status, value, sizeof instance->status);
        } else if (Is(name, "box")) {
            lstrcpynA(instance->box, value, sizeof instance->box);
        } else if (Is(name, "timer")) {
            instance->timerMs = atoi(value);
        } else if (Is(name, "fullprint")) {
            instance->declineFullPrint = Is(value, "decline");
        }
    }
    if (doEcho) {
        Status(npp, echo);
    }
    return NPERR_NO_ERROR;
}

NPError TestDestroy(NPP npp, NPSavedData**) {
    if (!npp) {
        return NPERR_INVALID_INSTANCE_ERROR;
    }
    auto* instance = static_cast<TestInstance*>(npp->pdata);
    if (instance) {
        if (instance->window && IsWindow(instance->window)) {
            KillTimer(instance->window, 7);
            SetWindowLongPtrA(instance->window, GWLP_WNDPROC,
                              reinterpret_cast<LONG_PTR>(instance->previous));
            RemovePropA(instance->window, "TestInstance");
        }
        g_browser->memfree(instance);
    }
    npp->pdata = nullptr;
    return NPERR_NO_ERROR;
}

NPError TestSetWindow(NPP npp, NPWindow* window) {
    if (!npp || !npp->pdata || !window) {
        return NPERR_GENERIC_ERROR;
    }
    auto* instance = static_cast<TestInstance*>(npp->pdata);
    HWND hwnd = static_cast<HWND>(window->window);
    if (hwnd && !instance->window) {
        instance->window = hwnd;
        SetPropA(hwnd, "TestInstance", instance);
        instance->previous = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(TestWindowProc)));
        if (instance->timerMs > 0) {
            SetTimer(hwnd, 7, static_cast<UINT>(instance->timerMs), nullptr);
        }
        InvalidateRect(hwnd, nullptr, TRUE);
        if (instance->status[0]) {
            Status(npp, instance->status);
        }
    }
    return NPERR_NO_ERROR;
}

NPError TestNewStream(NPP npp, NPMIMEType, NPStream* stream, NPBool, uint16_t* type) {
    if (!npp || !npp->pdata) {
        return NPERR_INVALID_INSTANCE_ERROR;
    }
    auto* instance = static_cast<TestInstance*>(npp->pdata);
    auto* record = new TestStream();
    record->number = ++instance->streams;
    if (record->number == 1 && stream->url && strstr(stream->url, "decline")) {
        instance->declineFullPrint = true;
    }
    stream->pdata = record;
    *type = NP_NORMAL;
    return NPERR_NO_ERROR;
}

int32_t TestWriteReady(NPP npp, NPStream*) {
    auto* instance = static_cast<TestInstance*>(npp->pdata);
    return instance ? instance->ready : 0;
}

int32_t TestWrite(NPP npp, NPStream* stream, int32_t offset, int32_t len, void* buffer) {
    auto* instance = static_cast<TestInstance*>(npp->pdata);
    auto* record = static_cast<TestStream*>(stream->pdata);
    if (!instance || !record) {
        return -1;
    }
    if (instance->failAt >= 0 && offset + len > instance->failAt) {
        return -1;
    }
    if (static_cast<uint32_t>(offset) != record->bytes) {
        Status(npp, "write at an unexpected offset");
    }
    int32_t take = len < instance->writeLimit ? len : instance->writeLimit;
    const unsigned char* bytes = static_cast<const unsigned char*>(buffer);
    for (int32_t i = 0; i < take; ++i) {
        record->sum = record->sum * 31 + bytes[i];
    }
    record->bytes += static_cast<uint32_t>(take);
    return take;
}

NPError TestDestroyStream(NPP npp, NPStream* stream, NPReason reason) {
    auto* instance = static_cast<TestInstance*>(npp->pdata);
    auto* record = static_cast<TestStream*>(stream->pdata);
    if (!instance || !record) {
        return NPERR_GENERIC_ERROR;
    }
    char text[700];
    snprintf(text, sizeof text, "stream %d url=%s bytes=%u sum=%08x reason=%d", record->number,
             stream->url, record->bytes, record->sum, reason);
    Status(npp, text);
    if (record->number == 1 && instance->getUrl[0]) {
        const char* target = instance->hasTarget ? instance->target : nullptr;
        NPError result = instance->notify && g_browser->geturlnotify
                             ? g_browser->geturlnotify(npp, instance->getUrl, target,
                                                       reinterpret_cast<void*>(1234))
                             : g_browser->geturl(npp, instance->getUrl, target);
        snprintf(text, sizeof text, "geturl -> %d", result);
        Status(npp, text);
    }
    delete record;
    stream->pdata = nullptr;
    return NPERR_NO_ERROR;
}

void TestStreamAsFile(NPP, NPStream*, const char*) {}

void TestUrlNotify(NPP npp, const char* url, NPReason reason, void* data) {
    char text[700];
    snprintf(text, sizeof text, "notify %s reason=%d data=%d", url, reason,
             static_cast<int>(reinterpret_cast<intptr_t>(data)));
    Status(npp, text);
}

void TestPrint(NPP npp, NPPrint* print) {
    if (!npp || !npp->pdata || !print) {
        return;
    }
    auto* instance = static_cast<TestInstance*>(npp->pdata);
    if (print->mode == NP_FULL) {
        print->print.fullPrint.pluginPrinted = instance->declineFullPrint ? 0 : 1;
        if (!instance->declineFullPrint) {
            HDC dc = static_cast<HDC>(print->print.fullPrint.platformPrint);
            RECT r = {0, 0, 40, 40};
            FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        }
        return;
    }
    HDC dc = static_cast<HDC>(print->print.embedPrint.platformPrint);
    const NPWindow& w = print->print.embedPrint.window;
    RECT r = {w.x, w.y, static_cast<LONG>(w.x + w.width), static_cast<LONG>(w.y + w.height)};
    HBRUSH brush = CreateSolidBrush(instance->hasColor ? instance->color : RGB(0, 0, 0));
    FillRect(dc, &r, brush);
    DeleteObject(brush);
}

} // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE module, DWORD, LPVOID) {
    g_module = module;
    return TRUE;
}

NPError WINAPI NP_GetEntryPoints(NPPluginFuncs* funcs) {
    if (!funcs || funcs->size < NP_PLUGIN_FUNCS_MIN_SIZE) {
        return NPERR_INVALID_FUNCTABLE_ERROR;
    }
    funcs->version = (NP_VERSION_MAJOR << 8) | NP_VERSION_MINOR;
    funcs->newp = TestNew;
    funcs->destroy = TestDestroy;
    funcs->setwindow = TestSetWindow;
    funcs->newstream = TestNewStream;
    funcs->destroystream = TestDestroyStream;
    funcs->asfile = TestStreamAsFile;
    funcs->writeready = TestWriteReady;
    funcs->write = TestWrite;
    funcs->print = TestPrint;
    funcs->event = nullptr;
    if (funcs->size >= offsetof(NPPluginFuncs, urlnotify) + sizeof(funcs->urlnotify)) {
        funcs->urlnotify = TestUrlNotify;
    }
    return NPERR_NO_ERROR;
}

NPError WINAPI NP_Initialize(NPNetscapeFuncs* funcs) {
    if (!funcs) {
        return NPERR_INVALID_FUNCTABLE_ERROR;
    }
    if ((funcs->version >> 8) != 0) {
        return NPERR_INCOMPATIBLE_VERSION_ERROR;
    }
    if (funcs->size < NP_NETSCAPE_FUNCS_MIN_SIZE) {
        return NPERR_INVALID_FUNCTABLE_ERROR;
    }
    g_browser = funcs;
    return NPERR_NO_ERROR;
}

NPError WINAPI NP_Shutdown() {
    g_browser = nullptr;
    return NPERR_NO_ERROR;
}

} // extern "C"
