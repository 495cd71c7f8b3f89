#include "core/unique_name.h"

#include <string>

#include "util/path.h"
#include "util/strings.h"
#include "util/text.h"
#include "util/textcopy.h"

int MakeUniqueFileName(char* out, size_t size, const char* name, const std::function<bool(const char*)>& taken) {
    if (!out || size == 0) return 0;
    out[0] = '\0';
    std::string unquoted;
    for (const char* p = name ? name : ""; *p; ++p)
        if (*p != '"') unquoted += *p;
    if (unquoted.empty()) return 0;
    char drive[TV_PATH_SIZE], dir[TV_PATH_SIZE], stem[TV_PATH_SIZE], ext[TV_PATH_SIZE];
    SplitPathParts(unquoted.c_str(), drive, dir, stem, ext);
    const std::string front = std::string(drive) + dir + stem;
    if (CopyLimited(out, unquoted.c_str(), size)) {
        out[0] = '\0';
        return 0;
    }
    if (!taken(out)) return 1;
    for (unsigned n = 2; n <= 999; ++n) {
        if (FormatLimited(out, size, "%s (%u)%s", front.c_str(), n, ext)) break;
        if (!taken(out)) return 1;
    }
    out[0] = '\0';
    return 0;
}
