// The archive search over the stored downloads (platform-free).
#include "archive/zipsearch.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <exception>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

#include "archive/archivelist.h"
#include "archive/viewer_ids.h"
#include "archive/viewer_logic.h"
#include "util/text.h"
#include "util/textcopy.h"
#include "util/safestr.h"  // last: no unbounded string functions below

namespace {

// How common a byte is in the data people search (text of Western languages, program files,
// already-compressed data): the higher, the more common. The search looks first for the text's
// byte that is rarest by this measure, so that it stops at few places that cannot be a hit.
uint8_t ByteCommonness(unsigned char c) {
    static const char kLetters[] = "etaoinshrdlcumwfgypbvkjxqz";  // by frequency in English
    if (c == ' ') return 250;
    if (c == 0x00) return 245;
    if (c == 'e') return 240;
    if (c >= 'a' && c <= 'z') {
        const char* at = std::strchr(kLetters, c);
        return uint8_t(at ? 235 - (at - kLetters) * 4 : 130);
    }
    if (c == '\n' || c == '\r' || c == '\t' || c == 0xFF) return 180;
    if (c == '.' || c == ',' || c == '"' || c == '\'' || c == '-' || c == '/' || c == '<' || c == '>' ||
        c == '=' || c == ':' || c == ';' || c == '(' || c == ')' || c == '_')
        return 150;
    if (c >= '0' && c <= '9') return 140;
    if (c >= 'A' && c <= 'Z') return 120;
    if (c < 0x20) return 90;
    return 60;  // other bytes: rare in text, evenly spread in compressed data
}

}  // namespace

// ---------------------------------------------------------------- TByteMatcher

TByteMatcher::TByteMatcher(const char* text) : pattern_(text ? text : "") { Prepare(); }

TByteMatcher::TByteMatcher(const void* text, size_t length)
    : pattern_(text ? static_cast<const char*>(text) : "", text ? length : 0) {
    Prepare();
}

void TByteMatcher::Prepare() {
    anchor_ = 0;
    uint8_t best = 255;
    for (size_t i = 0; i < pattern_.size(); ++i) {
        const uint8_t commonness = ByteCommonness(static_cast<unsigned char>(pattern_[i]));
        if (commonness < best) {
            best = commonness;
            anchor_ = i;
        }
    }
    tail_.reserve(pattern_.size());
    junction_.reserve(pattern_.size() * 2);
    Reset();
}

void TByteMatcher::Reset() {
    tail_.clear();
    found_ = false;
}

ptrdiff_t TByteMatcher::Search(const unsigned char* data, size_t size) const {
    const size_t m = pattern_.size();
    if (m == 0 || size < m) return -1;
    const unsigned char* text = reinterpret_cast<const unsigned char*>(pattern_.data());
    const unsigned char anchorByte = text[anchor_];
    // Candidates are the places of the anchor byte that leave room for the whole text around it.
    const unsigned char* from = data + anchor_;
    const unsigned char* last = data + (size - m) + anchor_;  // the last usable anchor position
    while (from <= last) {
        const void* hit = std::memchr(from, anchorByte, size_t(last - from) + 1);
        if (!hit) return -1;
        const unsigned char* at = static_cast<const unsigned char*>(hit);
        const unsigned char* start = at - anchor_;
        if (std::memcmp(start, text, m) == 0) return start - data;
        from = at + 1;
    }
    return -1;
}

bool TByteMatcher::Feed(const unsigned char* data, size_t size) {
    if (found_) return true;
    const size_t m = pattern_.size();
    if (m == 0 || !data || size == 0) return false;
    const size_t keep = m - 1;
    // A hit that begins in the bytes before this block and ends inside it.
    if (!tail_.empty()) {
        junction_.assign(tail_);
        junction_.append(reinterpret_cast<const char*>(data), size < keep ? size : keep);
        if (Search(reinterpret_cast<const unsigned char*>(junction_.data()), junction_.size()) >= 0) {
            found_ = true;
            return true;
        }
    }
    if (Search(data, size) >= 0) {
        found_ = true;
        return true;
    }
    // The last m - 1 bytes of the stream so far.
    if (keep == 0) return false;
    if (size >= keep) {
        tail_.assign(reinterpret_cast<const char*>(data + size - keep), keep);
    } else {
        tail_.append(reinterpret_cast<const char*>(data), size);
        if (tail_.size() > keep) tail_.erase(0, tail_.size() - keep);
    }
    return false;
}

