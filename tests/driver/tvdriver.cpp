#include "tests/driver/tvdriver.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

namespace tvd {

namespace {

// Longest text read from a control of another process (texts beyond it are cut).
constexpr size_t kRemoteTextSize = 4096;
// Answer time for messages sent to another process before it counts as hung.

// Poll step of the Wait* functions.
constexpr DWORD kPollMs = 15;
// Guards against a broken or cyclic tree.
constexpr int kMaxTreeDepth = 64;
constexpr size_t kMaxTreeItems = 200000;

bool Send(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result = nullptr) {
    DWORD_PTR r = 0;
    if (!SendMessageTimeoutA(hwnd, msg, wParam, lParam, SMTO_ABORTIFHUNG | SMTO_BLOCK, WaitCeilingMs(), &r))
        return false;
    if (result) *result = LRESULT(r);
    return true;
}

DWORD Elapsed(DWORD start) { return GetTickCount() - start; }

// A block of memory inside the process that owns a window: structures that common-control
// messages point to must live in the receiver's address space.
class RemoteMemory {
public:
    RemoteMemory(HWND window, size_t size) : size_(size) {
        DWORD pid = 0;
        GetWindowThreadProcessId(window, &pid);
        if (!pid) return;
        process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE | PROCESS_QUERY_INFORMATION,
                               FALSE, pid);
        if (process_) base_ = static_cast<char*>(VirtualAllocEx(process_, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    }
    ~RemoteMemory() {
        if (base_) VirtualFreeEx(process_, base_, 0, MEM_RELEASE);
        if (process_) CloseHandle(process_);
    }
    RemoteMemory(const RemoteMemory&) = delete;
    RemoteMemory& operator=(const RemoteMemory&) = delete;

    bool ok() const { return base_ != nullptr; }
    char* At(size_t offset) const { return base_ + offset; }
    bool Write(size_t offset, const void* data, size_t n) {
        if (!base_ || offset > size_ || n > size_ - offset) return false;
        SIZE_T done = 0;
        return WriteProcessMemory(process_, base_ + offset, data, n, &done) && done == n;
    }
    bool Read(size_t offset, void* data, size_t n) const {
        if (!base_ || offset > size_ || n > size_ - offset) return false;
        SIZE_T done = 0;
        return ReadProcessMemory(process_, base_ + offset, data, n, &done) && done == n;
    }
    // A terminated text of at most `capacity` bytes at offset.
    std::string ReadText(size_t offset, size_t capacity) const {
        std::string s(capacity, '\0');
        if (!Read(offset, &s[0], capacity)) return std::string();
        s.resize(strnlen(s.data(), capacity));
        return s;
    }
    bool ClearText(size_t offset) {
        const char zero = 0;
        return Write(offset, &zero, 1);
    }

private:
    HANDLE process_ = nullptr;
    char* base_ = nullptr;
    size_t size_ = 0;
};

bool MatchesQuery(const WindowInfo& w, const WindowQuery& q) {
    if (q.pid && w.pid != q.pid) return false;
    if (q.visibleOnly && !w.visible) return false;
    if (!q.className.empty() && lstrcmpiA(w.className.c_str(), q.className.c_str()) != 0) return false;
    if (!q.caption.empty() && w.caption != q.caption) return false;
    return true;
}

BOOL CALLBACK CollectWindow(HWND hwnd, LPARAM param) {
    static_cast<std::vector<HWND>*>(reinterpret_cast<void*>(param))->push_back(hwnd);
    return TRUE;
}

struct ChildSearch {
    const char* className;
    int wanted;
    HWND found;
};

BOOL CALLBACK FindChildProc(HWND hwnd, LPARAM param) {
    auto* s = reinterpret_cast<ChildSearch*>(param);
    if (lstrcmpiA(ClassName(hwnd).c_str(), s->className) == 0) {
        if (s->wanted == 0) {
            s->found = hwnd;
            return FALSE;
        }
        --s->wanted;
    }
    return TRUE;
}

bool ReadTreeLevel(HWND tree, RemoteMemory& mem, HTREEITEM first, int depth, size_t* count,
                   std::vector<TreeItem>* out) {
    if (depth > kMaxTreeDepth) return false;
    const size_t textOffset = sizeof(TVITEMA);
    for (HTREEITEM h = first; h;) {
        if (++*count > kMaxTreeItems) return false;
        TVITEMA item = {};
        item.mask = TVIF_HANDLE | TVIF_TEXT | TVIF_STATE;
        item.hItem = h;
        item.stateMask = TVIS_EXPANDED | TVIS_SELECTED | TVIS_BOLD;
        item.pszText = mem.At(textOffset);
        item.cchTextMax = int(kRemoteTextSize);
        LRESULT ok = 0;
        if (!mem.ClearText(textOffset) || !mem.Write(0, &item, sizeof(item)) ||
            !Send(tree, TVM_GETITEMA, 0, LPARAM(mem.At(0)), &ok) || !ok || !mem.Read(0, &item, sizeof(item)))
            return false;
        TreeItem t;
        t.handle = h;
        t.text = mem.ReadText(textOffset, kRemoteTextSize);
        t.expanded = (item.state & TVIS_EXPANDED) != 0;
        t.selected = (item.state & TVIS_SELECTED) != 0;
        t.bold = (item.state & TVIS_BOLD) != 0;
        LRESULT child = 0;
        if (!Send(tree, TVM_GETNEXTITEM, TVGN_CHILD, LPARAM(h), &child)) return false;
        if (child && !ReadTreeLevel(tree, mem, HTREEITEM(child), depth + 1, count, &t.children)) return false;
        out->push_back(std::move(t));
        LRESULT next = 0;
        if (!Send(tree, TVM_GETNEXTITEM, TVGN_NEXT, LPARAM(h), &next)) return false;
        h = HTREEITEM(next);
    }
    return true;
}

void FormatTreeLevel(const std::vector<TreeItem>& items, int depth, std::string* out) {
    for (const TreeItem& t : items) {
        out->append(size_t(depth) * 2, ' ');
        out->append(t.text);
        if (t.expanded && !t.children.empty()) out->append(" [+]");
        if (t.selected) out->append(" [*]");
        out->push_back('\n');
        FormatTreeLevel(t.children, depth + 1, out);
    }
}

bool SetListState(HWND list, int index, UINT state, UINT mask) {
    RemoteMemory mem(list, sizeof(LVITEMA));
    if (!mem.ok()) return false;
    LVITEMA item = {};
    item.stateMask = mask;
    item.state = state;
    LRESULT ok = 0;
    return mem.Write(0, &item, sizeof(item)) && Send(list, LVM_SETITEMSTATE, WPARAM(index), LPARAM(mem.At(0)), &ok) &&
           ok;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Paths and folders

std::string WinPath(const std::string& path) {
    const bool onDrive = path.size() >= 3 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':' &&
                         (path[2] == '/' || path[2] == '\\');
    if (onDrive) {
        std::string out = path;
        for (char& c : out)
            if (c == '/') c = '\\';
        return out;
    }
    if (path.empty() || path[0] != '/') return path;
    std::string out = "Z:" + path;
    for (char& c : out)
        if (c == '/') c = '\\';
    return out;
}

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    if (folder.back() == '\\' || folder.back() == '/') return folder + name;
    return folder + "\\" + name;
}

std::string BaseName(const std::string& path) {
    const size_t slash = path.find_last_of("\\/:");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool FileExists(const std::string& path) {
    const DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool FolderExists(const std::string& path) {
    const DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

static bool RemoveTreeAt(const std::string& path, int depth) {
    if (depth > kMaxTreeDepth) return false;
    WIN32_FIND_DATAA fd;
    HANDLE find = FindFirstFileA(JoinPath(path, "*").c_str(), &fd);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            if (!strcmp(fd.cFileName, ".") || !strcmp(fd.cFileName, "..")) continue;
            const std::string full = JoinPath(path, fd.cFileName);
            SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                // A linked folder is unlinked, never entered.
                if (fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
                    RemoveDirectoryA(full.c_str());
                else
                    RemoveTreeAt(full, depth + 1);
            } else {
                DeleteFileA(full.c_str());
            }
        } while (FindNextFileA(find, &fd));
        FindClose(find);
    }
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    RemoveDirectoryA(path.c_str());
    return GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES;
}

bool RemoveTree(const std::string& path) {
    // Refuse roots and drive letters: "C:\", "Z:", "\" and the like.
    if (path.size() <= 3) return false;
    if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) return true;
    return RemoveTreeAt(path, 0);
}

bool MakeFolders(const std::string& path) {
    if (path.empty()) return false;
    for (size_t i = 0; i <= path.size(); ++i) {
        if (i == path.size() || path[i] == '\\' || path[i] == '/') {
            const std::string part = path.substr(0, i);
            // Skip "", "Z:" and the like.
            if (part.empty() || (part.size() == 2 && part[1] == ':')) continue;
            if (!FolderExists(part) && !CreateDirectoryA(part.c_str(), nullptr) && !FolderExists(part)) return false;
        }
    }
    return FolderExists(path);
}

bool ReadWholeFile(const std::string& path, std::string* bytes) {
    HANDLE f = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    bytes->clear();
    char buf[65536];
    DWORD got = 0;
    bool ok = true;
    while ((ok = ReadFile(f, buf, sizeof(buf), &got, nullptr) != 0) && got > 0) bytes->append(buf, got);
    CloseHandle(f);
    return ok;
}

bool WriteWholeFile(const std::string& path, const std::string& bytes) {
    HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    DWORD done = 0;
    const bool ok = WriteFile(f, bytes.data(), DWORD(bytes.size()), &done, nullptr) && done == bytes.size();
    return CloseHandle(f) && ok;
}

ProgramFolder::ProgramFolder(const std::string& base, const std::string& name) {
    std::string safe = name;
    for (char& c : safe) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
                           c == '_' || c == '.';
        if (!plain) c = '_';
    }
    if (safe.empty() || safe == "." || safe == "..") safe = "program";
    path_ = JoinPath(WinPath(base), safe);
    ok_ = MakeFolders(WinPath(base)) && RemoveTree(path_) && CreateDirectoryA(path_.c_str(), nullptr);
}

ProgramFolder::~ProgramFolder() {
    if (ok_ && !keep_) RemoveTree(path_);
}

std::string ProgramFolder::Install(const std::string& file, const std::string& newName) {
    if (!ok_) return std::string();
    const std::string source = WinPath(file);
    const std::string target = File(newName.empty() ? BaseName(source) : newName);
    if (!CopyFileA(source.c_str(), target.c_str(), FALSE)) return std::string();
    return target;
}

static bool EndsWithNoCase(const std::string& s, const char* tail) {
    const size_t n = strlen(tail);
    return s.size() >= n && lstrcmpiA(s.c_str() + s.size() - n, tail) == 0;
}

int ProgramFolder::InstallFilesOf(const std::string& folder) {
    if (!ok_) return -1;
    const std::string source = WinPath(folder);
    WIN32_FIND_DATAA fd;
    HANDLE find = FindFirstFileA(JoinPath(source, "*").c_str(), &fd);
    if (find == INVALID_HANDLE_VALUE) return -1;
    int copied = 0;
    bool ok = true;
    do {
        const std::string name = fd.cFileName;
        if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || EndsWithNoCase(name, ".cmake") ||
            EndsWithNoCase(name, ".ninja") || EndsWithNoCase(name, ".a"))
            continue;
        if (CopyFileA(JoinPath(source, name).c_str(), File(name).c_str(), FALSE))
            ++copied;
        else
            ok = false;
    } while (FindNextFileA(find, &fd));
    FindClose(find);
    return ok ? copied : -1;
}

// ---------------------------------------------------------------------------------------------
// Windows

WindowInfo DescribeWindow(HWND hwnd) {
    WindowInfo w;
    w.hwnd = hwnd;
    GetWindowThreadProcessId(hwnd, &w.pid);
    w.className = ClassName(hwnd);
    w.caption = WindowText(hwnd);
    GetWindowRect(hwnd, &w.rect);
    w.visible = IsWindowVisible(hwnd) != FALSE;
    w.owner = GetWindow(hwnd, GW_OWNER);
    return w;
}

std::vector<WindowInfo> ListWindows(DWORD pid) {
    std::vector<HWND> handles;
    EnumWindows(CollectWindow, LPARAM(&handles));
    std::vector<WindowInfo> out;
    for (HWND h : handles) {
        if (pid) {
            DWORD owner = 0;
            GetWindowThreadProcessId(h, &owner);
            if (owner != pid) continue;
        }
        if (IsWindow(h)) out.push_back(DescribeWindow(h));
    }
    return out;
}

HWND FindTopWindow(const WindowQuery& q) {
    for (const WindowInfo& w : ListWindows(q.pid))
        if (MatchesQuery(w, q)) return w.hwnd;
    return nullptr;
}

HWND WaitForWindow(const WindowQuery& q, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (HWND h = FindTopWindow(q)) return h;
        if (Elapsed(start) >= timeoutMs) return nullptr;
        Pump(kPollMs);
    }
}

