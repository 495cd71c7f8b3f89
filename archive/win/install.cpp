// Installing an archive's setup program: everything is extracted into a work folder below the
// temporary folder, the setup program started, and the extracted files removed once the user says
// the setup has finished.
#include "archive/win/install.h"

#include <shellapi.h>

#include <cstring>
#include <string>
#include <unordered_set>

#include "archive/archivelist.h"
#include "archive/viewer_ids.h"
#include "archive/win/filestatus.h"
#include "archive/win/tempfiles.h"
#include "archive/zipengine.h"
#include "util/text.h"
#include "util/win_ui.h"
#include "util/safestr.h"  // last: no unbounded string functions below

namespace {

constexpr UINT kIdsArchiveExtracted = 3214;
constexpr UINT kIdsInstallDone = 3303;

// The path below work at which the engine wrote the member (stored folders recreated), or empty.
std::string MemberPath(const std::string& work, const ArchiveMember* m) {
    std::string stored = m->folder && m->folder[0] ? std::string(m->folder) + "\\" + m->name : std::string(m->name);
    char rel[TV_PATH_SIZE];
    if (!SafeMemberPath(stored.c_str(), '\\', rel, sizeof rel)) return std::string();
    return work + rel;
}

// Collects entries once each (the list's own duplicate test walks the whole list per entry).
class TEntries {
public:
    explicit TEntries(TTempFileListObject* list) : list_(list) {}
    void Add(const std::string& path, uint32_t kind) {
        std::string key = path;
        for (char& c : key) c = LowerChar(c);
        if (!seen_.insert(key).second) return;
        TempFileEntry entry;
        entry.path = const_cast<char*>(path.c_str());
        entry.kind = kind;
        list_->Add(&entry, 0);
    }

private:
    TTempFileListObject* list_;
    std::unordered_set<std::string> seen_;
};

// What the engine wrote goes on the list as well: members whose true names have no ANSI form and
// members written under new names are not found by their listed names.
void TV_ENGINE_CALLBACK RecordWritten(const char* path, int isFolder, uintptr_t user) {
    reinterpret_cast<TEntries*>(user)->Add(isFolder ? std::string(path) + "\\" : std::string(path),
                                           isFolder ? TV_TEMP_FOLDER : TV_TEMP_FILE);
}

}  // namespace

int InstallArchive(HWND owner, TArchiveFileListObject* members, const char* archivePath,
                   TTempFileListObject* programTempFiles, const TInstallHooks* hooks) {
    ArchiveMember* setup = members ? FindSetupMember(members) : nullptr;
    if (!setup) {
        char text[TV_MESSAGE_SIZE];
        CopyLimited(text, LoadMessageText(IDS_IV_NO_SETUP), sizeof text);
        ShowMessageBox(owner, text, "Error", MB_OK | MB_ICONERROR);
        return 0;
    }
    char workFolder[TV_PATH_SIZE];
    if (!MakeFreshTempFolder("tmpsetup", workFolder, sizeof workFolder)) return 0;
    const std::string work = workFolder;
    TTempFileListObject local;
    TEntries entries(&local);
    entries.Add(work, TV_TEMP_FOLDER);

    TUnzipCommand c;
    ResetUnzipCommand(&c);
    c.function = TV_UNZIP_EXTRACT;
    CopyLimited(c.zipFile, archivePath, sizeof c.zipFile);
    TrimSpaces(c.zipFile, TV_TRIM_BOTH);
    const size_t quoted = std::strlen(c.zipFile);
    if (quoted >= 2 && c.zipFile[0] == '"' && c.zipFile[quoted - 1] == '"') {
        c.zipFile[quoted - 1] = '\0';
        std::memmove(c.zipFile, c.zipFile + 1, quoted - 1);
    }
    CopyLimited(c.destination, work.c_str(), sizeof c.destination);
    CopyLimited(c.fileSpec, "*.*", sizeof c.fileSpec);
    c.ignoreFolders = 0;
    c.overwrite = 0;
    c.messageProc = DynaZipNoFeedbackMessageProc;
    c.writtenProc = RecordWritten;
    c.writtenUser = uintptr_t(&entries);
    const int r = RunUnzipCommand(&c);
    if (r) ShowUnzipError(r, MB_OK, owner);

    for (const ListNode* node = members->First(); node; node = node->next) {
        const ArchiveMember* m = TArchiveFileListObject::Item(node);
        if (!m || !m->name) continue;
        const std::string path = MemberPath(work, m);
        if (path.empty()) continue;
        // Every folder between the work folder and the member.
        for (size_t i = work.size(); i < path.size(); ++i)
            if (path[i] == '\\') entries.Add(path.substr(0, i + 1), TV_TEMP_FOLDER);
        entries.Add(path, TV_TEMP_FILE);
    }

    const std::string setupPath = MemberPath(work, setup);
    int started = 0;
    if (!setupPath.empty()) {
        INT_PTR result;
        if (hooks && hooks->startProgram)
            result = hooks->startProgram(owner, setupPath.c_str(), hooks->context);
        else
            result = reinterpret_cast<INT_PTR>(ShellExecuteA(owner, nullptr, setupPath.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
        started = result > 32;
    }

    char caption[TV_MESSAGE_SIZE];
    CopyLimited(caption, LoadMessageText(kIdsArchiveExtracted), sizeof caption);
    char text[TV_MESSAGE_SIZE];
    CopyLimited(text, LoadMessageText(kIdsInstallDone), sizeof text);
    if (ShowMessageBox(owner, text, caption, MB_YESNO | MB_ICONQUESTION) == IDYES) {
        CleanTempFileList(&local, TV_CLEAN_FILES, true);
        CleanTempFileList(&local, TV_CLEAN_FOLDERS, true);
        if (programTempFiles)
            for (const ListNode* node = local.First(); node; node = node->next) programTempFiles->Add(node->item, 1);
        RemoveDirectoryA(work.substr(0, work.size() - 1).c_str());
    }
    return started;
}
