#include "util/win_ui.h"

#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "util/path.h"
#include "util/text.h"
#include "util/tvbase.h"
#include "util/win_registry.h"
#include "util/safestr.h"

namespace {

char g_messageRing[TV_MESSAGE_RING][TV_MESSAGE_SIZE];
int g_messageIndex = TV_MESSAGE_RING - 1;  // the first load advances to buffer 0
HINSTANCE g_messageModule = nullptr;

HINSTANCE MessageModule() {
    if (!g_messageModule) {
        HMODULE self = nullptr;
        if (GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                               reinterpret_cast<LPCSTR>(&g_messageModule), &self))
            g_messageModule = self;
        else
            g_messageModule = GetModuleHandleA(nullptr);
    }
    return g_messageModule;
}

// The class named by HKEY_CLASSES_ROOT\<extension>, or empty; ext receives the extension.
void FileTypeClass(const char* fileOrExtension, char* ext, char* typeClass, size_t classSize) {
    typeClass[0] = '\0';
    SplitPathParts(fileOrExtension, nullptr, nullptr, nullptr, ext);
    if (std::strlen(ext) < 2) {
        ext[0] = '\0';
        return;
    }
    RegistryReadString(typeClass, classSize, HKEY_CLASSES_ROOT, ext, nullptr);
}

// The default value of a sub-key of the extension's class ("<class>\subKey"); 1 when found and
// not empty, else 0 and out empty.
int FileTypeClassValue(const char* fileOrExtension, const char* subKey, char* out, size_t size) {
    if (!out || size == 0) return 0;
    out[0] = '\0';
    if (!fileOrExtension || !*fileOrExtension) return 0;
    char ext[TV_PATH_SIZE];
    char typeClass[TV_REGVALUE_SIZE];
    FileTypeClass(fileOrExtension, ext, typeClass, sizeof typeClass);
    if (!typeClass[0]) return 0;
    char key[TV_REGVALUE_SIZE + 16];
    if (FormatLimited(key, sizeof key, "%s\\%s", typeClass, subKey)) return 0;
    return RegistryReadString(out, size, HKEY_CLASSES_ROOT, key, nullptr) == ERROR_SUCCESS && out[0] ? 1 : 0;
}

TMessageBoxResponder g_boxResponder = nullptr;
void* g_boxContext = nullptr;

}  // namespace

void SetMessageBoxResponder(TMessageBoxResponder responder, void* context) {
    g_boxResponder = responder;
    g_boxContext = responder ? context : nullptr;
}

int ShowMessageBox(HWND owner, const char* text, const char* caption, UINT type) {
    if (g_boxResponder) return g_boxResponder(owner, text ? text : "", caption ? caption : "", type, g_boxContext);
    return MessageBoxA(owner, text, caption, type);
}

void SetMessageTextModule(HINSTANCE module) { g_messageModule = module; }

const char* LoadMessageText(UINT id, int* index) {
    if (index) *index = -1;
    if (id == 0) return "";
    g_messageIndex = (g_messageIndex + 1) % TV_MESSAGE_RING;
    char* buffer = g_messageRing[g_messageIndex];
    buffer[0] = '\0';
    const int length = LoadStringA(MessageModule(), id, buffer, int(TV_MESSAGE_SIZE));
    buffer[length > 0 && size_t(length) < TV_MESSAGE_SIZE ? length : 0] = '\0';
    if (index) *index = g_messageIndex;
    return buffer;
}

const char* MessageTextBuffer(int index) {
    if (index < 0 || index >= TV_MESSAGE_RING) return nullptr;
    return g_messageRing[index];
}

void ClearMessageTexts() {
    std::memset(g_messageRing, 0, sizeof g_messageRing);
    g_messageIndex = TV_MESSAGE_RING - 1;
}

bool PumpMessages(HWND dialog) {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            PostQuitMessage(int(message.wParam));
            return false;
        }
        if (dialog && IsDialogMessageA(dialog, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return true;
}

const char* SystemErrorText(DWORD error, char* out, size_t size) {
    if (!out || size == 0) return "";
    out[0] = '\0';
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
                                        LANG_USER_DEFAULT, out, DWORD(size), nullptr);
    if (length == 0) FormatLimited(out, size, "Error %lu", static_cast<unsigned long>(error));
    return out;
}

int ShowSystemErrorBox(HWND owner, const char* caption, DWORD error, UINT type) {
    if (error == 0) error = GetLastError();
    char text[512];
    SystemErrorText(error, text, sizeof text);
    return ShowMessageBox(owner, text, caption ? caption : "", type);
}

