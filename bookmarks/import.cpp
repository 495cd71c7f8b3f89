#include "bookmarks/import.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <string_view>

#include "util/path.h"
#include "util/text.h"
#include "util/safestr.h"

namespace {

char Lower(char c) { return c >= 'A' && c <= 'Z' ? char(c + 32) : c; }
bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f'; }

bool EqualsNoCase(std::string_view a, const char* b) {
    const size_t n = std::strlen(b);
    if (a.size() != n) return false;
    for (size_t i = 0; i < n; ++i)
        if (Lower(a[i]) != Lower(b[i])) return false;
    return true;
}

// White space (blank, tab, CR, LF, form feed) removed at both ends, in place.
std::string TrimSpaceChars(std::string text) {
    size_t end = text.size();
    while (end > 0 && IsSpace(text[end - 1])) --end;
    text.resize(end);
    size_t begin = 0;
    while (begin < text.size() && IsSpace(text[begin])) ++begin;
    if (begin) text.erase(0, begin);
    return text;
}

// A title or folder name on one line: every run of white space that holds a line break becomes
// one blank; white space at the ends goes.
std::string SingleLine(std::string text) {
    if (text.find_first_of("\r\n") == std::string::npos) return TrimSpaceChars(std::move(text));
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        if (text[i] == '\r' || text[i] == '\n') {
            while (!out.empty() && (out.back() == ' ' || out.back() == '\t')) out.pop_back();
            while (i < text.size() && IsSpace(text[i])) ++i;
            out.push_back(' ');
            continue;
        }
        out.push_back(text[i++]);
    }
    return TrimSpaceChars(std::move(out));
}

// Line breaks as CR LF, white space at both ends removed.
std::string MultiLine(std::string text) {
    if (text.find_first_of("\r\n") == std::string::npos) return TrimSpaceChars(std::move(text));
    std::string out;
    out.reserve(text.size() + 16);
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            out.append("\r\n");
        } else {
            out.push_back(c);
        }
    }
    return TrimSpaceChars(std::move(out));
}

// A URL as browsers take it from a file: tabs and line breaks inside removed, blanks trimmed.
std::string CleanUrl(std::string text) {
    if (text.find_first_of("\t\r\n") != std::string::npos)
        text.erase(std::remove_if(text.begin(), text.end(), [](char c) { return c == '\t' || c == '\r' || c == '\n'; }),
                   text.end());
    return TrimSpaceChars(std::move(text));
}

// ---------------------------------------------------------------- Netscape bookmark file

struct Attribute {
    std::string_view name;
    std::string_view value;
};

struct Tag {
    std::string_view name;
    bool end = false;
    std::vector<Attribute> attributes;

    const Attribute* Find(const char* attribute) const {
        for (const Attribute& a : attributes)
            if (EqualsNoCase(a.name, attribute)) return &a;
        return nullptr;
    }
};

class NetscapeParser {
public:
    NetscapeParser(TBookmarkImporter* importer, const TAnsiCodec& codec, TvTextEncoding encoding)
        : importer_(importer), codec_(codec), encoding_(encoding) {
        stack_.push_back(importer->Root());
    }

    void Parse(const std::string& s, size_t pos);

private:
    enum Collect { NONE, HEADING, ANCHOR, DESCRIPTION, FOLDER_DESCRIPTION };

    std::string Decode(std::string_view raw) const {
        return DecodeBrowserText(raw.data(), raw.size(), encoding_, true, codec_);
    }
    ListNode* Top() const { return stack_.back(); }
    void FinishCollect();
    void FlushBookmark();
    // false when the import ends here.
    bool StartTag(const Tag& tag);
    bool EndTag(const Tag& tag);

    TBookmarkImporter* importer_;
    const TAnsiCodec& codec_;
    TvTextEncoding encoding_;
    std::vector<ListNode*> stack_;
    bool contentSeen_ = false;
    // An <H3> was read: the next <DL> opens this category.
    bool hasPendingFolder_ = false;
    ListNode* pendingFolder_ = nullptr;
    Collect collect_ = NONE;
    std::string text_;
    // A bookmark read up to its </A>: it may still get a <DD> description.
    bool hasBookmark_ = false;
    ListNode* bookmarkCategory_ = nullptr;
    std::string url_, title_, description_;
};

