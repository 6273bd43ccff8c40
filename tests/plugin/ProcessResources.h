// Counts of what a process holds: GDI objects, USER objects, kernel handles and heap bytes in
// use. Windows reports the first three through GetGuiResources and GetProcessHandleCount; Wine
// answers those with 0, so there the counts come from the GDI handle table the PEB points to,
// the windows of the process, and the system handle list.
#pragma once

#include <windows.h>
#include <winternl.h>

#include <vector>

struct ProcessResources {
    long gdiObjects = 0;
    long userObjects = 0;
    long handles = 0;
    unsigned long long heapBytes = 0; // busy blocks over all heaps of the process

    static ProcessResources Measure() {
        ProcessResources counts;
        counts.gdiObjects = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
        if (counts.gdiObjects == 0) {
            counts.gdiObjects = GdiTableEntries();
        }
        counts.userObjects = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
        if (counts.userObjects == 0) {
            counts.userObjects = WindowsOfProcess();
        }
        DWORD handles = 0;
        GetProcessHandleCount(GetCurrentProcess(), &handles);
        counts.handles = static_cast<long>(handles);
        if (counts.handles == 0) {
            counts.handles = SystemHandlesOfProcess();
        }
        counts.heapBytes = BusyHeapBytes();
        return counts;
    }

private:
    // Wine's GDI handle table: 65536 entries of 24 bytes, the object type at byte 14.
    static long GdiTableEntries() {
        PROCESS_BASIC_INFORMATION basic = {};
        ULONG length = 0;
        if (NtQueryInformationProcess(GetCurrentProcess(), ProcessBasicInformation, &basic,
                                      sizeof basic, &length) != 0 ||
            basic.PebBaseAddress == nullptr) {
            return -1;
        }
        const unsigned char* table = *reinterpret_cast<unsigned char* const*>(
            reinterpret_cast<const char*>(basic.PebBaseAddress) +
            (sizeof(void*) == 8 ? 0xF8 : 0x94));
        if (table == nullptr) {
            return -1;
        }
        long count = 0;
        for (int i = 0; i < 65536; ++i) {
            count += table[i * 24 + 14] != 0 ? 1 : 0;
        }
        return count;
    }

    static BOOL CALLBACK CountWindow(HWND window, LPARAM param) {
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        if (process == GetCurrentProcessId()) {
            ++*reinterpret_cast<long*>(param);
            EnumChildWindows(window, CountChild, param);
        }
        return TRUE;
    }
    static BOOL CALLBACK CountChild(HWND, LPARAM param) {
        ++*reinterpret_cast<long*>(param);
        return TRUE;
    }
    static long WindowsOfProcess() {
        long count = 0;
        EnumWindows(CountWindow, reinterpret_cast<LPARAM>(&count));
        return count;
    }

    static long SystemHandlesOfProcess() {
        using Query = NTSTATUS(NTAPI*)(ULONG, PVOID, ULONG, PULONG);
        Query query = reinterpret_cast<Query>(reinterpret_cast<void*>(
            GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
        if (query == nullptr) {
            return -1;
        }
        struct Entry {
            USHORT process;
            USHORT creator;
            UCHAR type;
            UCHAR attributes;
            USHORT value;
            PVOID object;
            ULONG access;
        };
        std::vector<char> buffer(1 << 20);
        ULONG length = 0;
        const ULONG kSystemHandleInformation = 16;
        while (query(kSystemHandleInformation, buffer.data(), ULONG(buffer.size()), &length) ==
               NTSTATUS(0xC0000004L)) { // STATUS_INFO_LENGTH_MISMATCH
            buffer.resize(buffer.size() * 2);
        }
        ULONG entries = *reinterpret_cast<ULONG*>(buffer.data());
        const Entry* entry = reinterpret_cast<const Entry*>(buffer.data() + sizeof(ULONG_PTR));
        long count = 0;
        for (ULONG i = 0; i < entries; ++i) {
            count += entry[i].process == USHORT(GetCurrentProcessId()) ? 1 : 0;
        }
        return count;
    }

    static unsigned long long BusyHeapBytes() {
        HANDLE heaps[256];
        DWORD count = GetProcessHeaps(256, heaps);
        unsigned long long total = 0;
        for (DWORD i = 0; i < count && i < 256; ++i) {
            if (!HeapLock(heaps[i])) {
                continue;
            }
            PROCESS_HEAP_ENTRY entry = {};
            while (HeapWalk(heaps[i], &entry)) {
                if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) {
                    total += entry.cbData;
                }
            }
            HeapUnlock(heaps[i]);
        }
        return total;
    }
};
