// Random texts through the text, path, command-line and URL helpers with buffers of random sizes.
// Every helper must stay inside its buffer (AddressSanitizer watches the exact sizes, each buffer
// is its own allocation), always terminate, and keep its stated length limits.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "util/cmdline.h"
#include "util/format.h"
#include "util/path.h"
#include "util/text.h"
#include "util/url.h"

namespace {

// A heap buffer of exactly size bytes holding text cut to size - 1.
std::vector<char> Buffer(const std::string& text, size_t size) {
    std::vector<char> buffer(size);
    if (size > 0) {
        const size_t n = text.size() < size - 1 ? text.size() : size - 1;
        std::memcpy(buffer.data(), text.data(), n);
        buffer[n] = '\0';
    }
    return buffer;
}

void CheckTerminated(const std::vector<char>& buffer) {
    if (buffer.empty()) return;
    if (!std::memchr(buffer.data(), '\0', buffer.size())) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) return 0;
    const size_t capacity = 1 + data[0] % 64 + (data[1] & 1 ? 256 : 0);
    const int flags = data[1] >> 1;
    const int width = int(data[2] % 80);
    std::string rest(reinterpret_cast<const char*>(data + 3), size - 3);
    rest.erase(std::find(rest.begin(), rest.end(), '\0'), rest.end());
    const size_t split = rest.find('|');
    const std::string a = rest.substr(0, split);
    const std::string b = split == std::string::npos ? std::string() : rest.substr(split + 1);

    {
        auto text = Buffer(a, capacity);
        ReplaceFirst(text.data(), text.size(), b.c_str(), "%s-replacement", flags & 1);
        CheckTerminated(text);
        InsertCommandArgument(text.data(), text.size(), b.c_str(), flags & 2, flags & 4);
        CheckTerminated(text);
        QuoteText(text.data(), text.size(), flags & 1);
        CheckTerminated(text);
        StripPlaceholders(text.data());
        AppendLimited(text.data(), b.c_str(), text.size());
        CheckTerminated(text);
        CompleteUrl(text.data(), text.size(), nullptr, flags & 8);
        CheckTerminated(text);
        EnsureTrailingBackslash(text.data(), text.size());
        AddDefaultExtension(text.data(), text.size(), ".txt");
        CheckTerminated(text);
        const size_t before = std::strlen(text.data());
        ShortenText(text.data(), flags & 7, width);
        const size_t after = std::strlen(text.data());
        if (after > before) std::abort();
        if (width >= 3 && after > size_t(width) && !(flags & 4)) std::abort();
    }
    {
        auto out = Buffer("", capacity);
        ApplyRenameMask(out.data(), out.size(), a.c_str(), b.c_str());
        CheckTerminated(out);
        auto program = Buffer("", capacity);
        auto arguments = Buffer("", 1 + capacity / 2);
        SplitCommandLine(a.c_str(), program.data(), program.size(), arguments.data(), arguments.size());
        CheckTerminated(program);
        CheckTerminated(arguments);
        auto folder = Buffer("", capacity);
        auto name = Buffer("", 1 + capacity / 3);
        SplitPath(a.c_str(), folder.data(), folder.size(), name.data(), name.size());
        CheckTerminated(folder);
        CheckTerminated(name);
        std::vector<char> drive(TV_PATH_SIZE), dir(TV_PATH_SIZE), base(TV_PATH_SIZE), ext(TV_PATH_SIZE);
        SplitPathParts(a.c_str(), drive.data(), dir.data(), base.data(), ext.data());
        auto sizeText = Buffer("", 1 + capacity % 24);
        uint32_t count = 0;
        std::memcpy(&count, data, size < 4 ? 3 : 4);
        FormatSizeText(sizeText.data(), sizeText.size(), count, flags % 6);
        CheckTerminated(sizeText);
    }
    FindText(a.c_str(), b.c_str(), flags & 1, flags & 2);
    TextEquals(a.c_str(), b.c_str(), flags & 1, width - 10);
    IsValidFileName(a.c_str());
    LooksLikeUrl(a.c_str(), flags & 1);
    CountArguments(a.c_str());
    PathKind(a.c_str());
    return 0;
}
