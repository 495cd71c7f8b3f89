#include "util/cmdline.h"

#include <cstring>

#include "util/text.h"
#include "util/safestr.h"

static void CopyRange(char* dest, size_t size, const char* from, size_t length, int* truncated) {
    if (!dest || size == 0) return;
    size_t n = length;
    if (n >= size) {
        n = size - 1;
        *truncated = 1;
    }
    std::memcpy(dest, from, n);
    dest[n] = '\0';
}

int SplitCommandLine(const char* line, char* program, size_t programSize, char* arguments, size_t argumentsSize) {
    if (program && programSize) program[0] = '\0';
    if (arguments && argumentsSize) arguments[0] = '\0';
    if (!line || !*line) return 0;
    const size_t length = std::strlen(line);
    const char* dot = std::strchr(line, '.');
    const char* blankAfterDot = dot ? std::strchr(dot, ' ') : nullptr;
    const char* quote1 = std::strchr(line, '"');
    const char* quote2 = quote1 ? std::strchr(quote1 + 1, '"') : nullptr;
    int truncated = 0;
    if (quote2 && (!dot || quote1 < dot) && (!blankAfterDot || quote1 < blankAfterDot)) {
        CopyRange(program, programSize, quote1 + 1, size_t(quote2 - quote1 - 1), &truncated);
        CopyRange(arguments, argumentsSize, quote2 + 1, std::strlen(quote2 + 1), &truncated);
    } else if (blankAfterDot) {
        CopyRange(program, programSize, line, size_t(blankAfterDot - line), &truncated);
        CopyRange(arguments, argumentsSize, blankAfterDot + 1, std::strlen(blankAfterDot + 1), &truncated);
    } else {
        CopyRange(program, programSize, line, length, &truncated);
    }
    return truncated ? 0 : 1;
}

int QuoteText(char* text, size_t size, int mode) {
    if (!text || size == 0) return 0;
    const size_t length = strnlen(text, size);
    if (length == size) return 0;
    if (mode == TV_QUOTE_REMOVE) {
        char* out = text;
        for (const char* in = text; *in; ++in)
            if (*in != '"') *out++ = *in;
        *out = '\0';
        return 1;
    }
    if (length == 0) return 1;
    const bool front = text[0] != '"';
    // With the front quote in place the text needs a closing quote unless it ends in one that is
    // not the front quote itself.
    const bool needEnd = front ? text[length - 1] != '"' : (length < 2 || text[length - 1] != '"');
    const size_t grown = length + (front ? 1 : 0) + (needEnd ? 1 : 0);
    if (grown + 1 > size) return 0;
    if (front) {
        std::memmove(text + 1, text, length + 1);
        text[0] = '"';
    }
    if (needEnd) {
        const size_t at = std::strlen(text);
        text[at] = '"';
        text[at + 1] = '\0';
    }
    return 1;
}

int CountArguments(const char* line) {
    if (!line || !*line) return -1;
    int count = 1;
    bool quoted = false;
    for (const char* p = line; *p; ++p) {
        if (*p == '"') quoted = !quoted;
        else if (*p == ' ' && !quoted) ++count;
    }
    return count;
}

void StripPlaceholders(char* line) {
    if (!line || !*line) return;
    const size_t capacity = std::strlen(line) + 1;
    static const char* const kPlaceholders[] = {"%s", "%1", "%2", "%3", "%4", "%5"};
    for (const char* placeholder : kPlaceholders) ReplaceFirst(line, capacity, placeholder, "", 0);
    while (ReplaceFirst(line, capacity, "\"\"", "", 1)) {
    }
}

int InsertCommandArgument(char* line, size_t size, const char* fileName, int appendIfNoPlaceholder, int quote) {
    if (!line || size == 0 || !fileName) return 0;
    if (strnlen(line, size) == size) return 0;
    if (FindText(line, "%s", 0, 0) >= 0) return ReplaceFirst(line, size, "%s", fileName, 0);
    if (FindText(line, "%1", 0, 0) >= 0) return ReplaceFirst(line, size, "%1", fileName, 0);
    if (!appendIfNoPlaceholder) return 0;
    const size_t length = std::strlen(line);
    const size_t added = 1 + std::strlen(fileName) + (quote ? 2 : 0);
    if (length + added + 1 > size) return 0;
    AppendLimited(line, " ", size);
    if (quote) AppendLimited(line, "\"", size);
    AppendLimited(line, fileName, size);
    if (quote) AppendLimited(line, "\"", size);
    return 1;
}