bool DrawBitmapResource(HDC dc, HINSTANCE module, const char* resource, int x, int y) {
    if (!dc || !resource) return false;
    HBITMAP bitmap = LoadBitmapA(module, resource);
    if (!bitmap) return false;
    BITMAP info;
    bool drawn = false;
    if (GetObjectA(bitmap, sizeof info, &info)) {
        HDC memory = CreateCompatibleDC(dc);
        if (memory) {
            HGDIOBJ old = SelectObject(memory, bitmap);
            drawn = BitBlt(dc, x, y, info.bmWidth, info.bmHeight, memory, 0, 0, SRCCOPY) != FALSE;
            SelectObject(memory, old);
            DeleteDC(memory);
        }
    }
    DeleteObject(bitmap);
    return drawn;
}

void FileTypeDescription(const char* fileOrExtension, char* out, size_t size) {
    if (!out || size == 0) return;
    out[0] = '\0';
    char ext[TV_PATH_SIZE] = "";
    char typeClass[TV_REGVALUE_SIZE];
    if (fileOrExtension && *fileOrExtension) FileTypeClass(fileOrExtension, ext, typeClass, sizeof typeClass);
    else typeClass[0] = '\0';
    if (typeClass[0]) {
        char description[TV_REGVALUE_SIZE];
        if (RegistryReadString(description, sizeof description, HKEY_CLASSES_ROOT, typeClass, nullptr) ==
                ERROR_SUCCESS &&
            description[0]) {
            CopyLimited(out, description, size);
            return;
        }
    }
    if (ext[0]) FormatLimited(out, size, "%s File", ext + 1);
    else CopyLimited(out, "File", size);
}

int FileTypeIconLocation(const char* fileOrExtension, char* out, size_t size) {
    return FileTypeClassValue(fileOrExtension, "DefaultIcon", out, size);
}

int FileTypeDefaultVerb(const char* fileOrExtension, char* out, size_t size) {
    return FileTypeClassValue(fileOrExtension, "shell", out, size);
}

bool OpenFileByType(HWND owner, const char* path) {
    if (!path || !*path) return false;
    char verb[TV_REGVALUE_SIZE];
    if (!FileTypeDefaultVerb(path, verb, sizeof verb)) CopyLimited(verb, "open", sizeof verb);
    return reinterpret_cast<INT_PTR>(ShellExecuteA(owner, verb, path, nullptr, nullptr, SW_SHOWNORMAL)) > 32;
}

HICON ExtractIconFromLocation(const char* location) {
    if (!location || !*location) return nullptr;
    char file[TV_PATH_SIZE];
    CopyLimited(file, location, sizeof file);
    int index = 0;
    if (char* comma = std::strchr(file, ',')) {
        *comma = '\0';
        index = std::atoi(comma + 1);
    }
    char* out = file;
    for (const char* in = file; *in; ++in)
        if (*in != '"') *out++ = *in;
    *out = '\0';
    TrimSpaces(file, TV_TRIM_BOTH);
    if (!file[0]) return nullptr;
    HICON icon = ExtractIconA(GetModuleHandleA(nullptr), file, UINT(index));
    // ExtractIcon answers 1 for a file that is no icon source.
    if (reinterpret_cast<UINT_PTR>(icon) <= 1) return nullptr;
    return icon;
}

HWND AddToolTip(HWND control, const char* text) {
    HWND owner = control ? GetParent(control) : nullptr;
    if (!owner) return nullptr;
    HWND tip = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr,
                               reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(owner, GWLP_HINSTANCE)), nullptr);
    if (!tip) return nullptr;
    TOOLINFOA tool = {};
    tool.cbSize = TTTOOLINFOA_V1_SIZE;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = owner;
    tool.uId = reinterpret_cast<UINT_PTR>(control);
    tool.lpszText = const_cast<char*>(text ? text : "");
    if (!SendMessageA(tip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool))) {
        DestroyWindow(tip);
        return nullptr;
    }
    // Long texts (paths) wrap instead of running off the screen.
    SendMessageA(tip, TTM_SETMAXTIPWIDTH, 0, 600);
    return tip;
}

namespace {
const char kEditProcProperty[] = "TvInsideParentProc";

// The width of a window's text in its font.
int TextWidthOf(HWND window) {
    const int length = GetWindowTextLengthA(window);
    if (length <= 0) return 0;
    std::string text(size_t(length) + 1, '\0');
    const int got = GetWindowTextA(window, &text[0], length + 1);
    HDC dc = GetDC(window);
    if (!dc) return 0;
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(window, WM_GETFONT, 0, 0)));
    SIZE size = {};
    GetTextExtentPoint32A(dc, text.c_str(), got, &size);
    SelectObject(dc, old);
    ReleaseDC(window, dc);
    return size.cx;
}

