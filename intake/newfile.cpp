#include "intake/newfile.h"

#include <cstring>
#include <string>
#include <vector>

#include "util/text.h"

int JoinSelectedFiles(char* out, size_t size, const char* selection, size_t selectionSize) {
    if (!out || size == 0) return 0;
    out[0] = '\0';
    if (!selection) return 0;
    // The NUL-separated parts up to the empty one (or the end of the buffer).
    std::vector<std::string> parts;
    size_t at = 0;
    while (at < selectionSize && selection[at] != '\0') {
        size_t end = at;
        while (end < selectionSize && selection[end] != '\0') ++end;
        parts.emplace_back(selection + at, end - at);
        at = end + 1;
    }
    if (parts.empty()) return 0;
    std::string text;
    int count = 0;
    const auto append = [&](const std::string& path) {
        const std::string quoted = (count > 0 ? " \"" : "\"") + path + "\"";
        if (text.size() + quoted.size() >= size) return;
        text += quoted;
        ++count;
    };
    if (parts.size() == 1) {
        append(parts[0]);
    } else {
        // A root folder ("C:\") already ends in the separator.
        std::string folder = parts[0];
        if (folder.back() != '\\') folder += '\\';
        for (size_t i = 1; i < parts.size(); ++i) append(folder + parts[i]);
    }
    CopyLimited(out, text.c_str(), size);
    return count;
}