HWND WaitForWindow(const char* className, const char* caption, DWORD timeoutMs, DWORD pid) {
    WindowQuery q;
    q.className = className ? className : "";
    q.caption = caption ? caption : "";
    q.pid = pid;
    return WaitForWindow(q, timeoutMs);
}

HWND WaitForDialog(const char* caption, DWORD timeoutMs, DWORD pid) {
    return WaitForWindow(kDialogClass, caption, timeoutMs, pid);
}

HWND WaitForMessageBox(const char* caption, DWORD timeoutMs, DWORD pid) {
    return WaitForWindow(kMessageBoxClass, caption, timeoutMs, pid);
}

bool WaitForWindowGone(HWND hwnd, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    while (IsWindow(hwnd)) {
        if (Elapsed(start) >= timeoutMs) return false;
        Pump(kPollMs);
    }
    return true;
}

bool WaitForText(HWND hwnd, const std::string& text, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    while (WindowText(hwnd) != text) {
        if (Elapsed(start) >= timeoutMs) return false;
        Pump(kPollMs);
    }
    return true;
}

DWORD WaitCeilingMs() {
    static const DWORD ceiling = [] {
        char text[32];
        const DWORD n = GetEnvironmentVariableA("TV_WAIT_CEILING_MS", text, sizeof text);
        if (n > 0 && n < sizeof text) {
            char* end = nullptr;
            const unsigned long value = std::strtoul(text, &end, 10);
            if (end && *end == '\0' && value >= 1000 && value <= 3600000) return DWORD(value);
        }
        return DWORD(60000);
    }();
    return ceiling;
}

