#include "core/lists.h"

#include <cstring>

#include <cstdlib>
#include <new>

#include "core/items.h"
#include "core/list_io.h"
#include "util/text.h"
#include "util/textcopy.h"

// ---------------------------------------------------------------- TDynamicListObject

TDynamicListObject::~TDynamicListObject() { Clear(); }

void TDynamicListObject::InitItem(void*) {}
void TDynamicListObject::FreeItemData(void*) {}
void TDynamicListObject::CopyItem(void*, const void*, int) {}
int TDynamicListObject::IsItemValid(const void*) const { return 0; }
void* TDynamicListObject::NewItem() { return nullptr; }
void TDynamicListObject::DeleteItem(ListNode*) {}

int TDynamicListObject::ContainsItem(const void* item) const { return item && FindNode(item) ? 1 : 0; }

uint32_t TDynamicListObject::Count(int onlyValid) const {
    if (onlyValid != 1) return nodeCount_;
    uint32_t count = 0;
    for (const ListNode* node = head_; node; node = node->next)
        if (WalkedNodeValid(node)) ++count;
    return count;
}

void TDynamicListObject::ReleaseNode(ListNode* node) {
    if (node->item) {
        FreeItemData(node->item);
        DeleteItem(node);
    }
    members_.erase(node);
    --nodeCount_;
    ++removals_;
    delete node;
}

void TDynamicListObject::DeleteNode(ListNode* node) {
    if (!node) return;
    auto member = members_.find(node);
    if (member == members_.end()) return;
    ListNode* before = member->second;
    if (before ? before->next != node : head_ != node) {
        // The recorded predecessor no longer leads here (the chain was relinked by hand): find
        // the real one; a node that is no longer reachable is left alone.
        before = nullptr;
        if (head_ != node) {
            before = head_;
            while (before && before->next != node) before = before->next;
            if (!before) return;
        }
    }
    ListNode* next = node->next;
    if (next) {
        auto after = members_.find(next);
        if (after != members_.end()) after->second = before;
    }
    if (tail_ == node) tail_ = before;
    ReleaseNode(node);
    if (before)
        before->next = next;
    else
        head_ = next;
}

void TDynamicListObject::Clear() {
    ListNode* node = head_;
    while (node) {
        ListNode* next = node->next;
        if (node->item) {
            FreeItemData(node->item);
            DeleteItem(node);
        }
        delete node;
        node = next;
    }
    if (head_) ++removals_;
    head_ = tail_ = nullptr;
    nodeCount_ = 0;
    members_.clear();
}

void TDynamicListObject::CopyTo(TDynamicListObject* dest, int append) const {
    if (!dest) return;
    if (dest == this) {
        // Copying a list into itself: append copies of the records it holds now, once.
        if (append == 0) return;
        ListNode* last = tail_;
        for (ListNode* node = head_; node; node = node->next) {
            if (node->item) dest->Add(node->item, 0);
            if (node == last) break;
        }
        return;
    }
    if (append == 0) dest->Clear();
    for (const ListNode* node = head_; node; node = node->next)
        if (node->item) dest->Add(node->item, 0);
}

ListNode* TDynamicListObject::Add(const void* item, int checkDuplicates) {
    if (!item) return nullptr;
    if (checkDuplicates == 1) {
        if (ListNode* existing = FindDuplicate(item)) return existing;
    }
    // The node joins the chain only with its whole record: running out of memory part-way (a
    // text of the copy, the node, its membership entry) leaves the list as it was.
    void* record = NewItem();
    if (!record) return nullptr;
    ListNode* node = nullptr;
    try {
        CopyItem(record, item, 0);
        node = new ListNode{record, nullptr};
        members_.emplace(node, tail_);
    } catch (...) {
        // A new record starts zeroed, so this releases exactly the texts copied so far.
        ListNode holder{record, nullptr};
        FreeItemData(record);
        DeleteItem(&holder);
        delete node;
        throw;
    }
    if (tail_)
        tail_->next = node;
    else
        head_ = node;
    tail_ = node;
    ++nodeCount_;
    return node;
}

