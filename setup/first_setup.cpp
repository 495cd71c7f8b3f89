#include "setup/first_setup.h"

#include <cstring>

#include "util/text.h"

namespace {

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

bool SameNameNoCase(const char* a, const char* b) {
    for (; *a && *b; ++a, ++b)
        if (LowerAscii(*a) != LowerAscii(*b)) return false;
    return *a == *b;
}

std::string LowerCopy(const std::string& text) {
    std::string out(text);
    for (char& c : out) c = LowerAscii(c);
    return out;
}

// Nested folders make a path longer with every level, so the path size bounds the depth; this is
// a second guard for hosts whose paths do not grow (a broken listing).
constexpr int kMaxDepth = 128;

}  // namespace

bool TSetupSearchSlots::AllFilled() const {
    if (count <= 0) return false;
    for (int i = 0; i < count && i < TV_SEARCH_SLOTS; ++i)
        if (!paths[i][0]) return false;
    return true;
}

void InitBrowserSearchSlots(TSetupSearchSlots* slots) {
    slots->count = 3;
    slots->names[0] = "IEXPLORE.EXE";
    slots->names[1] = "NETSCAPE.EXE";
    slots->names[2] = "OPERA.EXE";
}

void InitBookmarkSearchSlots(TSetupSearchSlots* slots) {
    slots->count = 2;
    slots->names[0] = "bookmark.htm";
    slots->names[1] = "opera3.adr";
    slots->names[2] = nullptr;
}

int SearchSlotForFile(const TSetupSearchSlots& slots, const char* name) {
    if (!name) return -1;
    for (int i = 0; i < slots.count && i < TV_SEARCH_SLOTS; ++i)
        if (!slots.paths[i][0] && slots.names[i] && SameNameNoCase(name, slots.names[i])) return i;
    return -1;
}

TSetupSearchResult TSetupSearch::SearchFolder(const char* folder) {
    if (!folder || !folder[0]) return TV_SEARCH_INCOMPLETE;
    std::string start(folder);
    if (start.back() != '\\') start += '\\';
    return Search(start, 0);
}

TSetupSearchResult TSetupSearch::Search(const std::string& folder, int depth) {
    if (cancelled_) return TV_SEARCH_CANCELLED;
    if (slots_->AllFilled()) return TV_SEARCH_ALL_FOUND;
    if (depth > kMaxDepth || folder.size() >= TV_PATH_SIZE) return TV_SEARCH_INCOMPLETE;
    std::string identity;
    if (!host_->FolderIdentity(folder.c_str(), &identity)) identity = "path:" + LowerCopy(folder);
    if (!visited_.insert(identity).second) return TV_SEARCH_INCOMPLETE;
    host_->ShowFolder(folder.c_str());
    std::vector<TSetupSearchEntry> entries;
    if (!host_->ListFolder(folder.c_str(), &entries)) return TV_SEARCH_INCOMPLETE;
    for (const TSetupSearchEntry& entry : entries) {
        if (!host_->BeforeEntry()) {
            cancelled_ = true;
            return TV_SEARCH_CANCELLED;
        }
        if (!entry.folder) {
            const int slot = SearchSlotForFile(*slots_, entry.name.c_str());
            if (slot < 0) continue;
            const std::string path = folder + entry.name;
            if (path.size() >= TV_PATH_SIZE) continue;  // would not fit the field: not usable
            CopyLimited(slots_->paths[slot], path.c_str(), TV_PATH_SIZE);
            host_->SlotFilled(slot);
        } else if (!entry.name.empty() && entry.name[0] != '.' && !entry.link) {
            const TSetupSearchResult below = Search(folder + entry.name + "\\", depth + 1);
            if (below == TV_SEARCH_CANCELLED) return below;
        }
        if (slots_->AllFilled()) return TV_SEARCH_ALL_FOUND;
    }
    return slots_->AllFilled() ? TV_SEARCH_ALL_FOUND : TV_SEARCH_INCOMPLETE;
}

TSetupSearchResult TSetupSearch::SearchDrives() {
    for (char letter = 'C'; letter <= 'Z'; ++letter) {
        if (slots_->AllFilled()) return TV_SEARCH_ALL_FOUND;
        const char root[4] = {letter, ':', '\\', '\0'};
        if (!host_->DriveSearchable(root)) continue;
        const TSetupSearchResult result = Search(root, 0);
        if (result != TV_SEARCH_INCOMPLETE) return result;
    }
    return slots_->AllFilled() ? TV_SEARCH_ALL_FOUND : TV_SEARCH_INCOMPLETE;
}

uint8_t FirstSetupBrowserChoice(const char* iePath, const char* netscapePath) {
    const bool ie = iePath && iePath[0];
    const bool netscape = netscapePath && netscapePath[0];
    if (ie && !netscape) return 0;
    if (netscape && !ie) return 1;
    return 3;
}

bool ScannerCommandAfterBrowse(const char* fieldBefore, const char* chosen, char* out, size_t size) {
    if (!out || size == 0) return false;
    char command[TV_PATH_SIZE * 2];
    if (CopyLimited(command, chosen, sizeof command)) return false;
    const bool wasEmpty = !fieldBefore || !fieldBefore[0];
    if (wasEmpty && AppendLimited(command, " %s", sizeof command)) return false;
    if (strlen(command) >= size) return false;
    CopyLimited(out, command, size);
    return true;
}
