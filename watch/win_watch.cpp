#include "watch/win_watch.h"

#include "core/items.h"
#include "database/programdata.h"
#include "util/textcopy.h"

namespace {

bool ReadFileText(const std::string& path, size_t limit, std::string* text) {
    text->clear();
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    char buffer[8192];
    bool ok = true;
    while (text->size() < limit) {
        DWORD got = 0;
        const DWORD want = DWORD(std::min(sizeof(buffer), limit - text->size()));
        if (!ReadFile(h, buffer, want, &got, nullptr)) {
            ok = false;
            break;
        }
        if (got == 0) break;
        text->append(buffer, got);
    }
    CloseHandle(h);
    return ok;
}

bool CurrentState(const std::string& path, uint64_t* size, uint64_t* writeTime) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return false;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return false;
    *size = (uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    *writeTime = (uint64_t(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
    return true;
}

}  // namespace

std::string ReadZoneIdentifierWebsite(const char* path) {
    std::string text, url;
    if (path && path[0] && ReadFileText(std::string(path) + ":Zone.Identifier", kMaxZoneText, &text))
        ReadZoneWebsite(text.data(), text.size(), &url);
    return url;
}

void TWatchService::Load(const char* programFolder) {
    settings_ = TWatchSettings();
    file_ = programFolder ? programFolder : "";
    if (!file_.empty() && file_.back() != '\\' && file_.back() != '/') file_ += '\\';
    file_ += kWatchSettingsFile;
    std::string text;
    if (ReadFileText(file_, kMaxWatchSettingsText + 1, &text) && text.size() <= kMaxWatchSettingsText)
        ParseWatchSettings(text.data(), text.size(), &settings_);
}

bool TWatchService::Save() const {
    if (file_.empty()) return false;
    const std::string text = FormatWatchSettings(settings_);
    const std::string temp = file_.substr(0, file_.size() - 3) + "tmp";
    HANDLE h = CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    bool ok = WriteFile(h, text.data(), DWORD(text.size()), &written, nullptr) && written == text.size();
    ok = FlushFileBuffers(h) && ok;
    CloseHandle(h);
    // The old file stays as it was unless the new one is complete.
    if (ok) ok = MoveFileExA(temp.c_str(), file_.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
    if (!ok) DeleteFileA(temp.c_str());
    return ok;
}

void TWatchService::SetFolders(const std::vector<TWatchedFolder>& folders) {
    settings_.folders.clear();
    for (const TWatchedFolder& f : folders)
        if (IsUsableWatchFolder(f.path) && FindWatchedFolder(settings_.folders, f.path) < 0 &&
            settings_.folders.size() < TWatchSettings::kMaxFolders)
            settings_.folders.push_back(f);
    Save();
    if (started_) Start(window_, message_, settleMs_);
}

void TWatchService::Start(HWND window, UINT message, uint32_t settleMs) {
    window_ = window;
    message_ = message;
    settleMs_ = settleMs;
    started_ = true;
    backlog_.clear();
    std::vector<std::string> paths;
    for (const TWatchedFolder& f : settings_.folders) paths.push_back(f.path);
    watcher_.Start(window, message, paths, settleMs);
}

void TWatchService::Stop() {
    watcher_.Stop();
    started_ = false;
    backlog_.clear();
}

void TWatchService::OnFilesArrived(TProgramData* program, const TWatchIntakeHook& hook) {
    for (TWatchedFile& f : watcher_.TakeFiles()) backlog_.push_back(f);
    // An add/edit dialog of an earlier file is open (its loop delivered this message): the files
    // wait for it.
    if (busy_ || !program || !hook.intake) return;
    busy_ = true;
    while (!backlog_.empty() && started_) {
        const TWatchedFile file = backlog_.front();
        backlog_.erase(backlog_.begin());
        FileOne(program, hook, file);
        // Files reported meanwhile join the queue.
        for (TWatchedFile& f : watcher_.TakeFiles()) backlog_.push_back(f);
    }
    busy_ = false;
}

void TWatchService::FileOne(TProgramData* program, const TWatchIntakeHook& hook, const TWatchedFile& file) {
    if (file.folder < 0 || size_t(file.folder) >= settings_.folders.size()) return;
    if (settings_.remembered.Contains(file.name, file.size, file.writeTime)) return;
    // A watched folder inside the storage folders: its files are the database's already.
    if (PathIsWithin(file.path, program->standards.downloadsLocation) ||
        PathIsWithin(file.path, program->standards.shortcutsLocation))
        return;
    uint64_t size = 0, writeTime = 0;
    if (!CurrentState(file.path, &size, &writeTime) || size != file.size || writeTime != file.writeTime) return;
    const TWatchedFolder& folder = settings_.folders[size_t(file.folder)];

    FileItem item;
    program->downloads.InitItem(&item);
    TextAssign(&item.website, ReadZoneIdentifierWebsite(file.path.c_str()).c_str());
    uint32_t options = TV_INTAKE_SET_WATCH_ASK;
    if (folder.mode == TV_WATCH_SILENT) {
        // A category that is gone since is asked for in the dialog.
        ListNode* category = program->categories.FindCategoryByName(folder.category.c_str(), TV_KIND_DOWNLOADS, -1);
        const CategoryItem* c = TCategoryListObject::Item(category);
        if (c) {
            item.category = category;
            item.categoryId = c->id;
            options = TV_INTAKE_SET_WATCH_SILENT;
        }
    }
    const TIntakeFileOutcome outcome = hook.intake(&item, file.path.c_str(), options, hook.context);
    program->downloads.FreeItemData(&item);
    // Filed or declined: not offered again (a declined file stays where it is). A file that could
    // not be stored stays too and is offered again at the next start.
    if (outcome == TV_INTAKE_FILE_PLACED || outcome == TV_INTAKE_FILE_DECLINED) {
        settings_.remembered.Add(file.name, file.size, file.writeTime);
        Save();
    }
}