ListNode* TDynamicListObject::AddTaken(void* item, size_t size) {
    if (!item) return nullptr;
    void* record = NewItem();
    if (!record) return nullptr;
    // As in Add: node and membership first, so that running out of memory leaves the list as it
    // was and the texts with the caller's record.
    ListNode* node = nullptr;
    try {
        node = new ListNode{record, nullptr};
        members_.emplace(node, tail_);
    } catch (...) {
        ListNode holder{record, nullptr};
        DeleteItem(&holder);  // still the new, empty record
        delete node;
        throw;
    }
    std::memcpy(record, item, size);
    std::memset(item, 0, size);
    if (tail_)
        tail_->next = node;
    else
        head_ = node;
    tail_ = node;
    ++nodeCount_;
    return node;
}

ListNode* TDynamicListObject::FindDuplicate(const void*) const { return nullptr; }

int TDynamicListObject::IsNodeValid(const ListNode* node, int checkMembership) const {
    if (checkMembership == 1) {
        if (!ContainsNode(node)) return 0;
    } else if (!node) {
        return 0;
    }
    return node->item && IsItemValid(node->item) ? 1 : 0;
}

int TDynamicListObject::ContainsNode(const ListNode* node) const { return node && members_.count(node) ? 1 : 0; }

ListNode* TDynamicListObject::FindNode(const void* item) const {
    for (ListNode* node = head_; node; node = node->next)
        if (node->item == item) return node;
    return nullptr;
}

// ---------------------------------------------------------------- helpers of the subclasses

namespace {

template <typename T>
T* AllocRecord() {
    // Zeroed, so that a record whose copy stopped part-way can still be released.
    void* p = std::calloc(1, sizeof(T));
    if (!p) throw std::bad_alloc();
    return static_cast<T*>(p);
}

template <typename T>
void ReleaseRecord(ListNode* node) {
    if (!node) return;
    std::free(node->item);
    node->item = nullptr;
}

bool WriteText(TByteStream* file, const char* text) { return WriteCountedString(file, text); }

}  // namespace

// ---------------------------------------------------------------- TDynamicStringListObject

void TDynamicStringListObject::InitItem(void* item) {
    auto* r = static_cast<StringItem*>(item);
    if (!r) return;
    r->text = TextDuplicate("");
    r->value = 0;
}
void TDynamicStringListObject::FreeItemData(void* item) {
    if (auto* r = static_cast<StringItem*>(item)) TextRelease(&r->text);
}
void TDynamicStringListObject::CopyItem(void* dest, const void* src, int freeOld) {
    auto* d = static_cast<StringItem*>(dest);
    auto* s = static_cast<const StringItem*>(src);
    if (!d || !s) return;
    TextAssign(&d->text, s->text, freeOld == 1);
    d->value = s->value;
}
int TDynamicStringListObject::IsItemValid(const void* item) const {
    auto* r = static_cast<const StringItem*>(item);
    return r && r->text ? 1 : 0;
}
void* TDynamicStringListObject::NewItem() { return AllocRecord<StringItem>(); }
void TDynamicStringListObject::DeleteItem(ListNode* node) { ReleaseRecord<StringItem>(node); }
ListNode* TDynamicStringListObject::FindDuplicate(const void* item) const {
    auto* r = static_cast<const StringItem*>(item);
    if (!r || !r->text) return nullptr;
    for (ListNode* node = First(); node; node = node->next) {
        if (!WalkedNodeValid(node)) continue;
        if (TextEquals(Item(node)->text, r->text, 0, 0)) return node;
    }
    return nullptr;
}

ListNode* TDynamicStringListObject::FindString(const char* text) const {
    if (!text || !*text) return nullptr;
    for (ListNode* node = First(); node; node = node->next)
        if (WalkedNodeValid(node) && TextEquals(Item(node)->text, text, 0, 0)) return node;
    return nullptr;
}

