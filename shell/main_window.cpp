#include "shell/main_window.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "archive/win/tempfiles.h"
#include "archive/win/viewer_window.h"
#include "bookmarks/win_bookmarks.h"
#include "core/items.h"
#include "core/lists.h"
#include "database/programdata.h"
#include "database/win_database.h"
#include "export/win_filedb_export.h"
#include "find/win/find_command.h"
#include "intake/win_intake.h"
#include "intake/win_newfile.h"
#include "integration/win_browser.h"
#include "interchange/win_wizards.h"
#include "setup/win_first_setup.h"
#include "shell/app.h"
#include "shell/command_line.h"
#include "shell/command_states.h"
#include "shell/commands.h"
#include "shell/dragdrop.h"
#include "shell/win_preferences.h"
#include "shell/trace.h"
#include "resources/resource_ids.h"
#include "util/format.h"
#include "util/path.h"
#include "util/text.h"
#include "util/textcopy.h"
#include "util/win_classes.h"
#include "util/win_files.h"
#include "util/win_guard.h"
#include "util/win_help.h"
#include "util/win_imagelist.h"
#include "util/win_menus.h"
#include "util/win_ui.h"
#include "util/safestr.h"

namespace {

const char kClientClass[] = "TolvaneWindow";
const UINT kTrayIconId = 0;
const int kTrayIconResource = 3;

// Child windows.
const int kToolbarId = 303;
const int kStatusBarId = 304;
const int kSearchFieldId = 305;
const int kDividerWidth = 3;
const int kHelpButtonId = 900;
const int kSearchFieldHeight = 23;
const size_t kSearchExpressionChars = 99;
// String ids.
const UINT kIdsSearchExpression = 3822;
const int kStatusHelpOffset = 1000;
const int kToolTipOffset = 2100;
// Commands whose feature is not part of this program yet: shown greyed.
const int kNotBuiltCommands[] = {CM_COPY_TO};

bool IsNotBuilt(int command) {
    for (int id : kNotBuiltCommands)
        if (id == command) return true;
    return false;
}

const UINT kIdsFileNotOpened = 3419;
const UINT kIdsBookmarkNotOpened = 3402;
const UINT kIdsHandOffPathCut = 5004;  // %s: the path as it arrived
const UINT kIdsBrowserNotLaunched = 3404;
const UINT kIdsWebSiteNotOpened = 3405;
const UINT kIdsUrlNotOpened = 5801;
const UINT kIdsFilesNotFiled = 5008;   // %s: the files, one a line
const char kErrorCaption[] = "Error";

// The window that receives the keyboard messages of the thread's focus, and its class.
// The main window whose menus the help key filter serves.
TTolvaneWindow* helpWindow = nullptr;

bool HasClass(HWND window, const char* name) {
    char className[32];
    return window && GetClassNameA(window, className, sizeof(className)) > 0 && lstrcmpiA(className, name) == 0;
}

// Files path as a download: the template record's data, or without one a fresh record filled from
// the file itself. The test trace gets its line first. Returns what became of the file.
TIntakeFileOutcome FileIntakeTraced(const TIntakeContext& context, const FileItem* templateRecord, const char* path,
                                    uint32_t options) {
    const char* website = templateRecord && templateRecord->website ? templateRecord->website : "";
    ShellTrace("intake 0x%03X [%s] website [%s]", unsigned(options), path ? path : "", website);
    TIntakeFileOutcome file = TV_INTAKE_FILE_KEPT;
    // A record without a file name (a broken hand-off) has nothing to bring in.
    if (!context.program || !path || !path[0]) return file;
    FileIntake(context, templateRecord, nullptr, path, options, &file);
    return file;
}

// The temporary file of a plug-in hand-off may be deleted after the intake only when the intake
// placed it in the storage folder or the user chose not to keep it. Anything else (intake failed,
// a dialog was cancelled without that choice) keeps the file, so no download is lost.
bool HandOffFileMayBeDeleted(TIntakeFileOutcome file) {
    return file == TV_INTAKE_FILE_PLACED || file == TV_INTAKE_FILE_DECLINED;
}

// After an intake that kept the handed-over file at path: message 5799 naming the file, caption
// "Error" (the user was not the one who declined it, so storing failed). Nothing for a file that
// is not there.
void ReportHandOffFileKept(const TIntakeContext& context, const char* path) {
    if (!path || !path[0] || GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES) return;
    char text[1024];
    HandOffFileKeptMessage(text, sizeof(text), path);
    ShellTrace("handoff-kept [%s]", path);
    // The user said OK (or the intake could not even ask): either way storing failed.
    IntakeMessageBox(context, text, kErrorCaption, MB_OK | MB_ICONERROR);
}

}  // namespace

TTolvaneWindow::TTolvaneWindow(TProgramData* program)
    : program_(program), operations_(program, &tree_, this) {}

TTolvaneWindow::~TTolvaneWindow() {
    if (hwnd_) DestroyWindow(hwnd_);
    RevokeDropTarget();
    // What is on the clipboard no longer depends on this window's records.
    if (clipboardObject_) {
        if (OleIsCurrentClipboard(clipboardObject_) == S_OK) OleFlushClipboard();
        clipboardObject_->Release();
        clipboardObject_ = nullptr;
    }
    // A later save must not call into this window any more.
    if (program_ && program_->hooks.captureViewStateContext == this) {
        program_->hooks.captureViewState = nullptr;
        program_->hooks.captureViewStateContext = nullptr;
    }
    if (program_ && program_->hooks.applyIntegrationContext == &integration_) {
        program_->hooks.applyIntegration = nullptr;
        program_->hooks.applyIntegrationContext = nullptr;
    }
}

bool TTolvaneWindow::RegisterWindowClass(HINSTANCE instance) {
    WNDCLASSA wc = {};
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kClientClass;
    return RegisterClassA(&wc) != 0;
}

bool TTolvaneWindow::Create(HWND frame, HINSTANCE instance) {
    frame_ = frame;
    RECT rect = {};
    GetClientRect(frame, &rect);
    return CreateObjectWindow(0, kClientClass, "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, 0, 0,
                              rect.right, rect.bottom, frame, nullptr, instance) != nullptr;
}

LRESULT TTolvaneWindow::OnMessageException(UINT message) {
    ReportCurrentException(hwnd_);
    return TWindowBase::OnMessageException(message);
}

LRESULT TTolvaneWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            SetUp();
            return 0;
        case WM_DESTROY:
            RevokeDropTarget();
            if (toolbarImages_) ImageList_Destroy(toolbarImages_);
            toolbarImages_ = nullptr;
            break;
        case TV_WM_DEFERRED_STARTUP:
            DeferredStartUp();
            return 0;
        case TV_WM_DROP_DELIVERED:
            return lParam ? LRESULT(OnDropDelivered(*reinterpret_cast<const TDropInfo*>(lParam))) : 0;
        case TV_WM_WATCHED_FILES: {
            // Each finished file of a watched folder goes through the intake as a download.
            TWatchIntakeHook hook;
            hook.context = this;
            hook.intake = [](const FileItem* item, const char* path, uint32_t options, void* context) {
                return FileIntakeTraced(static_cast<TTolvaneWindow*>(context)->IntakeContext(), item, path, options);
            };
            if (!shutDown_) watch_.OnFilesArrived(program_, hook);
            return 0;
        }
        case TV_WM_TRAY_NOTIFY:
            if (lParam == WM_LBUTTONDOWN) {
                OnCommand(CM_OPEN_FROM_TRAY);
            } else if (lParam == WM_RBUTTONDOWN) {
                POINT at = {};
                GetCursorPos(&at);
                PostMessageA(hwnd_, TV_WM_SHOW_TRAY_MENU, 0, MAKELPARAM(at.x, at.y));
            }
            return 0;
        case TV_WM_SHOW_TRAY_MENU:
            ShowTrayMenu(short(LOWORD(lParam)), short(HIWORD(lParam)));
            return 0;
        case TV_WM_DOWNLOAD_CHANGED: {
            // A download changed: its category's list is refilled when that category is showing.
            ListNode* node = reinterpret_cast<ListNode*>(lParam);
            const FileItem* item =
                program_ && program_->downloads.ContainsNode(node) ? TFileListObject::Item(node) : nullptr;
            if (item && SelectedCategoryKind() == TV_KIND_DOWNLOADS && item->categoryId == SelectedCategoryId())
                ShowCategoryContents();
            return 0;
        }
        case TV_WM_SELECT_ITEM:
            SelectFoundItem(wParam, lParam);
            return 0;
        case WM_TIMER:
            if (wParam == TV_TIMER_SPLASH) {
                if (splash_) DestroyWindow(splash_);
                splash_ = nullptr;
                ShowWindow(frame_, SW_SHOWNORMAL);
                KillTimer(hwnd_, TV_TIMER_SPLASH);
            } else if (wParam == TV_TIMER_REFRESH) {
                // Another program may have changed the clipboard: Paste follows it.
                const DWORD sequence = GetClipboardSequenceNumber();
                if (sequence != clipboardSequence_) {
                    clipboardSequence_ = sequence;
                    refreshPending_ = true;
                }
                if (!refreshPending_) return 0;
                refreshPending_ = false;
                UpdateCommandStates();
                UpdateStatusBar();
            }
            return 0;
        case WM_SIZE:
            Layout();
            return 0;
        case WM_SETFOCUS: {
            // The focus goes back to the view that had it last (the item list at first).
            HWND target = lastFocus_ && IsWindow(lastFocus_) && IsWindowVisible(lastFocus_) ? lastFocus_ : nullptr;
            if (!target && Table(shownKind_)) target = Table(shownKind_)->Window();
            if (target) SetFocus(target);
            return 0;
        }
        case WM_COMMAND:
            if (LOWORD(wParam) == kSearchFieldId && lParam) {
                if (HIWORD(wParam) == EN_UPDATE) OnSearchChanged();
                if (HIWORD(wParam) == EN_SETFOCUS) {
                    lastFocus_ = search_;
                    refreshPending_ = true;
                }
                return 0;
            }
            OnCommand(LOWORD(wParam));
            return 0;
        case WM_NOTIFY:
            return OnNotify(reinterpret_cast<NMHDR*>(lParam));
        case WM_CONTEXTMENU:
            ShowContextMenu(reinterpret_cast<HWND>(wParam), short(LOWORD(lParam)), short(HIWORD(lParam)));
            return 0;
        case WM_INITMENUPOPUP:
            OnInitMenuPopup(reinterpret_cast<HMENU>(wParam));
            return 0;
        case WM_MENUSELECT:
            OnMenuSelect(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HMENU>(lParam));
            return 0;
        case WM_SETCURSOR:
            if (reinterpret_cast<HWND>(wParam) == hwnd_ && LOWORD(lParam) == HTCLIENT) {
                POINT at = {};
                GetCursorPos(&at);
                ScreenToClient(hwnd_, &at);
                if (tracking_ || OnDivider(at.x, at.y)) {
                    HCURSOR cursor = LoadCursorA(Globals().instance, "DIVIDERCURSOR");
                    SetCursor(cursor ? cursor : LoadCursorA(nullptr, MAKEINTRESOURCEA(32644)));
                    return TRUE;
                }
            }
            break;
        case WM_LBUTTONDOWN:
            if (OnDivider(short(LOWORD(lParam)), short(HIWORD(lParam)))) {
                SetCapture(hwnd_);
                tracking_ = true;
                trackX_ = -1;
                DrawTrackLine(short(LOWORD(lParam)));
            }
            return 0;
        case WM_MOUSEMOVE:
            if (tracking_) DrawTrackLine(short(LOWORD(lParam)));
            return 0;
        case WM_LBUTTONUP:
            if (tracking_) {
                const int x = short(LOWORD(lParam));
                DrawTrackLine(-1);
                tracking_ = false;
                ReleaseCapture();
                RECT client = {};
                GetClientRect(hwnd_, &client);
                if (program_) program_->divider.treeWidth = x < 0 ? 0 : (x > client.right - kDividerWidth ? client.right - kDividerWidth : x);
                Layout();
            }
            return 0;
        case WM_CAPTURECHANGED:
            if (tracking_ && reinterpret_cast<HWND>(lParam) != hwnd_) {
                DrawTrackLine(-1);
                tracking_ = false;
            }
            return 0;
        default:
            break;
    }
    return DefWindowProcA(hwnd_, message, wParam, lParam);
}

