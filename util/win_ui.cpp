#include "util/win_ui.h"

#include <shellapi.h>

#include <cstdlib>
#include <cstring>

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

}  // namespace

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

bool PumpMessages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            PostQuitMessage(int(message.wParam));
            return false;
        }
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
    return MessageBoxA(owner, text, caption ? caption : "", type);
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
    if (!out || size == 0) return 0;
    out[0] = '\0';
    if (!fileOrExtension || !*fileOrExtension) return 0;
    char ext[TV_PATH_SIZE];
    char typeClass[TV_REGVALUE_SIZE];
    FileTypeClass(fileOrExtension, ext, typeClass, sizeof typeClass);
    if (!typeClass[0]) return 0;
    char key[TV_REGVALUE_SIZE + 16];
    if (FormatLimited(key, sizeof key, "%s\\DefaultIcon", typeClass)) return 0;
    return RegistryReadString(out, size, HKEY_CLASSES_ROOT, key, nullptr) == ERROR_SUCCESS && out[0] ? 1 : 0;
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