void NetscapeParser::FinishCollect() {
    switch (collect_) {
        case HEADING: {
            ListNode* folder = importer_->EnterFolder(Top(), SingleLine(Decode(text_)).c_str());
            // A name that is no valid category name keeps the folder's contents in this category.
            pendingFolder_ = folder ? folder : Top();
            hasPendingFolder_ = true;
            break;
        }
        case ANCHOR:
            title_ = SingleLine(Decode(text_));
            hasBookmark_ = true;
            break;
        case DESCRIPTION:
            description_ = MultiLine(Decode(text_));
            break;
        case NONE:
        case FOLDER_DESCRIPTION:
            break;
    }
    collect_ = NONE;
    text_.clear();
}

void NetscapeParser::FlushBookmark() {
    if (collect_ == ANCHOR || collect_ == DESCRIPTION) FinishCollect();
    if (!hasBookmark_) return;
    importer_->AddBookmark(bookmarkCategory_, title_, url_, description_);
    hasBookmark_ = false;
    url_.clear();
    title_.clear();
    description_.clear();
}

bool NetscapeParser::StartTag(const Tag& tag) {
    const std::string_view name = tag.name;
    if (EqualsNoCase(name, "a")) {
        if (collect_ == HEADING) return true;
        FlushBookmark();
        FinishCollect();
        hasPendingFolder_ = false;
        const Attribute* href = tag.Find("href");
        if (!href) return true;
        std::string url = CleanUrl(Decode(href->value));
        if (url.empty()) return true;
        url_ = std::move(url);
        bookmarkCategory_ = Top();
        collect_ = ANCHOR;
        contentSeen_ = true;
    } else if (EqualsNoCase(name, "h3")) {
        FlushBookmark();
        FinishCollect();
        hasPendingFolder_ = false;
        collect_ = HEADING;
        contentSeen_ = true;
    } else if (EqualsNoCase(name, "dd")) {
        if (collect_ == ANCHOR || collect_ == HEADING) FinishCollect();
        if (collect_ == NONE) collect_ = hasBookmark_ ? DESCRIPTION : FOLDER_DESCRIPTION;
    } else if (EqualsNoCase(name, "dt") || EqualsNoCase(name, "hr")) {
        FlushBookmark();
        FinishCollect();
        hasPendingFolder_ = false;
    } else if (EqualsNoCase(name, "dl")) {
        FlushBookmark();
        FinishCollect();
        stack_.push_back(hasPendingFolder_ ? pendingFolder_ : Top());
        hasPendingFolder_ = false;
        contentSeen_ = true;
    } else if (EqualsNoCase(name, "br") || EqualsNoCase(name, "p")) {
        if (collect_ == DESCRIPTION && EqualsNoCase(name, "br")) text_.push_back('\n');
    } else if (EqualsNoCase(name, "meta") && !contentSeen_) {
        // The file's own encoding, as the browsers that wrote it declare it.
        std::string declared;
        if (const Attribute* charset = tag.Find("charset")) declared.assign(charset->value);
        if (const Attribute* content = tag.Find("content")) {
            const std::string value(content->value);
            const size_t at = FindNoCase(value, "charset=");
            if (at != std::string::npos) declared = value.substr(at + 8);
        }
        if (!declared.empty()) {
            const std::string trimmed = TrimSpaceChars(declared);
            encoding_ = FindNoCase(trimmed, "utf-8") == 0 || FindNoCase(trimmed, "utf8") == 0 ? TV_TEXT_UTF8 : TV_TEXT_ANSI;
        }
    }
    return true;
}

bool NetscapeParser::EndTag(const Tag& tag) {
    const std::string_view name = tag.name;
    if (EqualsNoCase(name, "h3")) {
        if (collect_ == HEADING) FinishCollect();
    } else if (EqualsNoCase(name, "a")) {
        if (collect_ == ANCHOR) FinishCollect();
    } else if (EqualsNoCase(name, "dl")) {
        FlushBookmark();
        FinishCollect();
        hasPendingFolder_ = false;
        // One end too many closes the bookmark root: the import ends there.
        if (stack_.size() <= 1) return false;
        stack_.pop_back();
    }
    return true;
}

