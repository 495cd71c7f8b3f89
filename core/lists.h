// Record lists: the one container family of the program. A list owns a chain of nodes, each
// pointing at one heap record that the list created and filled with its own copies of the texts.
// What depends on the record type (creating, copying, releasing, validating, recognising a
// duplicate) is left to the virtual operations that every subclass overrides.
#pragma once

#include <cstdint>
#include <unordered_map>

#include "util/stream.h"
#include "util/tvbase.h"

struct ListNode {
    void* item;      // the record this node owns (null only while a node is being set up)
    ListNode* next;  // the following node, null at the end
};

class TDynamicListObject {
public:
    TDynamicListObject() = default;
    // Subclasses call Clear() in their own destructors so that their FreeItemData/DeleteItem run.
    virtual ~TDynamicListObject();
    TDynamicListObject(const TDynamicListObject&) = delete;
    TDynamicListObject& operator=(const TDynamicListObject&) = delete;

    // --- The sixteen virtual operations, in slot order.
    // Gives a record its empty values.
    virtual void InitItem(void* item);
    // Releases what the record owns (texts), not the record itself.
    virtual void FreeItemData(void* item);
    // Deep copy of src into dest; with freeOld = 1 dest's previous texts are released first.
    virtual void CopyItem(void* dest, const void* src, int freeOld);
    // 1 when the record holds its mandatory fields.
    virtual int IsItemValid(const void* item) const;
    // A new, uninitialised record of the list's type (null in the base).
    virtual void* NewItem();
    // Releases the node's record and clears the node's item pointer.
    virtual void DeleteItem(ListNode* node);
    // 1 when some node points at exactly this record.
    virtual int ContainsItem(const void* item) const;
    // onlyValid = 1: nodes passing IsNodeValid(node, 1); otherwise all nodes.
    virtual uint32_t Count(int onlyValid) const;
    // Unlinks and releases one node with its record; foreign or null nodes are ignored.
    virtual void DeleteNode(ListNode* node);
    // Releases every node and record.
    virtual void Clear();
    // Adds a copy of every record to dest (emptied first when append = 0).
    virtual void CopyTo(TDynamicListObject* dest, int append) const;
    // Appends a copy of item; with checkDuplicates = 1 returns the node FindDuplicate reports
    // instead. Null when item is null or no record could be made.
    virtual ListNode* Add(const void* item, int checkDuplicates);
    // Appends the record itself instead of a copy: a record of this list's type, size bytes, whose
    // texts the list takes over (they are left null in *item, so that releasing *item afterwards
    // frees nothing). For readers that fill a scratch record and would otherwise copy every text.
    ListNode* AddTaken(void* item, size_t size);
    // Room for this many nodes in all (a reader that knows how many records follow).
    void ReserveNodes(size_t count) { members_.reserve(count); }
    // The node that item would duplicate (null in the base).
    virtual ListNode* FindDuplicate(const void* item) const;
    // checkMembership = 1: the node must belong to this list; then it must hold a valid record.
    virtual int IsNodeValid(const ListNode* node, int checkMembership) const;
    // 1 when the node is one of this list's nodes.
    virtual int ContainsNode(const ListNode* node) const;
    // First node whose record is exactly item.
    virtual ListNode* FindNode(const void* item) const;

    // First node of the chain (null when empty); walk with node->next.
    ListNode* First() const { return head_; }
    // How many nodes the list has released so far. Whoever keeps node pointers (a list view's rows)
    // needs to look them up again only when this changed.
    uint32_t Removals() const { return removals_; }
    bool IsEmpty() const { return head_ == nullptr; }

protected:
    // True when the node (assumed to be a member) holds a valid record. Loops over the chain use
    // this instead of IsNodeValid(node, 1): every node reached by walking the chain is a member.
    bool WalkedNodeValid(const ListNode* node) const { return node->item && IsItemValid(node->item); }

private:
    // Private bookkeeping that keeps appending, counting, membership tests and unlinking cheap;
    // the chain itself is the only thing the operations expose. members_ maps every node of the
    // chain to the node before it (null for the first).
    ListNode* head_ = nullptr;
    ListNode* tail_ = nullptr;
    uint32_t nodeCount_ = 0;
    uint32_t removals_ = 0;
    std::unordered_map<const ListNode*, ListNode*> members_;

