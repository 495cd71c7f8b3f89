#include "util/win_files.h"

#include <cstring>

#include "util/path.h"
#include "util/text.h"
#include "util/safestr.h"

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool IsFolder(const char* path) {
    const DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Length of the part of a path that names no folder to create or look up: "C:\" or "\\server\share\".
size_t RootLength(const char* path) {
    if (IsSeparator(path[0]) && IsSeparator(path[1])) {
        size_t i = 2;
        int separators = 0;
        while (path[i]) {
            if (IsSeparator(path[i]) && ++separators == 2) return i + 1;
            ++i;
        }
        return i;
    }
    if (path[0] && path[1] == ':') return IsSeparator(path[2]) ? 3 : 2;
    return IsSeparator(path[0]) ? 1 : 0;
}

bool HasWildcards(const char* text) { return std::strpbrk(text, "*?") != nullptr; }

}  // namespace

DWORD CreateDirectoryPath(const char* path) {
    if (!path || !*path) return 0;
    char work[TV_PATH_SIZE + 1];
    if (CopyLimited(work, path, TV_PATH_SIZE) || EnsureTrailingBackslash(work, sizeof work) < 0)
        return ERROR_FILENAME_EXCED_RANGE;
    const size_t start = RootLength(work);
    DWORD lastError = 0;
    for (size_t i = 1; work[i]; ++i) {
        if (!IsSeparator(work[i]) || i < start) continue;
        const char saved = work[i];
        work[i] = '\0';
        if (!CreateDirectoryA(work, nullptr)) {
            const DWORD error = GetLastError();
            const bool exists = (error == ERROR_ALREADY_EXISTS || error == ERROR_ACCESS_DENIED) && IsFolder(work);
            if (!exists) lastError = error;
        }
        work[i] = saved;
    }
    return lastError;
}

int FileExists(const char* path) {
    if (!path || !*path || HasWildcards(path)) return 0;
    char folder[TV_PATH_SIZE], name[TV_PATH_SIZE];
    SplitPath(path, folder, sizeof folder, name, sizeof name);
    if (!name[0]) return 0;
    char found[MAX_PATH + 1];
    char* filePart = nullptr;
    const DWORD length = SearchPathA(folder[0] ? folder : nullptr, name, nullptr, sizeof found, found, &filePart);
    return length > 0 ? 1 : 0;
}

int FolderExists(const char* folder) {
    if (!folder || !*folder) return 0;
    char pattern[TV_PATH_SIZE];
    if (CopyLimited(pattern, folder, sizeof pattern) || EnsureTrailingBackslash(pattern, sizeof pattern) < 0 ||
        AppendLimited(pattern, "*.*", sizeof pattern))
        return 0;
    WIN32_FIND_DATAA data;
    const HANDLE find = FindFirstFileA(pattern, &data);
    if (find == INVALID_HANDLE_VALUE) return 0;
    FindClose(find);
    return 1;
}

int CanonicalLongPath(char* path, size_t size) {
    if (!path || !*path || size == 0) return 0;
    char unquoted[TV_PATH_SIZE];
    if (CopyLimited(unquoted, path, sizeof unquoted)) return 0;
    char* out = unquoted;
    for (const char* in = unquoted; *in; ++in)
        if (*in != '"') *out++ = *in;
    *out = '\0';
    TrimSpaces(unquoted, TV_TRIM_BOTH);
    if (!unquoted[0] || HasWildcards(unquoted)) return 0;

    char full[TV_PATH_SIZE];
    char* filePart = nullptr;
    const DWORD fullLength = GetFullPathNameA(unquoted, sizeof full, full, &filePart);
    if (fullLength == 0 || fullLength >= sizeof full) return 0;

    // Rebuild: the root as it stands, then each component as the file system spells it.
    char result[TV_PATH_SIZE];
    const size_t root = RootLength(full);
    if (root == 0 || root >= sizeof result) return 0;
    std::memcpy(result, full, root);
    result[root] = '\0';
    if (root >= 2 && result[1] == ':') result[0] = UpperChar(result[0]);
    for (size_t i = 0; i < root; ++i)
        if (result[i] == '/') result[i] = '\\';
    const char* component = full + root;
    while (*component) {
        const char* end = component;
        while (*end && !IsSeparator(*end)) ++end;
        const size_t length = size_t(end - component);
        if (length > 0) {
            char probe[TV_PATH_SIZE];
            CopyLimited(probe, result, sizeof probe);
            const size_t used = std::strlen(probe);
            if (used + length >= sizeof probe) return 0;
            std::memcpy(probe + used, component, length);
            probe[used + length] = '\0';
            WIN32_FIND_DATAA data;
            const HANDLE find = FindFirstFileA(probe, &data);
            if (find == INVALID_HANDLE_VALUE) return 0;
            FindClose(find);
            // A long name without an ANSI form comes back with '?' in it: its 8.3 form is the
            // spelling the ANSI functions reach.
            const char* spelling = data.cFileName;
            if (std::strchr(spelling, '?') && data.cAlternateFileName[0]) spelling = data.cAlternateFileName;
            if (AppendLimited(result, spelling, sizeof result)) return 0;
            if (*end && AppendLimited(result, "\\", sizeof result)) return 0;
        }
        component = *end ? end + 1 : end;
    }
    if (std::strlen(result) + 1 > size) return 0;
    CopyLimited(path, result, size);
    return 1;
}