void NetscapeParser::Parse(const std::string& s, size_t pos) {
    const size_t size = s.size();
    const char* data = s.data();
    Tag tag;
    while (pos < size) {
        if (data[pos] != '<') {
            const void* next = std::memchr(data + pos, '<', size - pos);
            const size_t end = next ? size_t(static_cast<const char*>(next) - data) : size;
            if (collect_ != NONE) text_.append(data + pos, end - pos);
            pos = end;
            continue;
        }
        // Comments, declarations, processing instructions: nothing inside them counts.
        if (s.compare(pos, 4, "<!--") == 0) {
            const size_t end = s.find("-->", pos + 4);
            pos = end == std::string::npos ? size : end + 3;
            continue;
        }
        const char after = pos + 1 < size ? data[pos + 1] : '\0';
        if (after == '!' || after == '?') {
            const size_t end = s.find('>', pos + 2);
            pos = end == std::string::npos ? size : end + 1;
            continue;
        }
        const bool endTag = after == '/' && pos + 2 < size && IsLetter(data[pos + 2]);
        if (!endTag && !IsLetter(after)) {
            // A lone "<" is text.
            if (collect_ != NONE) text_.push_back('<');
            ++pos;
            continue;
        }
        size_t k = pos + (endTag ? 2 : 1);
        const size_t nameStart = k;
        while (k < size && !IsSpace(data[k]) && data[k] != '>' && data[k] != '/') ++k;
        tag.name = std::string_view(data + nameStart, k - nameStart);
        tag.end = endTag;
        tag.attributes.clear();
        bool complete = false;
        while (k < size) {
            while (k < size && (IsSpace(data[k]) || data[k] == '/')) ++k;
            if (k >= size) break;
            if (data[k] == '>') {
                ++k;
                complete = true;
                break;
            }
            const size_t attributeStart = k;
            while (k < size && !IsSpace(data[k]) && data[k] != '=' && data[k] != '>' && data[k] != '/') ++k;
            if (k == attributeStart) ++k;  // a stray "=": skip it
            Attribute attribute;
            attribute.name = std::string_view(data + attributeStart, k - attributeStart);
            size_t look = k;
            while (look < size && IsSpace(data[look])) ++look;
            if (look < size && data[look] == '=') {
                k = look + 1;
                while (k < size && IsSpace(data[k])) ++k;
                if (k < size && (data[k] == '"' || data[k] == '\'')) {
                    const char quote = data[k];
                    const void* close = std::memchr(data + k + 1, quote, size - k - 1);
                    const size_t end = close ? size_t(static_cast<const char*>(close) - data) : size;
                    attribute.value = std::string_view(data + k + 1, end - k - 1);
                    k = end < size ? end + 1 : size;
                } else {
                    const size_t valueStart = k;
                    while (k < size && !IsSpace(data[k]) && data[k] != '>') ++k;
                    attribute.value = std::string_view(data + valueStart, k - valueStart);
                }
            }
            if (!endTag) tag.attributes.push_back(attribute);
        }
        pos = k;
        if (!complete) break;  // a tag cut off by the end of the file
        if (!(endTag ? EndTag(tag) : StartTag(tag))) {
            pos = size;
            break;
        }
    }
    FlushBookmark();
    FinishCollect();
}

// ---------------------------------------------------------------- Opera hotlist

class LineSource {
public:
    explicit LineSource(TByteStream* file) : reader_(file) {}
    bool Next(std::string* line) {
        if (hasPushed_) {
            hasPushed_ = false;
            line->swap(pushed_);
            return true;
        }
        return reader_.ReadLine(line);
    }
    void PushBack(const std::string& line) {
        pushed_ = line;
        hasPushed_ = true;
    }

private:
    TTextLineReader reader_;
    std::string pushed_;
    bool hasPushed_ = false;
};

