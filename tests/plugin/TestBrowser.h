// A browser function table for tests: memory through malloc with counts, address requests and
// status texts recorded. One per process (the entries are plain functions).
#pragma once

#include <stdlib.h>

#include <string>
#include <vector>

#include "npapi/npapi.h"

struct TestBrowser {
    struct UrlRequest {
        NPP instance;
        std::string url;
        std::string target; // "<null>" for a null target
    };

    NPNetscapeFuncs table{};
    int allocations = 0;
    int frees = 0;
    int failAllocations = 0; // this many next NPN_MemAlloc calls return null
    NPError getUrlResult = NPERR_NO_ERROR;
    std::vector<UrlRequest> urls;
    std::vector<std::string> statusTexts;

    static TestBrowser& Get() {
        static TestBrowser browser;
        return browser;
    }

    // A fresh table of the given size and version, counts cleared.
    NPNetscapeFuncs* Reset(uint16_t size = sizeof(NPNetscapeFuncs),
                           uint16_t version = (NP_VERSION_MAJOR << 8) | NP_VERSION_MINOR) {
        table = NPNetscapeFuncs{};
        table.size = size;
        table.version = version;
        table.geturl = GetUrl;
        table.status = Status;
        table.memalloc = MemAlloc;
        table.memfree = MemFree;
        allocations = frees = failAllocations = 0;
        getUrlResult = NPERR_NO_ERROR;
        urls.clear();
        statusTexts.clear();
        return &table;
    }

    int LiveBlocks() const { return allocations - frees; }

private:
    static NPError GetUrl(NPP instance, const char* url, const char* target) {
        Get().urls.push_back(
            {instance, url != nullptr ? url : "<null>", target != nullptr ? target : "<null>"});
        return Get().getUrlResult;
    }
    static void Status(NPP, const char* message) {
        Get().statusTexts.push_back(message != nullptr ? message : "<null>");
    }
    static void* MemAlloc(uint32_t size) {
        if (Get().failAllocations > 0) {
            --Get().failAllocations;
            return nullptr;
        }
        ++Get().allocations;
        return malloc(size);
    }
    static void MemFree(void* pointer) {
        if (pointer != nullptr) {
            ++Get().frees;
        }
        free(pointer);
    }
};