int BytesContainText(const void* data, size_t size, const char* text) {
    TByteMatcher matcher(text);
    return matcher.Feed(static_cast<const unsigned char*>(data), size) ? 1 : 0;
}

// ---------------------------------------------------------------- tests of names

bool IsSearchedArchiveName(const char* fileName) {
    if (!fileName) return false;
    const size_t n = std::strlen(fileName);
    if (n < 4) return false;
    const char* extension = fileName + n - 4;
    return TextEquals(extension, ".ZIP", 0, 0) || TextEquals(extension, ".EXE", 0, 0);
}

bool MemberNamePasses(const char* name, const char* filter) {
    if (!filter || !*filter) return true;
    return MaskSelectsName(name, filter);
}

int LoadArchiveMembers(TZipMemberReader* reader, TArchiveFileListObject* list) {
    if (!list) return TV_UNZIP_INTERNAL;
    list->Clear();
    if (!reader || !reader->IsOpen()) return TV_UNZIP_OPENFAILED;
    int result = 0;
    const uint32_t count = reader->Count();
    MemberInfo info;
    for (uint32_t i = 0; i < count; ++i) {
        const int r = reader->Member(i, &info);
        if (r != 0) {
            result = r;
            continue;
        }
        if (info.attributes & TV_ZIPATTR_FOLDER) continue;
        ArchiveMember member;
        MemberInfoToArchiveMember(info, &member);
        list->Add(&member, 0);
        FreeArchiveMember(&member);
    }
    return result;
}

// ---------------------------------------------------------------- the search

namespace {

struct TContentsSink {
    TByteMatcher* matcher;
    TZipSearchObserver* observer;
    bool cancelled;
};

// The first look: the read stops at the first hit.
bool ContentsSink(const unsigned char* data, size_t size, void* context) {
    TContentsSink* sink = static_cast<TContentsSink*>(context);
    if (sink->matcher->Feed(data, size)) return false;
    if (sink->observer && sink->observer->Cancelled()) {
        sink->cancelled = true;
        return false;
    }
    return true;
}

// The check of a member that holds the text: every byte again, with the CRC.
bool CheckSink(const unsigned char*, size_t, void* context) {
    TContentsSink* sink = static_cast<TContentsSink*>(context);
    if (sink->observer && sink->observer->Cancelled()) {
        sink->cancelled = true;
        return false;
    }
    return true;
}

// The contents test of one member. Most members do not hold the text: they are read once without
// the CRC. A member that holds it counts only when it reads to its end with the right size and CRC
// (a damaged member is no hit), so it is read a second time, checked.
int ContainsText(TZipMemberReader* reader, const ArchiveMember& member, TByteMatcher* matcher,
                 TZipSearchObserver* observer, bool* found) {
    *found = false;
    matcher->Reset();
    TContentsSink sink{matcher, observer, false};
    reader->Read(member.index, ContentsSink, &sink, TZipMemberReader::TV_ZIPREAD_UNCHECKED);
    if (sink.cancelled) return TV_ZIPSEARCH_CANCELLED;
    if (!matcher->Found()) return TV_ZIPSEARCH_DONE;
    const int r = reader->Read(member.index, CheckSink, &sink, TZipMemberReader::TV_ZIPREAD_CHECKED);
    if (sink.cancelled) return TV_ZIPSEARCH_CANCELLED;
    *found = r == 0;
    return TV_ZIPSEARCH_DONE;
}

void AppendHit(TZipSearchFileListObject* hits, ListNode* download, const ArchiveMember& member) {
    ArchiveSearchHit hit;
    hit.download = nullptr;
    hit.member = member;  // the list makes its own copies of the texts
    hit.storedName = const_cast<char*>("");
    hit.categoryId = 0;
    ListNode* node = hits->Add(&hit, 0);
    if (node) TZipSearchFileListObject::LinkDownload(TZipSearchFileListObject::Item(node), download);
}

}  // namespace