bool SyncWith(HWND window) {
    DWORD_PTR result = 0;
    return window && SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, WaitCeilingMs(), &result) != 0;
}

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    while (!condition()) {
        if (Elapsed(start) >= timeoutMs) return false;
        Pump(kPollMs);
    }
    return true;
}

std::string WindowText(HWND hwnd) {
    LRESULT length = 0;
    if (!hwnd || !Send(hwnd, WM_GETTEXTLENGTH, 0, 0, &length) || length <= 0) return std::string();
    std::string s(size_t(length) + 1, '\0');
    LRESULT got = 0;
    if (!Send(hwnd, WM_GETTEXT, WPARAM(s.size()), LPARAM(&s[0]), &got) || got < 0) return std::string();
    s.resize(strnlen(s.data(), s.size()));
    return s;
}

std::string ClassName(HWND hwnd) {
    char name[256] = "";
    if (!GetClassNameA(hwnd, name, int(sizeof(name)))) return std::string();
    return name;
}

bool WindowRect(HWND hwnd, RECT* r) { return GetWindowRect(hwnd, r) != FALSE; }

bool PostClose(HWND hwnd) { return PostMessageA(hwnd, WM_CLOSE, 0, 0) != FALSE; }

HWND Control(HWND parent, int id) { return parent ? GetDlgItem(parent, id) : nullptr; }

