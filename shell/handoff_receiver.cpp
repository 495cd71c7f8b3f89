#include "shell/handoff_receiver.h"

#include <cstring>

#include "util/text.h"

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

}  // namespace

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
