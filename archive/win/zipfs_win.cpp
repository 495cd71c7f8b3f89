// The ZIP engine's file system on Windows: ANSI Win32 file functions (wide-character ones for the
// UTF-8 paths of members extracted under their true names), DOS attributes, local DOS times, 8.3
// names and the system's code-page conversions.
#include <windows.h>

#include <string>
#include <vector>

#include "archive/zipfs.h"
#include "util/safestr.h"  // last: no unbounded string functions below

namespace {

class TWinFile : public TZipFile {
public:
    explicit TWinFile(HANDLE h) : h_(h) {}
    ~TWinFile() override { Close(); }
    int64_t Read(void* buffer, size_t size) override {
        DWORD got = 0;
        DWORD want = size > 0x40000000 ? 0x40000000 : DWORD(size);
        if (!ReadFile(h_, buffer, want, &got, nullptr)) return -1;
        return int64_t(got);
    }
    int Write(const void* data, size_t size) override {
        const char* p = static_cast<const char*>(data);
        while (size > 0) {
            DWORD chunk = size > 0x40000000 ? 0x40000000 : DWORD(size);
            DWORD done = 0;
            if (!WriteFile(h_, p, chunk, &done, nullptr) || done == 0) return 0;
            p += done;
            size -= done;
        }
        return 1;
    }
    int Seek(int64_t position) override {
        LARGE_INTEGER li;
        li.QuadPart = position;
        return SetFilePointerEx(h_, li, nullptr, FILE_BEGIN) ? 1 : 0;
    }
    int64_t Tell() override {
        LARGE_INTEGER zero, pos;
        zero.QuadPart = 0;
        if (!SetFilePointerEx(h_, zero, &pos, FILE_CURRENT)) return -1;
        return pos.QuadPart;
    }
    int64_t Size() override {
        LARGE_INTEGER size;
        return GetFileSizeEx(h_, &size) ? size.QuadPart : -1;
    }
    int SetTime(uint16_t dosDate, uint16_t dosTime) override {
        FILETIME local, utc;
        if (!DosDateTimeToFileTime(dosDate, dosTime, &local) || !LocalFileTimeToFileTime(&local, &utc)) return 0;
        return SetFileTime(h_, nullptr, nullptr, &utc) ? 1 : 0;
    }
    int Close() override {
        if (h_ == INVALID_HANDLE_VALUE) return 1;
        BOOL ok = CloseHandle(h_);
        h_ = INVALID_HANDLE_VALUE;
        return ok ? 1 : 0;
    }

private:
    HANDLE h_;
};

void FillInfo(DWORD attributes, DWORD sizeHigh, DWORD sizeLow, const FILETIME& written, TZipFileInfo* info) {
    info->isFolder = (attributes & FILE_ATTRIBUTE_DIRECTORY) ? 1 : 0;
    info->attributes = attributes & 0x3F;
    info->size = info->isFolder ? 0 : ((uint64_t(sizeHigh) << 32) | sizeLow);
    FILETIME local;
    WORD date = (1 << 5) | 1, time = 0;
    if (FileTimeToLocalFileTime(&written, &local)) FileTimeToDosDateTime(&local, &date, &time);
    info->dosDate = date;
    info->dosTime = time;
}

class TWinFileSystem : public TZipFileSystem {
public:
    TZipFile* OpenRead(const char* path) override {
        HANDLE h = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
        return h == INVALID_HANDLE_VALUE ? nullptr : new TWinFile(h);
    }
    TZipFile* Create(const char* path) override {
        HANDLE h = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                               nullptr);
        return h == INVALID_HANDLE_VALUE ? nullptr : new TWinFile(h);
    }
    int GetInfo(const char* path, TZipFileInfo* info) override {
        WIN32_FILE_ATTRIBUTE_DATA data;
        if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data)) return 0;
        FillInfo(data.dwFileAttributes, data.nFileSizeHigh, data.nFileSizeLow, data.ftLastWriteTime, info);
        return 1;
    }
    int CreateFolder(const char* path) override {
        if (CreateDirectoryA(path, nullptr)) return 1;
        DWORD a = GetFileAttributesA(path);
        return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) ? 1 : 0;
    }
    int RemoveFile(const char* path) override {
        if (DeleteFileA(path)) return 1;
        // A read-only file goes too once it has the plain archive attribute.
        SetFileAttributesA(path, FILE_ATTRIBUTE_ARCHIVE);
        return DeleteFileA(path) ? 1 : 0;
    }
    int RemoveFolder(const char* path) override { return RemoveDirectoryA(path) ? 1 : 0; }
    int Replace(const char* from, const char* to) override {
        if (MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING)) return 1;
        // A read-only target cannot be replaced: clear its attributes and try once more.
        SetFileAttributesA(to, FILE_ATTRIBUTE_ARCHIVE);
        return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING) ? 1 : 0;
    }
    int SetAttributes(const char* path, uint32_t attributes) override {
        DWORD a = attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                FILE_ATTRIBUTE_ARCHIVE);
        return SetFileAttributesA(path, a ? a : FILE_ATTRIBUTE_NORMAL) ? 1 : 0;
    }
    int ListFolder(const char* path, VisitProc visit, void* context) override {
        std::string pattern = path;
        if (!pattern.empty() && pattern.back() != '\\' && pattern.back() != '/') pattern += '\\';
        pattern += "*";
        WIN32_FIND_DATAA fd;
        HANDLE h = FindFirstFileA(pattern.c_str(), &fd);
        if (h == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND ? 1 : 0;
        do {
            if (!lstrcmpA(fd.cFileName, ".") || !lstrcmpA(fd.cFileName, "..")) continue;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) continue;  // links are not followed
            TZipFileInfo info;
            FillInfo(fd.dwFileAttributes, fd.nFileSizeHigh, fd.nFileSizeLow, fd.ftLastWriteTime, &info);
            visit(context, fd.cFileName, info);
        } while (FindNextFileA(h, &fd));
        FindClose(h);
        return 1;
    }
    std::string ShortPath(const char* path) override {
        char buffer[MAX_PATH];
        DWORD n = GetShortPathNameA(path, buffer, sizeof buffer);
        if (n == 0 || n >= sizeof buffer) return path;
        return std::string(buffer, n);
    }
    std::string Utf8ToAnsi(const char* text) override { return Convert(text, CP_UTF8, CP_ACP); }
    std::string AnsiToUtf8(const char* text) override { return Convert(text, CP_ACP, CP_UTF8); }
    char Separator() const override { return '\\'; }

    // True names through the wide-character functions.
    TZipFile* CreateUtf8(const char* path) override {
        HANDLE h = CreateFileW(Wide(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        return h == INVALID_HANDLE_VALUE ? nullptr : new TWinFile(h);
    }
    int GetInfoUtf8(const char* path, TZipFileInfo* info) override {
        WIN32_FILE_ATTRIBUTE_DATA data;
        if (!GetFileAttributesExW(Wide(path).c_str(), GetFileExInfoStandard, &data)) return 0;
        FillInfo(data.dwFileAttributes, data.nFileSizeHigh, data.nFileSizeLow, data.ftLastWriteTime, info);
        return 1;
    }
    int CreateFolderUtf8(const char* path) override {
        const std::wstring w = Wide(path);
        if (CreateDirectoryW(w.c_str(), nullptr)) return 1;
        DWORD a = GetFileAttributesW(w.c_str());
        return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) ? 1 : 0;
    }
    int RemoveFileUtf8(const char* path) override {
        const std::wstring w = Wide(path);
        if (DeleteFileW(w.c_str())) return 1;
        SetFileAttributesW(w.c_str(), FILE_ATTRIBUTE_ARCHIVE);
        return DeleteFileW(w.c_str()) ? 1 : 0;
    }
    int ReplaceUtf8(const char* from, const char* to) override {
        const std::wstring f = Wide(from), t = Wide(to);
        if (MoveFileExW(f.c_str(), t.c_str(), MOVEFILE_REPLACE_EXISTING)) return 1;
        SetFileAttributesW(t.c_str(), FILE_ATTRIBUTE_ARCHIVE);
        return MoveFileExW(f.c_str(), t.c_str(), MOVEFILE_REPLACE_EXISTING) ? 1 : 0;
    }
    int SetAttributesUtf8(const char* path, uint32_t attributes) override {
        DWORD a = attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                FILE_ATTRIBUTE_ARCHIVE);
        return SetFileAttributesW(Wide(path).c_str(), a ? a : FILE_ATTRIBUTE_NORMAL) ? 1 : 0;
    }
    std::string AnsiPathOfUtf8(const char* path) override {
        const std::wstring w = Wide(path);
        std::string ansi;
        if (ExactAnsi(w, &ansi)) return ansi;
        wchar_t shortPath[MAX_PATH];
        DWORD n = GetShortPathNameW(w.c_str(), shortPath, MAX_PATH);
        if (n == 0 || n >= MAX_PATH || !ExactAnsi(std::wstring(shortPath, n), &ansi)) return std::string();
        return ansi;
    }
    std::string NameKeyUtf8(const char* path) override {
        std::wstring w = Wide(path);
        if (!w.empty()) CharUpperBuffW(&w[0], DWORD(w.size()));
        int bytes = WideCharToMultiByte(CP_UTF8, 0, w.c_str(), int(w.size()), nullptr, 0, nullptr, nullptr);
        std::string key(size_t(bytes > 0 ? bytes : 0), '\0');
        if (bytes > 0) WideCharToMultiByte(CP_UTF8, 0, w.c_str(), int(w.size()), &key[0], bytes, nullptr, nullptr);
        return key;
    }

