#include "interchange/import.h"

#include <cstring>

#include "database/body.h"
#include "interchange/format.h"
#include "interchange/names.h"
#include "interchange/traversal.h"
#include "util/path.h"
#include "util/text.h"

bool ReadInterchangeRecords(TByteStream* in, const char* programFolder, TInterchangeRecords* records) {
    TInterchangeRecords& r = *records;
    r = TInterchangeRecords();
    r.read = std::make_unique<TProgramData>();
    if (programFolder) r.read->SetProgramFolder(programFolder);
    r.read->ResetForLoad();
    TProgramData& read = *r.read;

    InterchangeFileSettings header;
    r.version = ReadInterchangeHeader(in, &header);
    r.kind = header.kind;
    if (r.kind == TV_INTERCHANGE_UNUSABLE) return false;

    if (r.kind == TV_INTERCHANGE_BACKUP) {
        r.downloads = r.bookmarks = r.shortcuts = true;
        r.complete = ReadDatabaseBody(in, uint32_t(r.version), TV_DB_NO_WINDOW_SECTIONS, &read, nullptr, nullptr,
                                      nullptr, nullptr, &r.settingsComplete);
        return true;
    }
    r.downloads = header.downloadsIncluded == 1;
    r.bookmarks = header.bookmarksIncluded == 1;
    bool complete = read.categories.Read(in) != 0;
    // Roots that the file lacks are added, damaged parents repaired, as for the database file.
    read.categories.EnsureDefaultCategories(0);
    if (complete && r.downloads) complete = read.downloads.Read(in) != 0;
    if (complete && r.bookmarks) complete = read.bookmarks.Read(in) != 0;
    r.complete = complete;
    return true;
}

uint32_t InterchangeImportSteps(const TInterchangeRecords& records) {
    if (!records.read) return 0;
    uint32_t steps = 0;
    if (records.downloads) steps += records.read->downloads.Count(1) + 1;
    if (records.bookmarks) steps += 1;
    if (records.shortcuts) steps += records.read->shortcuts.Count(1) + 1;
    return steps;
}

namespace {

// "X:\folder\..." or "\\server\share\...": every component a plain name ("." and ".." are none).
bool IsUsableStorageLocation(const char* path) {
    if (!path) return false;
    const size_t length = std::strlen(path);
    if (length < 3 || length >= TV_PATH_SIZE) return false;
    size_t start;
    if (IsLetter(path[0]) && path[1] == ':' && path[2] == '\\') {
        start = 3;
    } else if (path[0] == '\\' && path[1] == '\\') {
        start = 2;
    } else {
        return false;
    }
    std::string component;
    int components = 0;
    for (size_t i = start; i <= length; ++i) {
        const char c = i < length ? path[i] : '\\';
        if (c == '\\' || c == '/') {
            if (component.empty()) {
                if (i < length) return false;  // "\\" inside the path
            } else if (!IsValidFileName(component.c_str())) {
                return false;
            } else {
                ++components;
            }
            component.clear();
        } else {
            component += c;
        }
    }
    // A network path needs at least its server and share.
    return start == 3 || components >= 2;
}

bool StreamsEqual(TByteStream* a, TByteStream* b) {
    if (!a || !b) return false;
    std::vector<uint8_t> x(4096), y(4096);  // shortcut files: small
    for (;;) {
        const size_t n = a->Read(x.data(), x.size());
        size_t m = 0;
        while (m < n) {
            const size_t got = b->Read(y.data() + m, n - m);
            if (got == 0) break;
            m += got;
        }
        if (m != n || std::memcmp(x.data(), y.data(), n) != 0) return false;
        if (n == 0) return true;
    }
}

void PumpHost(void* context) { static_cast<TInterchangeHost*>(context)->Pump(); }

std::string JoinName(const std::string& folder, const char* name) {
    if (folder.empty() || !IsValidFileName(name)) return std::string();
    std::string path = folder + name;
    return path.size() < TV_PATH_SIZE ? path : std::string();
}

class TMerger {
public:
    TMerger(TProgramData* data, TInterchangeRecords* records, TByteStream* in, TInterchangeHost* host,
            TInterchangeImportReport* report, uint32_t* done, uint32_t total)
        : data_(data),
          read_(*records->read),
          in_(in),
          host_(host),
          report_(report),
          done_(done),
          total_(total),
          blocksUsable_(records->complete),
          pump_{host ? PumpHost : nullptr, host},
          storedNames_(&data->downloads),
          bookmarkIndex_(&data->bookmarks) {}

    bool Cancelled() {
        if (!report_->cancelled && host_ && host_->Cancelled()) report_->cancelled = true;
        return report_->cancelled;
    }
    void Step() {
        if (done_) ++*done_;
        if (host_) host_->Progress(done_ ? *done_ : 0, total_);
    }

