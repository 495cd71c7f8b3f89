// What the viewer and the archive search result window share.
#include "archive/win/list_window.h"

#include "archive/viewer_ids.h"
#include "archive/win/viewer_dialogs.h"
#include "archive/win/viewer_util.h"
#include "resources/resource_ids.h"
#include "util/text.h"
#include "util/win_help.h"
#include "util/win_menus.h"
#include "util/win_ui.h"
#include "util/safestr.h"  // last: no unbounded string functions below

namespace {

constexpr UINT_PTR kTimerId = 1;
constexpr UINT kTimerMs = 100;

// The window whose menu is open (for F1 on a highlighted item).
TMemberListWindow* menuWindow = nullptr;

}  // namespace

TWindowBase* MemberListObjectOf(HWND window, const char* className) {
    if (!window) return nullptr;
    char name[64];
    if (!GetClassNameA(window, name, sizeof name) || lstrcmpA(name, className) != 0) return nullptr;
    if (GetWindowThreadProcessId(window, nullptr) != GetCurrentThreadId()) return nullptr;
    return reinterpret_cast<TWindowBase*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

bool TranslateMemberListKey(MSG* msg, bool (*isOurs)(HWND window)) {
    static HACCEL accelerators = nullptr;
    if (!msg || (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN)) return false;
    HWND foreground = GetForegroundWindow();
    if (!isOurs(foreground)) return false;
    if (msg->hwnd != foreground && !IsChild(foreground, msg->hwnd)) return false;
    if (!accelerators) accelerators = LoadAcceleratorsA(GetModuleHandleA(nullptr), "IVACCS");
    return accelerators && TranslateAcceleratorA(foreground, accelerators, msg);
}

// ---------------------------------------------------------------- creation

TMemberListWindow::~TMemberListWindow() {
    if (toolbarImages_) ImageList_Destroy(toolbarImages_);
    if (contextMenu_) DestroyMenu(contextMenu_);
}

HWND TMemberListWindow::CreateCentredWindow(const char* className, const char* caption) {
    const RECT r = CentredFrameRect();
    return CreateObjectWindow(0, className, caption, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, r.left, r.top,
                              r.right - r.left, r.bottom - r.top, nullptr, nullptr, GetModuleHandleA(nullptr));
}

void TMemberListWindow::CreateFrame(int toolbarId, int statusId, int viewId, const char* contextMenu) {
    toolbarImages_ = LoadMaskedImageStrip(MAKEINTRESOURCEA(IDB_VIEWER_TOOLBAR), 18);
    toolbar_ = CreateFrameToolbar(hwnd_, toolbarId, toolbarImages_, buttons_, buttonCount_);
    status_ = CreateFrameStatusBar(hwnd_, statusId);
    View().Create(hwnd_, viewId);
    contextMenu_ = LoadMenuA(GetModuleHandleA(nullptr), contextMenu);
    SetTimer(hwnd_, kTimerId, kTimerMs, nullptr);
}

void TMemberListWindow::StopFrame() {
    KillTimer(hwnd_, kTimerId);
    EndMenuHelp();
}

void TMemberListWindow::Layout() { LayoutFrame(hwnd_, toolbar_, status_, View().Window(), 2); }

// ---------------------------------------------------------------- messages

LRESULT TMemberListWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    HWND view = View().Window();
    switch (message) {
        case WM_SIZE:
            Layout();
            return 0;
        case WM_SETFOCUS:
            if (view) SetFocus(view);
            return 0;
        case WM_TIMER:
            if (wParam == kTimerId && listChanged_) {
                listChanged_ = false;
                UpdateCommandStates(false);
                UpdateStatusBar(false);
            }
            return 0;
        case WM_COMMAND:
            OnCommand(LOWORD(wParam));
            return 0;
        case WM_NOTIFY:
            return OnNotify(reinterpret_cast<NMHDR*>(lParam));
        case WM_CONTEXTMENU:
            if (reinterpret_cast<HWND>(wParam) == view) {
                ShowContextMenu(lParam);
                return 0;
            }
            break;
        case WM_INITMENUPOPUP:
            PrepareMenu(reinterpret_cast<HMENU>(wParam));
            return 0;
        case WM_ENTERMENULOOP:
            menuWindow = this;
            if (!menuHelpHook_)
                menuHelpHook_ = SetWindowsHookExA(WH_MSGFILTER, MenuHelpFilter, nullptr, GetCurrentThreadId());
            return 0;
        case WM_EXITMENULOOP:
            EndMenuHelp();
            return 0;
        case WM_MENUSELECT:
            OnMenuSelect(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HMENU>(lParam));
            return 0;
        default:
            break;
    }
    return TWindowBase::HandleMessage(message, wParam, lParam);
}

