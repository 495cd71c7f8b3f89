// tvdriver: drives Windows programs from a test process (end-to-end tests and the tvdrive command).
//
// Everything here works on windows of OTHER processes: texts go through WM_GETTEXT/WM_SETTEXT,
// buttons are pressed with posted messages (a button that opens a modal box must not block the
// driver), and tree-view/list-view items are read through a buffer allocated in the target
// process (VirtualAllocEx/WriteProcessMemory/ReadProcessMemory).
//
// Waiting never uses long fixed sleeps: every Wait* polls in short steps (pumping this thread's
// messages) until its condition holds or its timeout passes.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

namespace tvd {

// Class of every dialog of the program, and of message boxes.
constexpr const char kDialogClass[] = "VeltraDialog";
constexpr const char kMessageBoxClass[] = "#32770";
// Id of the text of a message box (the static control that holds the message).
constexpr int kMessageBoxTextId = 0xFFFF;

// ---------------------------------------------------------------------------------------------
// Paths and folders

// A host path as Windows sees it: "/work/x" -> "Z:\work\x"; a path on a drive gets backslashes
// ("C:/tvt/x" -> "C:\tvt\x"); anything else comes back unchanged.
std::string WinPath(const std::string& path);
// folder + "\" + name (no doubled backslash).
std::string JoinPath(const std::string& folder, const std::string& name);
// Last path component ("C:\a\tv.exe" -> "tv.exe").
std::string BaseName(const std::string& path);
bool FileExists(const std::string& path);
bool FolderExists(const std::string& path);
// Deletes a folder with everything in it (read-only files too). True when it is gone afterwards.
bool RemoveTree(const std::string& path);
// Creates a folder and its missing parents.
bool MakeFolders(const std::string& path);
// Whole file as bytes; false when it cannot be read.
bool ReadWholeFile(const std::string& path, std::string* bytes);
bool WriteWholeFile(const std::string& path, const std::string& bytes);

// A throwaway program folder: base\name, emptied when created, deleted when the object goes
// away unless Keep() was called (e.g. to look at it after a failed test).
class ProgramFolder {
public:
    ProgramFolder(const std::string& base, const std::string& name);
    ~ProgramFolder();
    ProgramFolder(const ProgramFolder&) = delete;
    ProgramFolder& operator=(const ProgramFolder&) = delete;

    bool ok() const { return ok_; }
    const std::string& path() const { return path_; }
    // Path of a file in the folder.
    std::string File(const std::string& name) const { return JoinPath(path_, name); }
    // Copies a file into the folder (under its own name, or newName); returns the copy's path,
    // or "" on failure.
    std::string Install(const std::string& file, const std::string& newName = std::string());
    // Copies every file that lies in `folder` (not its subfolders), leaving out the build
    // system's own files (*.cmake, *.ninja) and static libraries (*.a): e.g. tv.exe with what
    // the build puts beside it.
    // Returns the number of files copied, -1 on failure.
    int InstallFilesOf(const std::string& folder);
    void Keep() { keep_ = true; }

private:
    std::string path_;
    bool ok_ = false;
    bool keep_ = false;
};

// ---------------------------------------------------------------------------------------------
// Windows

struct WindowInfo {
    HWND hwnd = nullptr;
    DWORD pid = 0;
    std::string className;
    std::string caption;
    RECT rect = {};  // screen coordinates
    bool visible = false;
    HWND owner = nullptr;
};

// What a window must match; empty texts and pid 0 match anything. Class and caption compare
// exactly (the class name case-insensitively, as Windows does).
struct WindowQuery {
    std::string className;
    std::string caption;
    DWORD pid = 0;
    bool visibleOnly = false;
};

// Top-level windows (owned windows such as dialogs and message boxes included), in Z order.
std::vector<WindowInfo> ListWindows(DWORD pid = 0);
WindowInfo DescribeWindow(HWND hwnd);
HWND FindTopWindow(const WindowQuery& q);
// Polls until a matching window exists; nullptr after timeoutMs.
HWND WaitForWindow(const WindowQuery& q, DWORD timeoutMs);
HWND WaitForWindow(const char* className, const char* caption, DWORD timeoutMs, DWORD pid = 0);
// A dialog of the program (class "VeltraDialog") or a message box ("#32770") by caption.
HWND WaitForDialog(const char* caption, DWORD timeoutMs, DWORD pid = 0);
HWND WaitForMessageBox(const char* caption, DWORD timeoutMs, DWORD pid = 0);
// Polls until the window no longer exists.
bool WaitForWindowGone(HWND hwnd, DWORD timeoutMs);
// Polls until the window's text equals `text`.
bool WaitForText(HWND hwnd, const std::string& text, DWORD timeoutMs);
// The ceiling of every wait for something that should happen: 60 seconds, or the milliseconds
// given in the environment variable TV_WAIT_CEILING_MS (for a slow or busy machine). A wait that
// reaches it has failed; a passing test never waits that long.
DWORD WaitCeilingMs();
// Sends a message to the window and waits for the answer: its thread has finished what it was
// doing and is back in a message loop (its own, or the modal loop of a dialog or message box it
// shows). The check that something did NOT happen comes after this, never after a pause. False
// when the window did not answer within the ceiling.
bool SyncWith(HWND window);
// Polls until the condition holds (true) or the time runs out (false).
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs);

std::string WindowText(HWND hwnd);  // WM_GETTEXT, "" when the window does not answer
std::string ClassName(HWND hwnd);
// Window rectangle in screen coordinates.
bool WindowRect(HWND hwnd, RECT* r);
// Posts WM_CLOSE (not the Win32 CloseWindow, which minimises).
bool PostClose(HWND hwnd);