    // The merge step from the read root of the kind into the program's category targetId.
    void MergeKind(int kind, int32_t targetId) {
        const ListNode* start = read_.categories.FindCategoryById(0, kind);
        ListNode* target = data_->categories.FindCategoryById(targetId, kind);
        if (!target) target = data_->categories.FindCategoryById(0, kind);
        if (!start || !target) return;
        const TDynamicListObject& readItems = kind == TV_KIND_DOWNLOADS   ? static_cast<const TDynamicListObject&>(read_.downloads)
                                              : kind == TV_KIND_BOOKMARKS ? static_cast<const TDynamicListObject&>(read_.bookmarks)
                                                                          : static_cast<const TDynamicListObject&>(read_.shortcuts);
        const TItemsByCategory items(readItems, kind);
        const std::vector<TCategoryVisit> walk = WalkCategories(read_.categories, start);
        std::vector<ListNode*> destination(walk.size(), nullptr);
        const StorageLocations locations{data_->standards.downloadsLocation, data_->standards.shortcutsLocation};

        for (size_t i = 0; i < walk.size(); ++i) {
            if (Cancelled()) return;
            if (i == 0) {
                destination[0] = target;
            } else {
                ListNode* parent = destination[walk[i].parent];
                char name[TV_PATH_SIZE];
                CleanFileName(TCategoryListObject::Item(walk[i].node)->name, name, sizeof name);
                int created = 0;
                ListNode* node =
                    data_->categories.AddCategory(name, kind, TCategoryListObject::Item(parent)->id, &created);
                if (created) ++report_->categoriesAdded;
                destination[i] = node ? node : parent;
            }
            ListNode* d = destination[i];
            std::string folder;
            if (kind != TV_KIND_BOOKMARKS) {
                char buffer[TV_PATH_SIZE];
                if (data_->categories.CategoryFolder(buffer, sizeof buffer, d, locations) == TV_FOLDER_OK &&
                    host_->EnsureFolder(buffer))
                    folder = buffer;
            }
            for (const ListNode* item : items.Of(TCategoryListObject::Item(walk[i].node)->id)) {
                if (Cancelled()) return;
                if (kind == TV_KIND_DOWNLOADS)
                    MergeDownload(TFileListObject::Item(item), d, folder);
                else if (kind == TV_KIND_BOOKMARKS)
                    MergeBookmark(TBookmarkListObject::Item(item), d);
                else
                    MergeShortcut(TShortcutListObject::Item(item), d, folder);
            }
        }
    }

private:
    TProgramData* data_;
    TProgramData& read_;
    TByteStream* in_;
    TInterchangeHost* host_;
    TInterchangeImportReport* report_;
    uint32_t* done_;
    uint32_t total_;
    bool blocksUsable_;  // false from the first block that is not whole: nothing after it pairs
    TPumpHook pump_;
    TStoredNameIndex storedNames_;
    TBookmarkIndex bookmarkIndex_;

    // Starts the next block; false (counted as missing) when it is not whole in the file.
    bool NextBlock(int64_t* length) {
        if (blocksUsable_ && BeginStoredFileBlock(in_, length) == TV_BLOCK_OK) return true;
        blocksUsable_ = false;
        ++report_->missing;
        return false;
    }

    // Reads the block body into a new file in folder (folder empty or incoming null: skips it).
    // Returns the block's status; *incoming holds the complete file on TV_BLOCK_OK.
    TBlockStatus ReceiveBlock(const std::string& folder, int64_t length, std::unique_ptr<TIncomingFile>* incoming) {
        incoming->reset();
        if (!folder.empty()) *incoming = host_->Receive(folder.c_str());
        TBlockStatus status = CopyStoredFileBlock(in_, length, *incoming ? (*incoming)->Stream() : nullptr, pump_);
        if (status == TV_BLOCK_CUT) {
            blocksUsable_ = false;
            ++report_->missing;
            incoming->reset();
        } else if (status != TV_BLOCK_OK) {
            incoming->reset();
        }
        return status;
    }

    void MergeDownload(const FileItem* source, ListNode* d, const std::string& folder) {
        int64_t length = 0;
        if (!NextBlock(&length)) return;
        const int32_t id = TCategoryListObject::Item(d)->id;
        char name[TV_PATH_SIZE], stored[TV_PATH_SIZE];
        CleanFileName(source->fileName, name, sizeof name);
        const bool named = storedNames_.MakeUnique(stored, sizeof stored, name, id) != 0;
        const std::string path = named ? JoinName(folder, stored) : std::string();
        std::unique_ptr<TIncomingFile> incoming;
        if (ReceiveBlock(path.empty() ? std::string() : folder, length, &incoming) == TV_BLOCK_CUT) return;
        const bool stored_ = incoming && incoming->Commit(path.c_str());
        if (!stored_) ++report_->notStored;
        if (!named) return;  // every " (n)" up to 999 is taken: no name to keep it under
        FileItem record = *source;
        record.fileName = name;
        record.storedName = stored;
        record.categoryId = id;
        record.category = d;
        if (stored_) {
            record.flags |= TV_FILE_EXISTS;
            record.sizeLow = uint32_t(length);
            record.sizeHigh = 0;
        } else {
            record.flags &= ~uint32_t(TV_FILE_EXISTS);
        }
        if (data_->downloads.Add(&record, 0)) {
            storedNames_.Add(stored, id);
            ++report_->downloadsAdded;
        }
        Step();
    }