void TTolvaneWindow::SetUp() {
    TProgramGlobals& g = Globals();
    // 1. Menu of the frame and "Always on top" in its system menu.
    menu_ = LoadMenuA(g.instance, "MENU");
    if (menu_) SetMenu(frame_, menu_);
    HMENU systemMenu = GetSystemMenu(frame_, FALSE);
    if (systemMenu) {
        AppendMenuA(systemMenu, MF_SEPARATOR, 0, nullptr);
        AppendMenuA(systemMenu, MF_STRING, CM_ALWAYS_ON_TOP, LoadMessageText(IDS_ALWAYS_ON_TOP));
    }
    // 2. Toolbar with its search field, status bar.
    CreateBars();
    // F1 in the menus and dialogs of this thread.
    helpWindow = this;
    helpFilter_ = SetWindowsHookExA(WH_MSGFILTER, HelpKeyFilter, nullptr, GetCurrentThreadId());
    // 3. The deferred user-interface refresh.
    SetTimer(hwnd_, TV_TIMER_REFRESH, 100, nullptr);
    // 4. Splash, only when asked for.
    if (g.startFlags & TV_START_SPLASH) {
        splash_ = CreateSplashWindow(g.instance);
        if (splash_) {
            SetTimer(hwnd_, TV_TIMER_SPLASH, 2500, nullptr);
            UpdateWindow(splash_);
        }
    }
    // 5. The database (defaults on a first run).
    if (program_) firstRun_ = LoadDatabase(program_, frame_);
    // 6. Views, command states, always on top.
    if (program_) {
        program_->hooks.captureViewState = [](TProgramData*, void* context) {
            static_cast<TTolvaneWindow*>(context)->CaptureViewState();
        };
        program_->hooks.captureViewStateContext = this;
        // Every save registers the program with the browsers and the shell again.
        CopyLimited(integration_.programPath, g.programPath, sizeof(integration_.programPath));
        program_->hooks.applyIntegration = ApplyIntegrationHook;
        program_->hooks.applyIntegrationContext = &integration_;
    }
    CreateViews();
    ApplyAlwaysOnTop();
    // The internal viewers notify this window of downloads they extracted.
    TViewerEnvironment viewers;
    viewers.program = program_;
    viewers.mainWindow = hwnd_;
    SetViewerEnvironment(viewers);
    // 7. The rest runs once the window exists; the drop target is registered there, after the
    // first setup wizard (registering it marshals it, and a message sent meanwhile, such as a
    // plug-in's hand-off, would be taken in before the wizard).
    PostMessageA(hwnd_, TV_WM_DEFERRED_STARTUP, 0, 0);
}

void TTolvaneWindow::NewDownloadOrFile() {
    TNewDownloadOrFile wizard;
    if (!program_ || !RunNewDownloadOrFileWizard(frame_, &wizard)) return;
    if (wizard.choice == 1) {
        // The browser downloads; its plug-in hands the file over when it is done.
        if (BrowserLaunchFailed(LaunchBrowser(hwnd_, &program_->integration, wizard.url)))
            ShowMessageBox(hwnd_, LoadMessageText(kIdsUrlNotOpened), Globals().title, MB_OK);
        return;
    }
    std::string files;
    if (!PickFilesToImport(frame_, Globals().title, &files, nullptr)) return;
    // The files take the way of a forwarded command line: one with the dialog, several silently.
    uint32_t flags = 0;
    RunCommandLineActions(files.c_str(), &flags, false);
}

void TTolvaneWindow::ApplyIntegrationNow() {
    if (program_) ApplyIntegrationToSystem(program_->integration, program_->viewer.defaultViewer, Globals().programPath);
}

void TTolvaneWindow::DeferredStartUp() {
    // Runs once: a hand-off or a forwarded command line that arrives before the posted start-up
    // message (a sent message overtakes it) runs it first, so the first setup wizard and the
    // start-up checks come before anything is filed.
    if (startedUp_) return;
    startedUp_ = true;
    TProgramGlobals& g = Globals();
    SetWindowTextA(frame_, g.title);
    if (firstRun_) {
        ShellTrace("first-setup-wizard");
        // Modal over the frame; when the user finishes it its settings are the program's.
        const bool finished = RunFirstSetupWizard(GetAncestor(hwnd_, GA_ROOT), program_);
        ShellTrace("first-setup-wizard %s", finished ? "finished" : "cancelled");
        if (finished) {
            ApplyAlwaysOnTop();
            ApplyIntegrationNow();
        }
    }
    RegisterDropTarget();
    CheckStoredFiles(true);
    // The automatic bookmark imports; new categories show in the tree as well as in the lists.
    ShellTrace("startup-bookmark-import");
    if (RunStartupBookmarkImports(frame_, program_)) Refresh();
    RunCommandLineActions(g.commandLine.c_str(), &g.startFlags, true);
    // The watched folders: files already waiting there are offered first, then what arrives.
    if (program_) {
        watch_.Load(program_->programFolder);
        watch_.Start(hwnd_, TV_WM_WATCHED_FILES);
    }
}

void TTolvaneWindow::CheckStoredFiles(bool newFilesToo) {
    ShellTrace("check-lost-files");
    if (program_) CheckLostFiles(IntakeContext());
    if (!newFilesToo) return;
    ShellTrace("check-new-files");
    if (program_) CheckNewStorageFiles(IntakeContext());
}

void TTolvaneWindow::RunCommandLineActions(const char* text, uint32_t* flags, bool atStartUp) {
    if (!text || !flags) return;
    if (!atStartUp) DeferredStartUp();
    const CommandLinePlan plan = PlanCommandLineActions(text, *flags, atStartUp);
    if (plan.toTray && !inTray_) ToTray();
    // Going to the tray (now or earlier, by minimising) uses up the tray bit.
    if (plan.toTray) *flags &= ~uint32_t(TV_START_TRAY);
    switch (plan.action) {
        case CommandLinePlan::VIEWER:
            ShellTrace("viewer [%s]", plan.archive.c_str());
            if (TTVInternalViewerWindow* viewer = TTVInternalViewerWindow::Open(plan.archive.c_str(), nullptr))
                SetForegroundWindow(viewer->Window());
            break;
        case CommandLinePlan::INTERCHANGE:
            if (program_ && RunImportInterchangeWizard(frame_, program_, plan.interchangeFile.c_str())) Refresh();
            break;
        case CommandLinePlan::INTAKE: {
            // The window may be closed while a file is filed (a question or message is open):
            // the rest is then not filed, and the user learns which files those are.
            ++filingDepth_;
            std::string notFiled;
            for (size_t i = 0; i < plan.intake.size(); ++i) {
                if (closeRequested_ || shutDown_) {
                    for (size_t j = i; j < plan.intake.size(); ++j) {
                        std::string file = plan.intake[j].file;
                        file.erase(std::remove(file.begin(), file.end(), '"'), file.end());
                        notFiled += file + "\n";
                    }
                    break;
                }
                FileIntakeTraced(IntakeContext(), nullptr, plan.intake[i].file.c_str(), plan.intake[i].options);
            }
            --filingDepth_;
            if (!notFiled.empty()) {
                std::string text = LoadMessageText(kIdsFilesNotFiled);
                const size_t at = text.find("%s");
                if (at != std::string::npos) text.replace(at, 2, notFiled);
                ShowMessageBox(hwnd_, text.c_str(), Globals().title, MB_OK | MB_ICONINFORMATION);
            }
            // The close that waited for the filing goes on now.
            if (filingDepth_ == 0 && closeRequested_ && !shutDown_) {
                closeRequested_ = false;
                PostMessageA(frame_, WM_CLOSE, 0, 0);
            }
            break;
        }
        case CommandLinePlan::NONE:
            break;
    }
}