// Opera keeps the line breaks of a description as two bytes 02 02.
std::string OperaDescription(const std::string& value) {
    std::string out;
    out.reserve(value.size());
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\x02' && i + 1 < value.size() && value[i + 1] == '\x02') {
            out.append("\r\n");
            ++i;
        } else {
            out.push_back(value[i]);
        }
    }
    return out;
}

void ReadFavorites(TBookmarkFileSystem* files, const std::string& folder, ListNode* category,
                   TBookmarkImporter* importer, int depth) {
    std::vector<TFolderEntry> entries;
    if (!files->ListFolder(folder, &entries)) return;
    for (const TFolderEntry& entry : entries) {
        if (entry.name.empty()) continue;
        if (entry.isFolder) {
            if (entry.name[0] == '.' || entry.hidden || entry.link || depth >= 64) continue;
            // A sub-folder whose name is no valid category name is skipped with its contents.
            ListNode* node = importer->EnterFolder(category, entry.name.c_str());
            if (node) ReadFavorites(files, folder + entry.name + "\\", node, importer, depth + 1);
            continue;
        }
        const size_t n = entry.name.size();
        if (n <= 4 || FindNoCase(entry.name, ".url", n - 4) != n - 4) continue;
        uint32_t error = 0;
        std::unique_ptr<TByteStream> file = files->OpenRead(folder + entry.name, &error);
        if (!file) continue;
        const std::string url = ReadInternetShortcutUrl(file.get());
        if (url.empty()) continue;
        importer->AddBookmark(category, entry.name.substr(0, n - 4), url, std::string());
    }
}

bool ReadWholeStream(TByteStream* file, std::string* out) {
    const int64_t size = file->Size();
    if (size > 0 && size < (int64_t(1) << 31)) out->reserve(size_t(size));
    char chunk[65536];
    for (;;) {
        const size_t got = file->Read(chunk, sizeof chunk);
        if (got == 0) break;
        out->append(chunk, got);
    }
    return true;
}

}  // namespace

// ---------------------------------------------------------------- TBookmarkImporter

TBookmarkImporter::TBookmarkImporter(TBookmarkListObject* bookmarks, TCategoryListObject* categories, int duplicateRule)
    : bookmarks_(bookmarks), categories_(categories), rule_(duplicateRule) {
    if (rule_ < TV_DUPLICATE_KEEP || rule_ > TV_DUPLICATE_ADD) rule_ = TV_DUPLICATE_KEEP;
}

ListNode* TBookmarkImporter::Root() {
    ListNode* root = categories_->FindCategoryById(0, TV_KIND_BOOKMARKS);
    if (!root) {
        categories_->EnsureDefaultCategories(0);
        root = categories_->FindCategoryById(0, TV_KIND_BOOKMARKS);
    }
    return root;
}

std::string TBookmarkImporter::CategoryKey(int32_t parentId, const std::string& name) {
    std::string key(reinterpret_cast<const char*>(&parentId), sizeof parentId);
    size_t begin = 0, end = name.size();
    while (begin < end && name[begin] == ' ') ++begin;
    while (end > begin && name[end - 1] == ' ') --end;
    for (size_t i = begin; i < end; ++i) key.push_back(Lower(name[i]));
    return key;
}

void TBookmarkImporter::BuildCategoryIndex() {
    categoriesIndexed_ = true;
    for (ListNode* node = categories_->First(); node; node = node->next) {
        if (!node->item || !categories_->IsItemValid(node->item)) continue;
        const CategoryItem* c = TCategoryListObject::Item(node);
        if (c->kind != TV_KIND_BOOKMARKS) continue;
        if (c->id > largestCategoryId_) largestCategoryId_ = c->id;
        // As FindCategoryByName: a category is never its own child; the first of a name counts.
        if (c->id != c->parentId) categoryByName_.emplace(CategoryKey(c->parentId, c->name), node);
    }
}

