// The browser side of the stand-in: a frame window with a page area and a status line, the
// page's plug-in instances in child windows of their own, the streams that feed them, and the
// browser services the plug-ins call.
#pragma once

#include <windows.h>

#include <list>
#include <memory>
#include <string>
#include <vector>

#include "host/Bitmap.h"
#include "host/Options.h"
#include "host/Page.h"
#include "host/Scenario.h"
#include "host/win/Plugins.h"
#include "npapi/npapi.h"

namespace vemohost {

class Host;

struct Instance {
    int number = 0;    // #N in the log: counts every instance of the run
    int pageIndex = 0; // 1, 2, ... in document order on its page (scenario "in=")
    PluginModule* plugin = nullptr;
    NPP_t npp = {};
    std::string mimeType;
    uint16_t mode = NP_EMBED;
    std::string src; // resolved address of its data, may be empty
    std::vector<std::string> names, values;
    std::vector<char*> argn, argv;
    HWND window = nullptr;
    RECT rect = {};            // in page coordinates
    NPWindowV11 npWindow = {}; // the first fields are the 0.6 record
    bool windowGiven = false;
    bool alive = false;  // between a successful NPP_New and NPP_Destroy
    long long ticks = 0; // WM_TIMER messages seen for its window
    std::string status;
};

struct Stream {
    int number = 0;
    Instance* instance = nullptr;
    NPStream record = {};
    std::string url;
    std::string mimeType;
    std::string localPath;
    std::vector<char> data;
    size_t offset = 0;
    uint16_t type = NP_NORMAL;
    bool open = false;
    bool notify = false; // asked for with NPN_GetURLNotify
    void* notifyData = nullptr;
};

// A box of the page layout: a text run or an embed's place.
struct LayoutBox {
    RECT rect;
    std::string text; // text boxes
    int embed = -1;   // index into the page's embeds, else -1
};

enum class FailState { Off, Once, Always };

class Host {
public:
    explicit Host(const HostOptions& options);
    ~Host();

    bool Start(); // plug-in scan, windows; false when the windows cannot be made
    void Open(const std::string& address); // a page or a drawing, by path or address
    void ClosePage();                      // tears every instance down in the chosen order
    void Shutdown();                       // ClosePage and the end of every plug-in library

    // Scenario services.
    Instance* InstanceAt(int pageIndex) const;
    HWND PageWindow() const { return page_; }
    HWND FrameWindow() const { return frame_; }
    bool Busy() const; // a stream or a queued request is still pending
    void ResizePage(int width, int height);
    bool Capture(int pageIndex, bool usePrintWindow, Image& image);
    bool Print(int scale, Image& image);
    void SetFail(FailTarget target, FailMode mode);
    void CountTimerMessage(HWND window);
    bool IsInstanceWindow(HWND window) const;
    void Dispatch(const MSG& message); // the main loop's DispatchMessage

    // Browser services (the function table's entries land here).
    // notify: NPN_GetURLNotify (the plug-in's NPP_URLNotify is called when the stream ends).
    NPError GetUrl(NPP npp, const char* url, const char* target, bool notify, void* notifyData);
    void Status(NPP npp, const char* message);
    void* MemAlloc(uint32_t size);
    void MemFree(void* pointer);
    void Invalidate(NPP npp, const RECT* rect, bool updateNow);
    NPError GetValue(NPP npp, NPNVariable variable, void* value);
    Instance* FindInstance(NPP npp) const;
    NPNetscapeFuncs* BrowserFuncs() { return reinterpret_cast<NPNetscapeFuncs*>(table_.data()); }

    LRESULT FrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT PageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

private:
    struct Request {
        enum Kind { StreamTo, Navigate, Close } kind;
        int instanceNumber;
        std::string url;
        bool notify = false;
        void* notifyData = nullptr;
    };

    void BuildBrowserTable();
    // Window and print records with the window type (the announced version is 0.11 or later).
    bool WindowTypeLayout() const;
    void LoadPage(const std::string& url, const std::string& path);
    void LoadDrawing(const std::string& url, const std::string& path, const std::string& type);
    Instance* CreateInstance(PluginModule* plugin, const std::string& type, uint16_t mode,
                             const std::vector<PageAttribute>& attributes, const RECT& rect);
    void SetWindow(Instance& instance);
    void DestroyInstance(Instance& instance);
    void OpenStream(Instance& instance, const std::string& url, bool notify = false,
                    void* notifyData = nullptr);
    void NotifyUrl(Instance& instance, const std::string& url, NPReason reason, void* notifyData);
    void EndStream(Stream& stream, NPReason reason);
    bool PumpStream(Stream& stream); // one offer; false when the stream made no progress
    void Pump();
    void SchedulePump();
    void ProcessRequests();
    void Layout();
    void PaintPage(HDC dc, int scale, int originX, int originY);
    void ShowStatus(const std::string& text);
    std::string MimeTypeFor(const std::string& url, const std::string& fallback) const;
    bool MapUrl(const std::string& url, std::string& path) const;
    PluginModule* PluginForType(const std::string& type);

    HostOptions options_;
    std::vector<PluginDescription> plugins_;
    std::vector<std::unique_ptr<PluginModule>> modules_;
    std::vector<char> table_;

    HWND frame_ = nullptr;
    HWND page_ = nullptr;
    HWND statusBar_ = nullptr;
    HWND savedFocus_ = nullptr;
    HFONT font_ = nullptr;
    int statusHeight_ = 20;

    std::string pageUrl_;
    Page page_contents_;
    bool fullPage_ = false;
    std::vector<LayoutBox> layout_;
    std::vector<RECT> embedRects_;
    std::vector<std::unique_ptr<Instance>> instances_; // current page, document order
    std::list<std::unique_ptr<Stream>> streams_;
    std::vector<Request> requests_;
    bool requestPosted_ = false;
    bool pumpPosted_ = false;
    bool pumpTimer_ = false;
    bool pumping_ = false;
    int nextInstance_ = 1;
    int nextStream_ = 1;
    FailState failGetUrl_ = FailState::Off;
    FailState failMemAlloc_ = FailState::Off;
};

extern Host* g_host;

} // namespace vemohost