void TTolvaneWindow::FileDownloadHandOff(const DownloadHandOff& record, bool pathCut) {
    if (!program_) return;
    DeferredStartUp();
    if (pathCut) {
        std::string text = LoadMessageText(kIdsHandOffPathCut);
        const size_t at = text.find("%s");
        if (at != std::string::npos) text.replace(at, 2, record.SavedFilePath);
        ShowMessageBox(hwnd_, text.c_str(), kErrorCaption, MB_OK | MB_ICONERROR);
        return;
    }
    FileItem item;
    program_->downloads.InitItem(&item);
    TextAssign(&item.website, record.SourceUrl);
    // Decided before the intake: once the file was moved into storage, its path no longer resolves.
    const bool temporary = PathIsInTemporaryFolder(record.SavedFilePath);
    TIntakeContext context = IntakeContext();
    // A file that could not be stored is reported below, with the place where it stays.
    context.callerReportsStoreFailure = true;
    const TIntakeFileOutcome outcome = FileIntakeTraced(context, &item, record.SavedFilePath, TV_INTAKE_PLUGIN_DOWNLOAD);
    if (HandOffFileMayBeDeleted(outcome)) {
        if (temporary) {
            DeleteFileA(record.SavedFilePath);
            // The plug-in's private download folder goes too, once it is empty.
            char folder[TV_PATH_SIZE];
            if (DownloadHandOffFolder(record.SavedFilePath, folder, sizeof(folder))) RemoveDirectoryA(folder);
        }
    } else {
        // Nothing was stored: the download stays where the plug-in left it, and the user learns where.
        ReportHandOffFileKept(context, record.SavedFilePath);
    }
    program_->downloads.FreeItemData(&item);
}

void TTolvaneWindow::OnFrameMinimised() {
    const bool minimiseToTray = program_ && program_->standards.trayIconWhenMinimised;
    if (!inTray_ && (minimiseToTray || (Globals().startFlags & TV_START_TRAY))) ToTray();
}

void TTolvaneWindow::OnFrameActivated() {
    // Only a frame that something showed again leaves the tray; the hidden frame may be made the
    // foreground window for the tray menu.
    if (inTray_ && IsWindowVisible(frame_) && !IsIconic(frame_)) LeaveTray(true, false);
}

bool TTolvaneWindow::AddTrayIcon() {
    NOTIFYICONDATAA data = {};
    data.cbSize = sizeof(data);
    data.hWnd = hwnd_;
    data.uID = kTrayIconId;
    data.uFlags = NIF_ICON | NIF_MESSAGE | NIF_TIP;
    data.uCallbackMessage = TV_WM_TRAY_NOTIFY;
    data.hIcon = static_cast<HICON>(
        LoadImageA(Globals().instance, MAKEINTRESOURCEA(kTrayIconResource), IMAGE_ICON, 16, 16, 0));
    CopyLimited(data.szTip, Globals().title, sizeof(data.szTip));
    const bool added = Shell_NotifyIconA(NIM_ADD, &data) != FALSE;
    if (data.hIcon) DestroyIcon(data.hIcon);
    return added;
}

void TTolvaneWindow::ToTray() {
    Globals().startFlags &= ~uint32_t(TV_START_TRAY);
    // Without an icon (no taskbar yet, the shell refused it) a hidden window could never be
    // reached again: it stays shown instead.
    if (!AddTrayIcon()) {
        ShowWindow(frame_, SW_RESTORE);
        return;
    }
    ShowWindow(frame_, SW_HIDE);
    inTray_ = true;
}

bool TTolvaneWindow::DeferClose() {
    if (filingDepth_ == 0) return false;
    closeRequested_ = true;
    return true;
}

void TTolvaneWindow::OnTaskbarCreated() {
    // The shell (re)started and knows no icons: the tray icon comes back, or the window shows.
    if (!inTray_ || AddTrayIcon()) return;
    inTray_ = false;
    ShowWindow(frame_, SW_RESTORE);
}

void TTolvaneWindow::LeaveTray(bool restore, bool foreground) {
    NOTIFYICONDATAA data = {};
    data.cbSize = sizeof(data);
    data.hWnd = hwnd_;
    data.uID = kTrayIconId;
    Shell_NotifyIconA(NIM_DELETE, &data);
    inTray_ = false;
    if (restore) ShowWindow(frame_, SW_RESTORE);
    if (foreground) SetForegroundWindow(frame_);
}

void TTolvaneWindow::ToggleAlwaysOnTop() {
    if (!program_) return;
    program_->integration.alwaysOnTop = program_->integration.alwaysOnTop ? 0 : 1;
    ApplyAlwaysOnTop();
}

