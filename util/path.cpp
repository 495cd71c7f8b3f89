#include "util/path.h"

#include <cstring>

#include "util/text.h"
#include "util/safestr.h"

static bool IsSeparator(char c) { return c == '\\' || c == '/'; }

static void Clear(char* buffer, size_t size) {
    if (buffer && size > 0) buffer[0] = '\0';
}

bool IsDeviceName(const char* name, size_t length) {
    if (!name) return false;
    size_t base = 0;
    while (base < length && name[base] && name[base] != '.') ++base;
    while (base > 0 && name[base - 1] == ' ') --base;
    char upper[8];
    if (base < 3 || base >= sizeof upper) return false;
    for (size_t i = 0; i < base; ++i) upper[i] = UpperChar(name[i]);
    upper[base] = '\0';
    static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CLOCK$", "CONIN$", "CONOUT$"};
    for (const char* device : kDevices)
        if (!std::strcmp(upper, device)) return true;
    if (base != 4 || (std::strncmp(upper, "COM", 3) && std::strncmp(upper, "LPT", 3))) return false;
    const unsigned char digit = static_cast<unsigned char>(upper[3]);
    return (digit >= '1' && digit <= '9') || digit == 0xB9 || digit == 0xB2 || digit == 0xB3;
}

int IsValidFileName(const char* text) {
    if (!text) return 0;
    const char* start = text;
    while (*start == ' ') ++start;
    size_t length = std::strlen(start);
    while (length > 0 && start[length - 1] == ' ') --length;
    if (length == 0 || length >= TV_PATH_SIZE) return 0;
    if (start[0] == '.') return 0;
    for (size_t i = 0; i < length; ++i) {
        const unsigned char c = static_cast<unsigned char>(start[i]);
        if (c < 32 || std::strchr("<>:\"/\\|?*", c)) return 0;
    }
    return IsDeviceName(start, length) ? 0 : 1;
}

int EnsureTrailingBackslash(char* path, size_t size) {
    if (!path || size == 0) return -1;
    const size_t length = strnlen(path, size);
    if (length == size) return -1;
    if (length == 0 || IsSeparator(path[length - 1])) return int(length);
    if (length + 2 > size) return -1;
    path[length] = '\\';
    path[length + 1] = '\0';
    return int(length + 1);
}

int RemoveTrailingBackslash(char* path) {
    if (!path) return 0;
    size_t length = std::strlen(path);
    if (length > 0 && IsSeparator(path[length - 1])) path[--length] = '\0';
    return int(length);
}

int EnsureLeadingBackslash(char* path, size_t size) {
    if (!path || size == 0) return -1;
    const size_t length = strnlen(path, size);
    if (length == size) return -1;
    if (length == 0 || path[0] == '\\') return int(length);
    if (length + 2 > size) return -1;
    std::memmove(path + 1, path, length + 1);
    path[0] = '\\';
    return int(length + 1);
}

int RemoveLeadingBackslash(char* path) {
    if (!path) return 0;
    size_t length = std::strlen(path);
    if (length > 0 && path[0] == '\\') {
        std::memmove(path, path + 1, length);
        --length;
    }
    return int(length);
}

int LastSeparator(const char* path) {
    if (!path) return -1;
    int last = -1;
    for (int i = 0; path[i]; ++i)
        if (IsSeparator(path[i])) last = i;
    return last;
}

// Length of a drive "X:" at the start of a path, else 0.
static size_t DriveLength(const char* path) {
    return (path[0] && !IsSeparator(path[0]) && path[1] == ':') ? 2 : 0;
}

// Length of the folder part: up to and including the last separator, or the drive "X:"; never
// shorter than the drive.
static size_t FolderLength(const char* path) {
    const size_t drive = DriveLength(path);
    const int sep = LastSeparator(path);
    const size_t folder = sep >= 0 ? size_t(sep) + 1 : 0;
    return folder > drive ? folder : drive;
}

static void CopyPart(char* dest, size_t size, const char* from, size_t length) {
    if (!dest || size == 0) return;
    const size_t n = length < size ? length : size - 1;
    std::memcpy(dest, from, n);
    dest[n] = '\0';
}

void SplitPath(const char* path, char* folder, size_t folderSize, char* name, size_t nameSize) {
    Clear(folder, folderSize);
    Clear(name, nameSize);
    if (!path || !*path) return;
    const size_t folderLength = FolderLength(path);
    CopyPart(folder, folderSize, path, folderLength);
    CopyPart(name, nameSize, path + folderLength, std::strlen(path + folderLength));
}

void SplitPathParts(const char* path, char* drive, char* dir, char* name, char* ext) {
    Clear(drive, TV_PATH_SIZE);
    Clear(dir, TV_PATH_SIZE);
    Clear(name, TV_PATH_SIZE);
    Clear(ext, TV_PATH_SIZE);
    if (!path || !*path) return;
    const size_t driveLength = DriveLength(path);
    CopyPart(drive, TV_PATH_SIZE, path, driveLength);
    const size_t folderLength = FolderLength(path);
    CopyPart(dir, TV_PATH_SIZE, path + driveLength, folderLength - driveLength);
    const char* file = path + folderLength;
    const char* dot = std::strrchr(file, '.');
    const size_t fileLength = std::strlen(file);
    const size_t nameLength = dot ? size_t(dot - file) : fileLength;
    CopyPart(name, TV_PATH_SIZE, file, nameLength);
    CopyPart(ext, TV_PATH_SIZE, file + nameLength, fileLength - nameLength);
}

