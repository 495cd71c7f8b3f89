#include "util/text.h"

#include <cstdio>
#include <cstring>
#include "util/safestr.h"

char LowerChar(char c) { return (c >= 'A' && c <= 'Z') ? char(c + 32) : c; }
char UpperChar(char c) { return (c >= 'a' && c <= 'z') ? char(c - 32) : c; }

void LowerText(char* text) {
    if (!text) return;
    for (; *text; ++text) *text = LowerChar(*text);
}

void UpperText(char* text) {
    if (!text) return;
    for (; *text; ++text) *text = UpperChar(*text);
}

int LowerTextCopy(char* dest, size_t size, const char* source) {
    const int truncated = CopyLimited(dest, source, size);
    if (size > 0) LowerText(dest);
    return truncated;
}

int UpperTextCopy(char* dest, size_t size, const char* source) {
    const int truncated = CopyLimited(dest, source, size);
    if (size > 0) UpperText(dest);
    return truncated;
}

int IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
int IsLetterOrDigit(char c) { return IsLetter(c) || (c >= '0' && c <= '9'); }

void TrimSpaces(char* text, int flags) {
    if (!text || !*text) return;
    size_t length = std::strlen(text);
    if (flags & TV_TRIM_TRAILING) {
        while (length > 0 && text[length - 1] == ' ') --length;
        text[length] = '\0';
    }
    if (flags & TV_TRIM_LEADING) {
        size_t start = 0;
        while (start < length && text[start] == ' ') ++start;
        if (start > 0) std::memmove(text, text + start, length - start + 1);
    }
}

void PadWithZeros(char* text, size_t size) {
    if (!text || size == 0) return;
    const size_t length = strnlen(text, size);
    if (length < size) std::memset(text + length, 0, size - length);
}

static bool CharsEqual(char a, char b, int caseSensitive) {
    return caseSensitive ? a == b : LowerChar(a) == LowerChar(b);
}

int TextEquals(const char* a, const char* b, int caseSensitive, int limit) {
    if (!a) a = "";
    if (!b) b = "";
    for (int i = 0; limit <= 0 || i < limit; ++i) {
        if (!CharsEqual(a[i], b[i], caseSensitive)) return 0;
        if (a[i] == '\0') return 1;
    }
    return 1;
}

// Finds pattern (of length m) in text starting at position from; -1 when absent.
static int FindFrom(const char* text, size_t n, const char* pattern, size_t m, size_t from, int caseSensitive) {
    if (m > n) return -1;
    for (size_t i = from; i + m <= n; ++i) {
        size_t k = 0;
        while (k < m && CharsEqual(text[i + k], pattern[k], caseSensitive)) ++k;
        if (k == m) return int(i);
    }
    return -1;
}

int FindText(const char* text, const char* pattern, int caseSensitive, int wholeWord) {
    if (!text || !pattern || !*text || !*pattern) return -1;
    const size_t n = std::strlen(text);
    const size_t m = std::strlen(pattern);
    size_t from = 0;
    for (;;) {
        const int at = FindFrom(text, n, pattern, m, from, caseSensitive);
        if (at < 0 || !wholeWord) return at;
        const size_t i = size_t(at);
        const bool startOk = i == 0 || text[i - 1] == ' ';
        const bool endOk = i + m == n || !IsLetterOrDigit(text[i + m]);
        if (startOk && endOk) return at;
        from = i + 1;
    }
}

int ReplaceFirst(char* text, size_t capacity, const char* pattern, const char* replacement, int caseSensitive) {
    if (!text || capacity == 0 || !pattern || !*pattern) return 0;
    const size_t n = strnlen(text, capacity);
    if (n == capacity) return 0;  // not terminated inside its buffer: leave it alone
    if (!replacement) replacement = "";
    const int at = FindText(text, pattern, caseSensitive, 0);
    if (at < 0) return 0;
    const size_t m = std::strlen(pattern);
    const size_t r = std::strlen(replacement);
    if (n - m + r + 1 > capacity) return 0;
    char* hole = text + at;
    std::memmove(hole + r, hole + m, n - size_t(at) - m + 1);
    std::memcpy(hole, replacement, r);
    return 1;
}

int CopyLimited(char* dest, const char* source, size_t size) {
    if (!source) source = "";
    if (!dest || size == 0) return *source ? 1 : 0;
    const size_t n = strnlen(source, size);
    if (n < size) {
        std::memmove(dest, source, n + 1);
        return 0;
    }
    std::memmove(dest, source, size - 1);
    dest[size - 1] = '\0';
    return 1;
}

int AppendLimited(char* dest, const char* source, size_t size) {
    if (!dest || size == 0) return source && *source ? 1 : 0;
    size_t used = strnlen(dest, size);
    int truncated = 0;
    if (used == size) {
        used = size - 1;
        dest[used] = '\0';
        truncated = 1;
    }
    return CopyLimited(dest + used, source, size - used) | truncated;
}

int FormatLimitedV(char* dest, size_t size, const char* format, va_list args) {
    if (!dest || size == 0) return 1;
    if (!format) {
        dest[0] = '\0';
        return 0;
    }
    const int written = std::vsnprintf(dest, size, format, args);
    if (written < 0) {
        dest[0] = '\0';
        return 1;
    }
    return size_t(written) >= size ? 1 : 0;
}

int FormatLimited(char* dest, size_t size, const char* format, ...) {
    va_list args;
    va_start(args, format);
    const int truncated = FormatLimitedV(dest, size, format, args);
    va_end(args);
    return truncated;
}

void RemoveSeparators(char* text) {
    if (!text) return;
    char* out = text;
    for (const char* in = text; *in; ++in)
        if (*in != '.' && *in != ',') *out++ = *in;
    *out = '\0';
}

void ShortenText(char* text, int flags, int width) {
    if (!text || !*text || width < 3) return;
    if (flags & TV_SHORTEN_TRIM) TrimSpaces(text, TV_TRIM_BOTH);
    const size_t length = std::strlen(text);
    const size_t w = size_t(width);
    if (length <= w) return;
    if (flags & TV_SHORTEN_KEEP_END) {
        std::memmove(text + 3, text + length - (w - 3), w - 3 + 1);
        std::memcpy(text, "...", 3);
        return;
    }
    if (flags & TV_SHORTEN_PATH) {
        size_t folder = 0;  // drive and directory, up to and including the last separator
        for (size_t i = 0; i < length; ++i)
            if (text[i] == '\\' || text[i] == '/') folder = i + 1;
        const size_t drive = (length >= 2 && text[1] == ':') ? 2 : 0;
        if (folder < drive) folder = drive;
        const size_t nameLength = length - folder;
        if (folder > drive && nameLength + 4 <= w) {
            const size_t keep = w - 4 - nameLength;  // < folder, since the whole is longer than w
            std::memmove(text + keep + 4, text + folder, nameLength + 1);
            std::memcpy(text + keep, "...\\", 4);
            return;
        }
        const size_t cut = nameLength < w - 3 ? nameLength : w - 3;
        std::memmove(text, text + folder, cut);
        std::memcpy(text + cut, "...", 4);
        return;
    }
    std::memcpy(text + w - 3, "...", 4);
}