void TTolvaneWindow::ApplyAlwaysOnTop() {
    const bool onTop = program_ && program_->integration.alwaysOnTop;
    SetWindowPos(frame_, onTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    HMENU systemMenu = GetSystemMenu(frame_, FALSE);
    if (systemMenu) CheckMenuItem(systemMenu, CM_ALWAYS_ON_TOP, MF_BYCOMMAND | (onTop ? MF_CHECKED : MF_UNCHECKED));
}

void TTolvaneWindow::OnCommand(int id) {
    // The search field keeps its own Delete key: the field gets the key, no item goes.
    // (A character 0x2E would type a "." into it: the key itself deletes as the user expects.)
    if (id == CM_DELETE && search_ && GetFocus() == search_) {
        SendMessageA(search_, WM_KEYDOWN, VK_DELETE, 0x00530001);
        SendMessageA(search_, WM_KEYUP, VK_DELETE, 0xC0530001);
        return;
    }
    // Commands that are disabled now do nothing (also when they come from the keyboard). The state
    // is taken now, not at the last refresh tick: Enter or Del right after a selection change count.
    UpdateCommandStates();
    if (!IsCommandEnabled(id, uint32_t(commandState_))) return;
    switch (id) {
        case CM_OPEN_FROM_TRAY:
            LeaveTray(true, true);
            break;
        case CM_START_WITH_WINDOWS:
            // The "Run" entry follows when the integration is next applied.
            if (program_) program_->integration.startWithWindows = program_->integration.startWithWindows ? 0 : 1;
            break;
        case CM_EXIT:
            PostMessageA(frame_, WM_CLOSE, 0, 0);
            break;
        case CM_HELP_CONTENTS:
            ShowHelpContents(frame_);
            break;
        case CM_SEARCH:
            RunFindCommand(FindContext());
            searchResults_ = !findResults_.Empty();
            refreshPending_ = true;
            break;
        case CM_SEARCH_RESULTS:
            ShowFindResults(FindContext());
            break;
        case CM_HELP_USING:
            ShowHelpOnHelp(frame_);
            break;
        case CM_OPEN:
            if (!labelEdit_) OpenFocusedItem();
            break;
        case CM_VIEWER:
            OpenViewer();
            break;
        case CM_REFRESH:
            Refresh();
            break;
        case CM_NEW_CATEGORY:
            if (operations_.NewCategory(hwnd_)) labelEdit_ = TreeView_GetEditControl(tree_.Window());
            break;
        case CM_NEW_BOOKMARK:
            operations_.AddOrEditBookmark(hwnd_, 1, nullptr, nullptr, 1, 1);
            break;
        case CM_NEW_DOWNLOAD:
            NewDownloadOrFile();
            break;
        case CM_NEW_SHORTCUT:
            operations_.NewShortcut(hwnd_);
            break;
        case CM_RENAME:
            Rename();
            break;
        case CM_DELETE:
            Delete();
            break;
        case CM_PROPERTIES:
            Properties();
            break;
        case CM_CUT:
        case CM_COPY:
            CopyToClipboard(id == CM_CUT);
            break;
        case CM_PASTE:
            Paste();
            break;
        case CM_IMPORT_BOOKMARKS:
            if (ImportBookmarksCommand(frame_, program_)) Refresh();
            break;
        case CM_EXPORT_BOOKMARKS:
            ExportBookmarksCommand(frame_, program_, SelectedItems(TV_KIND_BOOKMARKS));
            break;
        case CM_EXPORT_FILE_DATABASE:
            ExportFileDatabaseCommand(frame_, program_, SelectedItems(TV_KIND_DOWNLOADS));
            break;
        case CM_PREFERENCES:
            if (RunPreferences(frame_, program_, &operations_, &watch_)) {
                Refresh();
                ApplyAlwaysOnTop();
                ApplyIntegrationNow();
            }
            // Files that vanished (or did not follow a moved location) are reported now.
            CheckStoredFiles(false);
            break;
        case CM_BROWSER:
            if (program_ && BrowserLaunchFailed(LaunchBrowser(hwnd_, &program_->integration, nullptr)))
                ShowMessageBox(hwnd_, LoadMessageText(kIdsBrowserNotLaunched), Globals().title, MB_OK | MB_ICONSTOP);
            break;
        case CM_WEBSITE:
            if (program_ && BrowserLaunchFailed(LaunchBrowser(hwnd_, &program_->integration, kProductWebSite)))
                ShowMessageBox(hwnd_, LoadMessageText(kIdsWebSiteNotOpened), Globals().title, MB_OK | MB_ICONSTOP);
            break;
        case CM_MAKE_INTERCHANGE:
            if (program_) RunCreateInterchangeWizard(frame_, program_);
            break;
        case CM_IMPORT_INTERCHANGE:
            if (program_ && RunImportInterchangeWizard(frame_, program_, nullptr)) Refresh();
            break;
        case CM_ABOUT:
            RunInfoDialog(frame_);
            break;
        case CM_ERASE_SEARCH:
            if (search_) SetWindowTextA(search_, "");
            searchExpression_[0] = '\0';
            ShowCategoryContents();
            break;
        case CM_NEW_MENU:
            ShowNewMenu();
            break;
        case CM_NEXT_TAB:
        case CM_PREVIOUS_TAB: {
            HWND next = GetNextDlgTabItem(hwnd_, GetFocus(), id == CM_PREVIOUS_TAB);
            if (next) SetFocus(next);
            break;
        }
        case CM_EXPLORER: {
            char folder[TV_PATH_SIZE];
            const UINT length = GetWindowsDirectoryA(folder, sizeof(folder));
            if (length > 0 && length < sizeof(folder)) {
                char program[TV_PATH_SIZE];
                FormatLimited(program, sizeof(program), "%s\\EXPLORER.EXE", folder);
                ShellExecuteA(hwnd_, "open", program, nullptr, nullptr, SW_SHOWNORMAL);
            }
            break;
        }
        default:
            // Commands of features that this program does not have yet are greyed (and do
            // nothing when they arrive from the keyboard).
            break;
    }
}

void TTolvaneWindow::ShowTrayMenu(int x, int y) {
    HMENU menu = LoadMenuA(Globals().instance, "TRAYMENU");
    if (!menu) return;
    HMENU popup = GetSubMenu(menu, 0);
    if (popup) {
        SetMenuDefaultItem(popup, CM_OPEN_FROM_TRAY, FALSE);
        const bool start = program_ && program_->integration.startWithWindows == 1;
        CheckMenuItem(popup, CM_START_WITH_WINDOWS, MF_BYCOMMAND | (start ? MF_CHECKED : MF_UNCHECKED));
        // The owner must be in the foreground, or the menu stays open when the user clicks
        // elsewhere.
        SetForegroundWindow(frame_);
        // Above and left of the point: near the screen's corner the menu does not lie over the
        // icon, where a second click would pick an item.
        TrackPopupMenu(popup, TPM_RIGHTBUTTON | TPM_BOTTOMALIGN | TPM_RIGHTALIGN, x, y, 0, frame_, nullptr);
        // The documented end: the menu's owner gets a message, so that a second open works.
        PostMessageA(frame_, WM_NULL, 0, 0);
    }
    DestroyMenu(menu);
}

void TTolvaneWindow::DeleteTemporaryFiles() {
    if (!program_) return;
    // Files first, then folders (a folder goes only once the files in it are gone). An entry
    // whose file or folder could not be removed stays listed for the next run.
    // An entry outside the system's temporary folder is dropped from the list, never deleted.
    CleanTempFileList(&program_->tempFiles, TV_CLEAN_FILES, true);
    CleanTempFileList(&program_->tempFiles, TV_CLEAN_FOLDERS, true);
}

void TTolvaneWindow::ShutDown() {
    if (shutDown_) return;
    shutDown_ = true;
    watch_.Stop();
    // The result windows point into this window's results and the program's lists.
    CloseFindWindows();
    RevokeDropTarget();
    // Files copied to the clipboard stay there for other programs once this one has gone.
    if (clipboardObject_) {
        if (OleIsCurrentClipboard(clipboardObject_) == S_OK) OleFlushClipboard();
        clipboardObject_->Release();
        clipboardObject_ = nullptr;
    }
    DeleteTemporaryFiles();
    if (program_) SaveDatabase(program_, frame_);
    if (inTray_) {
        NOTIFYICONDATAA data = {};
        data.cbSize = sizeof(data);
        data.hWnd = hwnd_;
        data.uID = kTrayIconId;
        Shell_NotifyIconA(NIM_DELETE, &data);
        inTray_ = false;
    }
    KillTimer(hwnd_, TV_TIMER_REFRESH);
    if (helpFilter_) UnhookWindowsHookEx(helpFilter_);
    helpFilter_ = nullptr;
    if (helpWindow == this) helpWindow = nullptr;
    CloseHelp(frame_);
}

// --- Views

bool TTolvaneWindow::EditFieldKeepsKey(const MSG& msg) {
    if (msg.message != WM_KEYDOWN && msg.message != WM_KEYUP && msg.message != WM_CHAR) return false;
    // Any edit field of the program: the search field, a label edit, the edit of a combo box.
    if (!HasClass(msg.hwnd, "Edit")) return false;
    // Tab still moves on from a one-line field.
    const bool multiLine = (GetWindowLongA(msg.hwnd, GWL_STYLE) & ES_MULTILINE) != 0;
    if (!multiLine && msg.wParam == (msg.message == WM_CHAR ? WPARAM('\t') : WPARAM(VK_TAB))) return false;
    return true;
}

void TTolvaneWindow::CreateBars() {
    HINSTANCE instance = Globals().instance;
    toolbar_ = CreateWindowExA(0, TOOLBARCLASSNAMEA, "",
                               WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | TBSTYLE_TOOLTIPS | TBSTYLE_FLAT | CCS_TOP,
                               0, 0, 0, 0, hwnd_, reinterpret_cast<HMENU>(INT_PTR(kToolbarId)), instance, nullptr);
    if (toolbar_) {
        SendMessageA(toolbar_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
        SendMessageA(toolbar_, TB_SETBITMAPSIZE, 0, MAKELPARAM(18, 18));
        toolbarImages_ = CreateStripImageList(instance, MAKEINTRESOURCEA(IDB_MAIN_TOOLBAR));
        if (toolbarImages_) SendMessageA(toolbar_, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(toolbarImages_));
        TBBUTTON buttons[TV_TOOLBAR_SLOTS] = {};
        for (int i = 0; i < TV_TOOLBAR_SLOTS; ++i) {
            const int command = kToolbarSlots[i];
            buttons[i].idCommand = command;
            buttons[i].iBitmap = command ? ToolbarImageOf(command) : 0;
            buttons[i].fsState = TBSTATE_ENABLED;
            buttons[i].fsStyle = BYTE(command == 0 ? BTNS_SEP : (command == CM_NEW_MENU ? BTNS_CHECK : BTNS_BUTTON));
        }
        SendMessageA(toolbar_, TB_ADDBUTTONSA, TV_TOOLBAR_SLOTS, reinterpret_cast<LPARAM>(buttons));
        SendMessageA(toolbar_, TB_AUTOSIZE, 0, 0);
    }
    search_ = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "", WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, 0, 0,
                              10, kSearchFieldHeight, hwnd_, reinterpret_cast<HMENU>(INT_PTR(kSearchFieldId)),
                              instance, nullptr);
    if (search_) {
        SendMessageA(search_, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(ANSI_VAR_FONT)), FALSE);
        SendMessageA(search_, EM_LIMITTEXT, kSearchExpressionChars, 0);
        // The field lies on the toolbar.
        SetWindowPos(search_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        HWND tips = toolbar_ ? reinterpret_cast<HWND>(SendMessageA(toolbar_, TB_GETTOOLTIPS, 0, 0)) : nullptr;
        if (tips) {
            static char tipText[100];
            CopyLimited(tipText, LoadMessageText(kIdsSearchExpression), sizeof(tipText));
            TOOLINFOA tool = {};
            tool.cbSize = TTTOOLINFOA_V1_SIZE;
            tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
            tool.hwnd = hwnd_;
            tool.uId = reinterpret_cast<UINT_PTR>(search_);
            tool.lpszText = tipText;
            SendMessageA(tips, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
        }
    }
    status_ = CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0, 0, hwnd_,
                              reinterpret_cast<HMENU>(INT_PTR(kStatusBarId)), instance, nullptr);
}

void TTolvaneWindow::CreateViews() {
    if (program_ && tree_.Create(hwnd_, &program_->categories, 0)) tree_.RebuildCategoryTree(1);
    for (int kind = TV_KIND_DOWNLOADS; kind <= TV_KIND_SHORTCUTS; ++kind) tables_[kind - 1].Create(hwnd_, kind, program_);
    // The starting category: the root of the kind that showed last.
    if (program_) {
        const int kind = int(program_->placement.shownKind);
        if (!tree_.SelectById(kind >= TV_KIND_DOWNLOADS && kind <= TV_KIND_SHORTCUTS ? kind : TV_KIND_DOWNLOADS, 0))
            tree_.SelectById(TV_KIND_DOWNLOADS, 0);
    }
    ShowCategoryContents();
    Layout();
    commandState_ = -1;
    UpdateCommandStates();
    UpdateStatusBar();
}

TItemTableObject* TTolvaneWindow::Table(int kind) {
    return kind >= TV_KIND_DOWNLOADS && kind <= TV_KIND_SHORTCUTS ? &tables_[kind - 1] : nullptr;
}

int32_t TTolvaneWindow::SelectedCategoryId() const {
    const CategoryItem* category = TCategoryListObject::Item(tree_.Selected());
    return category ? category->id : -1;
}

int TTolvaneWindow::SelectedCategoryKind() const {
    const CategoryItem* category = TCategoryListObject::Item(tree_.Selected());
    // Without a selected category the list of the shown kind stays (and shows nothing).
    return category ? int(category->kind) : (shownKind_ ? shownKind_ : TV_KIND_DOWNLOADS);
}

TFindCommandContext TTolvaneWindow::FindContext() {
    TFindCommandContext context;
    context.mainWindow = hwnd_;
    context.program = program_;
    context.results = &findResults_;
    return context;
}

void TTolvaneWindow::SelectFoundItem(WPARAM wParam, LPARAM lParam) {
    // Only an element of this window's results whose item still exists is followed.
    const TFindResult* result = ChosenFindResult(FindContext(), wParam, lParam);
    if (!result) return;
    const int kind = result->kind == TV_FIND_BOOKMARK ? TV_KIND_BOOKMARKS : TV_KIND_DOWNLOADS;
    if (inTray_)
        LeaveTray(true, false);
    else if (IsIconic(frame_))
        ShowWindow(frame_, SW_RESTORE);
    const int flags = TV_VIEW_FLAG_SHOW_CATEGORY | TV_VIEW_FLAG_CLEAR_SELECTION | TV_VIEW_FLAG_SELECT;
    UpdateItemView(kind, result->node, flags);
    TItemTableObject* table = Table(kind);
    if (!table) return;
    // An item that the search expression hides is shown with the expression erased.
    if (table->RowOf(result->node) < 0 && searchExpression_[0]) {
        if (search_) SetWindowTextA(search_, "");
        searchExpression_[0] = '\0';
        UpdateItemView(kind, result->node, flags);
    }
    const int row = table->RowOf(result->node);
    if (table->Window()) {
        if (row >= 0) {
            LVITEMA item = {};
            item.stateMask = LVIS_FOCUSED;
            item.state = LVIS_FOCUSED;
            SendMessageA(table->Window(), LVM_SETITEMSTATE, WPARAM(row), reinterpret_cast<LPARAM>(&item));
            SendMessageA(table->Window(), LVM_ENSUREVISIBLE, WPARAM(row), FALSE);
        }
        SetFocus(table->Window());
    }
    // Without the keep-open toggle the results window closes: the main window comes forward.
    if (program_ && !program_->findWindowOption) SetForegroundWindow(frame_);
}

void TTolvaneWindow::SelectCategory(ListNode* category) {
    if (!category || !program_ || !program_->categories.ContainsNode(category)) return;
    if (tree_.Selected() != category) tree_.Select(category);
    // Selecting sends the change notification that shows the contents; an unchanged selection
    // sends none.
    ShowCategoryContents();
}

void TTolvaneWindow::RemoveRow(int kind, ListNode* node) {
    TItemTableObject* table = Table(kind);
    if (table) table->RemoveRow(table->RowOf(node));
    refreshPending_ = true;
}

int TTolvaneWindow::RowCount(int kind) {
    TItemTableObject* table = Table(kind);
    return table ? table->RowCount() : 0;
}

int TTolvaneWindow::RowOf(int kind, const ListNode* node) {
    TItemTableObject* table = Table(kind);
    return table ? table->RowOf(node) : -1;
}

void TTolvaneWindow::SelectRow(int kind, int row) {
    TItemTableObject* table = Table(kind);
    if (table) table->SelectRow(row, true);
    refreshPending_ = true;
}

std::vector<ListNode*> TTolvaneWindow::SelectedItems(int kind) {
    TItemTableObject* table = Table(kind);
    return table ? table->SelectedItems() : std::vector<ListNode*>();
}

ListNode* TTolvaneWindow::FocusedItem(int kind) {
    TItemTableObject* table = Table(kind);
    return table ? table->FocusedItem() : nullptr;
}

void TTolvaneWindow::FocusList(int kind) {
    TItemTableObject* table = Table(kind);
    if (table && table->Window() && IsWindowVisible(table->Window())) SetFocus(table->Window());
}

void TTolvaneWindow::ShowCategoryContents() {
    const int kind = SelectedCategoryKind();
    TItemTableObject* table = Table(kind);
    if (!table) return;
    table->Fill(SelectedCategoryId(), searchExpression_);
    if (kind != shownKind_) {
        const int previous = shownKind_;
        shownKind_ = kind;
        if (program_) program_->placement.shownKind = uint32_t(kind);
        if (table->Window()) ShowWindow(table->Window(), SW_SHOW);
        TItemTableObject* old = Table(previous);
        if (old && old->Window()) {
            if (GetFocus() == old->Window() && table->Window()) SetFocus(table->Window());
            ShowWindow(old->Window(), SW_HIDE);
        }
        Layout();
    }
    refreshPending_ = true;
}

void TTolvaneWindow::UpdateItemView(int kind, ListNode* node, int viewFlags) {
    TItemTableObject* table = Table(kind);
    TDynamicListObject* items = table ? table->Items() : nullptr;
    if (!table || !items || !node || !items->ContainsNode(node)) return;
    if (viewFlags & (TV_VIEW_FLAG_SHOW_CATEGORY | TV_VIEW_FLAG_REBUILD_TREE)) {
        ListNode* category = nullptr;
        if (kind == TV_KIND_DOWNLOADS) category = TFileListObject::Item(node)->category;
        if (kind == TV_KIND_BOOKMARKS) category = TBookmarkListObject::Item(node)->category;
        if (kind == TV_KIND_SHORTCUTS) category = TShortcutListObject::Item(node)->category;
        if (viewFlags & TV_VIEW_FLAG_REBUILD_TREE) tree_.RebuildCategoryTree(1);
        SelectCategory(category);
    } else if (kind == shownKind_ && kind == SelectedCategoryKind()) {
        int row = table->RowOf(node);
        if (viewFlags & TV_VIEW_FLAG_NEW) {
            if (row < 0) row = table->AddRow(node);
        } else if (row >= 0) {
            table->UpdateRow(row, node);
        }
    }
    if (viewFlags & TV_VIEW_FLAG_CLEAR_SELECTION) table->ClearSelection();
    if (viewFlags & TV_VIEW_FLAG_SELECT) table->SelectRow(table->RowOf(node), true);
    refreshPending_ = true;
}

void TTolvaneWindow::Layout() {
    RECT client = {};
    GetClientRect(hwnd_, &client);
    int top = 0, bottom = client.bottom;
    if (toolbar_) {
        SendMessageA(toolbar_, TB_AUTOSIZE, 0, 0);
        RECT r = {};
        GetWindowRect(toolbar_, &r);
        top = r.bottom - r.top;
    }
    if (status_) {
        SendMessageA(status_, WM_SIZE, 0, 0);
        RECT r = {};
        GetWindowRect(status_, &r);
        bottom = client.bottom - (r.bottom - r.top);
        SetStatusParts(statusMode_);
    }
    if (bottom < top) bottom = top;
    int treeWidth = program_ ? program_->divider.treeWidth : 120;
    if (treeWidth > client.right - kDividerWidth) treeWidth = client.right - kDividerWidth;
    if (treeWidth < 0) treeWidth = 0;
    if (program_) {
        program_->divider.top = top;
        program_->divider.right = treeWidth + kDividerWidth;
        program_->divider.bottom = bottom;
    }
    if (tree_.Window()) MoveWindow(tree_.Window(), 0, top, treeWidth, bottom - top, TRUE);
    const int listLeft = treeWidth + kDividerWidth;
    for (TItemTableObject& table : tables_)
        if (table.Window()) MoveWindow(table.Window(), listLeft, top, client.right - listLeft, bottom - top, TRUE);
    // The search field between the search button and the erase button.
    if (toolbar_ && search_) {
        RECT left = {}, right = {};
        const int leftSlot = ToolbarSlotOf(CM_SEARCH), rightSlot = ToolbarSlotOf(CM_ERASE_SEARCH);
        if (SendMessageA(toolbar_, TB_GETITEMRECT, leftSlot, reinterpret_cast<LPARAM>(&left)) &&
            SendMessageA(toolbar_, TB_GETITEMRECT, rightSlot, reinterpret_cast<LPARAM>(&right))) {
            const int y = left.top + (left.bottom - left.top - kSearchFieldHeight) / 2;
            MoveWindow(search_, left.right, y < 0 ? 0 : y, right.left - left.right, kSearchFieldHeight, TRUE);
        }
    }
}

bool TTolvaneWindow::OnDivider(int x, int y) const {
    if (!program_) return false;
    const PaneDividerSettings& d = program_->divider;
    return x >= d.treeWidth && x < d.treeWidth + kDividerWidth && y >= d.top && y < d.bottom;
}

void TTolvaneWindow::DrawTrackLine(int x) {
    if (!program_) return;
    HDC dc = GetDC(hwnd_);
    if (!dc) return;
    const int top = program_->divider.top, height = program_->divider.bottom - program_->divider.top;
    // Drawing with inversion twice at the same place takes the line away again.
    if (trackX_ >= 0) PatBlt(dc, trackX_, top, kDividerWidth, height, DSTINVERT);
    if (x >= 0) {
        RECT client = {};
        GetClientRect(hwnd_, &client);
        if (x > client.right - kDividerWidth) x = client.right - kDividerWidth;
        if (x < 0) x = 0;
        PatBlt(dc, x, top, kDividerWidth, height, DSTINVERT);
    }
    trackX_ = x;
    ReleaseDC(hwnd_, dc);
}

int TTolvaneWindow::FocusArea() const {
    HWND focus = GetFocus();
    if (!focus) return TV_FOCUS_NONE;
    if (focus == tree_.Window()) return TV_FOCUS_TREE;
    for (int kind = TV_KIND_DOWNLOADS; kind <= TV_KIND_SHORTCUTS; ++kind)
        if (tables_[kind - 1].Window() == focus) return kind;
    return TV_FOCUS_NONE;
}

void TTolvaneWindow::UpdateCommandStates() {
    CommandStateInput in;
    in.focusArea = FocusArea();
    in.categorySelected = tree_.Selected() != nullptr;
    TItemTableObject* table = Table(in.focusArea);
    if (table) {
        in.focusedItem = table->FocusedItem() != nullptr;
        in.selectedCount = table->SelectedCount();
    }
    in.searchResults = searchResults_;
    in.clipboardAccepted = PasteAccepted(ClipboardFormatSet(), SelectedCategoryKind());
    const uint32_t state = ComputeCommandState(in);
    if (toolbar_) {
        for (int command : kToolbarSlots) {
            if (!command) continue;
            const bool enabled = IsCommandEnabled(command, state) && !IsNotBuilt(command);
            const bool before = commandState_ < 0 ? !enabled
                                                  : IsCommandEnabled(command, uint32_t(commandState_)) && !IsNotBuilt(command);
            if (enabled != before) SendMessageA(toolbar_, TB_ENABLEBUTTON, command, MAKELPARAM(enabled, 0));
        }
    }
    commandState_ = state;
}

void TTolvaneWindow::SetStatusParts(int mode) {
    if (!status_) return;
    RECT client = {};
    GetClientRect(hwnd_, &client);
    SendMessageA(status_, SB_SIMPLE, mode == 0, 0);
    if (mode == TV_KIND_DOWNLOADS + 1 || mode == TV_KIND_BOOKMARKS + 1) {
        int edges[3] = {client.right / 4, client.right / 2, -1};
        SendMessageA(status_, SB_SETPARTS, 3, reinterpret_cast<LPARAM>(edges));
    } else if (mode != 0) {
        int edges[1] = {-1};
        SendMessageA(status_, SB_SETPARTS, 1, reinterpret_cast<LPARAM>(edges));
    }
}

void TTolvaneWindow::SetStatusText(int part, const char* text) {
    if (!status_ || part < 0 || part > 2) return;
    if (lstrcmpA(statusTexts_[part], text) == 0) return;
    CopyLimited(statusTexts_[part], text, sizeof(statusTexts_[part]));
    SendMessageA(status_, SB_SETTEXTA, part, reinterpret_cast<LPARAM>(statusTexts_[part]));
}

void TTolvaneWindow::UpdateStatusBar() {
    if (!status_ || !program_) return;
    // While a menu shows its help text the bar belongs to the menu; closing the menu rewrites it.
    if (statusMode_ == 0) return;
    const int area = FocusArea();
    // Modes: 1 category, 2 downloads, 3 bookmarks, 4 shortcuts (0 is the menu help).
    int mode = area == TV_FOCUS_TREE ? 1 : (area >= TV_FOCUS_DOWNLOADS ? area + 1 : statusMode_);
    if (mode < 1) mode = 1;
    if (mode != statusMode_) {
        statusMode_ = mode;
        for (auto& text : statusTexts_) text[0] = '\x01';  // rewrite every part
        SetStatusParts(mode);
    }
    char text[300];
    TItemTableObject* table = Table(mode - 1);
    ListNode* focused = table ? table->FocusedItem() : nullptr;
    switch (mode) {
        case 2: {
            uint64_t selectedBytes = 0;
            const std::vector<ListNode*> selected = table->SelectedItems();
            for (ListNode* node : selected) selectedBytes += TFileListObject::Item(node)->sizeLow;
            const int rows = table->RowCount();
            const uint64_t totalBytes = table->RowBytes();
            DownloadStatusText(text, sizeof(text), selected.size(), selectedBytes, true);
            SetStatusText(0, text);
            DownloadStatusText(text, sizeof(text), uint64_t(rows), totalBytes, false);
            SetStatusText(1, text);
            const FileItem* item = TFileListObject::Item(focused);
            SetStatusText(2, item && item->description ? item->description : "");
            break;
        }
        case 3: {
            const BookmarkItem* item = TBookmarkListObject::Item(focused);
            SetStatusText(0, item && item->title ? item->title : "");
            SetStatusText(1, item && item->description ? item->description : "");
            SetStatusText(2, item && item->url ? item->url : "");
            break;
        }
        case 4: {
            const ShortcutItem* item = TShortcutListObject::Item(focused);
            TitleWithoutExtension(text, sizeof(text), item ? item->title : "");
            SetStatusText(0, text);
            break;
        }
        default: {
            const CategoryItem* category = TCategoryListObject::Item(tree_.Selected());
            SetStatusText(0, category && category->name ? category->name : "");
            break;
        }
    }
}

void TTolvaneWindow::OnMenuSelect(UINT item, UINT flags, HMENU menu) {
    if (!status_) return;
    if (flags == 0xFFFF && !menu) {
        // The menu closed: back to the view's texts.
        SendMessageA(status_, SB_SIMPLE, FALSE, 0);
        statusMode_ = -1;
        UpdateStatusBar();
        return;
    }
    menuItem_ = (flags & (MF_POPUP | MF_SEPARATOR)) ? 0 : int(item);
    SendMessageA(status_, SB_SIMPLE, TRUE, 0);
    const char* text = (flags & (MF_POPUP | MF_SEPARATOR)) || item == 0 ? "" : LoadMessageText(item + kStatusHelpOffset);
    SendMessageA(status_, SB_SETTEXTA, 255 | SBT_NOBORDERS, reinterpret_cast<LPARAM>(text));
    statusMode_ = 0;
}

void TTolvaneWindow::PrepareMenu(HMENU menu) {
    if (!menu) return;
    UpdateCommandStates();
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        const UINT id = GetMenuItemID(menu, i);
        if (id == UINT(-1) || id == 0) continue;
        const bool enabled = IsCommandEnabled(int(id), uint32_t(commandState_)) && !IsNotBuilt(int(id));
        EnableMenuItem(menu, i, MF_BYPOSITION | (enabled ? MF_ENABLED : MF_GRAYED));
    }
}