HWND FindChildByClass(HWND parent, const char* className, int n) {
    ChildSearch s = {className, n, nullptr};
    EnumChildWindows(parent, FindChildProc, LPARAM(&s));
    return s.found;
}

std::string ControlText(HWND parent, int id) { return WindowText(Control(parent, id)); }

bool SetControlText(HWND parent, int id, const std::string& text) {
    HWND c = Control(parent, id);
    LRESULT ok = 0;
    return c && Send(c, WM_SETTEXT, 0, LPARAM(text.c_str()), &ok) && ok;
}

bool PressButton(HWND parent, int id) {
    HWND c = Control(parent, id);
    return c && PostMessageA(parent, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), LPARAM(c));
}

bool ClickButton(HWND parent, int id) {
    HWND c = Control(parent, id);
    return c && PostMessageA(c, BM_CLICK, 0, 0);
}

bool IsButtonChecked(HWND parent, int id) {
    LRESULT state = 0;
    HWND c = Control(parent, id);
    return c && Send(c, BM_GETCHECK, 0, 0, &state) && state == BST_CHECKED;
}

bool SetButtonChecked(HWND parent, int id, bool checked) {
    HWND c = Control(parent, id);
    return c && Send(c, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool IsControlEnabled(HWND parent, int id) {
    HWND c = Control(parent, id);
    return c && IsWindowEnabled(c);
}

bool PostCommand(HWND window, int id) { return window && PostMessageA(window, WM_COMMAND, MAKEWPARAM(id, 0), 0); }

// Items of a combo box or list box. The system carries these string messages across processes
// (a local buffer is right), but Wine 8 hands back the reply of the ANSI messages in UTF-16,
// longer than the ANSI length promised: ask in UTF-16 and convert with the ANSI code page,
// which gives the program's own bytes back.
static std::vector<std::string> StringItems(HWND box, UINT countMsg, UINT lengthMsg, UINT textMsg) {
    std::vector<std::string> items;
    DWORD_PTR count = 0;
    if (!box || !SendMessageTimeoutW(box, countMsg, 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK, WaitCeilingMs(), &count) ||
        LRESULT(count) < 0)
        return items;
    for (int i = 0; i < int(count); ++i) {
        DWORD_PTR length = 0;
        std::string text;
        if (SendMessageTimeoutW(box, lengthMsg, WPARAM(i), 0, SMTO_ABORTIFHUNG | SMTO_BLOCK, WaitCeilingMs(), &length) &&
            LRESULT(length) >= 0) {
            // Room to spare: the receiver decides how much it writes.
            std::vector<wchar_t> wide(size_t(length) * 2 + 16, L'\0');
            DWORD_PTR got = 0;
            if (SendMessageTimeoutW(box, textMsg, WPARAM(i), LPARAM(wide.data()), SMTO_ABORTIFHUNG | SMTO_BLOCK,
                                    WaitCeilingMs(), &got) &&
                LRESULT(got) > 0) {
                const int n = int(wcsnlen(wide.data(), wide.size()));
                const int bytes = WideCharToMultiByte(CP_ACP, 0, wide.data(), n, nullptr, 0, nullptr, nullptr);
                if (bytes > 0) {
                    text.assign(size_t(bytes), '\0');
                    WideCharToMultiByte(CP_ACP, 0, wide.data(), n, &text[0], bytes, nullptr, nullptr);
                }
            }
        }
        items.push_back(text);
    }
    return items;
}

std::vector<std::string> ComboItems(HWND parent, int id) {
    return StringItems(Control(parent, id), CB_GETCOUNT, CB_GETLBTEXTLEN, CB_GETLBTEXT);
}

int ComboSelection(HWND parent, int id) {
    LRESULT sel = CB_ERR;
    HWND c = Control(parent, id);
    return c && Send(c, CB_GETCURSEL, 0, 0, &sel) && sel >= 0 ? int(sel) : -1;
}

bool SelectComboItem(HWND parent, int id, int index) {
    HWND c = Control(parent, id);
    LRESULT r = CB_ERR;
    if (!c || !Send(c, CB_SETCURSEL, WPARAM(index), 0, &r) || r != index) return false;
    return PostMessageA(parent, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), LPARAM(c)) != FALSE;
}

std::vector<std::string> ListBoxItems(HWND parent, int id) {
    return StringItems(Control(parent, id), LB_GETCOUNT, LB_GETTEXTLEN, LB_GETTEXT);
}

HWND CurrentPropertyPage(HWND sheet) {
    LRESULT page = 0;
    return sheet && Send(sheet, PSM_GETCURRENTPAGEHWND, 0, 0, &page) ? HWND(page) : nullptr;
}

bool PressPropertySheetButton(HWND sheet, int button) {
    // Sent, PSM_PRESSBUTTON would wait for whatever the page does (and a page may open a box).
    return sheet && PostMessageA(sheet, PSM_PRESSBUTTON, WPARAM(button), 0);
}

std::string MessageBoxText(HWND box) { return ControlText(box, kMessageBoxTextId); }

bool AnswerMessageBox(HWND box, int buttonId) {
    // A message box ends on WM_COMMAND with the button's id, whether or not it has that button
    // (IDCANCEL also closes a box without a Cancel button, like Escape does).
    return box && PostMessageA(box, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED), LPARAM(GetDlgItem(box, buttonId)));
}

