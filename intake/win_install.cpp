// Installing an archive's setup program: everything is extracted into a work folder below the
// temporary folder, the setup program started, and the extracted files removed once the user says
// the setup has finished.
#include "intake/win_install.h"

#include <windows.h>
#include <shellapi.h>

#include <cstring>
#include <string>

#include "archive/archivelist.h"
#include "archive/win/filestatus.h"
#include "archive/zipengine.h"
#include "intake/intake_options.h"
#include "intake/win_intake.h"
#include "util/text.h"
#include "util/win_ui.h"
#include "util/safestr.h"

namespace {

void AddEntry(TTempFileListObject* list, const std::string& path, uint32_t kind) {
    TempFileEntry entry;
    entry.path = const_cast<char*>(path.c_str());
    entry.kind = kind;
    list->Add(&entry, 1);
}

// The path below work at which the engine wrote the member (stored folders recreated), or empty.
std::string MemberPath(const std::string& work, const ArchiveMember* m) {
    std::string stored = m->folder && m->folder[0] ? std::string(m->folder) + "\\" + m->name : std::string(m->name);
    char rel[TV_PATH_SIZE];
    if (!SafeMemberPath(stored.c_str(), '\\', rel, sizeof rel)) return std::string();
    return work + rel;
}

// Removes the entries of one kind that exist no more or can be removed; returns what is left.
void CleanEntries(TTempFileListObject* list, uint32_t kind) {
    bool progress = true;
    while (progress) {
        progress = false;
        for (ListNode* node = list->First(); node;) {
            ListNode* next = node->next;
            TempFileEntry* e = TTempFileListObject::Item(node);
            if (e && e->kind == kind) {
                char path[TV_PATH_SIZE];
                CopyLimited(path, e->path, sizeof path);
                const DWORD attributes = GetFileAttributesA(path);
                bool done = attributes == INVALID_FILE_ATTRIBUTES;
                if (!done && kind == TV_TEMP_FILE) {
                    SetFileAttributesA(path, FILE_ATTRIBUTE_ARCHIVE);
                    done = DeleteFileA(path) != 0;
                } else if (!done) {
                    size_t n = std::strlen(path);
                    if (n > 0 && path[n - 1] == '\\') path[n - 1] = 0;
                    done = RemoveDirectoryA(path) != 0;
                }
                if (done) {
                    list->DeleteNode(node);
                    progress = true;
                }
            }
            node = next;
        }
    }
}

}  // namespace

int InstallArchive(const TIntakeContext& context, TArchiveFileListObject* members, const char* archivePath,
                   TTempFileListObject* programTempFiles) {
    ArchiveMember* setup = FindSetupMember(members);
    if (!setup) {
        IntakeMessageBox(context, LoadMessageText(TV_IDS_NO_SETUP_PROGRAM), "Error", MB_OK | MB_ICONERROR);
        return 0;
    }
    char temp[MAX_PATH];
    if (!GetTempPathA(sizeof temp, temp)) return 0;
    std::string work = temp;
    if (!work.empty() && work.back() != '\\') work += '\\';
    work += "tmpsetup\\";
    TTempFileListObject local;
    AddEntry(&local, work, TV_TEMP_FOLDER);
    CreateDirectoryA(work.c_str(), nullptr);

    TUnzipCommand c;
    ResetUnzipCommand(&c);
    c.function = TV_UNZIP_EXTRACT;
    CopyLimited(c.zipFile, archivePath, sizeof c.zipFile);
    CopyLimited(c.destination, work.c_str(), sizeof c.destination);
    CopyLimited(c.fileSpec, "*.*", sizeof c.fileSpec);
    c.ignoreFolders = 0;
    // Files left in the work folder by an earlier install are replaced: the program started below
    // must be this archive's own setup program, never a stale one.
    c.overwrite = 1;
    c.messageProc = DynaZipNoFeedbackMessageProc;
    const int r = RunUnzipCommand(&c);
    if (r) ShowUnzipError(r, MB_OK, context.owner);

    for (const ListNode* node = members->First(); node; node = node->next) {
        const ArchiveMember* m = TArchiveFileListObject::Item(node);
        if (!m || !m->name) continue;
        const std::string path = MemberPath(work, m);
        if (path.empty()) continue;
        // Every folder between the work folder and the member.
        for (size_t i = work.size(); i < path.size(); ++i)
            if (path[i] == '\\') AddEntry(&local, path.substr(0, i + 1), TV_TEMP_FOLDER);
        AddEntry(&local, path, TV_TEMP_FILE);
    }

    const std::string setupPath = MemberPath(work, setup);
    int started = 0;
    if (!setupPath.empty()) {
        INT_PTR result;
        if (context.responder && context.responder->startProgram)
            result = context.responder->startProgram(context.owner, setupPath.c_str(), "", context.responder->context);
        else
            result = reinterpret_cast<INT_PTR>(
                ShellExecuteA(context.owner, nullptr, setupPath.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
        started = result > 32;
    }

    char caption[TV_MESSAGE_SIZE];
    CopyLimited(caption, LoadMessageText(TV_IDS_ARCHIVE_EXTRACTED), sizeof caption);
    if (IntakeMessageBox(context, LoadMessageText(TV_IDS_INSTALL_DONE_QUESTION), caption, MB_YESNO | MB_ICONQUESTION) ==
        IDYES) {
        CleanEntries(&local, TV_TEMP_FILE);
        CleanEntries(&local, TV_TEMP_FOLDER);
        if (programTempFiles)
            for (const ListNode* node = local.First(); node; node = node->next) programTempFiles->Add(node->item, 1);
        RemoveDirectoryA(work.substr(0, work.size() - 1).c_str());
    }
    return started;
}
