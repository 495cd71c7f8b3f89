// The parts of a result or viewer window.
#include "util/win_frame.h"

#include <vector>

#include "util/text.h"
#include "util/tvbase.h"
#include "util/win_ui.h"
#include "util/win_window.h"
#include "util/safestr.h"  // last: no unbounded string functions below

bool RegisterFrameClass(HINSTANCE instance, const char* className, int iconId, const char* menuName) {
    WNDCLASSEXA existing = {};
    existing.cbSize = sizeof existing;
    if (GetClassInfoExA(instance, className, &existing)) return true;
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = TWindowBase::WindowProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(iconId));
    wc.hIconSm = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(iconId), IMAGE_ICON, 16, 16, 0));
    wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszMenuName = menuName;
    wc.lpszClassName = className;
    return RegisterClassExA(&wc) != 0;
}

RECT CentredFrameRect() {
    const int width = GetSystemMetrics(SM_CXSCREEN) * 3 / 4;
    const int height = GetSystemMetrics(SM_CYSCREEN) * 3 / 4;
    RECT r;
    r.left = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    r.top = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    r.right = r.left + width;
    r.bottom = r.top + height;
    return r;
}

HWND CreateFrameToolbar(HWND parent, int id, HIMAGELIST images, const TToolbarButton* buttons, size_t count) {
    HWND toolbar = CreateWindowExA(0, TOOLBARCLASSNAMEA, "",
                                   WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | TBSTYLE_TOOLTIPS | TBSTYLE_FLAT | CCS_TOP,
                                   0, 0, 0, 0, parent, reinterpret_cast<HMENU>(INT_PTR(id)), GetModuleHandleA(nullptr),
                                   nullptr);
    if (!toolbar) return nullptr;
    SendMessageA(toolbar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    SendMessageA(toolbar, TB_SETBITMAPSIZE, 0, MAKELPARAM(18, 18));
    if (images) SendMessageA(toolbar, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images));
    std::vector<TBBUTTON> items(count);
    for (size_t i = 0; i < count; ++i) {
        const int command = buttons[i].command;
        items[i].idCommand = command;
        items[i].iBitmap = command ? buttons[i].image : 0;
        items[i].fsState = TBSTATE_ENABLED;
        items[i].fsStyle = BYTE(!command ? BTNS_SEP : buttons[i].check ? BTNS_CHECK : BTNS_BUTTON);
    }
    SendMessageA(toolbar, TB_ADDBUTTONSA, WPARAM(count), reinterpret_cast<LPARAM>(items.data()));
    SendMessageA(toolbar, TB_AUTOSIZE, 0, 0);
    return toolbar;
}

HWND CreateFrameStatusBar(HWND parent, int id) {
    return CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0, 0, parent,
                           reinterpret_cast<HMENU>(INT_PTR(id)), GetModuleHandleA(nullptr), nullptr);
}

HWND CreateReportList(HWND parent, int id, DWORD styles, uint32_t firstHeading, int count,
                      void (*layout)(int column, void* context, int* width, int* format), void* context) {
    HWND list = CreateWindowExA(WS_EX_CLIENTEDGE, WC_LISTVIEWA, "",
                                WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS | styles, 0, 0, 0, 0,
                                parent, reinterpret_cast<HMENU>(INT_PTR(id)), GetModuleHandleA(nullptr), nullptr);
    if (!list) return nullptr;
    for (int c = 0; c < count; ++c) {
        char heading[64];
        CopyLimited(heading, LoadMessageText(UINT(firstHeading + uint32_t(c))), sizeof heading);
        int width = 100, format = LVCFMT_LEFT;
        layout(c, context, &width, &format);
        LVCOLUMNA column = {};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
        column.fmt = format;
        column.cx = width;
        column.pszText = heading;
        column.iSubItem = c;
        SendMessageA(list, LVM_INSERTCOLUMNA, WPARAM(c), reinterpret_cast<LPARAM>(&column));
    }
    return list;
}

void LayoutFrame(HWND window, HWND toolbar, HWND status, HWND view, int parts) {
    RECT client;
    GetClientRect(window, &client);
    int top = 0;
    int bottom = client.bottom;
    if (toolbar) {
        SendMessageA(toolbar, TB_AUTOSIZE, 0, 0);
        RECT r;
        GetWindowRect(toolbar, &r);
        top = r.bottom - r.top;
    }
    if (status) {
        SendMessageA(status, WM_SIZE, 0, 0);
        RECT r;
        GetWindowRect(status, &r);
        bottom -= r.bottom - r.top;
        if (parts < 1) parts = 1;
        if (parts > 8) parts = 8;
        int rights[8];
        for (int i = 0; i + 1 < parts; ++i) rights[i] = client.right * (parts - 1 + i) / (2 * (parts - 1));
        rights[parts - 1] = -1;
        SendMessageA(status, SB_SETPARTS, WPARAM(parts), reinterpret_cast<LPARAM>(rights));
    }
    if (view) MoveWindow(view, 0, top, client.right, bottom > top ? bottom - top : 0, TRUE);
}

bool AnswerToolTip(NMHDR* header, uint32_t textOffset) {
    if (!header) return false;
    if (header->code == TTN_GETDISPINFOA) {
        NMTTDISPINFOA* info = reinterpret_cast<NMTTDISPINFOA*>(header);
        if (!(info->uFlags & TTF_IDISHWND)) {
            CopyLimited(info->szText, LoadMessageText(UINT(header->idFrom) + textOffset), sizeof info->szText);
            info->lpszText = info->szText;
        }
        return true;
    }
    if (header->code == TTN_GETDISPINFOW) {
        NMTTDISPINFOW* info = reinterpret_cast<NMTTDISPINFOW*>(header);
        if (!(info->uFlags & TTF_IDISHWND)) {
            MultiByteToWideChar(CP_ACP, 0, LoadMessageText(UINT(header->idFrom) + textOffset), -1, info->szText,
                                int(TV_COUNTOF(info->szText)));
            info->szText[TV_COUNTOF(info->szText) - 1] = 0;
            info->lpszText = info->szText;
        }
        return true;
    }
    return false;
}