int SearchArchive(const char* path, ListNode* download, const TZipSearchRequest& request,
                  TZipSearchFileListObject* hits, TZipSearchObserver* observer, TZipFileSystem* fs) {
    if (!hits || !path || !*path) return TV_ZIPSEARCH_DONE;
    TZipMemberReader reader;
    if (reader.Open(path, fs) != 0) return TV_ZIPSEARCH_DONE;
    TArchiveFileListObject members;
    LoadArchiveMembers(&reader, &members);
    FindSetupMember(&members);
    const char* filter = request.filter ? request.filter : "";
    const char* contents = request.contents ? request.contents : "";
    TByteMatcher matcher(contents);
    for (const ListNode* node = members.First(); node; node = node->next) {
        if (observer && observer->Cancelled()) return TV_ZIPSEARCH_CANCELLED;
        const ArchiveMember* member = TArchiveFileListObject::Item(node);
        if (!member || !MemberNamePasses(member->name, filter)) continue;
        if (*contents) {
            // Encrypted members never match: they are not even opened.
            if (member->attributes & TV_MEMBER_ENCRYPTED) continue;
            bool found = false;
            if (ContainsText(&reader, *member, &matcher, observer, &found) == TV_ZIPSEARCH_CANCELLED)
                return TV_ZIPSEARCH_CANCELLED;
            if (!found) continue;
        }
        AppendHit(hits, download, *member);
    }
    return TV_ZIPSEARCH_DONE;
}

uint32_t CountSearchRange(const TFileListObject* downloads) { return downloads ? downloads->Count(1) : 0; }

namespace {

// One archive of the search: where it is, and what its search found.
struct TArchiveJob {
    std::string path;
    TZipSearchFileListObject hits;  // members that matched, in archive order (not linked yet)
    bool done = false;              // guarded by the pool's mutex
    std::exception_ptr error;       // what stopped the search of this archive, if anything
};

// The workers' view of a cancel: the flag the calling thread raises.
class TStopFlag : public TZipSearchObserver {
public:
    explicit TStopFlag(const std::atomic<bool>& stop) : stop_(stop) {}
    bool Cancelled() override { return stop_.load(std::memory_order_relaxed); }

private:
    const std::atomic<bool>& stop_;
};

// Searches the archives on worker threads, each taking the next archive not yet taken, so that
// they are taken in order; the calling thread waits for them in the same order. Without workers
// the calling thread searches each archive when it is waited for.
class TArchivePool {
public:
    TArchivePool(std::vector<std::unique_ptr<TArchiveJob>>& jobs, const TZipSearchRequest& request,
                 TZipFileSystem* fs)
        : jobs_(jobs), request_(request), fs_(fs), stopFlag_(stop_) {}
    ~TArchivePool() { Stop(); }
    TArchivePool(const TArchivePool&) = delete;
    TArchivePool& operator=(const TArchivePool&) = delete;

    void Start(unsigned workers) {
        for (unsigned i = 0; i < workers; ++i) {
            try {
                threads_.emplace_back([this] { Work(); });
            } catch (const std::system_error&) {
                break;  // fewer workers; with none, the calling thread does the work
            }
        }
    }

    // Waits until archive i is searched, asking the observer every few milliseconds. False when
    // it cancelled: the workers are stopped then, and the archive has the hits found until then.
    bool Wait(size_t i, TZipSearchObserver* observer) {
        TArchiveJob& job = *jobs_[i];
        if (threads_.empty()) {
            const int r = SearchArchive(job.path.c_str(), nullptr, request_, &job.hits, observer, fs_);
            return r != TV_ZIPSEARCH_CANCELLED;
        }
        std::unique_lock<std::mutex> lock(mutex_);
        while (!job.done) {
            if (!observer) {
                changed_.wait(lock);
                continue;
            }
            changed_.wait_for(lock, std::chrono::milliseconds(kAskIntervalMs));
            if (job.done) break;
            lock.unlock();
            const bool cancelled = observer->Cancelled();
            if (cancelled) {
                Stop();
                return false;
            }
            lock.lock();
        }
        return true;
    }