void Pump(DWORD ms) {
    const DWORD start = GetTickCount();
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        const DWORD spent = Elapsed(start);
        if (spent >= ms) return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - spent, QS_ALLINPUT);
    }
}

// ---------------------------------------------------------------------------------------------
// Tree views and list views

bool ReadTree(HWND tree, std::vector<TreeItem>* roots) {
    roots->clear();
    RemoteMemory mem(tree, sizeof(TVITEMA) + kRemoteTextSize);
    if (!mem.ok()) return false;
    LRESULT first = 0;
    if (!Send(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0, &first)) return false;
    size_t count = 0;
    return ReadTreeLevel(tree, mem, HTREEITEM(first), 0, &count, roots);
}

std::string FormatTree(const std::vector<TreeItem>& roots) {
    std::string out;
    FormatTreeLevel(roots, 0, &out);
    return out;
}

HTREEITEM FindTreeItem(HWND tree, const std::vector<std::string>& path) {
    std::vector<TreeItem> roots;
    if (path.empty() || !ReadTree(tree, &roots)) return nullptr;
    const std::vector<TreeItem>* level = &roots;
    const TreeItem* found = nullptr;
    for (const std::string& name : path) {
        found = nullptr;
        for (const TreeItem& t : *level)
            if (t.text == name) {
                found = &t;
                break;
            }
        if (!found) return nullptr;
        level = &found->children;
    }
    return found->handle;
}