ListNode* TDynamicStringListObject::AddString(const char* text, int checkDuplicates, uint32_t value) {
    if (!text || !*text) return nullptr;
    StringItem record{const_cast<char*>(text), value};
    return Add(&record, checkDuplicates);
}

void TDynamicStringListObject::TrimToCount(uint32_t n) {
    uint32_t count = Count(1);
    while (count > n && First()) {
        const bool wasValid = WalkedNodeValid(First());
        DeleteNode(First());
        if (wasValid) --count;
    }
}

int TDynamicStringListObject::Read(TByteStream* file) {
    return tvlist::ReadSection<StringItem>(
        this, file,
        [file](StringItem* r) { return tvlist::ReadHeapText(file, &r->text) && file->ReadU32(&r->value); },
        [this](StringItem* r) { Add(r, 0); });
}

int TDynamicStringListObject::Write(TByteStream* file) const {
    return tvlist::WriteSection<StringItem>(
        this, file, [file](const StringItem* r) { return WriteText(file, r->text) && file->WriteU32(r->value); });
}

// ---------------------------------------------------------------- TExtProcListObject

void TExtProcListObject::InitItem(void* item) {
    if (auto* r = static_cast<ExtProcItem*>(item)) r->commandLine = TextDuplicate("");
}
void TExtProcListObject::FreeItemData(void* item) {
    if (auto* r = static_cast<ExtProcItem*>(item)) TextRelease(&r->commandLine);
}
void TExtProcListObject::CopyItem(void* dest, const void* src, int freeOld) {
    auto* d = static_cast<ExtProcItem*>(dest);
    auto* s = static_cast<const ExtProcItem*>(src);
    if (!d || !s) return;
    TextAssign(&d->commandLine, s->commandLine, freeOld == 1);
}
int TExtProcListObject::IsItemValid(const void* item) const {
    auto* r = static_cast<const ExtProcItem*>(item);
    return r && r->commandLine ? 1 : 0;
}
void* TExtProcListObject::NewItem() { return AllocRecord<ExtProcItem>(); }
void TExtProcListObject::DeleteItem(ListNode* node) { ReleaseRecord<ExtProcItem>(node); }
ListNode* TExtProcListObject::FindDuplicate(const void*) const { return nullptr; }

int TExtProcListObject::Read(TByteStream* file) {
    return tvlist::ReadSection<ExtProcItem>(
        this, file, [file](ExtProcItem* r) { return tvlist::ReadHeapText(file, &r->commandLine); },
        [this](ExtProcItem* r) { Add(r, 0); });
}

int TExtProcListObject::Write(TByteStream* file) const {
    return tvlist::WriteSection<ExtProcItem>(this, file,
                                             [file](const ExtProcItem* r) { return WriteText(file, r->commandLine); });
}

// ---------------------------------------------------------------- TTempFileListObject

void TTempFileListObject::InitItem(void* item) {
    auto* r = static_cast<TempFileEntry*>(item);
    if (!r) return;
    r->path = TextDuplicate("");
    r->kind = TV_TEMP_FILE;
}
void TTempFileListObject::FreeItemData(void* item) {
    if (auto* r = static_cast<TempFileEntry*>(item)) TextRelease(&r->path);
}
void TTempFileListObject::CopyItem(void* dest, const void* src, int freeOld) {
    auto* d = static_cast<TempFileEntry*>(dest);
    auto* s = static_cast<const TempFileEntry*>(src);
    if (!d || !s) return;
    TextAssign(&d->path, s->path, freeOld == 1);
    d->kind = s->kind;
}
int TTempFileListObject::IsItemValid(const void* item) const {
    auto* r = static_cast<const TempFileEntry*>(item);
    return r && r->path ? 1 : 0;
}
void* TTempFileListObject::NewItem() { return AllocRecord<TempFileEntry>(); }
void TTempFileListObject::DeleteItem(ListNode* node) { ReleaseRecord<TempFileEntry>(node); }
ListNode* TTempFileListObject::FindDuplicate(const void* item) const {
    auto* r = static_cast<const TempFileEntry*>(item);
    if (!r || !r->path) return nullptr;
    for (ListNode* node = First(); node; node = node->next)
        if (WalkedNodeValid(node) && TextEquals(Item(node)->path, r->path, 0, 0)) return node;
    return nullptr;
}