int PathIsInTemporaryFolder(const char* path) {
    char temp[TV_PATH_SIZE];
    const DWORD length = GetTempPathA(sizeof(temp), temp);
    if (length == 0 || length >= sizeof(temp) || !CanonicalLongPath(temp, sizeof(temp))) return 0;
    char file[TV_PATH_SIZE];
    if (!path || CopyLimited(file, path, sizeof(file)) || !CanonicalLongPath(file, sizeof(file))) return 0;
    return PathIsInsideFolder(file, temp);
}

int ComparePaths(const char* a, const char* b, int wholePath, int canonical) {
    if (!a || !b) return 0;
    char first[TV_PATH_SIZE], second[TV_PATH_SIZE];
    CopyLimited(first, a, sizeof first);
    CopyLimited(second, b, sizeof second);
    TrimSpaces(first, TV_TRIM_BOTH);
    TrimSpaces(second, TV_TRIM_BOTH);
    if (canonical) {
        CanonicalLongPath(first, sizeof first);
        CanonicalLongPath(second, sizeof second);
    }
    return ComparePathTexts(first, second, wholePath);
}

int ProgramFolder(char* out, size_t size, int fullPath, HMODULE module) {
    if (!out || size == 0) return 0;
    out[0] = '\0';
    // GetModuleFileNameA already answers in the ANSI code page; no further conversion.
    char name[TV_PATH_SIZE + 1];
    const DWORD length = GetModuleFileNameA(module, name, TV_PATH_SIZE);
    if (length == 0 || length >= TV_PATH_SIZE) return 0;
    name[length] = '\0';
    if (!fullPath) {
        const int separator = LastSeparator(name);
        name[separator + 1] = '\0';
    }
    if (std::strlen(name) + 1 > size) return 0;
    CopyLimited(out, name, size);
    return 1;
}

int FormatFileTimeText(char* out, const FILETIME* time, size_t size, int flags, int gap) {
    if (!out || size == 0) return 0;
    out[0] = '\0';
    if (!time) return 0;
    SYSTEMTIME st;
    if (!FileTimeToSystemTime(time, &st)) return 0;
    char text[256] = "";
    const LCID locale = LOCALE_USER_DEFAULT;  // 0x400
    if (flags & TV_FT_DATE) {
        char date[128];
        if (!GetDateFormatA(locale, (flags & TV_FT_LONGDATE) ? DATE_LONGDATE : DATE_SHORTDATE, &st, nullptr, date,
                            sizeof date))
            return 0;
        AppendLimited(text, date, sizeof text);
    }
    if (flags & TV_FT_TIME) {
        char clock[64];
        if (!GetTimeFormatA(locale, (flags & TV_FT_NOSECONDS) ? TIME_NOSECONDS : 0, &st, nullptr, clock,
                            sizeof clock))
            return 0;
        if (flags & TV_FT_DATE)
            for (int i = 0; i < gap && i < 32; ++i) AppendLimited(text, " ", sizeof text);
        AppendLimited(text, clock, sizeof text);
    }
    if (std::strlen(text) + 1 > size) return 0;
    CopyLimited(out, text, size);
    return 1;
}