void TTolvaneWindow::OnInitMenuPopup(HMENU menu) {
    PrepareMenu(menu);
    // The File menu's default item is the double-click action.
    const int action = program_ ? program_->standards.doubleClickAction : 1;
    if (menu_ && menu == GetSubMenu(menu_, 0)) SetMenuDefaultItem(menu, DefaultMenuCommand(action, false), FALSE);
}

void TTolvaneWindow::ShowContextMenu(HWND source, int x, int y) {
    const char* name = nullptr;
    bool bookmarkMenu = false;
    for (int kind = TV_KIND_DOWNLOADS; kind <= TV_KIND_SHORTCUTS; ++kind) {
        if (tables_[kind - 1].Window() == source) {
            name = kind == TV_KIND_DOWNLOADS ? "FILEMENU" : "BOOKMARKMENU";
            bookmarkMenu = kind != TV_KIND_DOWNLOADS;
        }
    }
    const bool keyboard = IsKeyboardContextMenu(MAKELPARAM(x, y));
    if (source == tree_.Window() && tree_.Window()) {
        name = "CATEGORYMENU";
        // A right click selects the category under the cursor first.
        if (!keyboard) {
            TVHITTESTINFO hit = {};
            hit.pt.x = x;
            hit.pt.y = y;
            ScreenToClient(source, &hit.pt);
            HTREEITEM item = TreeView_HitTest(source, &hit);
            if (item && tree_.NodeOfItem(item)) SelectCategory(tree_.NodeOfItem(item));
        }
    }
    if (!name) return;
    // From the keyboard: at the focused row or the selected category.
    const POINT at = ContextMenuPoint(source, MAKELPARAM(x, y));
    HMENU menu = LoadMenuA(Globals().instance, name);
    HMENU popup = menu ? GetSubMenu(menu, 0) : nullptr;
    if (popup) {
        PrepareMenu(popup);
        for (int i = 0; i < GetMenuItemCount(popup); ++i) PrepareMenu(GetSubMenu(popup, i));
        // The item menus show the double-click action in bold; the category menu has no default.
        if (source != tree_.Window()) {
            const int action = program_ ? program_->standards.doubleClickAction : 1;
            SetMenuDefaultItem(popup, DefaultMenuCommand(action, bookmarkMenu), FALSE);
        }
        TrackPopupMenu(popup, TPM_RIGHTBUTTON, at.x, at.y, 0, frame_, nullptr);
    }
    if (menu) DestroyMenu(menu);
}

