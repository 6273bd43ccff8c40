// Reads the popup menu that code under test opens on this thread, while it is open (a thread
// timer runs inside the menu's modal loop), then closes it or picks an item by keyboard.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace linktest {

struct SeenItem {
    std::string text; // "" for a separator
    UINT id;
    bool separator;
    bool greyed;
    bool checked;
};

class MenuProbe {
public:
    std::vector<SeenItem> items;
    RECT where{0, 0, 0, 0}; // the menu window on the screen
    int opened = 0;         // menus seen

    // pickId 0 closes the menu without a choice; otherwise the item with that identifier is
    // chosen with the arrow and Return keys.
    explicit MenuProbe(UINT pickId = 0) : pick(pickId) {
        current = this;
        timer = SetTimer(nullptr, 0, 30, Tick);
    }
    ~MenuProbe() {
        KillTimer(nullptr, timer);
        current = nullptr;
    }
    MenuProbe(const MenuProbe&) = delete;
    MenuProbe& operator=(const MenuProbe&) = delete;

    const SeenItem* Find(UINT id) const {
        for (const SeenItem& item : items) {
            if (!item.separator && item.id == id) {
                return &item;
            }
        }
        return nullptr;
    }

    // One letter per identifier: '.' plain, 'g' greyed, 'c' checked, '?' missing.
    std::string States(const std::vector<UINT>& ids) const {
        std::string s;
        for (UINT id : ids) {
            const SeenItem* item = Find(id);
            s += item == nullptr ? '?' : item->greyed ? 'g' : item->checked ? 'c' : '.';
        }
        return s;
    }

private:
    static inline MenuProbe* current = nullptr;
    UINT_PTR timer = 0;
    UINT pick;
    HWND handled = nullptr;

    static BOOL CALLBACK FindMenu(HWND window, LPARAM param) {
        char name[32] = {};
        GetClassNameA(window, name, sizeof name);
        if (lstrcmpA(name, "#32768") == 0 && IsWindowVisible(window)) {
            *reinterpret_cast<HWND*>(param) = window;
            return FALSE;
        }
        return TRUE;
    }

    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
        MenuProbe* self = current;
        if (self == nullptr) {
            return;
        }
        HWND window = nullptr;
        EnumThreadWindows(GetCurrentThreadId(), FindMenu, reinterpret_cast<LPARAM>(&window));
        if (window == nullptr || window == self->handled) {
            return;
        }
        self->handled = window;
        ++self->opened;
        GetWindowRect(window, &self->where);
        HMENU menu = reinterpret_cast<HMENU>(SendMessageA(window, 0x01E1 /* MN_GETHMENU */, 0, 0));
        int count = menu != nullptr ? GetMenuItemCount(menu) : 0;
        int downs = 0;
        int pickDowns = -1;
        self->items.clear();
        for (int i = 0; i < count; ++i) {
            MENUITEMINFOA info{};
            char text[128] = {};
            info.cbSize = sizeof info;
            info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_STRING;
            info.dwTypeData = text;
            info.cch = sizeof text;
            GetMenuItemInfoA(menu, UINT(i), TRUE, &info);
            SeenItem item;
            item.separator = (info.fType & MFT_SEPARATOR) != 0;
            item.text = item.separator ? "" : text;
            item.id = info.wID;
            item.greyed = (info.fState & MFS_GRAYED) != 0;
            item.checked = (info.fState & MFS_CHECKED) != 0;
            self->items.push_back(item);
            if (!item.separator) {
                ++downs;
                if (self->pick != 0 && item.id == self->pick) {
                    pickDowns = downs;
                }
            }
        }
        if (pickDowns < 0) {
            EndMenu();
            return;
        }
        for (int i = 0; i < pickDowns; ++i) {
            PostMessageA(window, WM_KEYDOWN, VK_DOWN, 0);
        }
        PostMessageA(window, WM_KEYDOWN, VK_RETURN, 0);
    }
};

} // namespace linktest
