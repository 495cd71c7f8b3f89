// Decisions of the internal viewer that need no window.
#include "archive/viewer_logic.h"

#include <algorithm>
#include <cstring>

#include "archive/viewer_ids.h"
#include "archive/ziperror.h"
#include "archive/zipengine.h"
#include "util/format.h"
#include "util/path.h"
#include "util/strings.h"
#include "util/text.h"
#include "util/safestr.h"  // last: no unbounded string functions below

namespace {

const char* Safe(const char* text) { return text ? text : ""; }

template <typename T>
int CompareNumbers(T a, T b) {
    return a < b ? -1 : (a > b ? 1 : 0);
}

}  // namespace

// ---------------------------------------------------------------- command states

uint32_t ViewerCommandNeeds(int command) {
    switch (command) {
        case IV_CM_OPEN:
        case IV_CM_PROPERTIES:
            return IV_STATE_ARCHIVE | IV_STATE_MEMBERS | IV_STATE_SELECTION;
        case IV_CM_EXTRACT:
        case IV_CM_DELETE:
        case IV_CM_SELECT_ALL:
        case IV_CM_SELECT_NONE:
        case IV_CM_SELECT_INVERT:
        case IV_CM_SELECT_SOME:
            return IV_STATE_ARCHIVE | IV_STATE_MEMBERS;
        case IV_CM_ADD:
        case IV_CM_CLOSE_ARCHIVE:
        case IV_CM_COPY_ARCHIVE:
        case IV_CM_ARCHIVE_PROPERTIES:
        case IV_CM_PASSWORD:
        case IV_CM_REFRESH:
            return IV_STATE_ARCHIVE;
        case IV_CM_INSTALL:
            return IV_STATE_ARCHIVE | IV_STATE_SETUP;
        default:
            return 0;
    }
}

uint32_t ViewerStateMask(bool archiveOpen, uint32_t rows, uint32_t selectedRows, bool setupFound) {
    uint32_t state = 0;
    if (archiveOpen) state |= IV_STATE_ARCHIVE;
    if (rows > 0) state |= IV_STATE_MEMBERS;
    if (selectedRows > 0) state |= IV_STATE_SELECTION;
    if (setupFound) state |= IV_STATE_SETUP;
    return state;
}

bool IsViewerCommandEnabled(int command, uint32_t state) {
    const uint32_t needs = ViewerCommandNeeds(command);
    return (state & needs) == needs;
}

// ---------------------------------------------------------------- rows

void FormatMemberCell(const ArchiveMember& m, int column, char* out, size_t size) {
    if (!out || size == 0) return;
    out[0] = '\0';
    switch (column) {
        case IV_COLUMN_NAME:
            CopyLimited(out, Safe(m.name), size);
            if (m.attributes & TV_MEMBER_ENCRYPTED) AppendLimited(out, "+", size);
            break;
        case IV_COLUMN_SIZE:
            FormatSizeText(out, size, m.size, TV_UNIT_KB);
            break;
        case IV_COLUMN_RATIO:
            FormatLimited(out, size, "%u%%", unsigned(m.ratio));
            break;
        case IV_COLUMN_PACKED:
            FormatSizeText(out, size, m.packed, TV_UNIT_KB);
            break;
        case IV_COLUMN_PATH:
            CopyLimited(out, Safe(m.folder), size);
            break;
        default:
            break;
    }
}

void TMemberRowOrder::Assign(const TArchiveFileListObject& list) {
    Clear();
    uint32_t position = 0;
    for (const ListNode* node = list.First(); node; node = node->next) {
        const ArchiveMember* m = TArchiveFileListObject::Item(node);
        if (m) rows_.push_back(Entry{m, position++});
    }
}

void TMemberRowOrder::Clear() {
    rows_.clear();
    keys_[0].clear();
    keys_[1].clear();
}

const std::string& TMemberRowOrder::Key(const Entry& row, int column) {
    std::vector<std::string>& keys = keys_[column == IV_COLUMN_PATH ? 1 : 0];
    if (keys.size() != rows_.size()) {
        keys.assign(rows_.size(), std::string());
        for (const Entry& r : rows_) {
            const char* text = Safe(column == IV_COLUMN_PATH ? r.member->folder : r.member->name);
            keys[r.position] = keyFn_ ? keyFn_(text, keyContext_) : std::string(text);
        }
    }
    return keys[row.position];
}

