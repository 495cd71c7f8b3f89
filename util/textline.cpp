#include "util/textline.h"

#include <cstdlib>
#include <cstring>

#include "util/text.h"
#include "util/safestr.h"

bool WriteTextLine(TByteStream* file, const char* text, int addLineEnd) {
    if (!file) return false;
    if (!text) return true;
    const size_t length = std::strlen(text);
    if (length > 0 && !file->Write(text, length)) return false;
    if (addLineEnd && !file->Write("\r\n", 2)) return false;
    return true;
}

bool WriteTemplateLine(TByteStream* file, const char* templateText, const char* value, int addLineEnd,
                       const char* placeholder) {
    if (!file || !templateText) return false;
    if (!value) value = "";
    if (!placeholder || !*placeholder) placeholder = "%s";
    const size_t capacity = std::strlen(templateText) + std::strlen(value) + 1;
    char* line = static_cast<char*>(std::malloc(capacity));
    if (!line) return false;
    CopyLimited(line, templateText, capacity);
    ReplaceFirst(line, capacity, placeholder, value, 0);
    const bool ok = WriteTextLine(file, line, addLineEnd);
    std::free(line);
    return ok;
}
