// What the exports of bookmarks and of the file database share: the category tree of one kind
// with the exported items of each category, and an output buffer over the target stream.
// Platform-free.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "bookmarks/exchange_text.h"
#include "core/items.h"
#include "util/stream.h"

class TExportTree {
public:
    // The categories of the kind, in category-list order.
    TExportTree(const TCategoryListObject* categories, int kind);

    // Files an exported item under its category (call in item-list order).
    void AddItem(int32_t categoryId, const ListNode* item);

    const ListNode* Root() const { return root_; }
    // Every category of the kind in category-list order (the root and all levels).
    const std::vector<const ListNode*>& Flat() const { return flat_; }
    // The subcategories (parent id = id, own id different) in category-list order.
    const std::vector<const ListNode*>& Children(int32_t id) const;
    const std::vector<const ListNode*>& Items(int32_t id) const;
    // True when the category or a category below it holds exported items.
    bool HasContent(int32_t id);

    // Walks the tree from the root, depth first, children in category-list order: visit(category,
    // depth, true) before its subcategories (returning false skips them and the closing call),
    // visit(category, depth, false) after them. Iterative, so any depth is safe.
    void Walk(const std::function<bool(const ListNode*, int, bool)>& visit) const;

private:
    const ListNode* root_ = nullptr;
    std::vector<const ListNode*> flat_;
    std::unordered_map<int32_t, std::vector<const ListNode*>> children_;
    std::unordered_map<int32_t, std::vector<const ListNode*>> items_;
    std::unordered_map<int32_t, bool> content_;
    bool contentKnown_ = false;
};

// The texts of a run of string ids (first .. first + count - 1), looked up once.
class TTemplateTexts {
public:
    TTemplateTexts(uint32_t first, uint32_t count);
    const char* operator()(uint32_t id) const { return id - first_ < texts_.size() ? texts_[id - first_] : ""; }

private:
    uint32_t first_;
    std::vector<const char*> texts_;
};

// Collects the output and writes it to the stream in large blocks.
class TExportOutput {
public:
    explicit TExportOutput(TByteStream* file) : file_(file) {}
    void Append(const char* text);
    void Append(const std::string& text);
    // HTML-escaped (see AppendHtmlEscaped); with lineBreaks every line break becomes "<BR>" CR LF.
    void AppendHtml(const char* text, const TAnsiCodec& codec, bool lineBreaks = false);
    // A field of a delimited record (see AppendDelimitedField).
    void AppendField(const char* text, const std::string& delimiter);
    // Writes what is left; false when any write failed.
    bool Finish();

private:
    void FlushIfLarge();
    TByteStream* file_;
    std::string buffer_;
    bool ok_ = true;
};
