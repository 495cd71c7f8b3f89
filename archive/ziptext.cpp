// Platform-free text helpers of the ZIP engine: masks, item lists, safe member paths, CP1252.
#include <cstring>
#include <string>

#include "archive/zipengine.h"
#include "archive/zipfs.h"
#include "util/path.h"
#include "util/safestr.h"  // last: no unbounded string functions below

namespace {

char Fold(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }
bool IsSep(char c) { return c == '/' || c == '\\'; }

// Classic wildcard match with backtracking over the last '*': linear in practice, never recursive.
bool WildMatch(const char* p, const char* s) {
    const char* star = nullptr;
    const char* resume = nullptr;
    while (*s) {
        if (*p == '*') {
            star = ++p;
            resume = s;
            continue;
        }
        if (*p == '?' || Fold(*p) == Fold(*s) || (IsSep(*p) && IsSep(*s))) {
            ++p;
            ++s;
            continue;
        }
        if (!star) return false;
        p = star;
        s = ++resume;
    }
    while (*p == '*') ++p;
    return *p == 0;
}

}  // namespace

int ZipMaskMatch(const char* mask, const char* name) {
    if (!mask || !name) return 0;
    if (!*mask) return 0;
    const char* subject = name;
    bool maskHasFolder = false;
    for (const char* m = mask; *m; ++m)
        if (IsSep(*m)) maskHasFolder = true;
    if (!maskHasFolder) {
        // The base name of the member (a folder entry's trailing separator is ignored).
        size_t len = strlen(name);
        while (len > 0 && IsSep(name[len - 1])) --len;
        size_t start = len;
        while (start > 0 && !IsSep(name[start - 1])) --start;
        static thread_local std::string base;
        base.assign(name + start, len - start);
        subject = base.c_str();
    }
    if (WildMatch(mask, subject)) return 1;
    // "name.*" also matches "name" without an extension, as on Windows.
    size_t ml = strlen(mask);
    if (ml >= 2 && mask[ml - 1] == '*' && mask[ml - 2] == '.' && !strchr(subject, '.')) {
        std::string shorter(mask, ml - 2);
        if (WildMatch(shorter.c_str(), subject)) return 1;
    }
    return 0;
}

int AppendItemList(char* list, size_t size, const char* text) {
    if (!list || !text || size == 0) return 0;
    size_t used = strnlen(list, size);
    if (used >= size) return 0;
    size_t need = strlen(text) + 2 + (used ? 1 : 0);
    if (used + need + 1 > size) return 0;
    char* p = list + used;
    if (used) *p++ = ' ';
    *p++ = '"';
    size_t tl = strlen(text);
    memcpy(p, text, tl);
    p += tl;
    *p++ = '"';
    *p = 0;
    return 1;
}

int NextItemListEntry(const char** cursor, char* out, size_t size) {
    if (!cursor || !*cursor || !out || size == 0) return 0;
    const char* p = *cursor;
    while (*p == ' ' || *p == '\t' || *p == '\r' || *p == '\n') ++p;
    if (!*p) {
        *cursor = p;
        return 0;
    }
    const char* start;
    const char* end;
    if (*p == '"') {
        start = ++p;
        while (*p && *p != '"') ++p;
        end = p;
        if (*p == '"') ++p;
    } else {
        start = p;
        while (*p && *p != ' ' && *p != '\t') ++p;
        end = p;
    }
    *cursor = p;
    size_t len = size_t(end - start);
    if (len >= size) len = size - 1;
    memcpy(out, start, len);
    out[len] = 0;
    return 1;
}