void TTolvaneWindow::ShowNewMenu() {
    HMENU menu = LoadMenuA(Globals().instance, "NEWMENU");
    HMENU popup = menu ? GetSubMenu(menu, 0) : nullptr;
    if (popup && toolbar_) {
        RECT button = {};
        SendMessageA(toolbar_, TB_GETRECT, CM_NEW_MENU, reinterpret_cast<LPARAM>(&button));
        POINT at = {button.left, button.bottom};
        ClientToScreen(toolbar_, &at);
        PrepareMenu(popup);
        TrackPopupMenu(popup, TPM_LEFTALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0, frame_, nullptr);
    }
    if (toolbar_) SendMessageA(toolbar_, TB_CHECKBUTTON, CM_NEW_MENU, MAKELPARAM(FALSE, 0));
    if (menu) DestroyMenu(menu);
}

void TTolvaneWindow::OpenFocusedItem() {
    const int area = FocusArea();
    TItemTableObject* table = Table(area != TV_FOCUS_NONE && area != TV_FOCUS_TREE ? area : shownKind_);
    ListNode* node = table ? table->FocusedItem() : nullptr;
    if (!node || !program_) return;
    const StorageLocations locations = {program_->standards.downloadsLocation, program_->standards.shortcutsLocation};
    char path[TV_PATH_SIZE];
    int result = TV_FOLDER_INVALID_NODE;
    if (table->Kind() == TV_KIND_DOWNLOADS)
        result = program_->downloads.FilePath(path, sizeof(path), TFileListObject::Item(node), &program_->categories,
                                              locations);
    else if (table->Kind() == TV_KIND_SHORTCUTS)
        result = program_->shortcuts.ShortcutPath(path, sizeof(path), TShortcutListObject::Item(node),
                                                  &program_->categories, locations);
    else {
        // A bookmark opens in the chosen browser.
        const BookmarkItem* bookmark = TBookmarkListObject::Item(node);
        const char* url = bookmark && bookmark->url ? bookmark->url : "";
        if (!url[0] || BrowserLaunchFailed(LaunchBrowser(hwnd_, &program_->integration, url)))
            ShowMessageBox(hwnd_, LoadMessageText(kIdsBookmarkNotOpened), Globals().title, MB_OK | MB_ICONSTOP);
        return;
    }
    if (result != TV_FOLDER_OK || !OpenFileByType(hwnd_, path))
        ShowMessageBox(hwnd_, LoadMessageText(kIdsFileNotOpened), kErrorCaption, MB_OK | MB_ICONSTOP);
}

void TTolvaneWindow::OpenViewer() {
    // On the focused download's stored file when the download list has the focus, else empty.
    char path[TV_PATH_SIZE] = {};
    ListNode* node = nullptr;
    if (program_ && FocusArea() == TV_FOCUS_DOWNLOADS) {
        node = Table(TV_KIND_DOWNLOADS) ? Table(TV_KIND_DOWNLOADS)->FocusedItem() : nullptr;
        const StorageLocations locations = {program_->standards.downloadsLocation,
                                            program_->standards.shortcutsLocation};
        if (!node || program_->downloads.FilePath(path, sizeof(path), TFileListObject::Item(node),
                                                  &program_->categories, locations) != TV_FOLDER_OK) {
            node = nullptr;
            path[0] = '\0';
        }
    }
    TTVInternalViewerWindow* viewer = TTVInternalViewerWindow::Open(path, node);
    if (viewer) SetForegroundWindow(viewer->Window());
}

void TTolvaneWindow::OnSearchChanged() {
    if (!search_) return;
    char text[sizeof(searchExpression_)];
    GetWindowTextA(search_, text, sizeof(text));
    CopyLimited(searchExpression_, text, kSearchExpressionChars + 1);
    // Only the filter changed: the list refilters the category it shows.
    TItemTableObject* table = Table(SelectedCategoryKind());
    if (table && SelectedCategoryKind() == shownKind_) {
        table->ApplyFilter(SelectedCategoryId(), searchExpression_);
        refreshPending_ = true;
    } else {
        ShowCategoryContents();
    }
}

void TTolvaneWindow::CaptureViewState() {
    for (TItemTableObject& table : tables_) table.CaptureColumns();
    tree_.SyncExpandState(TV_SYNC_TO_FLAGS);
}