    // Stops the workers (each ends at its next member or block) and waits for them.
    void Stop() {
        stop_.store(true, std::memory_order_relaxed);
        for (std::thread& thread : threads_)
            if (thread.joinable()) thread.join();
    }

private:
    static constexpr int kAskIntervalMs = 10;

    void Work() {
        for (;;) {
            if (stop_.load(std::memory_order_relaxed)) return;
            const size_t i = next_.fetch_add(1);
            if (i >= jobs_.size()) return;
            TArchiveJob& job = *jobs_[i];
            try {
                SearchArchive(job.path.c_str(), nullptr, request_, &job.hits, &stopFlag_, fs_);
            } catch (...) {
                job.error = std::current_exception();
            }
            {
                std::lock_guard<std::mutex> lock(mutex_);
                job.done = true;
            }
            changed_.notify_all();
        }
    }

    std::vector<std::unique_ptr<TArchiveJob>>& jobs_;
    const TZipSearchRequest& request_;
    TZipFileSystem* fs_;
    std::atomic<bool> stop_{false};
    TStopFlag stopFlag_;
    std::atomic<size_t> next_{0};
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::thread> threads_;
};

unsigned WorkersFor(unsigned requested, size_t archives) {
    unsigned workers = requested;
    if (workers == 0) workers = std::max(1u, std::thread::hardware_concurrency());
    workers = std::min(workers, kZipSearchMaxWorkers);
    if (archives < workers) workers = unsigned(archives);
    // One archive at a time is searched on the calling thread itself.
    return workers <= 1 ? 0 : workers;
}

// A valid download of the list, as the search passes it.
struct TPassedDownload {
    std::string fileName;
    ListNode* node = nullptr;
    bool archive = false;  // its name makes it one to search
    long job = -1;         // its archive among the jobs; -1: not searched (no stored path)
};

// Moves the hits of a searched archive to the end of the result, linked to their download.
void TakeHits(TArchiveJob* job, ListNode* download, TZipSearchFileListObject* hits) {
    for (const ListNode* node = job->hits.First(); node; node = node->next)
        if (const ArchiveSearchHit* hit = TZipSearchFileListObject::Item(node)) AppendHit(hits, download, hit->member);
    job->hits.Clear();
}

}  // namespace

int RunZipSearch(const TZipSearchSource& source, const TZipSearchRequest& request, TZipSearchFileListObject* hits,
                 TZipSearchObserver* observer, TZipFileSystem* fs) {
    if (!hits || !source.downloads) return TV_ZIPSEARCH_DONE;
    hits->SetDownloadList(source.downloads);
    // What is searched is settled first: the workers get paths, never the download list.
    std::vector<TPassedDownload> passedDownloads;
    std::vector<std::unique_ptr<TArchiveJob>> jobs;
    for (ListNode* node = source.downloads->First(); node; node = node->next) {
        if (!source.downloads->IsNodeValid(node, 0)) continue;
        const FileItem* file = TFileListObject::Item(node);
        TPassedDownload passed;
        passed.fileName = file->fileName ? file->fileName : "";
        passed.node = node;
        passed.archive = IsSearchedArchiveName(file->fileName);
        if (passed.archive) {
            char path[TV_PATH_SIZE];
            if (source.downloads->FilePath(path, sizeof path, file, source.categories, source.locations) ==
                TV_FOLDER_OK) {
                passed.job = long(jobs.size());
                jobs.emplace_back(new TArchiveJob);
                jobs.back()->path = path;
            }
        }
        passedDownloads.push_back(std::move(passed));
    }

    TArchivePool pool(jobs, request, fs);
    pool.Start(WorkersFor(request.workers, jobs.size()));
    uint32_t passed = 0;
    for (const TPassedDownload& download : passedDownloads) {
        if (observer && observer->Cancelled()) return TV_ZIPSEARCH_CANCELLED;
        if (download.archive) {
            if (observer) observer->CurrentFile(download.fileName.c_str());
            if (download.job >= 0) {
                // Cancelled as the archive begins: nothing of it.
                if (observer && observer->Cancelled()) return TV_ZIPSEARCH_CANCELLED;
                TArchiveJob* job = jobs[size_t(download.job)].get();
                const bool complete = pool.Wait(size_t(download.job), observer);
                if (job->error) {
                    pool.Stop();
                    std::rethrow_exception(job->error);
                }
                TakeHits(job, download.node, hits);
                if (!complete) return TV_ZIPSEARCH_CANCELLED;
            }
        }
        ++passed;
        if (observer) observer->Passed(passed);
    }
    return TV_ZIPSEARCH_DONE;
}

