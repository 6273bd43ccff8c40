#include "host/win/Host.h"

#include <algorithm>
#include <cstdio>

#include "host/HostText.h"
#include "host/Url.h"
#include "host/win/Imaging.h"
#include "host/win/Log.h"

namespace vemohost {

Host* g_host = nullptr;
int g_hostCallDepth = 0;
int g_hostWindowDepth = 0;

bool InsidePlugin() {
    return g_hostCallDepth > 0 || g_hostWindowDepth > 0;
}

namespace {

const char kFrameClass[] = "VemoHostFrame";
const char kPageClass[] = "VemoHostPage";
const char kPluginClass[] = "VemoHostPlugin";
const UINT kRequestMessage = WM_APP + 1;
const UINT kPumpMessage = WM_APP + 2;
const UINT_PTR kPumpTimer = 1;
const UINT_PTR kRetryTimer = 2;
const int kMargin = 8;
const int kDefaultEmbedSide = 100;

// Every call into a plug-in goes through CallDepth, so that work which would pull an instance
// from under a running call (navigation, closing) waits until the call has returned.
struct CallScope {
    CallScope() { ++g_hostCallDepth; }
    ~CallScope() { --g_hostCallDepth; }
};
struct WindowScope {
    WindowScope() { ++g_hostWindowDepth; }
    ~WindowScope() { --g_hostWindowDepth; }
};

std::string InstanceTag(const Instance& instance) {
    return "#" + std::to_string(instance.number);
}

std::string Quoted(const char* text) {
    return text ? QuoteForLog(text) : std::string("null");
}

bool ReadWholeFile(const std::string& path, std::vector<char>& data, uint32_t& modified) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    LARGE_INTEGER size;
    FILETIME written;
    bool ok = GetFileSizeEx(file, &size) && size.QuadPart < 0x40000000;
    if (ok && GetFileTime(file, nullptr, nullptr, &written)) {
        ULARGE_INTEGER t;
        t.LowPart = written.dwLowDateTime;
        t.HighPart = written.dwHighDateTime;
        // 100 ns units since 1601 -> seconds since 1970.
        unsigned long long seconds = t.QuadPart / 10000000ULL;
        modified = seconds > 11644473600ULL ? static_cast<uint32_t>(seconds - 11644473600ULL) : 0;
    }
    if (ok) {
        data.resize(static_cast<size_t>(size.QuadPart));
        DWORD read = 0;
        ok = data.empty() ||
             (ReadFile(file, data.data(), static_cast<DWORD>(data.size()), &read, nullptr) &&
              read == data.size());
    }
    CloseHandle(file);
    return ok;
}

bool FileExists(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string FullPath(const std::string& path) {
    char buffer[MAX_PATH * 2];
    DWORD n = GetFullPathNameA(path.c_str(), sizeof buffer, buffer, nullptr);
    return (n == 0 || n >= sizeof buffer) ? path : std::string(buffer, n);
}

std::string FolderOf(const std::string& path) {
    size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

bool IsPageAddress(const std::string& url) {
    std::string extension = LowerCopy(UrlExtension(url));
    return extension == "htm" || extension == "html";
}

// ---- The browser function table's entries --------------------------------------------------

NPError HostGetURL(NPP npp, const char* url, const char* target) {
    return g_host->GetUrl(npp, url, target, false, nullptr);
}

NPError HostPostURL(NPP npp, const char* url, const char* target, uint32_t, const char*, NPBool) {
    LogLine("npn NPN_PostURL " + Quoted(url) + " target=" + Quoted(target) + " -> 1");
    (void)npp;
    return NPERR_GENERIC_ERROR;
}

NPError HostRequestRead(NPStream*, NPByteRange*) {
    LogLine("npn NPN_RequestRead -> 13");
    return NPERR_STREAM_NOT_SEEKABLE;
}

NPError HostNewStream(NPP, NPMIMEType type, const char* target, NPStream** stream) {
    LogLine("npn NPN_NewStream type=" + Quoted(type) + " target=" + Quoted(target) + " -> 1");
    if (stream) {
        *stream = nullptr;
    }
    return NPERR_GENERIC_ERROR;
}

int32_t HostWrite(NPP, NPStream*, int32_t len, void*) {
    LogLine("npn NPN_Write len=" + std::to_string(len) + " -> -1");
    return -1;
}

NPError HostDestroyStream(NPP, NPStream*, NPReason reason) {
    LogLine("npn NPN_DestroyStream reason=" + std::to_string(reason) + " -> 1");
    return NPERR_GENERIC_ERROR;
}

void HostStatus(NPP npp, const char* message) {
    g_host->Status(npp, message);
}

const char* HostUserAgent(NPP) {
    return "Mozilla/3.0 (compatible; vemohost 1.0; Win32)";
}

void* HostMemAlloc(uint32_t size) {
    return g_host->MemAlloc(size);
}

void HostMemFree(void* pointer) {
    g_host->MemFree(pointer);
}

uint32_t HostMemFlush(uint32_t) {
    return 0;
}

void HostReloadPlugins(NPBool) {
    LogLine("npn NPN_ReloadPlugins");
}

void* HostGetJavaEnv() {
    return nullptr;
}

void* HostGetJavaPeer(NPP) {
    return nullptr;
}

NPError HostGetURLNotify(NPP npp, const char* url, const char* target, void* notifyData) {
    return g_host->GetUrl(npp, url, target, true, notifyData);
}

NPError HostPostURLNotify(NPP, const char* url, const char* target, uint32_t, const char*, NPBool,
                          void*) {
    LogLine("npn NPN_PostURLNotify " + Quoted(url) + " target=" + Quoted(target) + " -> 1");
    return NPERR_GENERIC_ERROR;
}

NPError HostGetValue(NPP npp, NPNVariable variable, void* value) {
    return g_host->GetValue(npp, variable, value);
}

NPError HostSetValue(NPP, NPPVariable variable, void*) {
    LogLine("npn NPN_SetValue variable=" + std::to_string(variable) + " -> 1");
    return NPERR_GENERIC_ERROR;
}

void HostInvalidateRect(NPP npp, NPRect* rect) {
    if (rect) {
        RECT r = {rect->left, rect->top, rect->right, rect->bottom};
        g_host->Invalidate(npp, &r, false);
    } else {
        g_host->Invalidate(npp, nullptr, false);
    }
}

void HostInvalidateRegion(NPP npp, void*) {
    g_host->Invalidate(npp, nullptr, false);
}

void HostForceRedraw(NPP npp) {
    g_host->Invalidate(npp, nullptr, true);
}

LRESULT CALLBACK FrameWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (g_host) {
        return g_host->FrameProc(window, message, wParam, lParam);
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT CALLBACK PageWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (g_host) {
        return g_host->PageProc(window, message, wParam, lParam);
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

} // namespace

// ---- Set-up ----------------------------------------------------------------------------------

Host::Host(const HostOptions& options) : options_(options) {
    failGetUrl_ = options.failGetUrl ? FailState::Always : FailState::Off;
    failMemAlloc_ = options.failMemAlloc ? FailState::Always : FailState::Off;
    BuildBrowserTable();
}

Host::~Host() {
    Shutdown();
    if (font_) {
        DeleteObject(font_);
    }
}

void Host::BuildBrowserTable() {
    size_t fullSize = NP_NETSCAPE_FUNCS_SIZE_V09;
    if (options_.tableMajor == 0 && options_.tableMinor < 9) {
        fullSize = NP_NETSCAPE_FUNCS_MIN_SIZE;
    }
    size_t size = options_.tableSize >= 0 ? static_cast<size_t>(options_.tableSize) : fullSize;
    NPNetscapeFuncs funcs = {};
    funcs.size = static_cast<uint16_t>(size);
    funcs.version = static_cast<uint16_t>((options_.tableMajor << 8) | options_.tableMinor);
    funcs.geturl = HostGetURL;
    funcs.posturl = HostPostURL;
    funcs.requestread = HostRequestRead;
    funcs.newstream = HostNewStream;
    funcs.write = HostWrite;
    funcs.destroystream = HostDestroyStream;
    funcs.status = HostStatus;
    funcs.uagent = HostUserAgent;
    funcs.memalloc = HostMemAlloc;
    funcs.memfree = HostMemFree;
    funcs.memflush = HostMemFlush;
    funcs.reloadplugins = HostReloadPlugins;
    funcs.getJavaEnv = HostGetJavaEnv;
    funcs.getJavaPeer = HostGetJavaPeer;
    funcs.geturlnotify = HostGetURLNotify;
    funcs.posturlnotify = HostPostURLNotify;
    funcs.getvalue = HostGetValue;
    funcs.setvalue = HostSetValue;
    funcs.invalidaterect = HostInvalidateRect;
    funcs.invalidateregion = HostInvalidateRegion;
    funcs.forceredraw = HostForceRedraw;
    // The table holds the entries its size covers; whatever lies beyond is zero.
    table_.assign(std::max(size, sizeof(NPNetscapeFuncs)), 0);
    memcpy(table_.data(), &funcs, sizeof funcs);
    const size_t first = offsetof(NPNetscapeFuncs, geturl);
    size_t keep = size <= first ? first : first + (size - first) / sizeof(void*) * sizeof(void*);
    if (keep < sizeof funcs) {
        memset(table_.data() + keep, 0, sizeof funcs - keep);
    }
}

bool Host::WindowTypeLayout() const {
    return options_.tableMajor > 0 || options_.tableMinor >= NPVERS_HAS_WINDOWLESS;
}

bool Host::Start() {
    std::string folder = options_.pluginDir;
    if (folder.empty()) {
        char exe[MAX_PATH];
        DWORD n = GetModuleFileNameA(nullptr, exe, MAX_PATH);
        std::string beside = FolderOf(std::string(exe, n)) + "\\plugins";
        DWORD attributes = GetFileAttributesA(beside.c_str());
        folder = (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
                     ? beside
                     : std::string(".");
    }
    std::vector<RejectedPlugin> rejected;
    plugins_ = ScanPluginFolder(FullPath(folder), rejected);
    if (options_.modern) {
        // Today's browsers find plug-ins through the registry as well.
        for (PluginDescription& description : ScanPluginRegistry(plugins_, rejected)) {
            plugins_.push_back(std::move(description));
        }
    }
    for (const PluginDescription& description : plugins_) {
        modules_.push_back(std::make_unique<PluginModule>(description));
    }
    LogPluginList(plugins_, rejected);
    if (options_.list) {
        return true;
    }

    HINSTANCE module = GetModuleHandleA(nullptr);
    WNDCLASSA frameClass = {};
    frameClass.lpfnWndProc = FrameWindowProc;
    frameClass.hInstance = module;
    frameClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    frameClass.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    frameClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    frameClass.lpszClassName = kFrameClass;
    WNDCLASSA pageClass = frameClass;
    pageClass.lpfnWndProc = PageWindowProc;
    pageClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    pageClass.lpszClassName = kPageClass;
    WNDCLASSA pluginClass = frameClass;
    pluginClass.lpfnWndProc = DefWindowProcA;
    pluginClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    pluginClass.lpszClassName = kPluginClass;
    if (!RegisterClassA(&frameClass) || !RegisterClassA(&pageClass) ||
        !RegisterClassA(&pluginClass)) {
        LogLine("error \"cannot register window classes\"");
        return false;
    }
    NONCLIENTMETRICSA metrics = {};
    metrics.cbSize = sizeof metrics;
    if (SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
        font_ = CreateFontIndirectA(&metrics.lfMessageFont);
    }
    if (!font_) {
        font_ = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    }
    {
        HDC dc = GetDC(nullptr);
        HGDIOBJ old = SelectObject(dc, font_);
        TEXTMETRICA tm;
        GetTextMetricsA(dc, &tm);
        statusHeight_ = tm.tmHeight + 6;
        SelectObject(dc, old);
        ReleaseDC(nullptr, dc);
    }
    RECT outer = {0, 0, options_.width, options_.height + statusHeight_};
    AdjustWindowRect(&outer, WS_OVERLAPPEDWINDOW, FALSE);
    frame_ = CreateWindowA(kFrameClass, "vemohost", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                           options_.left, options_.top, outer.right - outer.left,
                           outer.bottom - outer.top, nullptr, nullptr, module, nullptr);
    if (!frame_) {
        LogLine("error \"cannot create the main window\"");
        return false;
    }
    page_ = CreateWindowA(kPageClass, "", WS_CHILD | WS_VISIBLE, 0, 0, options_.width,
                          options_.height, frame_, nullptr, module, nullptr);
    statusBar_ = CreateWindowA("STATIC", "", WS_CHILD | WS_VISIBLE | SS_LEFTNOWORDWRAP | SS_SUNKEN,
                               0, options_.height, options_.width, statusHeight_, frame_, nullptr,
                               module, nullptr);
    if (!page_ || !statusBar_) {
        LogLine("error \"cannot create the page window\"");
        return false;
    }
    SendMessageA(statusBar_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    ShowWindow(frame_, SW_SHOWNORMAL);
    UpdateWindow(frame_);
    SetForegroundWindow(frame_);
    LogLine("browser version=" + std::to_string(options_.tableMajor) + "." +
            std::to_string(options_.tableMinor) + " size=" + std::to_string(BrowserFuncs()->size) +
            " chunk=" + std::to_string(options_.chunkSize) +
            " pace=" + std::to_string(options_.paceMs) + (options_.modern ? " modern" : ""));
    return true;
}

// ---- Pages and drawings ------------------------------------------------------------------

bool Host::MapUrl(const std::string& url, std::string& path) const {
    return UrlToLocalPath(url, options_.siteDir, path);
}

void Host::Open(const std::string& address) {
    if (InsidePlugin()) {
        requests_.push_back({Request::Navigate, 0, address});
        SetTimer(frame_, kRetryTimer, 20, nullptr);
        return;
    }
    std::string url = address;
    UrlParts parts = SplitUrl(address);
    const bool relative =
        parts.scheme.empty() && !address.empty() && address[0] != '\\' && address[0] != '/';
    if (relative && !pageUrl_.empty()) { // relative to the page shown
        std::string reference = address;
        std::replace(reference.begin(), reference.end(), '\\', '/');
        url = ResolveUrl(pageUrl_, reference);
    } else if (parts.scheme.size() <= 1) { // a path (a drive letter is no scheme)
        std::string full = FullPath(address);
        url = LocalPathToUrl(full);
        if (options_.siteDir.empty()) {
            options_.siteDir = FolderOf(full);
        }
    } else if (!pageUrl_.empty()) {
        url = ResolveUrl(pageUrl_, address);
    }
    std::string path;
    if (!MapUrl(url, path)) {
        LogLine("open-failed " + QuoteForLog(url) + " why=\"not a local address\"");
        return;
    }
    if (!FileExists(path)) {
        LogLine("open-failed " + QuoteForLog(url) + " why=\"no such file\"");
        return;
    }
    ClosePage();
    if (IsPageAddress(url)) {
        LoadPage(url, path);
        return;
    }
    std::string type;
    if (FindPluginForExtension(plugins_, UrlExtension(url), &type) < 0) {
        LogLine("open-failed " + QuoteForLog(url) + " why=\"no plug-in for this file type\"");
        return;
    }
    LoadDrawing(url, path, type);
}

PluginModule* Host::PluginForType(const std::string& type) {
    int index = FindPluginForType(plugins_, type);
    return index < 0 ? nullptr : modules_[static_cast<size_t>(index)].get();
}

std::string Host::MimeTypeFor(const std::string& url, const std::string& fallback) const {
    std::string type;
    if (FindPluginForExtension(plugins_, UrlExtension(url), &type) >= 0) {
        return type;
    }
    return fallback;
}

void Host::LoadPage(const std::string& url, const std::string& path) {
    std::vector<char> data;
    uint32_t modified = 0;
    if (!ReadWholeFile(path, data, modified)) {
        LogLine("open-failed " + QuoteForLog(url) + " why=\"cannot read\"");
        return;
    }
    pageUrl_ = url;
    fullPage_ = false;
    page_contents_ = ParsePage(std::string_view(data.data(), data.size()));
    int embeds = 0;
    for (const PageItem& item : page_contents_.items) {
        embeds += item.kind == PageItemKind::Embed;
    }
    LogLine("page " + QuoteForLog(url) + " title=" + QuoteForLog(page_contents_.title) +
            " embeds=" + std::to_string(embeds));
    std::string caption =
        "vemohost - " + (page_contents_.title.empty() ? url : page_contents_.title);
    SetWindowTextA(frame_, caption.c_str());
    Layout();
    InvalidateRect(page_, nullptr, TRUE);

    int embedIndex = 0;
    for (const PageItem& item : page_contents_.items) {
        if (item.kind != PageItemKind::Embed) {
            continue;
        }
        const RECT rect = embedRects_[static_cast<size_t>(embedIndex++)];
        const std::string* src = FindAttribute(item.attributes, "src");
        const std::string* typeAttribute = FindAttribute(item.attributes, "type");
        std::string resolved = src && !src->empty() ? ResolveUrl(url, *src) : std::string();
        std::string type = typeAttribute && !typeAttribute->empty()
                               ? *typeAttribute
                               : MimeTypeFor(resolved, std::string());
        PluginModule* plugin = type.empty() ? nullptr : PluginForType(type);
        if (!plugin) {
            LogLine("embed-unhandled index=" + std::to_string(embedIndex) +
                    " src=" + QuoteForLog(resolved) + " type=" + QuoteForLog(type));
            instances_.push_back(nullptr);
            continue;
        }
        Instance* instance = CreateInstance(plugin, type, NP_EMBED, item.attributes, rect);
        if (instance) {
            instance->src = resolved;
            SetWindow(*instance);
        }
    }
    for (auto& instance : instances_) {
        if (instance && instance->alive && !instance->src.empty()) {
            requests_.push_back({Request::StreamTo, instance->number, instance->src});
        }
    }
    ProcessRequests();
}

void Host::LoadDrawing(const std::string& url, const std::string& path, const std::string& type) {
    (void)path;
    pageUrl_ = url;
    fullPage_ = true;
    page_contents_ = Page();
    layout_.clear();
    embedRects_.clear();
    LogLine("drawing " + QuoteForLog(url) + " type=" + QuoteForLog(type));
    std::string caption = "vemohost - " + url;
    SetWindowTextA(frame_, caption.c_str());
    RECT client;
    GetClientRect(page_, &client);
    Instance* instance = CreateInstance(PluginForType(type), type, NP_FULL, {}, client);
    if (!instance) {
        return;
    }
    instance->src = url;
    if (!options_.lateWindow) {
        SetWindow(*instance);
    }
    requests_.push_back({Request::StreamTo, instance->number, url});
    ProcessRequests();
}

Instance* Host::CreateInstance(PluginModule* plugin, const std::string& type, uint16_t mode,
                               const std::vector<PageAttribute>& attributes, const RECT& rect) {
    auto owned = std::make_unique<Instance>();
    Instance& instance = *owned;
    instance.number = nextInstance_++;
    instance.pageIndex = static_cast<int>(instances_.size()) + 1;
    instance.plugin = plugin;
    instance.mimeType = type;
    instance.mode = mode;
    instance.rect = rect;
    instance.npp.ndata = &instance;
    for (const PageAttribute& attribute : attributes) {
        instance.names.push_back(attribute.name);
        instance.values.push_back(attribute.value);
    }
    for (size_t i = 0; i < instance.names.size(); ++i) {
        instance.argn.push_back(&instance.names[i][0]);
        instance.argv.push_back(&instance.values[i][0]);
    }
    instances_.push_back(std::move(owned));
    if (!plugin->Acquire(BrowserFuncs())) {
        instance.plugin = nullptr;
        return nullptr;
    }
    instance.window = CreateWindowA(kPluginClass, "", WS_CHILD | WS_VISIBLE, rect.left, rect.top,
                                    rect.right - rect.left, rect.bottom - rect.top, page_, nullptr,
                                    GetModuleHandleA(nullptr), nullptr);
    std::string args;
    for (size_t i = 0; i < instance.names.size(); ++i) {
        args += (i ? " " : "") + instance.names[i] + "=" + QuoteForLog(instance.values[i]);
    }
    NPError result = NPERR_GENERIC_ERROR;
    if (plugin->Funcs().newp) {
        CallScope scope;
        result = plugin->Funcs().newp(
            &instance.mimeType[0], &instance.npp, mode, static_cast<int16_t>(instance.argn.size()),
            instance.argn.empty() ? nullptr : instance.argn.data(),
            instance.argv.empty() ? nullptr : instance.argv.data(), nullptr);
    }
    LogLine("call NPP_New " + InstanceTag(instance) + " type=" + QuoteForLog(type) +
            " mode=" + (mode == NP_FULL ? "full" : "embed") +
            " argc=" + std::to_string(instance.names.size()) + " args=[" + args + "] -> " +
            std::to_string(result));
    if (result != NPERR_NO_ERROR) {
        // A browser gives up on an instance whose creation failed; NPP_Destroy is not called.
        DestroyWindow(instance.window);
        instance.window = nullptr;
        plugin->Release();
        instance.plugin = nullptr;
        return nullptr;
    }
    instance.alive = true;
    return &instance;
}

void Host::SetWindow(Instance& instance) {
    if (!instance.alive || !instance.plugin->Funcs().setwindow) {
        return;
    }
    RECT r = instance.rect;
    instance.npWindow.window = instance.window;
    instance.npWindow.x = r.left;
    instance.npWindow.y = r.top;
    instance.npWindow.width = static_cast<uint32_t>(r.right - r.left);
    instance.npWindow.height = static_cast<uint32_t>(r.bottom - r.top);
    instance.npWindow.clipRect.left = static_cast<uint16_t>(std::max(0L, r.left));
    instance.npWindow.clipRect.top = static_cast<uint16_t>(std::max(0L, r.top));
    instance.npWindow.clipRect.right = static_cast<uint16_t>(std::max(0L, r.right));
    instance.npWindow.clipRect.bottom = static_cast<uint16_t>(std::max(0L, r.bottom));
    // A 0.6 to 0.10 record ends before the type.
    instance.npWindow.type = WindowTypeLayout() ? NPWindowTypeWindow : NPWindowType(0);
    NPError result;
    {
        CallScope scope;
        result = instance.plugin->Funcs().setwindow(
            &instance.npp, reinterpret_cast<NPWindow*>(&instance.npWindow));
    }
    instance.windowGiven = true;
    LogLine("call NPP_SetWindow " + InstanceTag(instance) + " x=" + std::to_string(r.left) +
            " y=" + std::to_string(r.top) + " width=" + std::to_string(r.right - r.left) +
            " height=" + std::to_string(r.bottom - r.top) + " -> " + std::to_string(result));
}

void Host::DestroyInstance(Instance& instance) {
    for (auto& stream : streams_) {
        if (stream->instance == &instance && stream->open) {
            EndStream(*stream, NPRES_USER_BREAK);
        }
    }
    streams_.remove_if([&](const std::unique_ptr<Stream>& s) { return s->instance == &instance; });
    auto destroyWindow = [&]() {
        if (instance.window) {
            DestroyWindow(instance.window);
            instance.window = nullptr;
            LogLine("window-destroyed " + InstanceTag(instance));
        }
    };
    if (options_.teardown == Teardown::WindowFirst) {
        destroyWindow();
    }
    if (instance.alive) {
        instance.alive = false;
        NPSavedData* saved = nullptr;
        NPError result = NPERR_GENERIC_ERROR;
        if (instance.plugin->Funcs().destroy) {
            CallScope scope;
            result = instance.plugin->Funcs().destroy(&instance.npp, &saved);
        }
        std::string savedText;
        if (saved) {
            savedText = " saved=" + std::to_string(saved->len);
            if (saved->buf) {
                MemFree(saved->buf);
            }
            MemFree(saved);
        }
        LogLine("call NPP_Destroy " + InstanceTag(instance) + " -> " + std::to_string(result) +
                (instance.npp.pdata ? " pdata=set" : " pdata=null") + savedText);
    }
    destroyWindow();
    if (instance.plugin) {
        instance.plugin->Release();
        instance.plugin = nullptr;
    }
}

void Host::ClosePage() {
    if (InsidePlugin()) {
        LogLine("close-deferred");
        requests_.push_back({Request::Close, 0, std::string()});
        SetTimer(frame_, kRetryTimer, 20, nullptr);
        return;
    }
    if (instances_.empty() && pageUrl_.empty()) {
        return;
    }
    for (auto& instance : instances_) {
        if (instance) {
            DestroyInstance(*instance);
        }
    }
    streams_.clear();
    instances_.clear();
    requests_.erase(std::remove_if(requests_.begin(), requests_.end(),
                                   [](const Request& r) { return r.kind == Request::StreamTo; }),
                    requests_.end());
    if (!pageUrl_.empty()) {
        LogLine("page-closed " + QuoteForLog(pageUrl_));
    }
    pageUrl_.clear();
    page_contents_ = Page();
    layout_.clear();
    embedRects_.clear();
    if (page_) {
        InvalidateRect(page_, nullptr, TRUE);
    }
}

void Host::Shutdown() {
    ClosePage();
    modules_.clear();
}

Instance* Host::InstanceAt(int pageIndex) const {
    if (pageIndex < 1 || static_cast<size_t>(pageIndex) > instances_.size()) {
        return nullptr;
    }
    Instance* instance = instances_[static_cast<size_t>(pageIndex) - 1].get();
    return instance && instance->alive ? instance : nullptr;
}

Instance* Host::FindInstance(NPP npp) const {
    if (!npp) {
        return nullptr;
    }
    for (const auto& instance : instances_) {
        if (instance && &instance->npp == npp) {
            return instance.get();
        }
    }
    return nullptr;
}

bool Host::Busy() const {
    return !streams_.empty() || !requests_.empty();
}

// ---- Streams -------------------------------------------------------------------------------

void Host::NotifyUrl(Instance& instance, const std::string& url, NPReason reason,
                     void* notifyData) {
    if (!instance.alive || !instance.plugin->Funcs().urlnotify) {
        return;
    }
    {
        CallScope scope;
        instance.plugin->Funcs().urlnotify(&instance.npp, url.c_str(), reason, notifyData);
    }
    LogLine("call NPP_URLNotify " + InstanceTag(instance) + " url=" + QuoteForLog(url) +
            " reason=" + std::to_string(reason));
}

void Host::OpenStream(Instance& instance, const std::string& url, bool notify, void* notifyData) {
    std::string path;
    std::vector<char> data;
    uint32_t modified = 0;
    if (!MapUrl(url, path) || !ReadWholeFile(path, data, modified)) {
        LogLine("stream-failed " + InstanceTag(instance) + " url=" + QuoteForLog(url) +
                " why=\"not found\"");
        if (notify) {
            NotifyUrl(instance, url, NPRES_NETWORK_ERR, notifyData);
        }
        return;
    }
    auto owned = std::make_unique<Stream>();
    Stream& stream = *owned;
    stream.number = nextStream_++;
    stream.instance = &instance;
    stream.url = url;
    stream.localPath = path;
    stream.mimeType = MimeTypeFor(url, instance.mimeType);
    stream.data = std::move(data);
    stream.record.ndata = &stream;
    stream.record.url = stream.url.c_str();
    stream.record.end = static_cast<uint32_t>(stream.data.size());
    stream.record.lastmodified = modified;
    stream.notify = notify;
    stream.notifyData = notifyData;
    NPError result = NPERR_GENERIC_ERROR;
    uint16_t type = NP_NORMAL;
    if (instance.plugin->Funcs().newstream) {
        CallScope scope;
        result = instance.plugin->Funcs().newstream(&instance.npp, &stream.mimeType[0],
                                                    &stream.record, 0, &type);
    }
    LogLine("call NPP_NewStream " + InstanceTag(instance) +
            " stream=" + std::to_string(stream.number) + " url=" + QuoteForLog(url) +
            " type=" + QuoteForLog(stream.mimeType) + " end=" + std::to_string(stream.record.end) +
            " -> " + std::to_string(result) + " stype=" + std::to_string(type));
    if (!instance.alive) {
        return;
    }
    if (result != NPERR_NO_ERROR) {
        if (notify) {
            NotifyUrl(instance, url, NPRES_NETWORK_ERR, notifyData);
        }
        return;
    }
    stream.type = type;
    stream.open = true;
    streams_.push_back(std::move(owned));
    if (instance.mode == NP_FULL && !instance.windowGiven) {
        SetWindow(instance);
    }
    SchedulePump();
}

void Host::EndStream(Stream& stream, NPReason reason) {
    if (!stream.open) {
        return;
    }
    stream.open = false;
    Instance& instance = *stream.instance;
    if (!instance.alive) {
        return;
    }
    const NPPluginFuncs& funcs = instance.plugin->Funcs();
    if (reason == NPRES_DONE && (stream.type == NP_ASFILE || stream.type == NP_ASFILEONLY) &&
        funcs.asfile) {
        {
            CallScope scope;
            funcs.asfile(&instance.npp, &stream.record, stream.localPath.c_str());
        }
        LogLine("call NPP_StreamAsFile " + InstanceTag(instance) + " stream=" +
                std::to_string(stream.number) + " file=" + QuoteForLog(stream.localPath));
    }
    NPError result = NPERR_GENERIC_ERROR;
    if (funcs.destroystream) {
        CallScope scope;
        result = funcs.destroystream(&instance.npp, &stream.record, reason);
    }
    LogLine("call NPP_DestroyStream " + InstanceTag(instance) +
            " stream=" + std::to_string(stream.number) + " reason=" + std::to_string(reason) +
            " -> " + std::to_string(result));
    if (stream.notify) {
        NotifyUrl(instance, stream.url, reason, stream.notifyData);
    }
}

bool Host::PumpStream(Stream& stream) {
    Instance& instance = *stream.instance;
    if (!stream.open || !instance.alive) {
        stream.open = false;
        return false;
    }
    const NPPluginFuncs& funcs = instance.plugin->Funcs();
    const size_t remaining = stream.data.size() - stream.offset;
    if (remaining == 0 || stream.type == NP_ASFILEONLY) {
        EndStream(stream, NPRES_DONE);
        return true;
    }
    int32_t ready = static_cast<int32_t>(std::min<long long>(options_.chunkSize, 0x7FFFFFFF));
    if (funcs.writeready) {
        CallScope scope;
        ready = funcs.writeready(&instance.npp, &stream.record);
    }
    LogLine("call NPP_WriteReady " + InstanceTag(instance) +
            " stream=" + std::to_string(stream.number) + " -> " + std::to_string(ready));
    if (!stream.open || !instance.alive || ready <= 0) {
        return false;
    }
    const int32_t length = static_cast<int32_t>(
        std::min<long long>({static_cast<long long>(remaining), options_.chunkSize, ready}));
    int32_t written = length;
    if (funcs.write) {
        CallScope scope;
        written = funcs.write(&instance.npp, &stream.record, static_cast<int32_t>(stream.offset),
                              length, stream.data.data() + stream.offset);
    }
    LogLine("call NPP_Write " + InstanceTag(instance) + " stream=" + std::to_string(stream.number) +
            " offset=" + std::to_string(stream.offset) + " len=" + std::to_string(length) + " -> " +
            std::to_string(written));
    if (!stream.open || !instance.alive) {
        return false;
    }
    if (written < 0) {
        EndStream(stream, NPRES_NETWORK_ERR);
        return true;
    }
    stream.offset += static_cast<size_t>(std::min(written, length));
    if (stream.offset == stream.data.size()) {
        EndStream(stream, NPRES_DONE);
    }
    return written > 0;
}

void Host::Pump() {
    if (pumping_ || g_hostCallDepth > 0) {
        return;
    }
    pumping_ = true;
    bool stalled = false;
    if (options_.paceMs > 0) {
        for (auto& stream : streams_) {
            if (stream->open) {
                PumpStream(*stream);
            }
        }
    } else {
        // No pacing: every stream is offered data until it ends or takes nothing.
        for (auto& stream : streams_) {
            while (stream->open) {
                if (!PumpStream(*stream)) {
                    stalled = stalled || stream->open;
                    break;
                }
            }
        }
    }
    streams_.remove_if([](const std::unique_ptr<Stream>& s) { return !s->open; });
    pumping_ = false;
    if (streams_.empty()) {
        if (pumpTimer_) {
            KillTimer(frame_, kPumpTimer);
            pumpTimer_ = false;
        }
    } else if (options_.paceMs == 0 && stalled && !pumpTimer_) {
        SetTimer(frame_, kPumpTimer, 10, nullptr);
        pumpTimer_ = true;
    }
}

void Host::SchedulePump() {
    if (options_.paceMs > 0) {
        if (!pumpTimer_) {
            SetTimer(frame_, kPumpTimer, static_cast<UINT>(options_.paceMs), nullptr);
            pumpTimer_ = true;
        }
    } else if (!pumpPosted_) {
        pumpPosted_ = PostMessageA(frame_, kPumpMessage, 0, 0) != 0;
    }
}

// ---- Requests from plug-ins: new streams and navigation -----------------------------------

void Host::ProcessRequests() {
    if (requests_.empty()) {
        return;
    }
    if (InsidePlugin()) {
        // Never inside a plug-in call: try again once it has returned.
        SetTimer(frame_, kRetryTimer, 20, nullptr);
        return;
    }
    std::vector<Request> pending;
    pending.swap(requests_);
    for (size_t i = 0; i < pending.size(); ++i) {
        const Request& request = pending[i];
        if (request.kind == Request::Close) {
            ClosePage();
            continue;
        }
        if (request.kind == Request::Navigate) {
            // Navigation replaces the page: later requests of the old page are void.
            Open(request.url);
            for (size_t k = i + 1; k < pending.size(); ++k) {
                if (pending[k].kind == Request::Navigate) {
                    requests_.push_back(pending[k]);
                }
            }
            break;
        }
        for (auto& instance : instances_) {
            if (instance && instance->alive && instance->number == request.instanceNumber) {
                OpenStream(*instance, request.url, request.notify, request.notifyData);
                break;
            }
        }
    }
    if (!requests_.empty() && !requestPosted_) {
        requestPosted_ = PostMessageA(frame_, kRequestMessage, 0, 0) != 0;
    }
}

NPError Host::GetUrl(NPP npp, const char* url, const char* target, bool notify, void* notifyData) {
    Instance* instance = FindInstance(npp);
    std::string head = std::string("geturl ") + (instance ? InstanceTag(*instance) : "#?") + " " +
                       Quoted(url) + " target=" + Quoted(target);
    auto answer = [&](NPError result, const char* note) {
        LogLine(head + " -> " + std::to_string(result) + (note ? std::string(" ") + note : ""));
        return result;
    };
    if (notify) {
        head += " service=NPN_GetURLNotify";
    }
    if (!instance || !instance->alive) {
        return answer(NPERR_INVALID_INSTANCE_ERROR, nullptr);
    }
    if (failGetUrl_ != FailState::Off) {
        if (failGetUrl_ == FailState::Once) {
            failGetUrl_ = FailState::Off;
        }
        return answer(NPERR_GENERIC_ERROR, "injected");
    }
    if (!url) {
        return answer(NPERR_INVALID_PARAM, nullptr);
    }
    std::string resolved = ResolveUrl(pageUrl_, url);
    std::string path;
    if (!target) {
        if (!MapUrl(resolved, path)) {
            return answer(NPERR_INVALID_URL, nullptr);
        }
        requests_.push_back({Request::StreamTo, instance->number, resolved, notify, notifyData});
        answer(NPERR_NO_ERROR, ("resolved=" + QuoteForLog(resolved)).c_str());
    } else if (strcmp(target, "_self") == 0 || strcmp(target, "_top") == 0 ||
               strcmp(target, "_parent") == 0 || strcmp(target, "_current") == 0) {
        if (MapUrl(resolved, path) && FileExists(path)) {
            requests_.push_back({Request::Navigate, instance->number, resolved});
            answer(NPERR_NO_ERROR, ("resolved=" + QuoteForLog(resolved) + " navigate").c_str());
        } else {
            answer(NPERR_NO_ERROR, ("resolved=" + QuoteForLog(resolved) + " recorded").c_str());
        }
    } else {
        answer(NPERR_NO_ERROR, ("resolved=" + QuoteForLog(resolved) + " recorded").c_str());
    }
    if (!requests_.empty() && !requestPosted_) {
        requestPosted_ = PostMessageA(frame_, kRequestMessage, 0, 0) != 0;
    }
    return NPERR_NO_ERROR;
}

void Host::Status(NPP npp, const char* message) {
    Instance* instance = FindInstance(npp);
    LogLine(std::string("status ") + (instance ? InstanceTag(*instance) : "#?") + " " +
            Quoted(message));
    std::string text = message ? message : "";
    if (instance) {
        instance->status = text;
    }
    ShowStatus(text);
}

void Host::ShowStatus(const std::string& text) {
    if (statusBar_) {
        SetWindowTextA(statusBar_, text.c_str());
    }
}

void* Host::MemAlloc(uint32_t size) {
    if (failMemAlloc_ != FailState::Off) {
        if (failMemAlloc_ == FailState::Once) {
            failMemAlloc_ = FailState::Off;
        }
        LogLine("npn NPN_MemAlloc size=" + std::to_string(size) + " -> null injected");
        return nullptr;
    }
    void* pointer = HeapAlloc(GetProcessHeap(), 0, size ? size : 1);
    LogLine("npn NPN_MemAlloc size=" + std::to_string(size) + (pointer ? " -> ok" : " -> null"));
    return pointer;
}

void Host::MemFree(void* pointer) {
    LogLine(std::string("npn NPN_MemFree") + (pointer ? "" : " null"));
    if (pointer) {
        HeapFree(GetProcessHeap(), 0, pointer);
    }
}

void Host::Invalidate(NPP npp, const RECT* rect, bool updateNow) {
    Instance* instance = FindInstance(npp);
    if (!instance || !instance->window) {
        return;
    }
    InvalidateRect(instance->window, rect, FALSE);
    if (updateNow) {
        UpdateWindow(instance->window);
    }
}

NPError Host::GetValue(NPP npp, NPNVariable variable, void* value) {
    // The browser's window handle, in later versions of the API.
    if (variable == NPNVnetscapeWindow && value) {
        *static_cast<HWND*>(value) = frame_;
        LogLine("npn NPN_GetValue variable=3 -> 0");
        return NPERR_NO_ERROR;
    }
    // Today's browsers tell the origin of the page, in memory the plug-in frees with
    // NPN_MemFree.
    if (variable == NPNVdocumentOrigin && options_.modern && value && FindInstance(npp)) {
        const std::string origin = UrlOrigin(pageUrl_);
        char* copy = static_cast<char*>(HeapAlloc(GetProcessHeap(), 0, origin.size() + 1));
        if (copy) {
            memcpy(copy, origin.c_str(), origin.size() + 1);
            *static_cast<char**>(value) = copy;
            LogLine("npn NPN_GetValue variable=22 -> 0 origin=" + QuoteForLog(origin));
            return NPERR_NO_ERROR;
        }
    }
    LogLine("npn NPN_GetValue variable=" + std::to_string(variable) + " -> 1");
    return NPERR_GENERIC_ERROR;
}

void Host::SetFail(FailTarget target, FailMode mode) {
    FailState state = mode == FailMode::Always ? FailState::Always
                      : mode == FailMode::Once ? FailState::Once
                                               : FailState::Off;
    (target == FailTarget::GetUrl ? failGetUrl_ : failMemAlloc_) = state;
}

bool Host::IsInstanceWindow(HWND window) const {
    for (const auto& instance : instances_) {
        if (instance && instance->window &&
            (window == instance->window || IsChild(instance->window, window))) {
            return true;
        }
    }
    return false;
}

void Host::Dispatch(const MSG& message) {
    // A plug-in's window procedure counts as a call into the plug-in: nothing pulls the
    // instance away while it runs (it may run a modal loop of its own).
    if (message.hwnd && IsInstanceWindow(message.hwnd)) {
        WindowScope scope;
        DispatchMessageA(&message);
    } else {
        DispatchMessageA(&message);
    }
}

void Host::CountTimerMessage(HWND window) {
    for (auto& instance : instances_) {
        if (instance && instance->window &&
            (window == instance->window || IsChild(instance->window, window))) {
            ++instance->ticks;
        }
    }
}

// ---- Layout and painting -------------------------------------------------------------------

void Host::Layout() {
    layout_.clear();
    embedRects_.clear();
    RECT client;
    GetClientRect(page_, &client);
    const int right = std::max<int>(client.right - kMargin, kMargin + 1);
    HDC dc = GetDC(page_);
    HGDIOBJ old = SelectObject(dc, font_);
    TEXTMETRICA tm;
    GetTextMetricsA(dc, &tm);
    const int textHeight = tm.tmHeight;
    int x = kMargin;
    int y = kMargin;
    std::vector<size_t> line; // boxes of the current line
    int lineHeight = textHeight;
    auto finishLine = [&]() {
        for (size_t index : line) { // everything sits on the line's bottom
            LayoutBox& box = layout_[index];
            int height = box.rect.bottom - box.rect.top;
            box.rect.top = y + lineHeight - height;
            box.rect.bottom = box.rect.top + height;
            if (box.embed >= 0) {
                embedRects_[static_cast<size_t>(box.embed)] = box.rect;
            }
        }
        line.clear();
        y += lineHeight;
        x = kMargin;
        lineHeight = textHeight;
    };
    auto place = [&](int width, int height, const std::string& text, int embed) {
        if (x > kMargin && x + width > right) {
            finishLine();
        }
        LayoutBox box;
        box.rect = {x, y, x + width, y + height};
        box.text = text;
        box.embed = embed;
        layout_.push_back(box);
        line.push_back(layout_.size() - 1);
        lineHeight = std::max(lineHeight, height);
        x += width;
    };
    for (const PageItem& item : page_contents_.items) {
        if (item.kind == PageItemKind::Break) {
            finishLine();
        } else if (item.kind == PageItemKind::Text) {
            size_t start = 0;
            while (start < item.text.size()) {
                size_t space = item.text.find(' ', start);
                size_t end = space == std::string::npos ? item.text.size() : space + 1;
                std::string word = item.text.substr(start, end - start);
                SIZE extent;
                GetTextExtentPoint32A(dc, word.c_str(), static_cast<int>(word.size()), &extent);
                place(extent.cx, textHeight, word, -1);
                start = end;
            }
        } else {
            long long width = kDefaultEmbedSide, height = kDefaultEmbedSide;
            const std::string* w = FindAttribute(item.attributes, "width");
            const std::string* h = FindAttribute(item.attributes, "height");
            if (w) {
                ParseInteger(TrimSpaces(*w), 0, 8000, width);
            }
            if (h) {
                ParseInteger(TrimSpaces(*h), 0, 8000, height);
            }
            embedRects_.push_back(RECT());
            place(static_cast<int>(width), static_cast<int>(height), std::string(),
                  static_cast<int>(embedRects_.size() - 1));
        }
    }
    finishLine();
    SelectObject(dc, old);
    ReleaseDC(page_, dc);
}

void Host::PaintPage(HDC dc, int scale, int originX, int originY) {
    LOGFONTA lf = {};
    GetObjectA(font_, sizeof lf, &lf);
    lf.lfHeight *= scale;
    lf.lfWidth *= scale;
    HFONT font = scale == 1 ? font_ : CreateFontIndirectA(&lf);
    HGDIOBJ old = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 0, 0));
    for (const LayoutBox& box : layout_) {
        if (box.embed >= 0) {
            size_t index = static_cast<size_t>(box.embed);
            if (index < instances_.size() && instances_[index] && instances_[index]->alive) {
                continue;
            }
            RECT r = {originX + box.rect.left * scale, originY + box.rect.top * scale,
                      originX + box.rect.right * scale, originY + box.rect.bottom * scale};
            FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH)));
            DrawTextA(dc, "no plug-in", -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
            continue;
        }
        TextOutA(dc, originX + box.rect.left * scale, originY + box.rect.top * scale,
                 box.text.c_str(), static_cast<int>(box.text.size()));
    }
    SelectObject(dc, old);
    if (font != font_) {
        DeleteObject(font);
    }
}

void Host::ResizePage(int width, int height) {
    RECT outer = {0, 0, width, height + statusHeight_};
    AdjustWindowRect(&outer, WS_OVERLAPPEDWINDOW, FALSE);
    SetWindowPos(frame_, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT Host::FrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SIZE: {
        int width = LOWORD(lParam);
        int height = HIWORD(lParam);
        if (!page_ || width == 0 || height == 0) {
            break;
        }
        int pageHeight = std::max(1, height - statusHeight_);
        MoveWindow(page_, 0, 0, width, pageHeight, TRUE);
        MoveWindow(statusBar_, 0, pageHeight, width, statusHeight_, TRUE);
        LogLine("resize width=" + std::to_string(width) + " height=" + std::to_string(pageHeight));
        if (fullPage_) {
            for (auto& instance : instances_) {
                if (instance && instance->alive) {
                    instance->rect = {0, 0, width, pageHeight};
                    MoveWindow(instance->window, 0, 0, width, pageHeight, TRUE);
                    if (instance->windowGiven) {
                        SetWindow(*instance);
                    }
                }
            }
        } else {
            Layout();
            for (size_t i = 0; i < instances_.size() && i < embedRects_.size(); ++i) {
                Instance* instance = instances_[i].get();
                if (!instance || !instance->alive || EqualRect(&instance->rect, &embedRects_[i])) {
                    continue;
                }
                instance->rect = embedRects_[i];
                RECT& r = instance->rect;
                MoveWindow(instance->window, r.left, r.top, r.right - r.left, r.bottom - r.top,
                           TRUE);
                SetWindow(*instance);
            }
            InvalidateRect(page_, nullptr, TRUE);
        }
        return 0;
    }
    case WM_TIMER:
        if (wParam == kPumpTimer) {
            Pump();
            return 0;
        }
        if (wParam == kRetryTimer) {
            KillTimer(window, kRetryTimer);
            ProcessRequests();
            return 0;
        }
        break;
    case WM_APP + 1:
        requestPosted_ = false;
        ProcessRequests();
        return 0;
    case WM_APP + 2:
        pumpPosted_ = false;
        Pump();
        return 0;
    case WM_ACTIVATE:
        // As browsers do: the child that had the focus gets it back when the frame is
        // active again (after a plug-in's message box, for example).
        if (LOWORD(wParam) == WA_INACTIVE) {
            HWND focus = GetFocus();
            if (focus && IsChild(window, focus)) {
                savedFocus_ = focus;
            }
        } else if (savedFocus_ && IsWindow(savedFocus_) && IsChild(window, savedFocus_)) {
            SetFocus(savedFocus_);
            return 0;
        }
        break;
    case WM_CLOSE:
        Shutdown();
        DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT Host::PageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window, &ps);
        PaintPage(dc, 1, 0, 0);
        EndPaint(window, &ps);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

} // namespace vemohost