bool SelectTreeItem(HWND tree, HTREEITEM item) {
    LRESULT ok = 0;
    return Send(tree, TVM_SELECTITEM, TVGN_CARET, LPARAM(item), &ok) && ok;
}

bool ExpandTreeItem(HWND tree, HTREEITEM item, bool expand) {
    return Send(tree, TVM_EXPAND, expand ? TVE_EXPAND : TVE_COLLAPSE, LPARAM(item));
}

int ListItemCount(HWND list) {
    LRESULT n = 0;
    return Send(list, LVM_GETITEMCOUNT, 0, 0, &n) ? int(n) : -1;
}

bool ReadList(HWND list, ListContents* out) {
    *out = ListContents();
    const size_t textOffset = sizeof(LVITEMA) > sizeof(LVCOLUMNA) ? sizeof(LVITEMA) : sizeof(LVCOLUMNA);
    RemoteMemory mem(list, textOffset + kRemoteTextSize);
    if (!mem.ok()) return false;

    // Columns: the header's items (a list view that is not in report view has one column).
    LRESULT header = 0;
    LRESULT columns = 0;
    if (!Send(list, LVM_GETHEADER, 0, 0, &header)) return false;
    if (!header || !Send(HWND(header), HDM_GETITEMCOUNT, 0, 0, &columns) || columns <= 0) columns = 1;
    for (int c = 0; c < int(columns); ++c) {
        LVCOLUMNA col = {};
        col.mask = LVCF_TEXT;
        col.pszText = mem.At(textOffset);
        col.cchTextMax = int(kRemoteTextSize);
        LRESULT ok = 0;
        std::string text;
        if (mem.ClearText(textOffset) && mem.Write(0, &col, sizeof(col)) &&
            Send(list, LVM_GETCOLUMNA, WPARAM(c), LPARAM(mem.At(0)), &ok) && ok)
            text = mem.ReadText(textOffset, kRemoteTextSize);
        out->columns.push_back(text);
    }

    // The display order of the columns (all of them, or none when the control cannot tell).
    std::vector<int> order(size_t(columns), 0);
    LRESULT gotOrder = 0;
    if (mem.Write(0, order.data(), order.size() * sizeof(int)) &&
        Send(list, LVM_GETCOLUMNORDERARRAY, WPARAM(columns), LPARAM(mem.At(0)), &gotOrder) && gotOrder &&
        mem.Read(0, order.data(), order.size() * sizeof(int)))
        out->order = order;

    const int count = ListItemCount(list);
    if (count < 0) return false;
    for (int i = 0; i < count; ++i) {
        LVITEMA image = {};
        image.mask = LVIF_IMAGE;
        image.iItem = i;
        image.iImage = -1;
        LRESULT gotImage = 0;
        if (!mem.Write(0, &image, sizeof(image)) || !Send(list, LVM_GETITEMA, 0, LPARAM(mem.At(0)), &gotImage) ||
            !mem.Read(0, &image, sizeof(image)))
            return false;
        out->images.push_back(gotImage ? image.iImage : -1);
        std::vector<std::string> row;
        for (int c = 0; c < int(columns); ++c) {
            LVITEMA item = {};
            item.iSubItem = c;
            item.pszText = mem.At(textOffset);
            item.cchTextMax = int(kRemoteTextSize);
            if (!mem.ClearText(textOffset) || !mem.Write(0, &item, sizeof(item)) ||
                !Send(list, LVM_GETITEMTEXTA, WPARAM(i), LPARAM(mem.At(0))))
                return false;
            row.push_back(mem.ReadText(textOffset, kRemoteTextSize));
        }
        out->rows.push_back(std::move(row));
        LRESULT state = 0;
        if (!Send(list, LVM_GETITEMSTATE, WPARAM(i), LVIS_SELECTED | LVIS_FOCUSED | LVIS_CUT, &state)) return false;
        if (state & LVIS_SELECTED) out->selected.push_back(i);
        if (state & LVIS_FOCUSED) out->focused = i;
        if (state & LVIS_CUT) out->cut.push_back(i);
    }
    return true;
}