// Child controls.
HWND Control(HWND parent, int id);
// The n-th (0-based) descendant of a class, e.g. the first "SysTreeView32" of a window.
HWND FindChildByClass(HWND parent, const char* className, int n = 0);
std::string ControlText(HWND parent, int id);
bool SetControlText(HWND parent, int id, const std::string& text);
// Posts WM_COMMAND(id, BN_CLICKED) to the parent, as a click on the button would.
bool PressButton(HWND parent, int id);
// Posts BM_CLICK to the button itself.
bool ClickButton(HWND parent, int id);
bool IsButtonChecked(HWND parent, int id);
bool SetButtonChecked(HWND parent, int id, bool checked);
bool IsControlEnabled(HWND parent, int id);

// Posts WM_COMMAND(id) with no control, as a menu item or an accelerator would.
bool PostCommand(HWND window, int id);

// Combo boxes and list boxes that hold strings.
std::vector<std::string> ComboItems(HWND parent, int id);
int ComboSelection(HWND parent, int id);  // -1: none
// Selects an item as the user would: CB_SETCURSEL, then CBN_SELCHANGE to the parent.
bool SelectComboItem(HWND parent, int id, int index);
std::vector<std::string> ListBoxItems(HWND parent, int id);

// Property sheets and wizards (the sheet is a "#32770" window; a wizard's caption is the
// caption of its current page). The buttons are PSBTN_NEXT, PSBTN_BACK, PSBTN_FINISH,
// PSBTN_OK, PSBTN_CANCEL, ...; pressing is posted, so a page that opens a box does not block.
HWND CurrentPropertyPage(HWND sheet);
bool PressPropertySheetButton(HWND sheet, int button);

// Message boxes: the message text, and the answer (IDOK, IDYES, IDNO, IDCANCEL ...).
std::string MessageBoxText(HWND box);
bool AnswerMessageBox(HWND box, int buttonId);

// Pumps this thread's messages for about ms milliseconds.
void Pump(DWORD ms);

// ---------------------------------------------------------------------------------------------
// Tree views and list views of another process

struct TreeItem {
    HTREEITEM handle = nullptr;
    std::string text;
    bool expanded = false;
    bool selected = false;
    bool bold = false;
    std::vector<TreeItem> children;
};

// Reads the whole tree (collapsed branches too). False when the control cannot be read.
bool ReadTree(HWND tree, std::vector<TreeItem>* roots);
// One line per item, two spaces of indent per level; " [+]" marks an expanded item that has
// children, " [*]" the selected item. Handy for comparing a whole tree at once.
std::string FormatTree(const std::vector<TreeItem>& roots);
// Finds an item by its texts from the root, e.g. {"Downloads", "Games"}; nullptr when missing.
HTREEITEM FindTreeItem(HWND tree, const std::vector<std::string>& path);
// Selects an item as a click would (the owner gets TVN_SELCHANGING/TVN_SELCHANGED).
bool SelectTreeItem(HWND tree, HTREEITEM item);
// TVM_EXPAND: like a program's own call, not a click, so the owner may get no
// TVN_ITEMEXPANDING (a tree that fills branches on demand needs a real click then).
bool ExpandTreeItem(HWND tree, HTREEITEM item, bool expand);

struct ListContents {
    std::vector<std::string> columns;            // header texts, by column index (sub-item)
    std::vector<int> order;                      // column index at each display position, left to right
    std::vector<std::vector<std::string>> rows;  // one text per column, by column index
    std::vector<int> images;                     // image index of each row
    std::vector<int> selected;                   // indexes of the selected rows
    std::vector<int> cut;                        // indexes of the rows drawn as cut
    int focused = -1;
    // The header texts in display order.
    std::vector<std::string> DisplayedColumns() const;
};

bool ReadList(HWND list, ListContents* out);
// LVM_GETITEMRECT of a row (code LVIR_BOUNDS, LVIR_ICON, LVIR_LABEL), in the list's client area.
bool ListItemRect(HWND list, int row, int code, RECT* out);
int ListItemCount(HWND list);
// Selects exactly this row (or clears the selection for index -1) and focuses it.
bool SelectListItem(HWND list, int index);

// ---------------------------------------------------------------------------------------------
// Processes

class Process {
public:
    Process() = default;
    ~Process();  // kills a process that still runs
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    // What Start waits for: the program's first wait for input (its message loop runs), or
    // nothing. A second start that hands its command line to a running instance waits for that
    // instance's answer, which may come only after the test has answered a dialog: such a start
    // never waits for input, so it is started with kNothing.
    enum class Until { kInputIdle, kNothing };
    // Starts `exe` with the arguments (already quoted as needed) in workDir ("" = the folder
    // of the program).
    bool Start(const std::string& exe, const std::string& args, const std::string& workDir = std::string(),
               Until until = Until::kInputIdle);
    bool started() const { return process_ != nullptr; }
    DWORD pid() const { return pid_; }
    HANDLE handle() const { return process_; }
    bool Running() const;
    // Waits for the end; true when it ended in time (exit code in *exitCode).
    bool Wait(DWORD timeoutMs, DWORD* exitCode = nullptr);
    // Ends the process at once and waits for it.
    void Kill(UINT exitCode = 0xDEAD);
    // A top-level window of this process; returns early (nullptr) when the process ends.
    HWND WaitForWindow(const char* className, const char* caption, DWORD timeoutMs) const;
    // Posts WM_CLOSE to the window and waits for the end; kills the process after the timeout.
    // True when it ended on its own (exit code in *exitCode).
    bool CloseAndWait(HWND window, DWORD timeoutMs, DWORD* exitCode = nullptr);
    std::vector<WindowInfo> Windows() const { return ListWindows(pid_); }

private:
    HANDLE process_ = nullptr;
    DWORD pid_ = 0;
};

}  // namespace tvd