void TMemberRowOrder::Sort(int column, bool descending) {
    if (rows_.empty()) return;
    if (column == IV_COLUMN_NAME || column == IV_COLUMN_PATH) {
        Key(rows_[0], column);  // makes the keys of every row
        const std::vector<std::string>& keys = keys_[column == IV_COLUMN_PATH ? 1 : 0];
        std::sort(rows_.begin(), rows_.end(), [&](const Entry& a, const Entry& b) {
            const int c = keys[a.position].compare(keys[b.position]);
            return descending ? c > 0 : c < 0;
        });
        return;
    }
    std::sort(rows_.begin(), rows_.end(), [&](const Entry& a, const Entry& b) {
        int c = 0;
        switch (column) {
            case IV_COLUMN_TIME: c = CompareNumbers(a.member->time.Value(), b.member->time.Value()); break;
            case IV_COLUMN_SIZE: c = CompareNumbers(a.member->size, b.member->size); break;
            case IV_COLUMN_RATIO: c = CompareNumbers(a.member->ratio, b.member->ratio); break;
            case IV_COLUMN_PACKED: c = CompareNumbers(a.member->packed, b.member->packed); break;
            default: break;
        }
        return descending ? c > 0 : c < 0;
    });
}

void NextSortOrder(int clickedColumn, int* column, bool* descending) {
    if (!column || !descending) return;
    if (clickedColumn == *column) {
        *descending = !*descending;
    } else {
        *column = clickedColumn;
        *descending = false;
    }
}

// ---------------------------------------------------------------- status

void FormatByteCount(char* out, size_t size, uint64_t bytes) {
    if (!out || size == 0) return;
    if (bytes <= 0xFFFFFFFFu) {
        FormatSizeText(out, size, uint32_t(bytes), TV_UNIT_BYTES);
        return;
    }
    FormatThousands(out, size, bytes);
    AppendLimited(out, " Bytes", size);
}

void FormatMemberCountStatus(char* out, size_t size, uint32_t count, uint64_t bytes, bool selected) {
    if (!out || size == 0) return;
    char amount[40];
    FormatByteCount(amount, sizeof amount, bytes);
    FormatLimited(out, size, "\t%u%s (%s%s", unsigned(count), TvString(count == 1 ? IDS_IV_STATUS_FILE : IDS_IV_STATUS_FILES),
                  amount, TvString(selected ? IDS_IV_STATUS_SELECTED : IDS_IV_STATUS_TOTAL));
}

// ---------------------------------------------------------------- copy

int DecideCopyDestination(char* destination, size_t size, bool (*folderExists)(const char*, void*), void* context) {
    if (!destination || size == 0) return IV_COPY_EMPTY;
    TrimSpaces(destination, TV_TRIM_BOTH);
    const size_t n = strnlen(destination, size);
    if (n == 0) return IV_COPY_EMPTY;
    const char last = destination[n - 1];
    int kind;
    if (last == '\\' || last == '/')
        kind = IV_COPY_FOLDER;
    else if (folderExists && folderExists(destination, context))
        kind = IV_COPY_FOLDER;
    else if (std::strchr(destination, '.'))
        kind = IV_COPY_FILE;
    else
        kind = IV_COPY_ASK;
    if (kind == IV_COPY_FOLDER && last != '\\' && last != '/') AppendLimited(destination, "\\", size);
    return kind;
}

int CopyTargetPath(const char* archivePath, const char* destination, bool isFolder, char* out, size_t size) {
    if (!out || size == 0) return 0;
    out[0] = '\0';
    if (!archivePath || !*archivePath || !destination || !*destination) return 0;
    if (!isFolder) return CopyLimited(out, destination, size) ? (out[0] = '\0', 0) : 1;
    const char* name = archivePath;
    for (const char* p = archivePath; *p; ++p)
        if (*p == '\\' || *p == '/' || *p == ':') name = p + 1;
    if (!*name) return 0;
    int truncated = CopyLimited(out, destination, size);
    const size_t n = std::strlen(out);
    if (n > 0 && out[n - 1] != '\\' && out[n - 1] != '/') truncated |= AppendLimited(out, "\\", size);
    truncated |= AppendLimited(out, name, size);
    if (truncated) {
        out[0] = '\0';
        return 0;
    }
    return 1;
}

// ---------------------------------------------------------------- select some

