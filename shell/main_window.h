// The main client window (class "TolvaneWindow"): its set-up at creation, the deferred start-up,
// the command-line actions, the hand-off filing, the tray icon and the shut-down; its views (item
// lists, toolbar with the search field, status bar), their layout and the divider, the command
// states, menus, context menus and the commands.
#pragma once

#include <windows.h>

#include <cstdint>

#include "catops/win_category_tree.h"
#include "catops/win_item_ops.h"
#include "find/win/find_command.h"
#include "handoff/handoff.h"
#include "intake/win_intake.h"
#include "integration/win_system.h"
#include "shell/win_dataobject.h"
#include "shell/win_droptarget.h"
#include "shell/win_itemlists.h"
#include "util/win_window.h"
#include "watch/win_watch.h"

struct TProgramData;

class TTolvaneWindow : public TWindowBase, public TItemViews, public TDropHost {
public:
    explicit TTolvaneWindow(TProgramData* program);
    ~TTolvaneWindow() override;
    TTolvaneWindow(const TTolvaneWindow&) = delete;
    TTolvaneWindow& operator=(const TTolvaneWindow&) = delete;

    static bool RegisterWindowClass(HINSTANCE instance);
    bool Create(HWND frame, HINSTANCE instance);

    HWND frame() const { return frame_; }
    bool inTray() const { return inTray_; }
    bool firstRun() const { return firstRun_; }

    // The command-line actions for text (null: nothing) and *flags; at start-up "/tray" sends the
    // window to the tray (clearing the tray bit of *flags).
    void RunCommandLineActions(const char* text, uint32_t* flags, bool atStartUp);
    // Files a download handed over by a plug-in, then deletes its temporary file when that is safe.
    // A path that arrived cut (no terminator in its field) names another file: it is not filed,
    // and the user is told (message 5004).
    void FileDownloadHandOff(const DownloadHandOff& record, bool pathCut = false);

    // The frame was minimised / activated.
    void OnFrameMinimised();
    void OnFrameActivated();
    // Tray icon (id 0, icon 3, tip the program title, callback TV_WM_TRAY_NOTIFY).
    // When the icon cannot be added the window stays shown (restored), so it can always be reached.
    void ToTray();
    void LeaveTray(bool restore, bool foreground);
    // The shell announced a new taskbar ("TaskbarCreated"): the tray icon is added again.
    void OnTaskbarCreated();
    // A close of the frame while files of a command line are being filed: remembered (true), and
    // carried out once the filing stopped; false when nothing is being filed.
    bool DeferClose();
    // Toggles "always on top" and applies it; ApplyAlwaysOnTop only applies the setting.
    void ToggleAlwaysOnTop();
    void ApplyAlwaysOnTop();
    // Registers the program with the browsers and the shell as the settings say.
    void ApplyIntegrationNow();
    // The New Download / File command: the wizard, then the browser or the files to import.
    void NewDownloadOrFile();

    // The views.
    // Fills the list of the selected category's kind with its items (filtered by the search
    // expression) and shows only that list.
    void ShowCategoryContents() override;
    // The views as the item operations see them.
    void UpdateDownloadView(ListNode* node, int viewFlags) override { UpdateItemView(TV_KIND_DOWNLOADS, node, viewFlags); }
    void UpdateBookmarkView(ListNode* node, int viewFlags) override { UpdateItemView(TV_KIND_BOOKMARKS, node, viewFlags); }
    void UpdateShortcutView(ListNode* node, int viewFlags) override { UpdateItemView(TV_KIND_SHORTCUTS, node, viewFlags); }
    void RemoveRow(int kind, ListNode* node) override;
    int RowCount(int kind) override;
    int RowOf(int kind, const ListNode* node) override;
    void SelectRow(int kind, int row) override;
    std::vector<ListNode*> SelectedItems(int kind) override;
    ListNode* FocusedItem(int kind) override;
    int ShownKind() override { return shownKind_; }
    void FocusList(int kind) override;
    TCategoryTreeObject* Tree() { return &tree_; }
    TItemOperations* Operations() { return &operations_; }
    // What file intake needs to reach the views.
    TIntakeContext IntakeContext();
    // Adds or rewrites an item's row, or shows its category, as the view flags say (kind 1-3).
    void UpdateItemView(int kind, ListNode* node, int viewFlags);
    // The list view of a kind (null for another kind).
    TItemTableObject* Table(int kind);
    // Recomputes the command states and the status bar now.
    void UpdateCommandStates();
    void UpdateStatusBar();
    // The frame's menu is about to open / an item is highlighted (the frame passes these on).
    void OnInitMenuPopup(HMENU menu);
    void OnMenuSelect(UINT item, UINT flags, HMENU menu);
    // Column widths and the shown kind into the settings (before saving).
    void CaptureViewState();

    // Whether a keyboard message (key down or up, or the character it made) belongs to the edit
    // field it is meant for, so that the accelerators leave it alone: Del, F2, Ctrl+C, Ctrl+V,
    // Ctrl+X ... edit the field. Tab still moves on from a one-line field.
    static bool EditFieldKeepsKey(const MSG& msg);