bool ListItemRect(HWND list, int row, int code, RECT* out) {
    RemoteMemory mem(list, sizeof(RECT));
    RECT r = {};
    r.left = code;
    LRESULT ok = 0;
    if (!out || !mem.ok() || !mem.Write(0, &r, sizeof(r)) ||
        !Send(list, LVM_GETITEMRECT, WPARAM(row), LPARAM(mem.At(0)), &ok) || !ok || !mem.Read(0, &r, sizeof(r)))
        return false;
    *out = r;
    return true;
}

std::vector<std::string> ListContents::DisplayedColumns() const {
    if (order.size() != columns.size()) return columns;
    std::vector<std::string> shown;
    for (int c : order) shown.push_back(c >= 0 && size_t(c) < columns.size() ? columns[size_t(c)] : "?");
    return shown;
}

bool SelectListItem(HWND list, int index) {
    if (!SetListState(list, -1, 0, LVIS_SELECTED)) return false;
    if (index < 0) return true;
    if (!SetListState(list, index, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED)) return false;
    return Send(list, LVM_ENSUREVISIBLE, WPARAM(index), FALSE);
}

// ---------------------------------------------------------------------------------------------
// Processes

Process::~Process() {
    if (process_) {
        if (Running()) Kill();
        CloseHandle(process_);
    }
}

