// What the viewer and the archive search result window share: a top-level window with a toolbar
// of the viewer's images, a member view and a two-part status bar; command states that grey the
// toolbar buttons and menu items; tool tips; the highlighted menu item's help in the status bar
// (F1 opens its topic); the context menu of the view; and the view's notifications.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstddef>
#include <cstdint>

#include "archive/win/list_table.h"
#include "util/win_frame.h"
#include "util/win_window.h"

class TMemberListWindow : public TWindowBase {
public:
    HWND Window() const { return hwnd_; }
    HWND Toolbar() const { return toolbar_; }
    HWND StatusBar() const { return status_; }
    uint32_t CommandState() const { return stateMask_; }

    // Runs a command as the menu, the toolbar or a key would. A command that its states do not
    // allow does nothing (keys and stale menus reach here too).
    void OnCommand(int id);
    // Recomputes the command states and the status bar now (the timer does it after changes).
    void Refresh();

protected:
    TMemberListWindow(const TToolbarButton* buttons, size_t count) : buttons_(buttons), buttonCount_(count) {}
    ~TMemberListWindow() override;

    // The member view of the window.
    virtual TListViewTable& View() = 0;
    // The command states as they are now, and whether a command is enabled in a state.
    virtual uint32_t CurrentCommandState() const = 0;
    virtual bool IsCommandEnabled(int id, uint32_t state) const = 0;
    // Shows the counts of the view in the status bar (ShowCounts); force: even when unchanged.
    virtual void UpdateStatusBar(bool force) = 0;
    // The window's own commands (OnCommand handles Close, the selections and the help).
    virtual void RunCommand(int id) = 0;

    // Creates the window at three quarters of the screen, centred (not yet shown): see
    // CreateObjectWindow.
    HWND CreateCentredWindow(const char* className, const char* caption);
    // WM_CREATE: the toolbar, the status bar, the view, the context menu (a menu resource whose
    // first popup it is) and the timer that follows changes of the view.
    void CreateFrame(int toolbarId, int statusId, int viewId, const char* contextMenu);
    // WM_DESTROY: the timer and the menu help end.
    void StopFrame();
    void Layout();
    void UpdateCommandStates(bool force);
    // The status bar's two parts: the selected rows and bytes, all rows and bytes. Unchanged
    // counts are not shown again unless forced.
    void ShowCounts(uint32_t selected, uint64_t selectedBytes, uint32_t total, uint64_t totalBytes, bool force);

    // The messages every such window handles alike; others go to TWindowBase.
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    // Tool tips of the toolbar and the notifications of the view.
    virtual LRESULT OnNotify(NMHDR* header);

    // Set when the view's rows or selection changed; the timer then updates states and status.
    bool listChanged_ = false;

private:
    void PrepareMenu(HMENU menu);
    void ShowContextMenu(LPARAM at);
    void OnMenuSelect(UINT item, UINT flags, HMENU menu);
    void EndMenuHelp();
    void SelectSome();
    static LRESULT CALLBACK MenuHelpFilter(int code, WPARAM wParam, LPARAM lParam);

    const TToolbarButton* buttons_;
    size_t buttonCount_;
    HWND toolbar_ = nullptr;
    HWND status_ = nullptr;
    HMENU contextMenu_ = nullptr;
    HIMAGELIST toolbarImages_ = nullptr;
    uint32_t stateMask_ = 0xFFFFFFFF;
    bool statusValid_ = false;
    uint32_t shownSelected_ = 0, shownTotal_ = 0;
    uint64_t shownSelectedBytes_ = 0, shownTotalBytes_ = 0;
    int menuItem_ = 0;
    HHOOK menuHelpHook_ = nullptr;
};

// The window object of a window of the class made by this thread, or null.
TWindowBase* MemberListObjectOf(HWND window, const char* className);
// Routes a key of the message loop to the foreground window, when isOurs says it is one of ours,
// through the viewer's accelerators; true when the key became a command.
bool TranslateMemberListKey(MSG* msg, bool (*isOurs)(HWND window));