    void ReleaseNode(ListNode* node);
};

// --- Text histories: a text and a 32-bit value per entry.
struct StringItem {
    char* text;
    uint32_t value;
};

class TDynamicStringListObject : public TDynamicListObject {
public:
    ~TDynamicStringListObject() override { Clear(); }
    void InitItem(void* item) override;
    void FreeItemData(void* item) override;
    void CopyItem(void* dest, const void* src, int freeOld) override;
    int IsItemValid(const void* item) const override;
    void* NewItem() override;
    void DeleteItem(ListNode* node) override;
    ListNode* FindDuplicate(const void* item) const override;

    // First valid node whose text equals text (ASCII case-insensitive); null for null/empty text.
    ListNode* FindString(const char* text) const;
    // Adds {text, value}; null and nothing added for a null or empty text.
    ListNode* AddString(const char* text, int checkDuplicates, uint32_t value);
    // Deletes the oldest entries (front of the chain) until Count(1) <= n.
    void TrimToCount(uint32_t n);

    // Section: u32 count, then {counted string, u32 value} per entry. Read returns 1 when the
    // whole section was in the stream, 0 when it ended early (complete entries are kept).
    int Read(TByteStream* file);
    int Write(TByteStream* file) const;

    static StringItem* Item(const ListNode* node) { return node ? static_cast<StringItem*>(node->item) : nullptr; }
};

// --- External programs: one command-line text per entry.
struct ExtProcItem {
    char* commandLine;
};

class TExtProcListObject : public TDynamicListObject {
public:
    ~TExtProcListObject() override { Clear(); }
    void InitItem(void* item) override;
    void FreeItemData(void* item) override;
    void CopyItem(void* dest, const void* src, int freeOld) override;
    int IsItemValid(const void* item) const override;
    void* NewItem() override;
    void DeleteItem(ListNode* node) override;
    ListNode* FindDuplicate(const void* item) const override;

    // Section: u32 count, then one counted string per entry.
    int Read(TByteStream* file);
    int Write(TByteStream* file) const;

    static ExtProcItem* Item(const ListNode* node) { return node ? static_cast<ExtProcItem*>(node->item) : nullptr; }
};

// --- Temporary files and folders to delete at shut-down.
enum { TV_TEMP_FILE = 0, TV_TEMP_FOLDER = 1 };
struct TempFileEntry {
    char* path;
    uint32_t kind;  // TV_TEMP_FILE or TV_TEMP_FOLDER
};

class TTempFileListObject : public TDynamicListObject {
public:
    ~TTempFileListObject() override { Clear(); }
    void InitItem(void* item) override;
    void FreeItemData(void* item) override;
    void CopyItem(void* dest, const void* src, int freeOld) override;
    int IsItemValid(const void* item) const override;
    void* NewItem() override;
    void DeleteItem(ListNode* node) override;
    // The entry with the same path, ignoring case.
    ListNode* FindDuplicate(const void* item) const override;

    // Section: u32 count, then {counted string path, u32 kind} per entry.
    int Read(TByteStream* file);
    int Write(TByteStream* file) const;

    static TempFileEntry* Item(const ListNode* node) { return node ? static_cast<TempFileEntry*>(node->item) : nullptr; }
};

// --- One entry per file extension with its image-list position.
struct FileIconItem {
    char* extension;
    int32_t imageIndex;  // -1 until an image was assigned
};

class TFileIconListObject : public TDynamicListObject {
public:
    ~TFileIconListObject() override { Clear(); }
    void InitItem(void* item) override;
    void FreeItemData(void* item) override;
    void CopyItem(void* dest, const void* src, int freeOld) override;
    int IsItemValid(const void* item) const override;
    void* NewItem() override;
    void DeleteItem(ListNode* node) override;
    // The entry with the same extension, ignoring case.
    ListNode* FindDuplicate(const void* item) const override;

    static FileIconItem* Item(const ListNode* node) { return node ? static_cast<FileIconItem*>(node->item) : nullptr; }
};