// ---------------------------------------------------------------- the result window's decisions

namespace {

const int kZipSearchWidths[ZS_COLUMNS] = {150, 150, 110, 110, 70, 40, 70, 220};

// The viewer's column that shows the same member field.
int ViewerColumnOf(int column) {
    switch (column) {
        case ZS_COLUMN_NAME: return IV_COLUMN_NAME;
        case ZS_COLUMN_SIZE: return IV_COLUMN_SIZE;
        case ZS_COLUMN_RATIO: return IV_COLUMN_RATIO;
        case ZS_COLUMN_PACKED: return IV_COLUMN_PACKED;
        case ZS_COLUMN_PATH: return IV_COLUMN_PATH;
        default: return -1;
    }
}

}  // namespace

int ZipSearchColumnWidth(int column) { return column >= 0 && column < ZS_COLUMNS ? kZipSearchWidths[column] : 0; }

bool ZipSearchColumnRight(int column) {
    return column == ZS_COLUMN_SIZE || column == ZS_COLUMN_RATIO || column == ZS_COLUMN_PACKED;
}

const FileItem* HitDownload(const TZipSearchFileListObject& hits, const ArchiveSearchHit& hit) {
    return hits.IsItemValid(&hit) ? TFileListObject::Item(hit.download) : nullptr;
}

void FormatZipSearchCell(const TZipSearchFileListObject& hits, const ArchiveSearchHit& hit, int column, char* out,
                         size_t size) {
    if (!out || size == 0) return;
    out[0] = '\0';
    if (column == ZS_COLUMN_ARCHIVE || column == ZS_COLUMN_CATEGORY) {
        const FileItem* file = HitDownload(hits, hit);
        if (!file) return;
        if (column == ZS_COLUMN_ARCHIVE) {
            CopyLimited(out, file->fileName, size);
        } else {
            const CategoryItem* category = TCategoryListObject::Item(file->category);
            CopyLimited(out, category && category->name ? category->name : "", size);
        }
        return;
    }
    const int viewerColumn = ViewerColumnOf(column);
    if (viewerColumn >= 0) FormatMemberCell(hit.member, viewerColumn, out, size);
}

void TZipSearchRowOrder::Assign(const TZipSearchFileListObject& hits) {
    rows_.clear();
    hits_ = &hits;
    for (const ListNode* node = hits.First(); node; node = node->next)
        if (const ArchiveSearchHit* hit = TZipSearchFileListObject::Item(node)) rows_.push_back(hit);
}

void TZipSearchRowOrder::Sort(int column, bool descending) {
    if (column < 0 || column >= ZS_COLUMNS || rows_.empty() || !hits_) return;
    // One key per row, made once: sorting compares each row many times.
    std::vector<std::pair<std::string, uint64_t>> keys(rows_.size());
    std::vector<size_t> order(rows_.size());
    char text[TV_PATH_SIZE * 2];
    for (size_t i = 0; i < rows_.size(); ++i) {
        order[i] = i;
        const ArchiveMember& m = rows_[i]->member;
        switch (column) {
            case ZS_COLUMN_TIME: keys[i].second = m.time.Value(); break;
            case ZS_COLUMN_SIZE: keys[i].second = m.size; break;
            case ZS_COLUMN_RATIO: keys[i].second = m.ratio; break;
            case ZS_COLUMN_PACKED: keys[i].second = m.packed; break;
            default:
                FormatZipSearchCell(*hits_, *rows_[i], column, text, sizeof text);
                keys[i].first = keyFn_ ? keyFn_(text, keyContext_) : std::string(text);
                break;
        }
    }
    const auto less = [&keys](size_t a, size_t b) { return keys[a] < keys[b]; };
    if (descending)
        std::stable_sort(order.begin(), order.end(), [&less](size_t a, size_t b) { return less(b, a); });
    else
        std::stable_sort(order.begin(), order.end(), less);
    std::vector<const ArchiveSearchHit*> sorted;
    sorted.reserve(rows_.size());
    for (size_t i : order) sorted.push_back(rows_[i]);
    rows_.swap(sorted);
}

