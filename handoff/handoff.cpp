// The download hand-off record: filling it on the sending side and reading it, as untrusted bytes
// from another process, on the receiving side.
#include "handoff/handoff.h"

#include <cstring>

namespace {

// Copies text (null = empty) into a zeroed field of TV_PATH_SIZE bytes; returns 1 when cut.
int FillField(char* field, const char* text) {
    memset(field, 0, TV_PATH_SIZE);
    if (!text) return 0;
    size_t length = strnlen(text, TV_PATH_SIZE);
    int cut = 0;
    if (length >= TV_PATH_SIZE) {
        length = TV_PATH_SIZE - 1;
        cut = 1;
    }
    memcpy(field, text, length);
    return cut;
}

// Reads one field that starts at offset of a buffer of byteCount bytes.
int ReadField(const unsigned char* data, size_t byteCount, size_t offset, char* field) {
    memset(field, 0, TV_PATH_SIZE);
    if (offset >= byteCount) return 0;
    size_t available = byteCount - offset;
    if (available > TV_PATH_SIZE) available = TV_PATH_SIZE;
    const void* end = memchr(data + offset, 0, available);
    size_t length = end ? size_t(static_cast<const unsigned char*>(end) - (data + offset)) : available;
    int cut = 0;
    if (!end) {
        cut = 1;
        if (length > TV_PATH_SIZE - 1) length = TV_PATH_SIZE - 1;
    }
    memcpy(field, data + offset, length);
    return cut;
}

int IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

}  // namespace

int FillDownloadHandOff(DownloadHandOff* record, const char* savedFilePath, const char* sourceUrl) {
    if (!record) return 0;
    int cut = 0;
    if (FillField(record->SavedFilePath, savedFilePath)) cut |= 1;
    if (FillField(record->SourceUrl, sourceUrl)) cut |= 2;
    return cut;
}

int ReadDownloadHandOff(const void* data, size_t byteCount, DownloadHandOffInfo* out) {
    if (!out) return TV_HANDOFF_NO_DATA;
    memset(out, 0, sizeof(*out));
    if (!data || byteCount == 0) return TV_HANDOFF_NO_DATA;
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    out->shortRecord = byteCount < TV_HANDOFF_RECORD_SIZE ? 1 : 0;
    out->pathCut = ReadField(bytes, byteCount, 0, out->record.SavedFilePath);
    out->urlCut = ReadField(bytes, byteCount, TV_PATH_SIZE, out->record.SourceUrl);
    // A path cut by the end of the data (rather than by a missing terminator inside a complete
    // field) is still reported as cut: the receiver must not act on a partial path silently.
    if (out->record.SavedFilePath[0] == '\0') return TV_HANDOFF_EMPTY_PATH;
    return TV_HANDOFF_VALID;
}

size_t ReadForwardedCommandLine(const void* data, size_t byteCount, char* text, size_t size) {
    if (!text || size == 0) return 0;
    text[0] = '\0';
    if (!data || byteCount == 0) return 0;
    size_t limit = byteCount < size - 1 ? byteCount : size - 1;
    const void* end = memchr(data, 0, limit);
    size_t length = end ? size_t(static_cast<const char*>(end) - static_cast<const char*>(data)) : limit;
    memcpy(text, data, length);
    text[length] = '\0';
    return length;
}

std::string ReadForwardedCommandLine(const void* data, size_t byteCount) {
    if (!data || byteCount == 0) return std::string();
    const size_t limit = byteCount < TV_FORWARDED_TEXT_MAX ? byteCount : TV_FORWARDED_TEXT_MAX;
    const void* end = memchr(data, 0, limit);
    const size_t length = end ? size_t(static_cast<const char*>(end) - static_cast<const char*>(data)) : limit;
    return std::string(static_cast<const char*>(data), length);
}

int FormatDownloadFolderName(uint32_t number, char* name, size_t size) {
    if (!name || size == 0) return 0;
    name[0] = '\0';
    if (size < TV_DOWNLOAD_FOLDER_NAME_LENGTH + 1) return 0;
    static const char kHex[] = "0123456789ABCDEF";
    size_t prefix = sizeof(TV_DOWNLOAD_FOLDER_PREFIX) - 1;
    memcpy(name, TV_DOWNLOAD_FOLDER_PREFIX, prefix);
    for (int i = 0; i < 8; ++i) name[prefix + size_t(i)] = kHex[(number >> (28 - 4 * i)) & 0xF];
    name[TV_DOWNLOAD_FOLDER_NAME_LENGTH] = '\0';
    return 1;
}

int IsDownloadFolderName(const char* name) {
    if (!name) return 0;
    size_t prefix = sizeof(TV_DOWNLOAD_FOLDER_PREFIX) - 1;
    if (strnlen(name, TV_DOWNLOAD_FOLDER_NAME_LENGTH + 1) != TV_DOWNLOAD_FOLDER_NAME_LENGTH) return 0;
    for (size_t i = 0; i < prefix; ++i) {
        char a = name[i], b = TV_DOWNLOAD_FOLDER_PREFIX[i];
        if (a >= 'A' && a <= 'Z') a = char(a - 'A' + 'a');
        if (b >= 'A' && b <= 'Z') b = char(b - 'A' + 'a');
        if (a != b) return 0;
    }
    for (size_t i = prefix; i < TV_DOWNLOAD_FOLDER_NAME_LENGTH; ++i)
        if (!IsHexDigit(name[i])) return 0;
    return 1;
}

int DownloadHandOffFolder(const char* savedFilePath, char* folder, size_t size) {
    if (!folder || size == 0) return 0;
    folder[0] = '\0';
    if (!savedFilePath) return 0;
    size_t length = strnlen(savedFilePath, TV_PATH_SIZE);
    if (length >= TV_PATH_SIZE) return 0;
    // The last separator ends the folder; the one before it starts the folder's own name.
    size_t last = length;
    for (size_t i = length; i-- > 0;)
        if (savedFilePath[i] == '\\' || savedFilePath[i] == '/') {
            last = i;
            break;
        }
    if (last == length || last + 1 == length) return 0;  // no separator, or no file name
    size_t start = 0;
    for (size_t i = last; i-- > 0;)
        if (savedFilePath[i] == '\\' || savedFilePath[i] == '/') {
            start = i + 1;
            break;
        }
    if (start == 0) return 0;  // the private folder always sits inside another folder
    char name[TV_DOWNLOAD_FOLDER_NAME_LENGTH + 2];
    size_t nameLength = last - start;
    if (nameLength != TV_DOWNLOAD_FOLDER_NAME_LENGTH) return 0;
    memcpy(name, savedFilePath + start, nameLength);
    name[nameLength] = '\0';
    if (!IsDownloadFolderName(name)) return 0;
    if (last + 1 > size) return 0;
    memcpy(folder, savedFilePath, last);
    folder[last] = '\0';
    return 1;
}