ListNode* TBookmarkImporter::EnterFolder(ListNode* parent, const char* rawName) {
    const CategoryItem* parentRecord = TCategoryListObject::Item(parent);
    if (!parentRecord) return nullptr;
    const std::string name = CleanFolderName(rawName);
    if (name.empty()) return nullptr;
    if (!categoriesIndexed_) BuildCategoryIndex();
    const std::string key = CategoryKey(parentRecord->id, name);
    auto found = categoryByName_.find(key);
    if (found != categoryByName_.end()) return found->second;
    if (!IsValidFileName(name.c_str())) return nullptr;
    // What AddCategory does, with the lookups kept in the index (an import makes many folders).
    int32_t id;
    if (largestCategoryId_ < INT32_MAX) {
        id = int32_t(largestCategoryId_ + 1);
    } else {
        id = categories_->NextCategoryId(TV_KIND_BOOKMARKS);
    }
    CategoryItem record{uint8_t(TV_KIND_BOOKMARKS), TV_CATEGORY_EXPANDED, const_cast<char*>(name.c_str()), id,
                        parentRecord->id, nullptr};
    ListNode* node = categories_->Add(&record, 0);
    if (!node) return nullptr;
    if (id > largestCategoryId_) largestCategoryId_ = id;
    categoryByName_.emplace(key, node);
    ++counts_.categoriesAdded;
    return node;
}

namespace {

// Bounds of a title without the blanks at its ends (the comparison of FindBookmarkByTitle).
void TrimmedBounds(const char* text, size_t length, size_t* begin, size_t* end) {
    *begin = 0;
    *end = length;
    while (*begin < *end && text[*begin] == ' ') ++*begin;
    while (*end > *begin && text[*end - 1] == ' ') --*end;
}

// Titles equal after trimming blanks, ASCII letters compared without case.
bool SameTitle(const char* a, const char* b, size_t bLength) {
    size_t ab, ae, bb, be;
    TrimmedBounds(a, std::strlen(a), &ab, &ae);
    TrimmedBounds(b, bLength, &bb, &be);
    if (ae - ab != be - bb) return false;
    for (size_t i = 0; i < ae - ab; ++i)
        if (Lower(a[ab + i]) != Lower(b[bb + i])) return false;
    return true;
}

}  // namespace

uint64_t TBookmarkImporter::Key(int32_t categoryId, const char* title, size_t length) {
    // FNV-1a over the category id and the trimmed, folded title.
    uint64_t hash = 14695981039346656037ull;
    const uint32_t id = uint32_t(categoryId);
    for (int i = 0; i < 4; ++i) hash = (hash ^ ((id >> (8 * i)) & 0xFF)) * 1099511628211ull;
    size_t begin, end;
    TrimmedBounds(title, length, &begin, &end);
    for (size_t i = begin; i < end; ++i) hash = (hash ^ uint8_t(Lower(title[i]))) * 1099511628211ull;
    return hash;
}

void TBookmarkImporter::Index(uint64_t key, ListNode* node) {
    const uint32_t index = uint32_t(entries_.size());
    entries_.push_back(Entry{node, kNoEntry});
    auto found = chains_.find(key);
    if (found == chains_.end()) {
        chains_.emplace(key, Chain{index, index});
    } else {
        entries_[found->second.last].next = index;
        found->second.last = index;
    }
}

void TBookmarkImporter::BuildIndex() {
    indexed_ = true;
    const uint32_t count = bookmarks_->Count(0);
    chains_.reserve(count + 1024);
    entries_.reserve(count + 1024);
    for (ListNode* node = bookmarks_->First(); node; node = node->next) {
        if (!node->item || !bookmarks_->IsItemValid(node->item)) continue;
        const BookmarkItem* r = TBookmarkListObject::Item(node);
        Index(Key(r->categoryId, r->title, std::strlen(r->title)), node);
    }
}

