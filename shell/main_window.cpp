#include "shell/main_window.h"

#include <shellapi.h>

#include "core/items.h"
#include "core/lists.h"
#include "database/programdata.h"
#include "database/win_database.h"
#include "shell/app.h"
#include "shell/call_points.h"
#include "shell/command_line.h"
#include "shell/commands.h"
#include "shell/handoff_receiver.h"
#include "util/text.h"
#include "util/textcopy.h"
#include "util/win_classes.h"
#include "util/win_files.h"
#include "util/win_ui.h"
#include "util/safestr.h"

namespace {

const char kClientClass[] = "TolvaneWindow";
const UINT kTrayIconId = 0;
const int kTrayIconResource = 3;

// A plug-in leaves its downloads in the user's temporary folder. A hand-off that names a file
// anywhere else did not come from a plug-in, and the receiver never deletes such a file.
bool HandOffFileIsTemporary(const char* savedFilePath) {
    char temp[TV_PATH_SIZE];
    const DWORD length = GetTempPathA(sizeof(temp), temp);
    if (length == 0 || length >= sizeof(temp)) return false;
    CanonicalLongPath(temp, sizeof(temp));
    char file[TV_PATH_SIZE];
    CopyLimited(file, savedFilePath, sizeof(file));
    if (!CanonicalLongPath(file, sizeof(file))) return false;
    return PathIsInsideFolder(file, temp) != 0;
}

}  // namespace

TTolvaneWindow::TTolvaneWindow(TProgramData* program) : program_(program) {}

TTolvaneWindow::~TTolvaneWindow() {
    if (hwnd_) DestroyWindow(hwnd_);
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
    return CreateWindowExA(0, kClientClass, "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, 0, 0,
                           rect.right, rect.bottom, frame, nullptr, instance, this) != nullptr;
}

LRESULT CALLBACK TTolvaneWindow::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    TTolvaneWindow* self = nullptr;
    if (message == WM_NCCREATE) {
        const CREATESTRUCTA* cs = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        self = static_cast<TTolvaneWindow*>(cs->lpCreateParams);
        if (self) {
            self->hwnd_ = hwnd;
            SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        }
    } else {
        self = reinterpret_cast<TTolvaneWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    }
    if (!self) return DefWindowProcA(hwnd, message, wParam, lParam);
    const LRESULT result = self->HandleMessage(message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
    }
    return result;
}

LRESULT TTolvaneWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            SetUp();
            return 0;
        case TV_WM_DEFERRED_STARTUP:
            DeferredStartUp();
            return 0;
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
        case WM_TIMER:
            if (wParam == TV_TIMER_SPLASH) {
                if (splash_) DestroyWindow(splash_);
                splash_ = nullptr;
                ShowWindow(frame_, SW_SHOWNORMAL);
                KillTimer(hwnd_, TV_TIMER_SPLASH);
            }
            return 0;
        case WM_COMMAND:
            OnCommand(LOWORD(wParam));
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
    CreateMainWindowBarsCall(hwnd_);
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
    CreateMainWindowViewsCall(hwnd_, program_);
    ApplyAlwaysOnTop();
    // 7. Drop target.
    RegisterDropTargetCall(frame_, hwnd_);
    // 8. The rest runs once the window exists.
    PostMessageA(hwnd_, TV_WM_DEFERRED_STARTUP, 0, 0);
}

void TTolvaneWindow::DeferredStartUp() {
    TProgramGlobals& g = Globals();
    SetWindowTextA(frame_, g.title);
    if (firstRun_) RunFirstSetupWizardCall(hwnd_, program_);
    CheckLostFilesCall(hwnd_, program_);
    CheckNewStorageFilesCall(hwnd_, program_);
    if (StartupBookmarkImportCall(hwnd_, program_)) CreateMainWindowViewsCall(hwnd_, program_);
    RunCommandLineActions(g.commandLine, &g.startFlags, true);
}

