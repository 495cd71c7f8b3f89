#include "util/win_menus.h"

#include <commctrl.h>

#include <cstring>

namespace {

bool HasClass(HWND window, const char* name) {
    char cls[64] = {};
    return GetClassNameA(window, cls, sizeof cls) > 0 && lstrcmpiA(cls, name) == 0;
}

// The client rectangle of the row the keyboard works on; false when there is none.
bool FocusedRowRect(HWND view, RECT* rect) {
    if (HasClass(view, WC_LISTVIEWA)) {
        int row = int(SendMessageA(view, LVM_GETNEXTITEM, WPARAM(-1), LVNI_FOCUSED));
        if (row < 0) row = int(SendMessageA(view, LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED));
        if (row < 0) return false;
        SendMessageA(view, LVM_ENSUREVISIBLE, WPARAM(row), FALSE);
        rect->left = LVIR_LABEL;
        return SendMessageA(view, LVM_GETITEMRECT, WPARAM(row), reinterpret_cast<LPARAM>(rect)) != 0;
    }
    if (HasClass(view, WC_TREEVIEWA)) {
        HTREEITEM item = reinterpret_cast<HTREEITEM>(SendMessageA(view, TVM_GETNEXTITEM, TVGN_CARET, 0));
        if (!item) return false;
        SendMessageA(view, TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(item));
        memcpy(rect, &item, sizeof item);  // TVM_GETITEMRECT takes the item in the rectangle
        return SendMessageA(view, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(rect)) != 0;
    }
    return false;
}

}  // namespace

bool IsKeyboardContextMenu(LPARAM lParam) { return short(LOWORD(lParam)) == -1 && short(HIWORD(lParam)) == -1; }

POINT ContextMenuPoint(HWND view, LPARAM lParam) {
    POINT at = {short(LOWORD(lParam)), short(HIWORD(lParam))};
    if (!IsKeyboardContextMenu(lParam)) return at;
    RECT client = {};
    GetClientRect(view, &client);
    RECT row = {};
    if (FocusedRowRect(view, &row)) {
        at.x = row.left + 8 < row.right ? row.left + 8 : row.left;
        at.y = row.bottom;
    } else {
        at.x = 2;
        at.y = 2;
    }
    // Kept inside the view (a row half scrolled out, a narrow view).
    if (at.x > client.right - 1) at.x = client.right - 1;
    if (at.y > client.bottom - 1) at.y = client.bottom - 1;
    if (at.x < client.left) at.x = client.left;
    if (at.y < client.top) at.y = client.top;
    ClientToScreen(view, &at);
    return at;
}

bool TranslateContextMenuKey(const MSG& msg) {
    if (msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN) return false;
    if (msg.wParam != VK_F10 || !msg.hwnd) return false;
    // Only Shift: Alt+Shift+F10 and Ctrl+Shift+F10 are other keys.
    if (!(GetKeyState(VK_SHIFT) & 0x8000) || (GetKeyState(VK_CONTROL) & 0x8000) || (GetKeyState(VK_MENU) & 0x8000))
        return false;
    if (GetWindowThreadProcessId(msg.hwnd, nullptr) != GetCurrentThreadId()) return false;
    SendMessageA(msg.hwnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(msg.hwnd), MAKELPARAM(0xFFFF, 0xFFFF));
    return true;
}
