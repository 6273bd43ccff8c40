// The stream entries of the plug-in function table. A stream's mode (display, save, discard)
// is chosen when it opens and kept in its pdata.
#include "plugin/DocumentRecord.h"
#include "plugin/PluginCallbacks.h"
#include "plugin/PluginInstance.h"
#include "plugin/StreamRules.h"

namespace {

DocumentRecord* DocumentOf(NPP instance) {
    if (instance == nullptr || instance->pdata == nullptr) {
        return nullptr;
    }
    return static_cast<PluginInstance*>(instance->pdata)->document;
}

void SetStreamMode(NPStream* stream, uintptr_t marker) {
    stream->pdata = reinterpret_cast<void*>(marker);
}

} // namespace

NPError NPP_NewStream(NPP instance, NPMIMEType type, NPStream* stream, NPBool seekable,
                      uint16_t* streamType) {
    (void)type;
    (void)seekable;
    if (instance == nullptr) {
        return NPERR_INVALID_INSTANCE_ERROR;
    }
    PluginInstance* plugin = static_cast<PluginInstance*>(instance->pdata);
    if (plugin == nullptr || stream == nullptr) {
        return NPERR_GENERIC_ERROR;
    }
    InstanceCall call(plugin); // the renderer's failure box may let the browser destroy us
    stream->pdata = plugin;
    if (streamType != nullptr) {
        *streamType = NP_NORMAL;
    }
    DocumentRecord* document = plugin->document;
    if (document->saveMode == 1) {
        SetStreamMode(stream, document->OpenSaveFile() ? kStreamSaveMarker : kStreamDiscardMarker);
        return NPERR_NO_ERROR;
    }
    if (!document->SetStreamUrl(stream->url)) {
        return NPERR_OUT_OF_MEMORY_ERROR;
    }
    document->BeginDocumentLoad(plugin->view, TextBuffer(document->streamUrl));
    return NPERR_NO_ERROR;
}

int32_t NPP_WriteReady(NPP instance, NPStream* stream) {
    (void)instance;
    (void)stream;
    return kChunkLimit;
}

int32_t NPP_Write(NPP instance, NPStream* stream, int32_t offset, int32_t length, void* buffer) {
    (void)offset;
    DocumentRecord* document = DocumentOf(instance);
    if (document == nullptr || stream == nullptr) {
        return -1;
    }
    InstanceCall call(document->instanceRecord); // failure boxes run message loops
    int32_t taken = ChunkLength(length);
    if (taken == 0 || buffer == nullptr) {
        return 0;
    }
    const uint8_t* data = static_cast<const uint8_t*>(buffer);
    switch (StreamModeOf(stream->pdata)) {
    case StreamMode::Save:
        if (!document->WriteSaveFile(data, taken)) {
            SetStreamMode(stream, kStreamDiscardMarker);
            document->CloseSaveFile();
        }
        return taken;
    case StreamMode::Discard:
        return taken;
    case StreamMode::Display:
        break;
    }
    return document->FeedDocumentData(data, taken) ? taken : -1;
}

NPError NPP_DestroyStream(NPP instance, NPStream* stream, NPReason reason) {
    DocumentRecord* document = DocumentOf(instance);
    if (document == nullptr || stream == nullptr) {
        return NPERR_NO_ERROR;
    }
    InstanceCall call(document->instanceRecord); // failure boxes and the warning dialog
    switch (StreamModeOf(stream->pdata)) {
    case StreamMode::Save:
        document->CloseSaveFile();
        break;
    case StreamMode::Discard:
        break;
    case StreamMode::Display:
        document->EndDocumentData(reason);
        break;
    }
    return NPERR_NO_ERROR;
}

void NPP_StreamAsFile(NPP instance, NPStream* stream, const char* fileName) {
    (void)instance;
    (void)stream;
    (void)fileName;
}
