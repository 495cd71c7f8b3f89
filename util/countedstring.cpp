#include "util/countedstring.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include "util/textcopy.h"

bool WriteCountedString(TByteStream* file, const char* text) {
    if (!file) return false;
    const size_t n = text ? std::strlen(text) : 0;
    if (n > 0x7FFFFFFFu) return false;
    if (!file->WriteI32(int32_t(n))) return false;
    return n == 0 || file->Write(text, n);
}

static int FailAtEnd(TByteStream* file) {
    file->Seek(0, TByteStream::SeekEnd);
    return 0;
}

int ReadCountedString(TByteStream* file, char** text, uint32_t* bytesRead, int reallocate, uint32_t capacity) {
    if (bytesRead) *bytesRead = 0;
    if (!file || !text) return 0;
    int32_t length = 0;
    if (!file->ReadI32(&length)) return FailAtEnd(file);
    if (length < 0) return 1;

    const int64_t size = file->Size();
    if (size >= 0 && int64_t(length) > file->Remaining()) return FailAtEnd(file);

    if (reallocate == 1) {
        char* fresh = static_cast<char*>(std::malloc(size_t(length) + 1));
        if (!fresh) return FailAtEnd(file);
        if (length > 0 && file->Read(fresh, size_t(length)) != size_t(length)) {
            std::free(fresh);
            return FailAtEnd(file);
        }
        fresh[length] = '\0';
        std::free(*text);
        *text = fresh;
        if (bytesRead) *bytesRead = uint32_t(length);
        return 1;
    }

    if (!*text) return FailAtEnd(file);
    if (capacity == 0) {
        // No room was given for the text: consume it so the stream stays aligned, keep nothing.
        if (length > 0 && !file->Seek(length, TByteStream::SeekCurrent)) return FailAtEnd(file);
        return 0;
    }
    uint32_t keep = uint32_t(length);
    if (capacity >= 1 && uint64_t(length) + 1 > capacity) keep = capacity - 1;
    if (keep > 0) {
        // Read into scratch memory first: a short read must not leave half a text behind.
        std::vector<char> scratch(keep);
        if (file->Read(scratch.data(), keep) != keep) return FailAtEnd(file);
        std::memcpy(*text, scratch.data(), keep);
    }
    const uint32_t skip = uint32_t(length) - keep;
    if (skip > 0) {
        if (size >= 0) {
            if (!file->Seek(skip, TByteStream::SeekCurrent)) return FailAtEnd(file);
        } else {
            char sink[512];
            uint32_t left = skip;
            while (left > 0) {
                const uint32_t chunk = left < sizeof sink ? left : uint32_t(sizeof sink);
                if (file->Read(sink, chunk) != chunk) return FailAtEnd(file);
                left -= chunk;
            }
        }
    }
    (*text)[keep] = '\0';
    if (bytesRead) *bytesRead = keep;
    return 1;
}
