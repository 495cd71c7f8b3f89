#include "bookmarks/export_tree.h"

#include <cstring>
#include <unordered_set>

#include "util/strings.h"
#include "util/safestr.h"

namespace {
const std::vector<const ListNode*> kNone;
}

TExportTree::TExportTree(const TCategoryListObject* categories, int kind) {
    if (!categories) return;
    for (const ListNode* node = categories->First(); node; node = node->next) {
        if (!node->item || !categories->IsItemValid(node->item)) continue;
        const CategoryItem* c = TCategoryListObject::Item(node);
        if (c->kind != kind) continue;
        flat_.push_back(node);
        if (c->id == 0 && !root_) root_ = node;
        if (c->id != c->parentId) children_[c->parentId].push_back(node);
    }
}

void TExportTree::AddItem(int32_t categoryId, const ListNode* item) {
    items_[categoryId].push_back(item);
    contentKnown_ = false;
}

const std::vector<const ListNode*>& TExportTree::Children(int32_t id) const {
    auto it = children_.find(id);
    return it == children_.end() ? kNone : it->second;
}

const std::vector<const ListNode*>& TExportTree::Items(int32_t id) const {
    auto it = items_.find(id);
    return it == items_.end() ? kNone : it->second;
}

bool TExportTree::HasContent(int32_t id) {
    if (!contentKnown_) {
        content_.clear();
        // Children are finished before their parent: the closing calls of the walk come bottom-up.
        Walk([&](const ListNode* node, int, bool entering) {
            if (entering) return true;
            const CategoryItem* c = TCategoryListObject::Item(node);
            bool has = !Items(c->id).empty();
            for (const ListNode* child : Children(c->id)) has = has || content_[TCategoryListObject::Item(child)->id];
            content_[c->id] = has;
            return true;
        });
        contentKnown_ = true;
    }
    auto it = content_.find(id);
    return it != content_.end() && it->second;
}

void TExportTree::Walk(const std::function<bool(const ListNode*, int, bool)>& visit) const {
    if (!root_) return;
    struct Frame {
        const ListNode* node;
        size_t next;
    };
    std::vector<Frame> stack;
    std::unordered_set<const ListNode*> seen;
    seen.insert(root_);
    if (!visit(root_, 0, true)) return;
    stack.push_back({root_, 0});
    while (!stack.empty()) {
        Frame& top = stack.back();
        const std::vector<const ListNode*>& children = Children(TCategoryListObject::Item(top.node)->id);
        if (top.next < children.size()) {
            const ListNode* child = children[top.next++];
            if (!seen.insert(child).second) continue;
            const int depth = int(stack.size());
            if (visit(child, depth, true)) stack.push_back({child, 0});
            continue;
        }
        const ListNode* done = top.node;
        stack.pop_back();
        visit(done, int(stack.size()), false);
    }
}

TTemplateTexts::TTemplateTexts(uint32_t first, uint32_t count) : first_(first) {
    for (uint32_t i = 0; i < count; ++i) texts_.push_back(TvString(first + i));
}

void TExportOutput::Append(const char* text) {
    if (text) buffer_.append(text);
    FlushIfLarge();
}

void TExportOutput::Append(const std::string& text) {
    buffer_.append(text);
    FlushIfLarge();
}

void TExportOutput::AppendHtml(const char* text, const TAnsiCodec& codec, bool lineBreaks) {
    if (!text) return;
    if (!lineBreaks) {
        AppendHtmlEscaped(&buffer_, text, codec);
    } else {
        std::string line;
        for (const char* p = text;; ++p) {
            if (*p == '\0' || *p == '\r' || *p == '\n') {
                AppendHtmlEscaped(&buffer_, line.c_str(), codec);
                line.clear();
                if (*p == '\0') break;
                if (*p == '\r' && p[1] == '\n') ++p;
                buffer_.append("<BR>\r\n");
            } else {
                line.push_back(*p);
            }
        }
    }
    FlushIfLarge();
}

void TExportOutput::AppendField(const char* text, const std::string& delimiter) {
    AppendDelimitedField(&buffer_, text, delimiter.c_str());
    FlushIfLarge();
}

void TExportOutput::FlushIfLarge() {
    if (buffer_.size() < (1u << 20)) return;
    if (ok_ && file_) ok_ = file_->Write(buffer_.data(), buffer_.size());
    buffer_.clear();
}

bool TExportOutput::Finish() {
    if (!buffer_.empty() && ok_ && file_) ok_ = file_->Write(buffer_.data(), buffer_.size());
    buffer_.clear();
    return ok_ && file_ != nullptr;
}
