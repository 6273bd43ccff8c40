#include "plugin/DocumentRecord.h"

#include <new>
#include <string.h>

#include "plugin/DocumentRenderer.h"
#include "plugin/PluginInstance.h"
#include "plugin/StreamRules.h"
#include "plugin/StringIds.h"
#include "view/ViewWindow.h"

namespace {

char* CopyText(const char* source) {
    size_t length = strlen(source);
    char* copy = new (std::nothrow) char[length + 1];
    if (copy != nullptr) {
        memcpy(copy, source, length + 1);
    }
    return copy;
}

} // namespace

DocumentRecord::~DocumentRecord() {
    ReleaseRenderer();
    // A save stream still open when the instance goes: the partial file stays on disk, but
    // neither the handle nor the file's lock outlive the instance.
    if (saveFile != INVALID_HANDLE_VALUE) {
        CloseHandle(saveFile);
        saveFile = INVALID_HANDLE_VALUE;
    }
    delete[] streamUrl;
    delete[] base;
}

void DocumentRecord::ReleaseRenderer() {
    if (renderer != nullptr) {
        renderer->Release();
        renderer = nullptr;
        CoUninitialize();
    }
}

ViewWindow* DocumentRecord::View() const {
    return instanceRecord != nullptr ? instanceRecord->view : nullptr;
}

int32_t DocumentRecord::SetStreamUrl(const char* url) {
    char* copy = CopyText(url != nullptr ? url : "");
    if (copy == nullptr) {
        return 0;
    }
    delete[] streamUrl;
    streamUrl = copy;
    return 1;
}

void DocumentRecord::SetBase(const char* value) {
    char* copy = CopyText(value);
    if (copy != nullptr) {
        delete[] base;
        base = copy;
    }
}

int32_t DocumentRecord::BeginDocumentLoad(ViewWindow* view, const TextBuffer& url) {
    loadBegun = 1;
    if (url.length > 0) {
        documentUrl = url;
    }
    documentUrl.GetFileNamePart(fileName, 255);
    if (view == nullptr || rendererRequested != 0) {
        return 1;
    }
    rendererRequested = 1;
    if (FAILED(CoInitialize(nullptr))) {
        return 0;
    }
    IDocumentRenderer* created = nullptr;
    HRESULT result = CoCreateInstance(CLSID_VemoDocument, nullptr, CLSCTX_INPROC_SERVER,
                                      IID_IDocumentRenderer, reinterpret_cast<void**>(&created));
    if (FAILED(result) || created == nullptr) {
        renderer = nullptr;
        // Balances the CoInitialize above: nothing else will.
        CoUninitialize();
        ShowErrorBox(kStringRendererMissing);
        return 0;
    }
    renderer = created;
    view->AttachRenderer(renderer);
    ownerWindow = view->hwnd;
    view->RestartRendering();
    return 1;
}

void DocumentRecord::ShowErrorBox(uint32_t id) {
    if (detached != 0) {
        return; // the page that would own the message is gone
    }
    TextBuffer message;
    message.LoadString(id);
    TextBuffer caption;
    caption.LoadString(kStringErrorFrom);
    TextBuffer product;
    if (product.LoadString(kStringProductName)) {
        caption.Append(product);
        MessageBoxA(ownerWindow, message.GetText(1), caption.GetText(1), MB_OK);
    }
}

void DocumentRecord::MarkLoadFailed() {
    ViewWindow* view = View();
    if (view != nullptr) {
        view->loadFailed = 1;
        InvalidateRect(view->hwnd, nullptr, FALSE);
    }
}

void DocumentRecord::ReportLoadFailure(HRESULT result) {
    uint32_t id = MessageForLoadFailure(static_cast<uint32_t>(result));
    if (id == 0) {
        MarkLoadFailed();
        return;
    }
    if (id != lastMessage) {
        lastMessage = id;
        ShowErrorBox(id);
    }
}

int32_t DocumentRecord::FeedDocumentData(const uint8_t* data, int32_t length) {
    if (firstChunkPending != 0) {
        firstChunkPending = 0;
        if (IsRefusedFirstChunk(data, length)) {
            refused = 1;
            MarkLoadFailed();
            return 0;
        }
    }
    if (renderer == nullptr || refused != 0) {
        return 0;
    }
    HRESULT result = renderer->LoadData(static_cast<ULONG>(length), data);
    if (FAILED(result)) {
        ReportLoadFailure(result);
        return 0;
    }
    return 1;
}

int32_t DocumentRecord::EndDocumentData(int32_t reason) {
    if ((reason & 0xFFFF) != NPRES_DONE) {
        return 1;
    }
    if (renderer == nullptr || refused != 0) {
        return 0;
    }
    HRESULT result = renderer->LoadData(0, nullptr);
    if (FAILED(result)) {
        ReportLoadFailure(result);
        return 0;
    }
    ViewWindow* view = View();
    if (view != nullptr) {
        view->documentReady = 1;
    }
    if ((result & (kWarnUnsupported | kWarnUnknown)) != 0) {
        ShowDrawingWarning(static_cast<uint32_t>(result));
    }
    return 1;
}

int32_t DocumentRecord::OpenSaveFile() {
    saveFile = CreateFileA(fileName, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (saveFile == INVALID_HANDLE_VALUE) {
        // Without clearing it the next display stream (a reload) would be swallowed as
        // another failing save.
        saveMode = 0;
        MessageBoxA(nullptr, "File Save failed", fileName, MB_OK);
        return 0;
    }
    return 1;
}

int32_t DocumentRecord::WriteSaveFile(const uint8_t* data, int32_t length) {
    if (saveFile == INVALID_HANDLE_VALUE || length < 0) {
        return 0;
    }
    DWORD written = 0;
    BOOL ok = WriteFile(saveFile, data, static_cast<DWORD>(length), &written, nullptr);
    return ok && written == static_cast<DWORD>(length) ? 1 : 0;
}

int32_t DocumentRecord::CloseSaveFile() {
    saveMode = 0;
    if (saveFile == INVALID_HANDLE_VALUE) {
        return 0;
    }
    BOOL ok = CloseHandle(saveFile);
    saveFile = INVALID_HANDLE_VALUE;
    return ok ? 1 : 0;
}
