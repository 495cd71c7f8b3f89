// Helpers of the core tests: byte builders for the documented section layouts and record makers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/items.h"
#include "core/lists.h"

class Bytes {
public:
    Bytes& U8(uint8_t v) {
        data_.push_back(v);
        return *this;
    }
    Bytes& U32(uint32_t v) {
        for (int i = 0; i < 4; ++i) data_.push_back(uint8_t(v >> (8 * i)));
        return *this;
    }
    Bytes& I32(int32_t v) { return U32(uint32_t(v)); }
    Bytes& Text(const std::string& s) {
        I32(int32_t(s.size()));
        data_.insert(data_.end(), s.begin(), s.end());
        return *this;
    }
    Bytes& Append(const Bytes& other) {
        data_.insert(data_.end(), other.data_.begin(), other.data_.end());
        return *this;
    }
    const std::vector<uint8_t>& Data() const { return data_; }
    size_t Size() const { return data_.size(); }

private:
    std::vector<uint8_t> data_;
};

inline CategoryItem Category(int kind, int32_t id, int32_t parent, const char* name, uint8_t flags = 1) {
    return CategoryItem{uint8_t(kind), flags, const_cast<char*>(name), id, parent, nullptr};
}

inline FileItem Download(const char* name, int32_t categoryId, const char* stored = nullptr, uint32_t flags = 1) {
    FileItem f{};
    f.fileName = const_cast<char*>(name);
    f.storedName = const_cast<char*>(stored ? stored : name);
    f.description = const_cast<char*>("");
    f.extractedTo = const_cast<char*>("");
    f.website = const_cast<char*>("");
    f.flags = flags;
    f.categoryId = categoryId;
    return f;
}

inline BookmarkItem Bookmark(const char* url, const char* title, int32_t categoryId, const char* description = "") {
    return BookmarkItem{const_cast<char*>(url), const_cast<char*>(title), const_cast<char*>(description), categoryId,
                        nullptr};
}

inline ShortcutItem Shortcut(const char* title, int32_t categoryId) {
    return ShortcutItem{const_cast<char*>(title), 0, categoryId, nullptr};
}

// Names of the categories in chain order as "kind:id:parent:name".
inline std::vector<std::string> Describe(const TCategoryListObject& list) {
    std::vector<std::string> out;
    for (const ListNode* n = list.First(); n; n = n->next) {
        const CategoryItem* c = TCategoryListObject::Item(n);
        out.push_back(std::to_string(c->kind) + ":" + std::to_string(c->id) + ":" + std::to_string(c->parentId) + ":" +
                      c->name);
    }
    return out;
}

inline std::vector<std::string> Texts(const TDynamicStringListObject& list) {
    std::vector<std::string> out;
    for (const ListNode* n = list.First(); n; n = n->next) out.push_back(TDynamicStringListObject::Item(n)->text);
    return out;
}