// --- Members of a ZIP archive.
enum {
    TV_MEMBER_ENCRYPTED = 0x8000,   // attribute bit: the member is encrypted
    TV_MEMBER_KEEPS_CASE = 0x10000  // attribute bit: the stored name keeps its letter case
};
struct ArchiveMember {
    uint32_t index;       // the member's index in the archive as the engine reported it (32 bits: Zip64
                          // archives hold more than 65,535 members)
    char* name;           // file name without folder part
    char* folder;         // stored folder part, empty when none
    uint32_t size;        // uncompressed size
    uint32_t packed;      // compressed size
    uint32_t flags;       // no bit used
    uint32_t attributes;  // DOS attributes in the low bits plus the TV_MEMBER_* bits
    uint8_t ratio;        // compression ratio in percent
    TvFileTime time;      // member time (local time as stored)
    uint32_t setup;       // 1 when chosen as the archive's setup program
};

// Empty values / deep copy / release of a member's texts (also used by the search hits).
void InitArchiveMember(ArchiveMember* member);
void CopyArchiveMember(ArchiveMember* dest, const ArchiveMember* src, int freeOld);
void FreeArchiveMember(ArchiveMember* member);

class TArchiveFileListObject : public TDynamicListObject {
public:
    ~TArchiveFileListObject() override { Clear(); }
    void InitItem(void* item) override;
    void FreeItemData(void* item) override;
    void CopyItem(void* dest, const void* src, int freeOld) override;
    int IsItemValid(const void* item) const override;
    void* NewItem() override;
    void DeleteItem(ListNode* node) override;
    ListNode* FindDuplicate(const void* item) const override;

    static ArchiveMember* Item(const ListNode* node) { return node ? static_cast<ArchiveMember*>(node->item) : nullptr; }
};

// --- Hits of the archive search: the download whose archive holds the member (not owned) and a
// copy of the member record. The download's stored name and category id, taken when the hit was
// found, tell that record from a later one that happens to get the same node address.
struct ArchiveSearchHit {
    ListNode* download;  // node of the download list
    ArchiveMember member;
    char* storedName;    // the download's stored name when the hit was found
    int32_t categoryId;  // the download's category id then
};

class TFileListObject;

class TZipSearchFileListObject : public TDynamicListObject {
public:
    ~TZipSearchFileListObject() override { Clear(); }
    void InitItem(void* item) override;
    void FreeItemData(void* item) override;
    void CopyItem(void* dest, const void* src, int freeOld) override;
    // Valid while the linked download is still a node of the download list (checked before the
    // node is touched: a deleted download's node is gone), still the same download (stored name
    // and category id as recorded) and shown (its category link is set and named). Without a
    // download list no hit is valid.
    int IsItemValid(const void* item) const override;
    // The list whose nodes the hits link to (not owned; a copy made with CopyTo needs its own).
    void SetDownloadList(const TFileListObject* downloads) { downloads_ = downloads; }
    const TFileListObject* DownloadList() const { return downloads_; }
    // Records the download as the hit's (node, stored name, category id).
    static void LinkDownload(ArchiveSearchHit* hit, ListNode* download);
    void* NewItem() override;
    void DeleteItem(ListNode* node) override;
    ListNode* FindDuplicate(const void* item) const override;

    static ArchiveSearchHit* Item(const ListNode* node) { return node ? static_cast<ArchiveSearchHit*>(node->item) : nullptr; }

private:
    const TFileListObject* downloads_ = nullptr;
};

// --- Two 32-bit values per entry.
struct MirrorItem {
    uint32_t first;
    uint32_t second;
};

class TMirrorListListObject : public TDynamicListObject {
public:
    ~TMirrorListListObject() override { Clear(); }
    void InitItem(void* item) override;
    void FreeItemData(void* item) override;
    void CopyItem(void* dest, const void* src, int freeOld) override;
    int IsItemValid(const void* item) const override;
    void* NewItem() override;
    void DeleteItem(ListNode* node) override;
    ListNode* FindDuplicate(const void* item) const override;

    static MirrorItem* Item(const ListNode* node) { return node ? static_cast<MirrorItem*>(node->item) : nullptr; }
};