bool Process::Start(const std::string& exe, const std::string& args, const std::string& workDir, Until until) {
    if (process_) return false;
    const std::string program = WinPath(exe);
    std::string folder = workDir.empty() ? program.substr(0, program.size() - BaseName(program).size()) : WinPath(workDir);
    std::string commandLine = "\"" + program + "\"";
    if (!args.empty()) commandLine += " " + args;
    std::vector<char> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back('\0');
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(program.c_str(), buffer.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &si, &pi))
        return false;
    CloseHandle(pi.hThread);
    process_ = pi.hProcess;
    pid_ = pi.dwProcessId;
    // Windows are looked for right after the start: let the program reach its message loop.
    if (until == Until::kInputIdle) WaitForInputIdle(process_, WaitCeilingMs());
    return true;
}

bool Process::Running() const { return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }

bool Process::Wait(DWORD timeoutMs, DWORD* exitCode) {
    if (!process_) return false;
    const DWORD start = GetTickCount();
    for (;;) {
        const DWORD spent = Elapsed(start);
        const DWORD left = spent >= timeoutMs ? 0 : timeoutMs - spent;
        const DWORD r = MsgWaitForMultipleObjects(1, &process_, FALSE, left, QS_ALLINPUT);
        if (r == WAIT_OBJECT_0) break;
        if (r == WAIT_OBJECT_0 + 1) {
            Pump(0);
            continue;
        }
        return false;
    }
    DWORD code = 0;
    GetExitCodeProcess(process_, &code);
    if (exitCode) *exitCode = code;
    return true;
}

void Process::Kill(UINT exitCode) {
    if (!Running()) return;
    TerminateProcess(process_, exitCode);
    WaitForSingleObject(process_, WaitCeilingMs());
}

HWND Process::WaitForWindow(const char* className, const char* caption, DWORD timeoutMs) const {
    WindowQuery q;
    q.className = className ? className : "";
    q.caption = caption ? caption : "";
    q.pid = pid_;
    const DWORD start = GetTickCount();
    for (;;) {
        const bool running = Running();
        if (HWND h = FindTopWindow(q)) return h;
        if (!running || Elapsed(start) >= timeoutMs) return nullptr;
        Pump(kPollMs);
    }
}

bool Process::CloseAndWait(HWND window, DWORD timeoutMs, DWORD* exitCode) {
    if (!process_) return false;
    if (window) PostClose(window);
    if (Wait(timeoutMs, exitCode)) return true;
    Kill();
    return false;
}

}  // namespace tvd