    void MergeBookmark(const BookmarkItem* source, ListNode* d) {
        const int32_t id = TCategoryListObject::Item(d)->id;
        if (bookmarkIndex_.Contains(source->title, source->url, id)) {
            ++report_->bookmarksSkipped;
            return;
        }
        BookmarkItem record = *source;
        record.categoryId = id;
        record.category = d;
        if (data_->bookmarks.Add(&record, 0)) {
            bookmarkIndex_.Add(source->title, source->url, id);
            ++report_->bookmarksAdded;
        }
    }

    void MergeShortcut(const ShortcutItem* source, ListNode* d, const std::string& folder) {
        int64_t length = 0;
        if (!NextBlock(&length)) return;
        const int32_t id = TCategoryListObject::Item(d)->id;
        char title[TV_PATH_SIZE];
        CleanFileName(source->title, title, sizeof title);
        std::unique_ptr<TIncomingFile> incoming;
        if (ReceiveBlock(folder, length, &incoming) == TV_BLOCK_CUT) return;

        // A shortcut of the same title already there: the same link again is skipped, another
        // one gets a title of its own rather than replacing the user's file.
        char finalTitle[TV_PATH_SIZE];
        CopyLimited(finalTitle, title, sizeof finalTitle);
        if (const ListNode* existing = data_->shortcuts.FindShortcutByTitle(title, id)) {
            const std::string existingPath = JoinName(folder, TShortcutListObject::Item(existing)->title);
            if (incoming && !existingPath.empty()) {
                int64_t size = -1;
                std::unique_ptr<TByteStream> current = host_->OpenForReading(existingPath.c_str(), &size);
                TByteStream* received = incoming->Stream();
                if (current && size == length && received->Seek(0, TByteStream::SeekBegin) &&
                    StreamsEqual(received, current.get())) {
                    ++report_->shortcutsSkipped;
                    Step();
                    return;
                }
            }
            if (!data_->shortcuts.MakeUniqueShortcutTitle(finalTitle, sizeof finalTitle, title, id) ||
                !IsValidFileName(finalTitle)) {
                ++report_->notStored;
                return;
            }
        }
        const std::string path = JoinName(folder, finalTitle);
        const bool stored = incoming && !path.empty() && incoming->Commit(path.c_str());
        if (!stored) ++report_->notStored;
        ShortcutItem record = *source;
        record.title = finalTitle;
        record.categoryId = id;
        record.category = d;
        record.flags = stored ? (record.flags | TV_SHORTCUT_EXISTS) : (record.flags & ~uint32_t(TV_SHORTCUT_EXISTS));
        if (data_->shortcuts.Add(&record, 0)) ++report_->shortcutsAdded;
        Step();
    }
};

void FoldHistory(TDynamicStringListObject* live, const TDynamicStringListObject& read) {
    for (const ListNode* node = read.First(); node; node = node->next) {
        if (!read.IsNodeValid(node, 0)) continue;
        const StringItem* s = TDynamicStringListObject::Item(node);
        if (!live->FindString(s->text)) live->AddString(s->text, 0, s->value);
    }
    live->TrimToCount(TFindFileSettingsData::HistoryLimit);
}

void RestoreSettings(TProgramData* data, TInterchangeRecords* records, TInterchangeHost* host,
                     TInterchangeImportReport* report) {
    TProgramData& read = *records->read;
    if (!records->settingsComplete) {
        report->settingsIncomplete = true;
        return;
    }
    char oldDownloads[TV_PATH_SIZE], oldShortcuts[TV_PATH_SIZE];
    CopyLimited(oldDownloads, data->standards.downloadsLocation, sizeof oldDownloads);
    CopyLimited(oldShortcuts, data->standards.shortcutsLocation, sizeof oldShortcuts);

    data->standards = read.standards;
    // A location that is no plain absolute folder is not taken: the stored files would move
    // wherever it pointed.
    struct Location {
        char* now;
        const char* old;
    } locations[] = {{data->standards.downloadsLocation, oldDownloads}, {data->standards.shortcutsLocation, oldShortcuts}};
    for (Location& l : locations) {
        if (IsUsableStorageLocation(l.now)) continue;
        report->refusedLocations.push_back(l.now);
        CopyLimited(l.now, l.old, TV_PATH_SIZE);
    }
    data->integration = read.integration;

    TFindFileSettingsData& find = data->find;
    CopyLimited(find.contents, read.find.contents, sizeof find.contents);
    CopyLimited(find.filter, read.find.filter, sizeof find.filter);
    find.caseSensitive = read.find.caseSensitive;
    find.onlyWords = read.find.onlyWords;
    find.searchArea = read.find.searchArea;
    find.downloadSearchKind = read.find.downloadSearchKind;
    FoldHistory(&find.contentsHistory, read.find.contentsHistory);
    FoldHistory(&find.filterHistory, read.find.filterHistory);
    // External programs: each command line once (the list itself has no notion of a double).
    for (const ListNode* node = read.externalPrograms.First(); node; node = node->next) {
        if (!read.externalPrograms.IsNodeValid(node, 0)) continue;
        const char* command = TExtProcListObject::Item(node)->commandLine;
        bool known = false;
        for (const ListNode* n = data->externalPrograms.First(); n && !known; n = n->next)
            known = data->externalPrograms.IsNodeValid(n, 0) &&
                    TextEquals(TExtProcListObject::Item(n)->commandLine, command, 0, 0);
        if (!known) data->externalPrograms.Add(node->item, 0);
    }

    data->fileExport = read.fileExport;
    data->bookmarkExport = read.bookmarkExport;
    data->bookmarkImport = read.bookmarkImport;
    data->findWindowOption = read.findWindowOption;
    data->viewer = read.viewer;
    data->add = read.add;
    data->extract = read.extract;
    data->del = read.del;
    data->password.mask = read.password.mask;  // the password typed in this run stays
    data->copy = read.copy;
    report->settingsRestored = true;

    // The stored files follow a changed storage location.
    struct Move {
        int kind;
        char* now;
        const char* old;
    } moves[] = {{TV_KIND_DOWNLOADS, data->standards.downloadsLocation, oldDownloads},
                 {TV_KIND_SHORTCUTS, data->standards.shortcutsLocation, oldShortcuts}};
    for (Move& m : moves) {
        if (TextEquals(m.now, m.old, 0, 0)) continue;
        if (host->RelocateStorage(data, m.old, m.kind) < 0) {
            report->refusedLocations.push_back(m.now);
            CopyLimited(m.now, m.old, TV_PATH_SIZE);
        }
    }
    if (data->hooks.applyIntegration)
        data->hooks.applyIntegration(&data->integration, data->viewer.defaultViewer, data->hooks.applyIntegrationContext);
}

}  // namespace