LRESULT TMemberListWindow::OnNotify(NMHDR* header) {
    if (!header || AnswerToolTip(header, IV_TOOLTIP_OFFSET)) return 0;
    TListViewTable& view = View();
    if (!view.Window() || header->hwndFrom != view.Window()) return 0;
    switch (header->code) {
        case LVN_GETDISPINFOA:
            view.OnGetDispInfo(reinterpret_cast<NMLVDISPINFOA*>(header));
            return 0;
        case LVN_COLUMNCLICK:
            view.SortByColumn(reinterpret_cast<NMLISTVIEW*>(header)->iSubItem);
            listChanged_ = true;
            return 0;
        case LVN_ITEMCHANGED:
        case LVN_ODSTATECHANGED:
            listChanged_ = true;
            return 0;
        case NM_DBLCLK:
        case NM_RETURN:
            OnCommand(IV_CM_OPEN);
            return 0;
        case LVN_KEYDOWN:
            if (reinterpret_cast<NMLVKEYDOWN*>(header)->wVKey == VK_DELETE) OnCommand(IV_CM_DELETE);
            return 0;
        default:
            return 0;
    }
}

void TMemberListWindow::OnMenuSelect(UINT item, UINT flags, HMENU menu) {
    if (!status_) return;
    if (flags == 0xFFFF && !menu) {
        SendMessageA(status_, SB_SIMPLE, FALSE, 0);
        menuItem_ = 0;
        return;
    }
    menuItem_ = (flags & (MF_POPUP | MF_SEPARATOR)) ? 0 : int(item);
    SendMessageA(status_, SB_SIMPLE, TRUE, 0);
    const char* text = menuItem_ ? LoadMessageText(UINT(menuItem_ + IV_STATUS_HELP_OFFSET)) : "";
    SendMessageA(status_, SB_SETTEXTA, 255 | SBT_NOBORDERS, reinterpret_cast<LPARAM>(text));
}

void TMemberListWindow::EndMenuHelp() {
    if (menuHelpHook_) UnhookWindowsHookEx(menuHelpHook_);
    menuHelpHook_ = nullptr;
    if (menuWindow == this) menuWindow = nullptr;
}