LRESULT TTolvaneWindow::OnNotify(NMHDR* header) {
    if (!header) return 0;
    // Tool tips of the toolbar: the text of the command.
    if (header->code == TTN_GETDISPINFOA) {
        NMTTDISPINFOA* info = reinterpret_cast<NMTTDISPINFOA*>(header);
        if (!(info->uFlags & TTF_IDISHWND)) {
            CopyLimited(info->szText, LoadMessageText(UINT(header->idFrom) + kToolTipOffset), sizeof(info->szText));
            info->lpszText = info->szText;
        }
        return 0;
    }
    if (header->code == TTN_GETDISPINFOW) {
        NMTTDISPINFOW* info = reinterpret_cast<NMTTDISPINFOW*>(header);
        if (!(info->uFlags & TTF_IDISHWND)) {
            MultiByteToWideChar(CP_ACP, 0, LoadMessageText(UINT(header->idFrom) + kToolTipOffset), -1, info->szText,
                                int(TV_COUNTOF(info->szText)));
            info->szText[TV_COUNTOF(info->szText) - 1] = 0;
            info->lpszText = info->szText;
        }
        return 0;
    }
    // The separators that keep the search field's room draw their lines around the field too:
    // after the toolbar painted, the room beside the field is painted over with the bar's face.
    if (header->hwndFrom == toolbar_ && toolbar_ && header->code == NM_CUSTOMDRAW) {
        const NMCUSTOMDRAW* draw = reinterpret_cast<const NMCUSTOMDRAW*>(header);
        if (draw->dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYPOSTPAINT;
        if (draw->dwDrawStage == CDDS_POSTPAINT) {
            RECT left = {}, right = {};
            if (SendMessageA(toolbar_, TB_GETITEMRECT, ToolbarSlotOf(CM_SEARCH), reinterpret_cast<LPARAM>(&left)) &&
                SendMessageA(toolbar_, TB_GETITEMRECT, ToolbarSlotOf(CM_ERASE_SEARCH), reinterpret_cast<LPARAM>(&right))) {
                RECT room = {left.right, left.top, right.left, left.bottom};
                // The field itself is a window above the bar: only the bands beside it are painted.
                if (search_) {
                    RECT field = {};
                    GetWindowRect(search_, &field);
                    MapWindowPoints(nullptr, toolbar_, reinterpret_cast<POINT*>(&field), 2);
                    ExcludeClipRect(draw->hdc, field.left, field.top, field.right, field.bottom);
                }
                FillRect(draw->hdc, &room, GetSysColorBrush(COLOR_BTNFACE));
            }
        }
        return CDRF_DODEFAULT;
    }
    if (header->hwndFrom && header->hwndFrom == tree_.Window()) return OnTreeNotify(header);
    int kind = 0;
    for (int k = TV_KIND_DOWNLOADS; k <= TV_KIND_SHORTCUTS; ++k)
        if (tables_[k - 1].Window() == header->hwndFrom) kind = k;
    if (!kind) return 0;
    TItemTableObject& table = tables_[kind - 1];
    LRESULT answer = 0;
    if (table.HandleNotify(header, &answer)) return answer;
    switch (header->code) {
        case NM_SETFOCUS:
            lastFocus_ = table.Window();
            UpdateCommandStates();
            UpdateStatusBar();
            return 0;
        case LVN_ITEMCHANGED:
        case LVN_ODSTATECHANGED:  // a range of rows of the virtual list changed selection
            refreshPending_ = true;
            return 0;
        case NM_DBLCLK: {
            if (!table.FocusedItem()) return 0;
            const int action = program_ ? program_->standards.doubleClickAction : 1;
            const int command = DoubleClickCommand(kind, action);
            if (command) PostMessageA(hwnd_, WM_COMMAND, command, 0);
            return 0;
        }
        case NM_RETURN:
            PostMessageA(hwnd_, WM_COMMAND, CM_OPEN, 0);
            return 0;
        case LVN_KEYDOWN:
            if (reinterpret_cast<NMLVKEYDOWN*>(header)->wVKey == VK_DELETE)
                PostMessageA(hwnd_, WM_COMMAND, CM_DELETE, 0);
            return 0;
        case LVN_COLUMNCLICK:
            table.SortByColumn(reinterpret_cast<NMLISTVIEW*>(header)->iSubItem);
            return 0;
        case LVN_BEGINDRAG:
        case LVN_BEGINRDRAG:
            BeginDrag(kind, header->code == LVN_BEGINRDRAG);
            return 0;
        case LVN_BEGINLABELEDITA: {
            labelEdit_ = reinterpret_cast<HWND>(SendMessageA(table.Window(), LVM_GETEDITCONTROL, 0, 0));
            if (!labelEdit_) return FALSE;
            SendMessageA(labelEdit_, EM_LIMITTEXT, TV_PATH_SIZE - 1, 0);
            // The first column need not be the name: the edit always starts from the name.
            ListNode* node = table.NodeOfRow(reinterpret_cast<NMLVDISPINFOA*>(header)->item.iItem);
            const char* name = nullptr;
            if (kind == TV_KIND_DOWNLOADS && node) name = TFileListObject::Item(node)->fileName;
            if (kind == TV_KIND_BOOKMARKS && node) name = TBookmarkListObject::Item(node)->title;
            if (kind == TV_KIND_SHORTCUTS && node) name = TShortcutListObject::Item(node)->title;
            SetWindowTextA(labelEdit_, name ? name : "");
            SendMessageA(labelEdit_, EM_SETSEL, 0, -1);
            return FALSE;
        }
        case LVN_ENDLABELEDITA:
            labelEdit_ = nullptr;
            return OnEndListLabelEdit(kind, reinterpret_cast<NMLVDISPINFOA*>(header)->item.iItem,
                                      reinterpret_cast<NMLVDISPINFOA*>(header)->item.pszText);
        default:
            return 0;
    }
}

// --- Commands on categories and items

void TTolvaneWindow::Refresh() {
    const CategoryItem* selected = TCategoryListObject::Item(tree_.Selected());
    const int kind = selected ? selected->kind : SelectedCategoryKind();
    const int32_t id = selected ? selected->id : 0;
    tree_.RebuildCategoryTree(1);
    if (!tree_.SelectById(kind, id)) tree_.SelectById(kind, 0);
    ShowCategoryContents();
}

void TTolvaneWindow::Rename() {
    const int area = FocusArea();
    if (area == TV_FOCUS_TREE) {
        HWND edit = tree_.EditLabel(tree_.Selected());
        if (edit) labelEdit_ = edit;
        return;
    }
    TItemTableObject* table = Table(area);
    if (!table) return;
    const int row = table->RowOf(table->FocusedItem());
    if (row >= 0) SendMessageA(table->Window(), LVM_EDITLABELA, row, 0);
}

void TTolvaneWindow::Delete() {
    switch (FocusArea()) {
        case TV_FOCUS_TREE:
            operations_.DeleteCategory(hwnd_);
            break;
        case TV_FOCUS_DOWNLOADS:
            operations_.DeleteSelectedDownloads(hwnd_);
            break;
        case TV_FOCUS_BOOKMARKS:
            operations_.DeleteSelectedBookmarks(hwnd_);
            break;
        case TV_FOCUS_SHORTCUTS:
            operations_.DeleteSelectedShortcuts(hwnd_);
            break;
        default:
            break;
    }
    refreshPending_ = true;
}

void TTolvaneWindow::Properties() {
    const int area = FocusArea();
    if (area == TV_FOCUS_TREE) {
        operations_.ShowCategoryProperties(hwnd_);
        return;
    }
    ListNode* node = FocusedItem(area);
    if (!node) return;
    if (area == TV_FOCUS_BOOKMARKS) {
        operations_.AddOrEditBookmark(hwnd_, 0, nullptr, node, 1, 1);
    } else if (area == TV_FOCUS_DOWNLOADS) {
        FileIntake(IntakeContext(), nullptr, node, "", TV_INTAKE_SET_PROPERTIES);
        const int row = RowOf(TV_KIND_DOWNLOADS, node);
        if (row >= 0 && program_->downloads.ContainsNode(node)) tables_[0].UpdateRow(row, node);
    }
    refreshPending_ = true;
}

LRESULT TTolvaneWindow::OnEndListLabelEdit(int kind, int row, const char* text) {
    TItemTableObject* table = Table(kind);
    ListNode* node = table ? table->NodeOfRow(row) : nullptr;
    if (!node || !text || !text[0]) return FALSE;
    switch (kind) {
        case TV_KIND_DOWNLOADS:
            operations_.RenameDownload(hwnd_, node, text, TV_VIEW_FLAG_SHOW_CATEGORY);
            break;
        case TV_KIND_SHORTCUTS:
            operations_.RenameShortcut(hwnd_, node, text, TV_VIEW_FLAG_SHOW_CATEGORY);
            break;
        case TV_KIND_BOOKMARKS: {
            BookmarkItem* bookmark = TBookmarkListObject::Item(node);
            if (bookmark) TextAssign(&bookmark->title, text);
            break;
        }
        default:
            break;
    }
    // The rows are rewritten from the records (a refused name leaves the old text).
    const int newRow = table->RowOf(node);
    if (newRow >= 0 && table->Items()->ContainsNode(node)) table->UpdateRow(newRow, node);
    refreshPending_ = true;
    return FALSE;
}

LRESULT TTolvaneWindow::OnTreeNotify(NMHDR* header) {
    switch (header->code) {
        case NM_SETFOCUS:
            lastFocus_ = tree_.Window();
            UpdateCommandStates();
            UpdateStatusBar();
            return 0;
        case TVN_SELCHANGEDA:
        case TVN_SELCHANGEDW:
            ShowCategoryContents();
            UpdateCommandStates();
            UpdateStatusBar();
            return 0;
        case TVN_KEYDOWN:
            if (reinterpret_cast<NMTVKEYDOWN*>(header)->wVKey == VK_DELETE) PostMessageA(hwnd_, WM_COMMAND, CM_DELETE, 0);
            return 0;
        case TVN_BEGINDRAGA:
        case TVN_BEGINRDRAGA:
            BeginDrag(0, header->code == TVN_BEGINRDRAGA, reinterpret_cast<NMTREEVIEWA*>(header)->itemNew.hItem);
            return 0;
        case TVN_BEGINDRAGW:
        case TVN_BEGINRDRAGW:
            BeginDrag(0, header->code == TVN_BEGINRDRAGW, reinterpret_cast<NMTREEVIEWW*>(header)->itemNew.hItem);
            return 0;
        case TVN_BEGINLABELEDITA: {
            const NMTVDISPINFOA* info = reinterpret_cast<NMTVDISPINFOA*>(header);
            ListNode* node = tree_.NodeOfItem(info->item.hItem);
            const CategoryItem* category = TCategoryListObject::Item(node);
            if (!category || !program_) return TRUE;
            const CategoryCheckResult check = program_->categories.CheckRenameCategory(node, category->name);
            if (check.messageId == TV_IDS_RENAME_ROOT) {
                ShowCheckResult(hwnd_, check);
                return TRUE;
            }
            labelEdit_ = TreeView_GetEditControl(tree_.Window());
            if (labelEdit_) {
                SendMessageA(labelEdit_, EM_LIMITTEXT, TV_PATH_SIZE - 1, 0);
                // In a narrow tree the name stays readable from its start.
                KeepEditInsideParent(labelEdit_);
            }
            return FALSE;
        }
        case TVN_ENDLABELEDITA: {
            labelEdit_ = nullptr;
            const NMTVDISPINFOA* info = reinterpret_cast<NMTVDISPINFOA*>(header);
            ListNode* node = tree_.NodeOfItem(info->item.hItem);
            if (node && info->item.pszText && info->item.pszText[0])
                operations_.RenameCategory(hwnd_, node, info->item.pszText);
            refreshPending_ = true;
            return FALSE;
        }
        default:
            return 0;
    }
}

TIntakeContext TTolvaneWindow::IntakeContext() {
    TIntakeContext context;
    context.owner = hwnd_;
    context.program = program_;
    TIntakeHooks& hooks = context.hooks;
    hooks.context = this;
    hooks.selectedCategory = [](void* self) { return static_cast<TTolvaneWindow*>(self)->tree_.Selected(); };
    hooks.downloadListShown = [](void* self) {
        return static_cast<TTolvaneWindow*>(self)->shownKind_ == TV_KIND_DOWNLOADS ? 1 : 0;
    };
    hooks.updateDownload = [](ListNode* node, uint32_t flags, void* self) {
        static_cast<TTolvaneWindow*>(self)->UpdateItemView(TV_KIND_DOWNLOADS, node, int(flags));
    };
    hooks.removeDownloadRow = [](ListNode* node, void* self) {
        static_cast<TTolvaneWindow*>(self)->RemoveRow(TV_KIND_DOWNLOADS, node);
    };
    hooks.insertCategory = [](ListNode*, void* self) { static_cast<TTolvaneWindow*>(self)->Refresh(); };
    hooks.rebuildTree = [](void* self) { static_cast<TTolvaneWindow*>(self)->Refresh(); };
    hooks.refreshViews = [](void* self) { static_cast<TTolvaneWindow*>(self)->ShowCategoryContents(); };
    hooks.focusDownloadList = [](void* self) { static_cast<TTolvaneWindow*>(self)->FocusList(TV_KIND_DOWNLOADS); };
    return context;
}

LRESULT CALLBACK TTolvaneWindow::HelpKeyFilter(int code, WPARAM wParam, LPARAM lParam) {
    const MSG* msg = reinterpret_cast<const MSG*>(lParam);
    if (code >= 0 && msg && msg->message == WM_KEYDOWN && msg->wParam == VK_F1) {
        if (code == MSGF_MENU && helpWindow) {
            const uint32_t context = MenuCommandHelpContext(helpWindow->menuItem_);
            if (context) {
                ShowHelpTopic(helpWindow->frame_, context);
                return TRUE;
            }
        } else if (code == MSGF_DIALOGBOX) {
            HWND dialog = GetAncestor(msg->hwnd, GA_ROOT);
            HWND help = dialog ? GetDlgItem(dialog, kHelpButtonId) : nullptr;
            // A property sheet keeps the button on its current page.
            if (!help && dialog) {
                HWND page = reinterpret_cast<HWND>(SendMessageA(dialog, PSM_GETCURRENTPAGEHWND, 0, 0));
                if (page) {
                    dialog = page;
                    help = GetDlgItem(page, kHelpButtonId);
                }
            }
            if (help) {
                PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(kHelpButtonId, BN_CLICKED), reinterpret_cast<LPARAM>(help));
                return TRUE;
            }
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// --- Clipboard and drag and drop

void TTolvaneWindow::RegisterDropTarget() {
    if (dropTarget_ || !hwnd_) return;
    dropTarget_ = TDropTarget::Create(this);
    if (!dropTarget_) return;
    // OLE keeps the target alive while it is registered; the lock holds it until the revoke.
    CoLockObjectExternal(dropTarget_, TRUE, FALSE);
    if (frame_) RegisterDragDrop(frame_, dropTarget_);
    RegisterDragDrop(hwnd_, dropTarget_);
}

void TTolvaneWindow::RevokeDropTarget() {
    if (!dropTarget_) return;
    if (frame_) RevokeDragDrop(frame_);
    if (hwnd_) RevokeDragDrop(hwnd_);
    dropTarget_->Detach();
    CoLockObjectExternal(dropTarget_, FALSE, TRUE);
    dropTarget_->Release();
    dropTarget_ = nullptr;
}

void TTolvaneWindow::DescribeDropPoint(POINT screen, TDropHitInput* in, ListNode** category) {
    *category = nullptr;
    in->currentKind = SelectedCategoryKind();
    in->area = TV_DROP_AREA_NONE;
    RECT r = {};
    HWND tree = tree_.Window();
    if (tree && IsWindowVisible(tree) && GetWindowRect(tree, &r) && PtInRect(&r, screen)) {
        in->area = TV_DROP_AREA_TREE;
        TVHITTESTINFO hit = {};
        hit.pt = screen;
        ScreenToClient(tree, &hit.pt);
        HTREEITEM item = TreeView_HitTest(tree, &hit);
        ListNode* node = item && (hit.flags & TVHT_ONITEM) ? tree_.NodeOfItem(item) : nullptr;
        const CategoryItem* c = program_ && program_->categories.IsNodeValid(node, 1) ? TCategoryListObject::Item(node) : nullptr;
        if (c) {
            *category = node;
            in->categoryKind = c->kind;
        }
        return;
    }
    TItemTableObject* table = Table(shownKind_);
    HWND list = table ? table->Window() : nullptr;
    if (list && IsWindowVisible(list) && GetWindowRect(list, &r) && PtInRect(&r, screen)) {
        in->area = TV_DROP_AREA_LIST;
        in->listKind = shownKind_;
    }
}

void TTolvaneWindow::SelectDropCategory(ListNode* category) {
    if (!category || !program_ || !program_->categories.IsNodeValid(category, 1)) return;
    if (tree_.Selected() != category) SelectCategory(category);
    if (tree_.Window()) UpdateWindow(tree_.Window());
}

uint32_t TTolvaneWindow::DeliverDrop(const TDropInfo& info) {
    return uint32_t(SendMessageA(hwnd_, TV_WM_DROP_DELIVERED, 0, reinterpret_cast<LPARAM>(&info)));
}

TDropEnvironment TTolvaneWindow::DropEnvironment() {
    TDropEnvironment env;
    env.window = hwnd_;
    env.program = program_;
    env.operations = &operations_;
    env.views = this;
    env.intake = IntakeContext();
    return env;
}

uint32_t TTolvaneWindow::OnDropDelivered(const TDropInfo& info) {
    const uint32_t effect = ProcessDrop(DropEnvironment(), info, tree_.Selected());
    refreshPending_ = true;
    return effect;
}

uint32_t TTolvaneWindow::ClipboardFormatSet() {
    // Asked once per change of the clipboard: asking makes Wine's clipboard look at the X
    // selection, which holds the clipboard open a moment (another program's copy could fail then).
    const DWORD sequence = GetClipboardSequenceNumber();
    if (clipboardFormatsKnown_ && sequence == clipboardFormatsSequence_) return clipboardFormats_;
    uint32_t set = 0;
    for (const TDropFormat& format : kDropFormats) {
        const UINT id = ClipboardFormatOf(format.bit);
        if (id && IsClipboardFormatAvailable(id)) set |= format.bit;
    }
    clipboardFormats_ = set;
    clipboardFormatsSequence_ = sequence;
    clipboardFormatsKnown_ = true;
    return set;
}

void TTolvaneWindow::CopyToClipboard(bool cut) {
    const int kind = FocusArea();
    if (!program_ || kind < TV_KIND_DOWNLOADS || kind > TV_KIND_SHORTCUTS) return;
    TDraggedList entries;
    for (ListNode* node : SelectedItems(kind)) entries.push_back({kind, node});
    TDataObject* data = TDataObject::Create(program_, ItemFormatOf(kind), std::move(entries));
    if (!data) return;
    if (FAILED(OleSetClipboard(data))) {
        data->Release();
        return;
    }
    if (clipboardObject_) clipboardObject_->Release();
    clipboardObject_ = data;
    pasteMode_ = cut ? TV_PASTE_CUT : TV_PASTE_COPY;
    for (TItemTableObject& table : tables_) table.ClearCut();
    if (cut && Table(kind)) Table(kind)->MarkSelectionCut(true);
    refreshPending_ = true;
}

void TTolvaneWindow::Paste() {
    IDataObject* data = nullptr;
    if (FAILED(OleGetClipboard(&data)) || !data) return;
    TDropInfo info;
    info.formats = EvaluateFormats(data);
    info.target = SelectedCategoryKind();
    info.data = data;
    // The paste mode belongs to what this program put there; anything else is copied.
    const bool ours = clipboardObject_ && OleIsCurrentClipboard(clipboardObject_) == S_OK;
    info.operation = ours && pasteMode_ == TV_PASTE_CUT ? TV_EFFECT_MOVE : TV_EFFECT_COPY;
    if (PasteAccepted(info.formats, info.target)) OnDropDelivered(info);
    data->Release();
    if (ours && pasteMode_ == TV_PASTE_CUT)
        for (TItemTableObject& table : tables_) table.ClearCut();
    refreshPending_ = true;
}

uint32_t TTolvaneWindow::BeginDrag(int view, bool rightButton, HTREEITEM item) {
    if (!program_ || dragInProgress_) return TV_EFFECT_NONE;
    uint32_t contentKind = 0, allowed = 0;
    TDraggedList entries;
    if (view == 0) {
        ListNode* node = item ? tree_.NodeOfItem(item) : tree_.Selected();
        if (!program_->categories.IsNodeValid(node, 1)) return TV_EFFECT_NONE;
        // The dragged category is the selected one.
        SelectCategory(node);
        contentKind = CategoryFormatOf(TCategoryListObject::Item(node)->kind);
        allowed = TV_EFFECT_MOVE;
        entries.push_back({0, node});
    } else {
        for (ListNode* node : SelectedItems(view)) entries.push_back({view, node});
        contentKind = ItemFormatOf(view);
        allowed = view == TV_KIND_BOOKMARKS ? TV_EFFECT_MOVE | TV_EFFECT_LINK
                                            : TV_EFFECT_COPY | TV_EFFECT_MOVE | TV_EFFECT_LINK;
    }
    TDataObject* data = TDataObject::Create(program_, contentKind, std::move(entries));
    if (!data) return TV_EFFECT_NONE;
    TDropSource* source = TDropSource::Create(rightButton ? MK_RBUTTON : MK_LBUTTON);
    if (!source) {
        data->Release();
        return TV_EFFECT_NONE;
    }
    const std::vector<TDragRecordState> state = CaptureDragState(program_, data->Entries());
    ShellTrace("drag-start 0x%03X %u", unsigned(contentKind), unsigned(data->Entries().size()));
    dragInProgress_ = true;
    DWORD effect = DROPEFFECT_NONE;
    const HRESULT result = DoDragDrop(data, source, allowed, &effect);
    dragInProgress_ = false;
    ShellTrace("drag-end 0x%08lX %lu", static_cast<unsigned long>(result), static_cast<unsigned long>(effect));
    // Downloads and shortcuts whose file the target took away leave the database with it.
    if (result == DRAGDROP_S_DROP) CleanUpAfterDrag(program_, this, state, effect);
    source->Release();
    data->Release();
    refreshPending_ = true;
    return effect;
}