void TZipSearchRowOrder::Remove(const ArchiveSearchHit* hit) {
    const int row = RowOf(hit);
    if (row >= 0) rows_.erase(rows_.begin() + row);
}

int TZipSearchRowOrder::RowOf(const ArchiveSearchHit* hit) const {
    for (size_t i = 0; i < rows_.size(); ++i)
        if (rows_[i] == hit) return int(i);
    return -1;
}

uint32_t ZipSearchCommandNeeds(int command) {
    switch (command) {
        case IV_CM_OPEN:
        case IV_CM_EXTRACT:
        case IV_CM_DELETE:
        case IV_CM_PROPERTIES:
        case IV_CM_OPEN_ARCHIVE:
        case IV_CM_COPY_ARCHIVE:
        case IV_CM_ARCHIVE_PROPERTIES: return ZS_STATE_HITS | ZS_STATE_SELECTION;
        case IV_CM_SELECT_ALL:
        case IV_CM_SELECT_NONE:
        case IV_CM_SELECT_SOME:
        case IV_CM_SELECT_INVERT: return ZS_STATE_HITS;
        default: return 0;  // Refresh, Close, the help
    }
}

uint32_t ZipSearchStateMask(uint32_t hits, uint32_t selectedRows) {
    uint32_t state = 0;
    if (hits > 0) state |= ZS_STATE_HITS;
    if (selectedRows > 0) state |= ZS_STATE_SELECTION;
    return state;
}

bool IsZipSearchCommandEnabled(int command, uint32_t state) {
    const uint32_t needs = ZipSearchCommandNeeds(command);
    return (state & needs) == needs;
}

std::vector<const ArchiveSearchHit*> ZipSearchRowsToProcess(const TZipSearchFileListObject& hits,
                                                            const std::vector<const ArchiveSearchHit*>& viewOrder,
                                                            const std::vector<const ArchiveSearchHit*>& selected,
                                                            int what, const char* mask) {
    if (what == 0) return selected;
    if (what == 1) return viewOrder;
    std::vector<const ArchiveSearchHit*> rows;
    if (!mask || !*mask) return rows;
    for (const ArchiveSearchHit* hit : viewOrder) {
        const FileItem* file = hit ? HitDownload(hits, *hit) : nullptr;
        if (file && MaskSelectsName(file->fileName, mask)) rows.push_back(hit);
    }
    return rows;
}

std::vector<const ArchiveSearchHit*> DeleteHitsOneByOne(const std::vector<const ArchiveSearchHit*>& rows,
                                                        const TZipSearchDeleteHooks& hooks) {
    std::vector<const ArchiveSearchHit*> deleted;
    if (!hooks.deleteMember) return deleted;
    for (const ArchiveSearchHit* hit : rows) {
        if (!hit) continue;
        const int r = hooks.deleteMember(*hit);
        if (r == 0) {
            deleted.push_back(hit);
            continue;
        }
        if (!hooks.continueAfter || !hooks.continueAfter(r)) break;
    }
    return deleted;
}

std::vector<ListNode*> ArchivesOfRows(const TZipSearchFileListObject& hits,
                                      const std::vector<const ArchiveSearchHit*>& rows) {
    std::vector<ListNode*> archives;
    for (const ArchiveSearchHit* hit : rows) {
        if (!hit || !HitDownload(hits, *hit)) continue;
        if (std::find(archives.begin(), archives.end(), hit->download) == archives.end())
            archives.push_back(hit->download);
    }
    return archives;
}