LRESULT CALLBACK TMemberListWindow::MenuHelpFilter(int code, WPARAM wParam, LPARAM lParam) {
    const MSG* msg = reinterpret_cast<const MSG*>(lParam);
    if (code == MSGF_MENU && msg && msg->message == WM_KEYDOWN && msg->wParam == VK_F1 && menuWindow &&
        menuWindow->menuItem_) {
        ViewerHelp(menuWindow->hwnd_, uint32_t(IV_HELP_COMMAND_BASE + menuWindow->menuItem_));
        return TRUE;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void TMemberListWindow::PrepareMenu(HMENU menu) {
    if (!menu) return;
    UpdateCommandStates(false);
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        const UINT id = GetMenuItemID(menu, i);
        if (id == UINT(-1) || id == 0) continue;
        const bool enabled = IsCommandEnabled(int(id), stateMask_);
        const UINT state = GetMenuState(menu, UINT(i), MF_BYPOSITION);
        const bool greyed = (state & (MF_GRAYED | MF_DISABLED)) != 0;
        if (greyed == enabled) EnableMenuItem(menu, UINT(i), MF_BYPOSITION | (enabled ? MF_ENABLED : MF_GRAYED));
        if (id == IV_CM_OPEN) SetMenuDefaultItem(menu, IV_CM_OPEN, FALSE);
    }
}

void TMemberListWindow::ShowContextMenu(LPARAM at) {
    HMENU popup = contextMenu_ ? GetSubMenu(contextMenu_, 0) : nullptr;
    HWND view = View().Window();
    if (!popup || !view) return;
    // From the keyboard the menu opens at the focused row.
    const POINT point = ContextMenuPoint(view, at);
    PrepareMenu(popup);
    TrackPopupMenu(popup, TPM_RIGHTBUTTON | TPM_LEFTALIGN | TPM_TOPALIGN, point.x, point.y, 0, hwnd_, nullptr);
}

// ---------------------------------------------------------------- commands

void TMemberListWindow::OnCommand(int id) {
    UpdateCommandStates(false);
    if (!IsCommandEnabled(id, stateMask_)) return;
    TListViewTable& view = View();
    switch (id) {
        case IV_CM_CLOSE:
            PostMessageA(hwnd_, WM_CLOSE, 0, 0);
            break;
        case IV_CM_SELECT_ALL:
        case IV_CM_SELECT_NONE:
        case IV_CM_SELECT_INVERT:
            if (id == IV_CM_SELECT_ALL) view.SelectAll();
            if (id == IV_CM_SELECT_NONE) view.SelectNone();
            if (id == IV_CM_SELECT_INVERT) view.InvertSelection();
            listChanged_ = true;
            if (view.Window()) SetFocus(view.Window());
            break;
        case IV_CM_SELECT_SOME:
            SelectSome();
            break;
        case IV_CM_HELP_CONTENTS:
            ViewerHelp(hwnd_, 0);
            break;
        case IV_CM_HELP_USING:
            ShowHelpOnHelp(hwnd_);
            break;
        default:
            RunCommand(id);
            break;
    }
}

void TMemberListWindow::SelectSome() {
    RunSelectSomeDialog(hwnd_, [this](const char* mask, bool select) {
        View().SelectMatching(mask, select);
        listChanged_ = true;
        UpdateCommandStates(false);
        UpdateStatusBar(false);
    });
}

// ---------------------------------------------------------------- state

void TMemberListWindow::Refresh() {
    UpdateCommandStates(false);
    UpdateStatusBar(false);
}

void TMemberListWindow::UpdateCommandStates(bool force) {
    const uint32_t state = CurrentCommandState();
    if (state == stateMask_ && !force) return;
    const uint32_t old = stateMask_;
    stateMask_ = state;
    if (!toolbar_) return;
    for (size_t i = 0; i < buttonCount_; ++i) {
        const int command = buttons_[i].command;
        if (!command) continue;
        const bool enabled = IsCommandEnabled(command, state);
        if (force || enabled != IsCommandEnabled(command, old))
            SendMessageA(toolbar_, TB_ENABLEBUTTON, WPARAM(command), MAKELPARAM(enabled ? TRUE : FALSE, 0));
    }
}

void TMemberListWindow::ShowCounts(uint32_t selected, uint64_t selectedBytes, uint32_t total, uint64_t totalBytes,
                                   bool force) {
    if (!status_) return;
    if (!force && statusValid_ && selected == shownSelected_ && selectedBytes == shownSelectedBytes_ &&
        total == shownTotal_ && totalBytes == shownTotalBytes_)
        return;
    char text[128];
    FormatMemberCountStatus(text, sizeof text, selected, selectedBytes, true);
    SendMessageA(status_, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>(text));
    FormatMemberCountStatus(text, sizeof text, total, totalBytes, false);
    SendMessageA(status_, SB_SETTEXTA, 1, reinterpret_cast<LPARAM>(text));
    shownSelected_ = selected;
    shownSelectedBytes_ = selectedBytes;
    shownTotal_ = total;
    shownTotalBytes_ = totalBytes;
    statusValid_ = true;
}