int PathKind(const char* path) {
    if (!path || !*path) return 0;
    const size_t folderLength = FolderLength(path);
    const char* file = path + folderLength;
    const char* dot = std::strrchr(file, '.');
    int kind = 0;
    if (folderLength > 0) kind |= TV_PATH_HAS_FOLDER;
    if (*file && file != dot) kind |= TV_PATH_HAS_NAME;
    if (dot) kind |= TV_PATH_HAS_EXTENSION;
    return kind;
}

int AddDefaultExtension(char* text, size_t size, const char* extension) {
    if (!text || !*text || !extension || !*extension || size == 0) return 0;
    const size_t length = strnlen(text, size);
    if (length == size || std::memchr(text, '.', length)) return 0;
    if (length + std::strlen(extension) + 1 > size) return 0;
    AppendLimited(text, extension, size);
    return 1;
}

// Trimmed view of a text: start pointer and length.
static const char* Trimmed(const char* text, size_t* length) {
    while (*text == ' ') ++text;
    size_t n = std::strlen(text);
    while (n > 0 && text[n - 1] == ' ') --n;
    *length = n;
    return text;
}

int ComparePathTexts(const char* a, const char* b, int wholePath) {
    if (!a || !b) return 0;
    size_t na = 0, nb = 0;
    a = Trimmed(a, &na);
    b = Trimmed(b, &nb);
    if (!wholePath) {
        // Name and extension only: what follows the last separator (or a drive colon).
        for (size_t i = na; i > 0; --i)
            if (IsSeparator(a[i - 1]) || (i == 2 && a[1] == ':')) { a += i; na -= i; break; }
        for (size_t i = nb; i > 0; --i)
            if (IsSeparator(b[i - 1]) || (i == 2 && b[1] == ':')) { b += i; nb -= i; break; }
    }
    if (na != nb) return 0;
    for (size_t i = 0; i < na; ++i)
        if (LowerChar(a[i]) != LowerChar(b[i])) return 0;
    return 1;
}

// Passes one part of a source (name or extension) through one part of a mask.
static bool ApplyMaskPart(char* out, size_t size, const char* source, const char* mask) {
    char part[TV_PATH_SIZE * 2];
    size_t used = 0;
    size_t s = 0;
    const size_t sourceLength = std::strlen(source);
    for (const char* m = mask; *m; ++m) {
        if (*m == '*') {
            const size_t rest = sourceLength - s;
            if (used + rest >= sizeof part) return false;
            std::memcpy(part + used, source + s, rest);
            used += rest;
            s = sourceLength;
            break;
        }
        if (used + 1 >= sizeof part) return false;
        if (*m == '?') {
            if (s < sourceLength) part[used++] = source[s++];
            continue;
        }
        part[used++] = *m;
        if (s < sourceLength) ++s;
    }
    part[used] = '\0';
    return AppendLimited(out, part, size) == 0;
}

int ApplyRenameMask(char* out, size_t size, const char* source, const char* mask) {
    Clear(out, size);
    if (!out || size == 0 || !source || !*source || !mask || !*mask) return 0;
    if (std::strlen(source) >= TV_PATH_SIZE || std::strlen(mask) >= TV_PATH_SIZE) return 0;
    char drive[TV_PATH_SIZE], dir[TV_PATH_SIZE], name[TV_PATH_SIZE], ext[TV_PATH_SIZE];
    char maskName[TV_PATH_SIZE], maskExt[TV_PATH_SIZE];
    SplitPathParts(source, drive, dir, name, ext);
    SplitPathParts(mask, nullptr, nullptr, maskName, maskExt);
    bool ok = AppendLimited(out, drive, size) == 0 && AppendLimited(out, dir, size) == 0;
    if (ok) {
        if (std::strcmp(maskName, "*") == 0)
            ok = AppendLimited(out, name, size) == 0;
        else
            ok = ApplyMaskPart(out, size, name, maskName);
    }
    if (ok && !(ext[0] == '\0' && std::strcmp(maskExt, ".*") == 0)) ok = ApplyMaskPart(out, size, ext, maskExt);
    if (!ok) {
        out[0] = '\0';
        return 0;
    }
    return 1;
}

int PathIsInsideFolder(const char* path, const char* folder) {
    if (!path || !folder || !path[0] || !folder[0]) return 0;
    size_t folderLength = std::strlen(folder);
    while (folderLength > 0 && IsSeparator(folder[folderLength - 1])) --folderLength;
    if (folderLength == 0) return 0;
    for (size_t i = 0; i < folderLength; ++i) {
        const char a = path[i];
        const char b = folder[i];
        if (a == '\0') return 0;
        if (IsSeparator(a) && IsSeparator(b)) continue;
        if (LowerChar(a) != LowerChar(b)) return 0;
    }
    if (!IsSeparator(path[folderLength])) return 0;
    const char* rest = path + folderLength;
    while (IsSeparator(*rest)) ++rest;
    if (*rest == '\0') return 0;
    // No component of the rest may climb out again.
    const char* component = rest;
    for (const char* p = rest;; ++p) {
        if (*p == '\0' || IsSeparator(*p)) {
            const size_t length = size_t(p - component);
            if ((length == 1 && component[0] == '.') || (length == 2 && component[0] == '.' && component[1] == '.'))
                return 0;
            if (*p == '\0') break;
            component = p + 1;
        }
    }
    return 1;
}