int TTempFileListObject::Read(TByteStream* file) {
    return tvlist::ReadSection<TempFileEntry>(
        this, file,
        [file](TempFileEntry* r) { return tvlist::ReadHeapText(file, &r->path) && file->ReadU32(&r->kind); },
        [this](TempFileEntry* r) { Add(r, 0); });
}

int TTempFileListObject::Write(TByteStream* file) const {
    return tvlist::WriteSection<TempFileEntry>(
        this, file, [file](const TempFileEntry* r) { return WriteText(file, r->path) && file->WriteU32(r->kind); });
}

// ---------------------------------------------------------------- TFileIconListObject

void TFileIconListObject::InitItem(void* item) {
    auto* r = static_cast<FileIconItem*>(item);
    if (!r) return;
    r->extension = TextDuplicate("");
    r->imageIndex = -1;
}
void TFileIconListObject::FreeItemData(void* item) {
    if (auto* r = static_cast<FileIconItem*>(item)) TextRelease(&r->extension);
}
void TFileIconListObject::CopyItem(void* dest, const void* src, int freeOld) {
    auto* d = static_cast<FileIconItem*>(dest);
    auto* s = static_cast<const FileIconItem*>(src);
    if (!d || !s) return;
    TextAssign(&d->extension, s->extension, freeOld == 1);
    d->imageIndex = s->imageIndex;
}
int TFileIconListObject::IsItemValid(const void* item) const {
    auto* r = static_cast<const FileIconItem*>(item);
    return r && r->extension ? 1 : 0;
}
void* TFileIconListObject::NewItem() { return AllocRecord<FileIconItem>(); }
void TFileIconListObject::DeleteItem(ListNode* node) { ReleaseRecord<FileIconItem>(node); }
ListNode* TFileIconListObject::FindDuplicate(const void* item) const {
    auto* r = static_cast<const FileIconItem*>(item);
    if (!r || !r->extension) return nullptr;
    for (ListNode* node = First(); node; node = node->next)
        if (WalkedNodeValid(node) && TextEquals(Item(node)->extension, r->extension, 0, 0)) return node;
    return nullptr;
}

// ---------------------------------------------------------------- ArchiveMember / TArchiveFileListObject

void InitArchiveMember(ArchiveMember* m) {
    if (!m) return;
    m->index = 0;
    m->name = TextDuplicate("");
    m->folder = TextDuplicate("");
    m->size = m->packed = m->flags = m->attributes = 0;
    m->ratio = 0;
    m->time = TvFileTime{};
    m->setup = 0;
}

void CopyArchiveMember(ArchiveMember* d, const ArchiveMember* s, int freeOld) {
    if (!d || !s) return;
    d->index = s->index;
    TextAssign(&d->name, s->name, freeOld == 1);
    TextAssign(&d->folder, s->folder, freeOld == 1);
    d->size = s->size;
    d->packed = s->packed;
    d->flags = s->flags;
    d->attributes = s->attributes;
    d->ratio = s->ratio;
    d->time = s->time;
    d->setup = s->setup;
}

void FreeArchiveMember(ArchiveMember* m) {
    if (!m) return;
    TextRelease(&m->name);
    TextRelease(&m->folder);
}