void MergeInterchangeRecords(TProgramData* data, TInterchangeRecords* records, const TInterchangeTargets& targets,
                             TByteStream* in, TInterchangeHost* host, TInterchangeImportReport* report, uint32_t* done,
                             uint32_t total) {
    TInterchangeImportReport local;
    TInterchangeImportReport& r = report ? *report : local;
    if (!data || !records || !records->read || !host || records->kind == TV_INTERCHANGE_UNUSABLE) {
        r.unusable = true;
        return;
    }
    r.recordsCut = !records->complete;
    const bool backup = records->kind == TV_INTERCHANGE_BACKUP;
    if (backup) RestoreSettings(data, records, host, &r);

    TMerger merger(data, records, in, host, &r, done, total);
    const int32_t downloadTarget = backup ? 0 : targets.downloadCategoryId;
    const int32_t bookmarkTarget = backup ? 0 : targets.bookmarkCategoryId;
    if (records->downloads && downloadTarget != -1 && !merger.Cancelled()) {
        merger.MergeKind(TV_KIND_DOWNLOADS, downloadTarget);
        merger.Step();
    }
    if (records->bookmarks && bookmarkTarget != -1 && !merger.Cancelled()) {
        merger.MergeKind(TV_KIND_BOOKMARKS, bookmarkTarget);
        merger.Step();
    }
    if (records->shortcuts && !merger.Cancelled()) {
        merger.MergeKind(TV_KIND_SHORTCUTS, 0);
        merger.Step();
    }
}

bool ImportInterchangeFile(TByteStream* in, TProgramData* data, const TInterchangeTargets& targets,
                           TInterchangeHost* host, TInterchangeImportReport* report) {
    TInterchangeImportReport local;
    TInterchangeImportReport& r = report ? *report : local;
    r = TInterchangeImportReport();
    TBufferedReadStream buffered(in);
    TInterchangeRecords records;
    if (!data || !ReadInterchangeRecords(&buffered, data->programFolder, &records)) {
        r.unusable = true;
        return false;
    }
    uint32_t done = 0;
    MergeInterchangeRecords(data, &records, targets, &buffered, host, &r, &done, InterchangeImportSteps(records));
    return true;
}
