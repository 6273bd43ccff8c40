// The document side of a plug-in instance: the renderer, the drawing's addresses and name, the
// page's embed attributes, the save-to-file state and the state of the stream check.
// Created by NPP_New, destroyed by NPP_Destroy; owns its texts and one reference on the
// renderer.
#pragma once

#include <windows.h>
#include <stdint.h>

#include "npapi/npapi.h"
#include "plugin/TextBuffer.h"

struct IDocumentRenderer;
struct PluginInstance;
struct ViewWindow;

struct DocumentRecord {
    IDocumentRenderer* renderer = nullptr;  // one reference, released at teardown
    HWND ownerWindow = nullptr;             // the browser's child window, once the renderer exists
    NPP instance = nullptr;                 // the browser's handle, for the host services
    char* streamUrl = nullptr;              // url of the latest display stream
    char* base = nullptr;                   // the "base" attribute (1 to 256 characters)
    int32_t loadBegun = 0;                  // a display stream has arrived
    int32_t zoomPanAllowed = 1;             // 0 for zoompan="false"
    int32_t fileAccessAllowed = 1;          // 0 for fileaccess="false"
    TextBuffer viewport;                    // the "viewport" attribute, parsed by the view
    int32_t rendererRequested = 0;          // creation of the renderer has been tried
    TextBuffer documentUrl;                 // the URL given to BeginDocumentLoad
    int32_t saveMode = 0;                   // the next stream goes to fileName
    char fileName[256] = {};                // the drawing's file name, or the chosen save path
    HANDLE saveFile = INVALID_HANDLE_VALUE; // the file a save stream writes
    PluginInstance* instanceRecord = nullptr;
    int32_t firstChunkPending = 1;  // the first chunk has not been checked for the header
    int32_t refused = 0;            // the header check failed: all data is refused
    uint32_t lastMessage = 0;       // id of the last stream error shown
    int32_t detached = 0;           // the browser destroyed the instance: nothing is shown or asked
    int32_t scriptLinksAllowed = 0; // scriptlinks="true": the page lets script links through

    DocumentRecord() = default;
    ~DocumentRecord();
    DocumentRecord(const DocumentRecord&) = delete;
    DocumentRecord& operator=(const DocumentRecord&) = delete;

    // Records the document's URL and file name and, once there is a view, creates the renderer
    // (at most one attempt per instance) and hands it to the view. 0 when the renderer could not
    // be created.
    int32_t BeginDocumentLoad(ViewWindow* view, const TextBuffer& url);

    // An MB_OK box with the text of string id, captioned "Error from Vemo graphic plug-in",
    // owned by the owner window.
    void ShowErrorBox(uint32_t id);

    // The modal warning about drawing contents the renderer does not show (bit 0 or 1 of the
    // end-of-data flags), unless the user silenced that kind in the last 24 hours.
    void ShowDrawingWarning(uint32_t flags);

    // Display streams: one chunk to the renderer (the first is checked for the file header),
    // and the end of the data. 1 on success, 0 when the data is refused or failed.
    int32_t FeedDocumentData(const uint8_t* data, int32_t length);
    int32_t EndDocumentData(int32_t reason);

    // Save streams: the file named by fileName, created afresh.
    int32_t OpenSaveFile();
    int32_t WriteSaveFile(const uint8_t* data, int32_t length);
    int32_t CloseSaveFile();

    // Replaces the stream URL by a copy of url: 0 when the copy cannot be made.
    int32_t SetStreamUrl(const char* url);
    // Replaces the base by a copy of value (the caller checked its length).
    void SetBase(const char* value);

private:
    ViewWindow* View() const;
    // A failed LoadData: the view's failure display or an error box, each error once.
    void ReportLoadFailure(HRESULT result);
    void ReleaseRenderer();
    // The view shows its failure state.
    void MarkLoadFailed();
};