int SafeMemberPath(const char* storedName, char separator, char* out, size_t size) {
    if (!out || size == 0) return 0;
    out[0] = 0;
    if (!storedName) return 0;
    std::string result;
    const char* p = storedName;
    // A drive letter ("C:") in front goes.
    if (((p[0] >= 'A' && p[0] <= 'Z') || (p[0] >= 'a' && p[0] <= 'z')) && p[1] == ':') p += 2;
    while (*p) {
        while (IsSep(*p)) ++p;
        if (!*p) break;
        std::string part;
        while (*p && !IsSep(*p)) {
            unsigned char c = (unsigned char)*p++;
            if (c < 32 || c == ':' || c == '*' || c == '?' || c == '"' || c == '<' || c == '>' || c == '|')
                c = '_';
            part += char(c);
        }
        // Windows drops trailing dots and blanks; doing it here makes "..", "..." and ". ." vanish.
        while (!part.empty() && (part.back() == '.' || part.back() == ' ')) part.pop_back();
        while (!part.empty() && part.front() == ' ') part.erase(part.begin());
        if (part.empty()) continue;
        // Device names (with any extension) cannot be files.
        if (IsDeviceName(part.c_str(), part.size())) part.insert(part.begin(), '_');
        if (!result.empty()) result += separator;
        result += part;
    }
    if (result.empty() || result.size() >= size) return 0;
    memcpy(out, result.c_str(), result.size() + 1);
    return 1;
}

// --- CP1252
namespace {
const uint16_t kCp1252High[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                  0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                  0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                  0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

void PutUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xC0 | (cp >> 6));
        out += char(0x80 | (cp & 0x3F));
    } else {
        out += char(0xE0 | (cp >> 12));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
}
}  // namespace

std::string Cp1252ToUtf8(const char* text) {
    std::string out;
    if (!text) return out;
    for (const unsigned char* p = (const unsigned char*)text; *p; ++p) {
        uint32_t cp = *p;
        // The five bytes CP1252 leaves undefined stand for U+0081... as Windows converts them.
        if (cp >= 0x80 && cp < 0xA0 && kCp1252High[cp - 0x80]) cp = kCp1252High[cp - 0x80];
        PutUtf8(out, cp);
    }
    return out;
}

std::string Utf8ToCp1252(const char* text) {
    std::string out;
    if (!text) return out;
    const unsigned char* p = (const unsigned char*)text;
    while (*p) {
        uint32_t cp;
        int extra;
        if (*p < 0x80) {
            cp = *p;
            extra = 0;
        } else if ((*p & 0xE0) == 0xC0) {
            cp = *p & 0x1F;
            extra = 1;
        } else if ((*p & 0xF0) == 0xE0) {
            cp = *p & 0x0F;
            extra = 2;
        } else if ((*p & 0xF8) == 0xF0) {
            cp = *p & 0x07;
            extra = 3;
        } else {
            out += '_';
            ++p;
            continue;
        }
        ++p;
        bool bad = false;
        for (int i = 0; i < extra; ++i) {
            if ((*p & 0xC0) != 0x80) {
                bad = true;
                break;
            }
            cp = (cp << 6) | (*p & 0x3F);
            ++p;
        }
        if (bad) {
            out += '_';
            continue;
        }
        char c = '_';
        if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF) || (cp >= 0x80 && cp < 0xA0 && !kCp1252High[cp - 0x80])) {
            c = char(cp);
        } else {
            for (int i = 0; i < 32; ++i)
                if (kCp1252High[i] == cp) c = char(0x80 + i);
        }
        out += c;
    }
    return out;
}

std::string Utf8ToCp1252OrUtf8(const char* text) {
    std::string out;
    if (!text) return out;
    const char* p = text;
    while (*p) {
        const unsigned char lead = (unsigned char)*p;
        size_t n = lead < 0x80 ? 1 : (lead & 0xE0) == 0xC0 ? 2 : (lead & 0xF0) == 0xE0 ? 3 : (lead & 0xF8) == 0xF0 ? 4 : 1;
        size_t have = 1;
        while (have < n && ((unsigned char)p[have] & 0xC0) == 0x80) ++have;
        const std::string one(p, have);
        const std::string ansi = Utf8ToCp1252(one.c_str());
        out += (ansi == "_" && one != "_") ? one : ansi;
        p += have;
    }
    return out;
}