bool TBookmarkImporter::AddBookmark(ListNode* category, const std::string& title, const std::string& url,
                                    const std::string& description) {
    const CategoryItem* c = TCategoryListObject::Item(category);
    if (!c) return false;
    if (!indexed_) BuildIndex();
    // The title as the record will hold it (up to a NUL byte).
    const size_t titleLength = std::strlen(title.c_str());
    const uint64_t key = Key(c->id, title.c_str(), titleLength);
    size_t begin, end;
    TrimmedBounds(title.c_str(), titleLength, &begin, &end);
    const bool untitled = begin == end;
    // The bookmarks of the category with this title, in list order.
    std::vector<uint32_t> same;
    auto chain = chains_.find(key);
    if (chain != chains_.end()) {
        for (uint32_t i = chain->second.first; i != kNoEntry; i = entries_[i].next) {
            const ListNode* node = entries_[i].node;
            if (!node) continue;
            const BookmarkItem* r = TBookmarkListObject::Item(node);
            if (r->categoryId == c->id && SameTitle(r->title, title.c_str(), titleLength)) same.push_back(i);
        }
    }
    auto sameUrl = [&](uint32_t i) {
        return TextEquals(TBookmarkListObject::Item(entries_[i].node)->url, url.c_str(), 0, 0) != 0;
    };

    if (!same.empty()) {
        if (untitled) {
            // Bookmarks without a title differ by their address alone.
            for (uint32_t i : same) {
                if (sameUrl(i)) {
                    ++counts_.duplicatesSkipped;
                    return false;
                }
            }
        } else if (sameUrl(same.front())) {
            ++counts_.duplicatesSkipped;
            return false;
        } else if (rule_ == TV_DUPLICATE_KEEP) {
            ++counts_.duplicatesSkipped;
            return false;
        } else if (rule_ == TV_DUPLICATE_OVERWRITE) {
            ListNode* old = entries_[same.front()].node;
            entries_[same.front()].node = nullptr;
            bookmarks_->DeleteNode(old);
            ++counts_.bookmarksReplaced;
        } else {
            for (uint32_t i : same) {
                if (TextEquals(TBookmarkListObject::Item(entries_[i].node)->title, title.c_str(), 0, 0) && sameUrl(i)) {
                    ++counts_.duplicatesSkipped;
                    return false;
                }
            }
        }
    }
    BookmarkItem record{const_cast<char*>(url.c_str()), const_cast<char*>(title.c_str()),
                        const_cast<char*>(description.c_str()), c->id, category};
    ListNode* node = bookmarks_->Add(&record, 0);
    if (!node) return false;
    Index(key, node);
    ++counts_.bookmarksAdded;
    return true;
}

// ---------------------------------------------------------------- readers

bool ReadNetscapeBookmarks(TByteStream* file, TBookmarkImporter* importer, const TAnsiCodec& codec) {
    if (!file || !importer || !importer->Root()) return false;
    std::string text;
    ReadWholeStream(file, &text);
    const size_t marker = FindNoCase(text, "<!DOCTYPE NETSCAPE-Bookmark-file-1>");
    if (marker == std::string::npos) return false;
    const TvTextEncoding encoding = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? TV_TEXT_UTF8 : TV_TEXT_ANSI;
    NetscapeParser parser(importer, codec, encoding);
    parser.Parse(text, marker + std::strlen("<!DOCTYPE NETSCAPE-Bookmark-file-1>"));
    return true;
}

