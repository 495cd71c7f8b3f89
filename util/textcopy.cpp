#include "util/textcopy.h"

#include <cstdlib>
#include <cstring>
#include <new>

char* TextDuplicateN(const char* source, size_t length) {
    char* copy = static_cast<char*>(std::malloc(length + 1));
    if (!copy) throw std::bad_alloc();
    if (length) std::memcpy(copy, source, length);
    copy[length] = '\0';
    return copy;
}

char* TextDuplicate(const char* source) {
    if (!source) return TextDuplicateN("", 0);
    return TextDuplicateN(source, std::strlen(source));
}

void TextAssign(char** dest, const char* source, bool freeOld) {
    if (!dest) return;
    char* copy = TextDuplicate(source);
    if (freeOld) std::free(*dest);
    *dest = copy;
}

void TextRelease(char** text) {
    if (!text) return;
    std::free(*text);
    *text = nullptr;
}