    // --- Clipboard and drag and drop.
    // The drop target as OLE calls it (registered on the frame and this window while it lives).
    TDropTarget* DropTarget() const { return dropTarget_; }
    void DescribeDropPoint(POINT screen, TDropHitInput* in, ListNode** category) override;
    void SelectDropCategory(ListNode* category) override;
    uint32_t DeliverDrop(const TDropInfo& info) override;
    // Process drop of a delivered drop or a paste into the selected category.
    uint32_t OnDropDelivered(const TDropInfo& info);
    // Copy (cut false) or Cut of the selected rows of the list with the focus onto the clipboard.
    void CopyToClipboard(bool cut);
    void Paste();
    int PasteMode() const { return pasteMode_; }
    bool DragInProgress() const { return dragInProgress_; }
    // An OLE drag of the tree's category at item (view 0) or of the selected rows of a list (view =
    // its kind), started with the left or the right button; returns the drag's effect.
    uint32_t BeginDrag(int view, bool rightButton, HTREEITEM item = nullptr);

    // Runs once: drag and drop revoked, temporary files and folders deleted, database saved, tray
    // icon removed, timer stopped, help closed.
    void ShutDown();

private:
    // F1 in a menu opens the topic of the highlighted command; F1 in a dialog presses its Help.
    static LRESULT CALLBACK HelpKeyFilter(int code, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    // A message whose handler threw (out of memory): reported once, the program goes on.
    LRESULT OnMessageException(UINT message) override;
    void SetUp();
    void DeferredStartUp();
    // The lost-files check of downloads and shortcuts, and with newFilesToo the check for files in
    // the storage folders that no download refers to.
    void CheckStoredFiles(bool newFilesToo);
    void OnCommand(int id);
    LRESULT OnNotify(NMHDR* header);
    void CreateBars();
    void CreateViews();
    void Layout();
    int FocusArea() const;
    int32_t SelectedCategoryId() const;
    int SelectedCategoryKind() const;
    void SetStatusParts(int mode);
    void SetStatusText(int part, const char* text);
    void ShowContextMenu(HWND source, int x, int y);
    void PrepareMenu(HMENU menu);
    void ShowNewMenu();
    void OpenFocusedItem();
    void OpenViewer();
    LRESULT OnTreeNotify(NMHDR* header);
    LRESULT OnEndListLabelEdit(int kind, int row, const char* text);
    void Rename();
    void Delete();
    void Properties();
    void Refresh();
    void SelectCategory(ListNode* category);
    void OnSearchChanged();
    // Find: the context of the find commands, and WM_USER + 8 (a chosen result).
    TFindCommandContext FindContext();
    void SelectFoundItem(WPARAM wParam, LPARAM lParam);
    void DrawTrackLine(int x);
    bool OnDivider(int x, int y) const;
    void DeleteTemporaryFiles();
    // The tray menu at a screen point; its commands go to the frame.
    void ShowTrayMenu(int x, int y);
    // NIM_ADD of the tray icon; false when the shell refused it.
    bool AddTrayIcon();

    HWND frame_ = nullptr;
    HWND splash_ = nullptr;
    HMENU menu_ = nullptr;
    TProgramData* program_;
    // The program file whose commands the integration registers (context of the database hook).
    TIntegrationHookContext integration_;
    bool inTray_ = false;
    bool firstRun_ = false;
    bool startedUp_ = false;  // the deferred start-up has run (or is running)
    bool shutDown_ = false;
    int filingDepth_ = 0;           // command-line filings running (a forwarded line may nest)
    bool closeRequested_ = false;   // the frame was asked to close during a filing

    // Views.
    HWND toolbar_ = nullptr;
    HWND search_ = nullptr;
    HWND status_ = nullptr;
    HIMAGELIST toolbarImages_ = nullptr;
    TItemTableObject tables_[3];
    TCategoryTreeObject tree_;
    TItemOperations operations_;
    int shownKind_ = 0;
    char searchExpression_[100] = {};
    int64_t commandState_ = -1;
    bool refreshPending_ = false;
    int statusMode_ = -1;
    char statusTexts_[3][300] = {};
    HWND labelEdit_ = nullptr;
    HWND lastFocus_ = nullptr;
    bool tracking_ = false;
    // The watched download folders (their settings file and watcher thread).
    TWatchService watch_;
    int trackX_ = -1;
    int pasteMode_ = 0;
    bool searchResults_ = false;
    TFindResultList findResults_;  // the results of the last find
    bool dragInProgress_ = false;
    TDropTarget* dropTarget_ = nullptr;
    TDataObject* clipboardObject_ = nullptr;  // what the last Copy or Cut put on the clipboard
    DWORD clipboardSequence_ = 0;
    TDropEnvironment DropEnvironment();
    // The format set of what the clipboard holds now.
    uint32_t ClipboardFormatSet();
    uint32_t clipboardFormats_ = 0;
    DWORD clipboardFormatsSequence_ = 0;
    bool clipboardFormatsKnown_ = false;
    void RegisterDropTarget();
    void RevokeDropTarget();
    int menuItem_ = 0;  // the highlighted menu command
    HHOOK helpFilter_ = nullptr;
};