bool ReadOperaHotlist(TByteStream* file, TBookmarkImporter* importer, const TAnsiCodec& codec) {
    if (!file || !importer) return false;
    ListNode* root = importer->Root();
    if (!root) return false;
    LineSource lines(file);
    std::string line;
    bool found = false;
    while (!found && lines.Next(&line)) found = FindNoCase(line, "Opera Hotlist") != std::string::npos;
    if (!found) return false;

    TvTextEncoding encoding = TV_TEXT_ANSI;
    auto decode = [&](const std::string& raw) { return DecodeBrowserText(raw.data(), raw.size(), encoding, false, codec); };
    std::vector<ListNode*> stack{root};
    while (lines.Next(&line)) {
        const std::string t = TrimBlanksAndTabs(line);
        if (t.empty()) continue;
        if (FindNoCase(t, "Options:") == 0) {
            if (FindNoCase(t, "utf8") != std::string::npos || FindNoCase(t, "utf-8") != std::string::npos)
                encoding = TV_TEXT_UTF8;
            continue;
        }
        if (t[0] == '-') {
            // One end too many closes the bookmark root: the import ends there.
            if (stack.size() <= 1) break;
            stack.pop_back();
            continue;
        }
        if (t[0] != '#') continue;
        size_t wordEnd = 1;
        while (wordEnd < t.size() && !IsSpace(t[wordEnd])) ++wordEnd;
        const std::string_view word(t.data() + 1, wordEnd - 1);
        // The record's fields, up to an empty line (or the next record or folder end).
        std::string name, url, description;
        bool hasName = false, hasUrl = false, hasDescription = false;
        std::string field;
        while (lines.Next(&field)) {
            const std::string f = TrimBlanksAndTabs(field);
            if (f.empty()) break;
            if (f[0] == '#' || f[0] == '-') {
                lines.PushBack(field);
                break;
            }
            const size_t equals = f.find('=');
            if (equals == std::string::npos) continue;
            const std::string key = TrimBlanksAndTabs(f.substr(0, equals));
            const std::string value = TrimBlanksAndTabs(f.substr(equals + 1));
            if (!hasName && EqualsNoCase(key, "NAME")) {
                name = value;
                hasName = true;
            } else if (!hasUrl && EqualsNoCase(key, "URL")) {
                url = value;
                hasUrl = true;
            } else if (!hasDescription && EqualsNoCase(key, "DESCRIPTION")) {
                description = value;
                hasDescription = true;
            }
        }
        if (EqualsNoCase(word, "FOLDER")) {
            ListNode* folder = importer->EnterFolder(stack.back(), SingleLine(decode(name)).c_str());
            stack.push_back(folder ? folder : stack.back());
        } else if (EqualsNoCase(word, "URL")) {
            importer->AddBookmark(stack.back(), SingleLine(decode(name)), CleanUrl(decode(url)),
                                  MultiLine(OperaDescription(decode(description))));
        }
    }
    return true;
}

void ReadFavoritesFolder(TBookmarkFileSystem* files, const std::string& folder, TBookmarkImporter* importer) {
    if (!files || !importer) return;
    ListNode* root = importer->Root();
    if (!root) return;
    std::string start = folder;
    if (!start.empty() && start.back() != '\\' && start.back() != '/') start.push_back('\\');
    ReadFavorites(files, start, root, importer, 0);
}

int ImportBookmarks(const TBookmarkImportContext& context, TBookmarkImportCounts* counts) {
    if (counts) *counts = TBookmarkImportCounts();
    const BookmarkImportSettings* s = context.settings;
    if (!s || !context.bookmarks || !context.categories || !context.files) return 0;
    const TAnsiCodec& codec = context.codec ? *context.codec : DefaultAnsiCodec();
    const int format = s->format <= TV_IMPORT_OPERA ? int(s->format) : int(TV_IMPORT_NETSCAPE);
    const char* stored = format == TV_IMPORT_NETSCAPE    ? s->netscapeBookmarkFile
                         : format == TV_IMPORT_FAVORITES ? s->favoritesFolder
                                                         : s->operaHotlistFile;
    // A fixed field from a file may lack its terminator.
    const std::string path = TrimBlanksAndTabs(std::string(stored, strnlen(stored, TV_PATH_SIZE)));
    if (path.empty()) return 0;

    TBookmarkImporter importer(context.bookmarks, context.categories, s->duplicateRule);
    if (format == TV_IMPORT_FAVORITES) {
        ReadFavoritesFolder(context.files, path, &importer);
    } else {
        uint32_t error = 0;
        std::unique_ptr<TByteStream> file = context.files->OpenRead(path, &error);
        if (!file) {
            if (!context.silent) context.files->ReportOpenError(path, error);
            return 0;
        }
        if (format == TV_IMPORT_NETSCAPE)
            ReadNetscapeBookmarks(file.get(), &importer, codec);
        else
            ReadOperaHotlist(file.get(), &importer, codec);
    }
    if (counts) *counts = importer.Counts();
    return importer.Changed() ? 1 : 0;
}
