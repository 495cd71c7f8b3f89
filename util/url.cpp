#include "util/url.h"

#include <cstring>

#include "util/text.h"
#include "util/tvbase.h"
#include "util/safestr.h"

namespace {
// The markers are checked in this order.
const char kUrlMarkers[8][10] = {"://", "www.", "ftp.", ".com", ".net", ".org", ".gov", ".de"};
}  // namespace

int LooksLikeUrl(const char* text, int schemeOnly) {
    if (!text || !*text) return 0;
    const int count = schemeOnly ? 1 : int(TV_COUNTOF(kUrlMarkers));
    for (int i = 0; i < count; ++i)
        if (FindText(text, kUrlMarkers[i], 0, 0) >= 0) return 1;
    return 0;
}

int CompleteUrl(char* text, size_t capacity, const char* source, int rejectDrivePaths) {
    if (!text || capacity == 0) return -1;
    if (source) CopyLimited(text, source, capacity);
    const size_t length = strnlen(text, capacity);
    if (length == 0 || length == capacity) return -1;
    if (FindText(text, "://", 0, 0) >= 0) return -1;
    if (rejectDrivePaths && length >= 3 && text[1] == ':' && (text[2] == '\\' || text[2] == '/')) return -1;
    const char* prefix = FindText(text, "ftp.", 0, 0) >= 0 ? "ftp://" : "http://";
    const size_t prefixLength = std::strlen(prefix);
    if (length + prefixLength + 1 > capacity) return -1;
    std::memmove(text + prefixLength, text, length + 1);
    std::memcpy(text, prefix, prefixLength);
    return 0;
}