private:
    static std::wstring Wide(const char* utf8) {
        if (!utf8 || !*utf8) return std::wstring();
        int n = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, nullptr, 0);
        if (n <= 0) return std::wstring();
        std::wstring w(size_t(n), L'\0');
        MultiByteToWideChar(CP_UTF8, 0, utf8, -1, &w[0], n);
        w.resize(size_t(n - 1));
        return w;
    }
    // The ANSI form of w when every character has one.
    static bool ExactAnsi(const std::wstring& w, std::string* out) {
        if (w.empty()) return false;
        BOOL usedDefault = FALSE;
        int bytes = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, w.c_str(), int(w.size()), nullptr, 0, nullptr,
                                        &usedDefault);
        if (bytes <= 0 || usedDefault) return false;
        out->assign(size_t(bytes), '\0');
        WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, w.c_str(), int(w.size()), &(*out)[0], bytes, nullptr,
                            &usedDefault);
        return !usedDefault;
    }
    static std::string Convert(const char* text, UINT from, UINT to) {
        if (!text || !*text) return std::string();
        int wide = MultiByteToWideChar(from, 0, text, -1, nullptr, 0);
        if (wide <= 0) return text;
        std::vector<wchar_t> w(static_cast<size_t>(wide));
        MultiByteToWideChar(from, 0, text, -1, w.data(), wide);
        BOOL usedDefault = FALSE;
        BOOL* flag = to == CP_UTF8 ? nullptr : &usedDefault;
        const char* defaultChar = to == CP_UTF8 ? nullptr : "_";
        DWORD flags = to == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
        int bytes = WideCharToMultiByte(to, flags, w.data(), -1, nullptr, 0, defaultChar, flag);
        if (bytes <= 0) return text;
        std::string out(size_t(bytes), '\0');
        WideCharToMultiByte(to, flags, w.data(), -1, &out[0], bytes, defaultChar, flag);
        out.resize(size_t(bytes - 1));
        return out;
    }
};

}  // namespace

TZipFileSystem* DefaultZipFileSystem() {
    static TWinFileSystem fs;
    return &fs;
}