bool MaskSelectsName(const char* name, const char* mask) {
    if (!name || !*name || !mask || !*mask) return false;
    char renamed[TV_PATH_SIZE * 2];
    if (!ApplyRenameMask(renamed, sizeof renamed, name, mask)) return false;
    return TextEquals(renamed, name, 0, 0) != 0;
}

// ---------------------------------------------------------------- item lists

int AppendMemberToItemList(char* list, size_t size, const ArchiveMember& m) {
    std::string stored;
    if (m.folder && *m.folder) {
        stored = m.folder;
        stored += '\\';
    }
    stored += Safe(m.name);
    return AppendItemList(list, size, stored.c_str());
}

void FormatDroppedText(char* out, size_t size, const std::vector<std::string>& names) {
    if (!out || size == 0) return;
    if (names.size() == 1) {
        CopyLimited(out, names[0].c_str(), size);
        return;
    }
    char count[16];
    FormatLimited(count, sizeof count, "%u", unsigned(names.size()));
    // The text carries one %s: the count goes in through a copy of the pattern, never as format.
    CopyLimited(out, TvString(IDS_IV_DROPPED_FILES), size);
    ReplaceFirst(out, size, "%s", count, 1);
}

size_t BuildPathItemList(char* list, size_t size, const std::vector<std::string>& paths) {
    if (!list || size == 0) return 0;
    list[0] = '\0';
    size_t taken = 0;
    for (const std::string& path : paths)
        if (!path.empty() && AppendItemList(list, size, path.c_str())) ++taken;
    return taken;
}

// ---------------------------------------------------------------- totals

int64_t TArchiveTotals::Ratio() const {
    if (size == 0) return 0;
    // Both totals stay below 2^32 * 2^32 / 100 for any real archive; the product is formed in
    // 64 bits after dividing where it could overflow.
    const uint64_t scaled = packed <= UINT64_MAX / 100 ? packed * 100 / size : packed / size * 100;
    return 100 - int64_t(scaled);
}

TArchiveTotals ArchiveTotalsOf(const TArchiveFileListObject& list) {
    TArchiveTotals t;
    for (const ListNode* node = list.First(); node; node = node->next) {
        const ArchiveMember* m = TArchiveFileListObject::Item(node);
        if (!m) continue;
        ++t.members;
        if (m->attributes & TV_MEMBER_ENCRYPTED) ++t.encrypted;
        t.size += m->size;
        t.packed += m->packed;
    }
    return t;
}

bool IsZipName(const char* name) {
    if (!name) return false;
    const char* dot = std::strrchr(name, '.');
    return dot && TextEquals(dot, ".ZIP", 0, 0);
}

// ---------------------------------------------------------------- extraction loop

TMemberExtractResult ExtractMembersOneByOne(const std::vector<const ArchiveMember*>& members, char* password,
                                            size_t passwordSize, const TMemberExtractHooks& hooks) {
    TMemberExtractResult result;
    uint32_t done = 0;
    for (const ArchiveMember* m : members) {
        if (hooks.cancelled && hooks.cancelled()) {
            result.stopped = true;
            break;
        }
        if (!m) continue;
        const bool encrypted = (m->attributes & TV_MEMBER_ENCRYPTED) != 0;
        bool skip = false;
        if (encrypted) {
            if (password && passwordSize && !password[0] && hooks.askPassword) hooks.askPassword(password, passwordSize);
            skip = !password || !password[0];
        }
        if (skip) {
            ++result.skipped;
        } else {
            const int code = hooks.extract ? hooks.extract(*m, encrypted ? password : "") : 0;
            if (code == TV_UNZIP_OK || code == TV_UNZIP_SKIPPED) {
                ++result.extracted;
            } else if (code == TV_UNZIP_RENAMED) {
                // Written, under a new name (its name collided): told once after the loop.
                ++result.extracted;
                ++result.renamed;
            } else if (UnzipErrorMessageId(code) == 0 && code != TV_UNZIP_CANCELLED) {
                // Nothing matched: not a failure worth a question.
            } else if (code == TV_UNZIP_CANCELLED) {
                result.stopped = true;
                ++done;
                if (hooks.progress) hooks.progress(done);
                break;
            } else {
                ++result.failed;
                if (!hooks.continueAfter || !hooks.continueAfter(code)) {
                    result.stopped = true;
                    ++done;
                    if (hooks.progress) hooks.progress(done);
                    break;
                }
            }
        }
        ++done;
        if (hooks.progress) hooks.progress(done);
    }
    return result;
}