void TTolvaneWindow::RunCommandLineActions(const char* text, uint32_t* flags, bool atStartUp) {
    if (!text || !flags) return;
    const CommandLinePlan plan = PlanCommandLineActions(text, *flags, atStartUp);
    if (plan.toTray && !inTray_) ToTray();
    // Going to the tray (now or earlier, by minimising) uses up the tray bit.
    if (plan.toTray) *flags &= ~uint32_t(TV_START_TRAY);
    switch (plan.action) {
        case CommandLinePlan::VIEWER:
            OpenInternalViewerCall(hwnd_, plan.archive.c_str());
            break;
        case CommandLinePlan::INTERCHANGE:
            RunInterchangeImportCall(hwnd_, plan.interchangeFile.c_str());
            break;
        case CommandLinePlan::INTAKE:
            for (const CommandLineIntake& item : plan.intake)
                FileIntakeCall(hwnd_, program_, nullptr, item.file.c_str(), item.options);
            break;
        case CommandLinePlan::NONE:
            break;
    }
}

void TTolvaneWindow::FileDownloadHandOff(const DownloadHandOff& record) {
    if (!program_) return;
    FileItem item;
    program_->downloads.InitItem(&item);
    TextAssign(&item.website, record.SourceUrl);
    const TIntakeOutcome outcome =
        FileIntakeCall(hwnd_, program_, &item, record.SavedFilePath, TV_INTAKE_PLUGIN_DOWNLOAD);
    if (HandOffFileMayBeDeleted(outcome) && HandOffFileIsTemporary(record.SavedFilePath)) {
        DeleteFileA(record.SavedFilePath);
        // The plug-in's private download folder goes too, once it is empty.
        char folder[TV_PATH_SIZE];
        if (DownloadHandOffFolder(record.SavedFilePath, folder, sizeof(folder))) RemoveDirectoryA(folder);
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

void TTolvaneWindow::ToTray() {
    NOTIFYICONDATAA data = {};
    data.cbSize = sizeof(data);
    data.hWnd = hwnd_;
    data.uID = kTrayIconId;
    data.uFlags = NIF_ICON | NIF_MESSAGE | NIF_TIP;
    data.uCallbackMessage = TV_WM_TRAY_NOTIFY;
    data.hIcon = static_cast<HICON>(
        LoadImageA(Globals().instance, MAKEINTRESOURCEA(kTrayIconResource), IMAGE_ICON, 16, 16, 0));
    CopyLimited(data.szTip, Globals().title, sizeof(data.szTip));
    Shell_NotifyIconA(NIM_ADD, &data);
    if (data.hIcon) DestroyIcon(data.hIcon);
    ShowWindow(frame_, SW_HIDE);
    inTray_ = true;
    Globals().startFlags &= ~uint32_t(TV_START_TRAY);
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
            OpenHelp(frame_, HELP_FINDER, 0);
            break;
        case CM_HELP_USING:
            OpenHelp(frame_, HELP_HELPONHELP, 0);
            break;
        default:
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
        TrackPopupMenu(popup, TPM_RIGHTBUTTON, x, y, 0, frame_, nullptr);
        PostMessageA(frame_, WM_NULL, 0, 0);
    }
    DestroyMenu(menu);
}

void TTolvaneWindow::DeleteTemporaryFiles() {
    if (!program_) return;
    TTempFileListObject& list = program_->tempFiles;
    // Files first, then folders (a folder goes only once the files in it are gone). An entry
    // whose file or folder could not be removed stays listed for the next run.
    for (uint32_t kind : {uint32_t(TV_TEMP_FILE), uint32_t(TV_TEMP_FOLDER)}) {
        ListNode* node = list.First();
        while (node) {
            ListNode* next = node->next;
            const TempFileEntry* entry = TTempFileListObject::Item(node);
            if (entry && entry->kind == kind) {
                const char* path = entry->path ? entry->path : "";
                bool gone = path[0] == '\0';
                if (!gone) {
                    const BOOL removed = kind == TV_TEMP_FILE ? DeleteFileA(path) : RemoveDirectoryA(path);
                    gone = removed || GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES;
                }
                if (gone) list.DeleteNode(node);
            }
            node = next;
        }
    }
}

void TTolvaneWindow::ShutDown() {
    if (shutDown_) return;
    shutDown_ = true;
    RevokeDropTargetCall(frame_, hwnd_);
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
    CloseHelp(frame_);
}