LRESULT CALLBACK InsideParentEditProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam) {
    WNDPROC previous = reinterpret_cast<WNDPROC>(GetPropA(edit, kEditProcProperty));
    if (message == WM_WINDOWPOSCHANGING) {
        WINDOWPOS* pos = reinterpret_cast<WINDOWPOS*>(lParam);
        RECT client = {}, now = {};
        if (pos && GetClientRect(GetParent(edit), &client) && GetWindowRect(edit, &now)) {
            MapWindowPoints(nullptr, GetParent(edit), reinterpret_cast<POINT*>(&now), 2);
            int x = (pos->flags & SWP_NOMOVE) ? now.left : pos->x;
            int cx = (pos->flags & SWP_NOSIZE) ? now.right - now.left : pos->cx;
            // Wide enough for the whole text with the caret after it (the view sizes it tightly,
            // so that the text would scroll and its start vanish).
            const int needed = TextWidthOf(edit) + 2 * GetSystemMetrics(SM_CXEDGE) + 10;
            if (cx < needed) cx = needed;
            if (cx > client.right) cx = client.right;
            if (x + cx > client.right) x = client.right - cx;
            if (x < 0) x = 0;
            if (x != ((pos->flags & SWP_NOMOVE) ? now.left : pos->x)) {
                pos->x = x;
                pos->y = (pos->flags & SWP_NOMOVE) ? now.top : pos->y;
                pos->flags &= ~UINT(SWP_NOMOVE);
            }
            if (cx != ((pos->flags & SWP_NOSIZE) ? now.right - now.left : pos->cx)) {
                pos->cx = cx;
                pos->cy = (pos->flags & SWP_NOSIZE) ? now.bottom - now.top : pos->cy;
                pos->flags &= ~UINT(SWP_NOSIZE);
            }
        }
    } else if (message == WM_NCDESTROY) {
        RemovePropA(edit, kEditProcProperty);
        SetWindowLongPtrA(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
    }
    return previous ? CallWindowProcA(previous, edit, message, wParam, lParam)
                    : DefWindowProcA(edit, message, wParam, lParam);
}
}  // namespace

void KeepEditInsideParent(HWND edit) {
    if (!edit || GetPropA(edit, kEditProcProperty)) return;
    const LONG_PTR previous = GetWindowLongPtrA(edit, GWLP_WNDPROC);
    if (!previous) return;
    SetPropA(edit, kEditProcProperty, reinterpret_cast<HANDLE>(previous));
    SetWindowLongPtrA(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(InsideParentEditProc));
    // Where it stands now.
    RECT r = {};
    GetWindowRect(edit, &r);
    MapWindowPoints(nullptr, GetParent(edit), reinterpret_cast<POINT*>(&r), 2);
    SetWindowPos(edit, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
    // The text from its start (it may have scrolled while the field was too narrow), still selected.
    SendMessageA(edit, EM_SETSEL, 0, 0);
    SendMessageA(edit, EM_SCROLLCARET, 0, 0);
    SendMessageA(edit, EM_SETSEL, 0, -1);
}

namespace {
int CALLBACK BrowseStart(HWND dialog, UINT message, LPARAM, LPARAM start) {
    if (message == BFFM_INITIALIZED && start) SendMessageA(dialog, BFFM_SETSELECTIONA, TRUE, start);
    return 0;
}
}  // namespace

bool BrowseForFolder(HWND owner, const char* prompt, const char* start, char* out, size_t size) {
    if (!out || size == 0) return false;
    char first[MAX_PATH] = {};
    if (start && !CopyLimited(first, start, sizeof first)) {
        // "C:\dir\" selects nothing; "C:\" stays as it is.
        const size_t length = strlen(first);
        if (length > 3 && first[length - 1] == '\\') first[length - 1] = '\0';
    }
    char chosen[MAX_PATH] = {};
    BROWSEINFOA info = {};
    info.hwndOwner = owner;
    info.pszDisplayName = chosen;
    info.lpszTitle = prompt;
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    info.lpfn = BrowseStart;
    info.lParam = first[0] ? reinterpret_cast<LPARAM>(first) : 0;
    LPITEMIDLIST list = SHBrowseForFolderA(&info);
    if (!list) return false;
    const bool ok = SHGetPathFromIDListA(list, chosen) && !CopyLimited(out, chosen, size);
    CoTaskMemFree(list);
    return ok;
}