void TArchiveFileListObject::InitItem(void* item) { InitArchiveMember(static_cast<ArchiveMember*>(item)); }
void TArchiveFileListObject::FreeItemData(void* item) { FreeArchiveMember(static_cast<ArchiveMember*>(item)); }
void TArchiveFileListObject::CopyItem(void* dest, const void* src, int freeOld) {
    CopyArchiveMember(static_cast<ArchiveMember*>(dest), static_cast<const ArchiveMember*>(src), freeOld);
}
int TArchiveFileListObject::IsItemValid(const void* item) const {
    auto* r = static_cast<const ArchiveMember*>(item);
    return r && r->name && r->folder ? 1 : 0;
}
void* TArchiveFileListObject::NewItem() { return AllocRecord<ArchiveMember>(); }
void TArchiveFileListObject::DeleteItem(ListNode* node) { ReleaseRecord<ArchiveMember>(node); }
ListNode* TArchiveFileListObject::FindDuplicate(const void*) const { return nullptr; }

// ---------------------------------------------------------------- TZipSearchFileListObject

void TZipSearchFileListObject::InitItem(void* item) {
    auto* r = static_cast<ArchiveSearchHit*>(item);
    if (!r) return;
    r->download = nullptr;
    InitArchiveMember(&r->member);
    r->storedName = TextDuplicate("");
    r->categoryId = 0;
}
void TZipSearchFileListObject::FreeItemData(void* item) {
    if (auto* r = static_cast<ArchiveSearchHit*>(item)) {
        FreeArchiveMember(&r->member);
        TextRelease(&r->storedName);
    }
}
void TZipSearchFileListObject::CopyItem(void* dest, const void* src, int freeOld) {
    auto* d = static_cast<ArchiveSearchHit*>(dest);
    auto* s = static_cast<const ArchiveSearchHit*>(src);
    if (!d || !s) return;
    d->download = s->download;
    CopyArchiveMember(&d->member, &s->member, freeOld);
    TextAssign(&d->storedName, s->storedName, freeOld == 1);
    d->categoryId = s->categoryId;
}
int TZipSearchFileListObject::IsItemValid(const void* item) const {
    auto* r = static_cast<const ArchiveSearchHit*>(item);
    // Membership first: the node of a deleted download is freed memory and must not be read.
    if (!r || !r->download || !downloads_ || !downloads_->ContainsNode(r->download)) return 0;
    const FileItem* file = static_cast<const FileItem*>(r->download->item);
    if (!file || !file->storedName || !r->storedName || r->categoryId != file->categoryId) return 0;
    if (!TextEquals(file->storedName, r->storedName, 1, 0)) return 0;
    return TFileListObject::IsItemShown(file);
}
void TZipSearchFileListObject::LinkDownload(ArchiveSearchHit* hit, ListNode* download) {
    if (!hit) return;
    hit->download = download;
    const FileItem* file = download ? static_cast<const FileItem*>(download->item) : nullptr;
    TextAssign(&hit->storedName, file && file->storedName ? file->storedName : "", true);
    hit->categoryId = file ? file->categoryId : 0;
}
void* TZipSearchFileListObject::NewItem() { return AllocRecord<ArchiveSearchHit>(); }
void TZipSearchFileListObject::DeleteItem(ListNode* node) { ReleaseRecord<ArchiveSearchHit>(node); }
ListNode* TZipSearchFileListObject::FindDuplicate(const void*) const { return nullptr; }

// ---------------------------------------------------------------- TMirrorListListObject

void TMirrorListListObject::InitItem(void* item) {
    if (auto* r = static_cast<MirrorItem*>(item)) r->first = r->second = 0;
}
void TMirrorListListObject::FreeItemData(void*) {}
void TMirrorListListObject::CopyItem(void* dest, const void* src, int) {
    auto* d = static_cast<MirrorItem*>(dest);
    auto* s = static_cast<const MirrorItem*>(src);
    if (!d || !s) return;
    *d = *s;
}
int TMirrorListListObject::IsItemValid(const void* item) const {
    auto* r = static_cast<const MirrorItem*>(item);
    return r && r->second != 0 ? 1 : 0;
}
void* TMirrorListListObject::NewItem() { return AllocRecord<MirrorItem>(); }
void TMirrorListListObject::DeleteItem(ListNode* node) { ReleaseRecord<MirrorItem>(node); }
ListNode* TMirrorListListObject::FindDuplicate(const void*) const { return nullptr; }
