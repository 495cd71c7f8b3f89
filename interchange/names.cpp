#include "interchange/names.h"

#include <cstring>

#include "core/unique_name.h"
#include "util/path.h"
#include "util/text.h"

namespace {

std::string Folded(const char* text, size_t length) {
    std::string s(text, length);
    for (char& c : s) c = LowerChar(c);
    return s;
}

std::string FoldedTrimmed(const char* text) {
    if (!text) return std::string();
    while (*text == ' ') ++text;
    size_t n = std::strlen(text);
    while (n > 0 && text[n - 1] == ' ') --n;
    return Folded(text, n);
}

// CON, PRN, AUX, NUL, COM1-COM9, LPT1-LPT9 as the part before the first dot (blanks before the
// dot count as part of nothing: Windows drops them too).
bool IsDevice(const std::string& name) {
    size_t end = name.find('.');
    if (end == std::string::npos) end = name.size();
    while (end > 0 && name[end - 1] == ' ') --end;
    const std::string base = Folded(name.c_str(), end);
    if (base == "con" || base == "prn" || base == "aux" || base == "nul") return true;
    return base.size() == 4 && (base.compare(0, 3, "com") == 0 || base.compare(0, 3, "lpt") == 0) &&
           base[3] >= '1' && base[3] <= '9';
}

void StripEnd(std::string* s) {
    while (!s->empty() && (s->back() == ' ' || s->back() == '.')) s->pop_back();
}

}  // namespace

int CleanFileName(const char* name, char* out, size_t size) {
    if (!out || size == 0) return 0;
    std::string s(name ? name : "");
    for (char& c : s) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (u < 32 || std::strchr("<>:\"/\\|?*", u)) c = '_';
    }
    const size_t first = s.find_first_not_of(' ');
    s.erase(0, first == std::string::npos ? s.size() : first);
    // Windows drops dots and blanks at the end of a name, so "a." and "a" would be one file.
    StripEnd(&s);
    for (size_t i = 0; i < s.size() && s[i] == '.'; ++i) s[i] = '_';
    if (IsDevice(s)) s.insert(0, "_");
    const size_t limit = std::min(size - 1, TV_PATH_SIZE - 1);
    if (s.size() > limit) {
        s.resize(limit);
        StripEnd(&s);
    }
    if (s.empty()) s = "_";
    CopyLimited(out, s.c_str(), size);
    return TextEquals(out, name, 1, 0) ? 0 : 1;
}

// ---------------------------------------------------------------- TStoredNameIndex

TStoredNameIndex::TStoredNameIndex(const TFileListObject* list) {
    if (!list) return;
    for (const ListNode* node = list->First(); node; node = node->next) {
        if (!list->IsNodeValid(node, 0)) continue;
        const FileItem* r = TFileListObject::Item(node);
        Add(r->storedName, r->categoryId);
    }
}

void TStoredNameIndex::Add(const char* storedName, int32_t categoryId) {
    if (!storedName || !*storedName) return;
    // FindFileByName trims the name it looks for but not the stored one.
    names_[categoryId].insert(Folded(storedName, std::strlen(storedName)));
}

bool TStoredNameIndex::Contains(const char* name, int32_t categoryId) const {
    const std::string key = FoldedTrimmed(name);
    if (key.empty()) return false;
    const auto it = names_.find(categoryId);
    return it != names_.end() && it->second.count(key) > 0;
}

int TStoredNameIndex::MakeUnique(char* out, size_t size, const char* name, int32_t categoryId) const {
    return MakeUniqueFileName(out, size, name, [&](const char* n) { return Contains(n, categoryId); });
}

// ---------------------------------------------------------------- TBookmarkIndex

namespace {
std::string BookmarkKey(const char* title, const char* url) {
    // The two texts joined by a byte that no text holds (texts end at their first NUL).
    std::string key = Folded(title, std::strlen(title));
    key += '\0';
    key += Folded(url, std::strlen(url));
    return key;
}
}  // namespace

TBookmarkIndex::TBookmarkIndex(const TBookmarkListObject* list) {
    if (!list) return;
    for (const ListNode* node = list->First(); node; node = node->next) {
        if (!list->IsNodeValid(node, 0)) continue;
        const BookmarkItem* r = TBookmarkListObject::Item(node);
        Add(r->title, r->url, r->categoryId);
    }
}

bool TBookmarkIndex::Contains(const char* title, const char* url, int32_t categoryId) const {
    if (!title || !*title || !url || !*url) return false;
    const auto it = keys_.find(categoryId);
    return it != keys_.end() && it->second.count(BookmarkKey(title, url)) > 0;
}

void TBookmarkIndex::Add(const char* title, const char* url, int32_t categoryId) {
    if (!title || !*title || !url || !*url) return;
    keys_[categoryId].insert(BookmarkKey(title, url));
}
