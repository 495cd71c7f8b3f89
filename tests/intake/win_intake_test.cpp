// File intake under Wine on real folders in a throwaway folder: every caller's option set, the real
// add/edit dialog pressed from another thread, name conflicts, file placement that never loses the
// old file, the external programs, the setup question, and the two storage checks. Questions and
// dialogs are answered by a scripted responder.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <atomic>
#include <deque>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "tests/driver/tvdriver.h"
#include "archive/zipengine.h"
#include "database/programdata.h"
#include "database/win_database.h"
#include "intake/intake_ids.h"
#include "intake/win_addedit.h"
#include "intake/win_filecopy.h"
#include "intake/win_intake.h"
#include "util/text.h"
#include "util/textcopy.h"
#include "util/win_classes.h"
#include "util/win_ui.h"

namespace {

void WriteText(const std::string& path, const std::string& data) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, h) << path;
    DWORD done = 0;
    WriteFile(h, data.data(), DWORD(data.size()), &done, nullptr);
    CloseHandle(h);
}

std::string ReadText(const std::string& path) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return "<missing>";
    std::string out(GetFileSize(h, nullptr), '\0');
    DWORD done = 0;
    if (!out.empty()) ReadFile(h, &out[0], DWORD(out.size()), &done, nullptr);
    CloseHandle(h);
    return out;
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Throwaway folders go with the driver's remover (refuses roots, never enters linked folders).
using tvd::RemoveTree;

FILETIME LastWrite(const std::string& path) {
    FILETIME c = {}, a = {}, w = {};
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
        GetFileTime(h, &c, &a, &w);
        CloseHandle(h);
    }
    return w;
}

void SetOldTimes(const std::string& path) {
    FILETIME t;
    t.dwLowDateTime = 0x12345600;
    t.dwHighDateTime = 0x01B00000;  // some day in 1995
    HANDLE h = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    SetFileTime(h, &t, &t, &t);
    CloseHandle(h);
}

// An archive made by the engine with the given members (stored under their base names).
void MakeZip(const std::string& archive, const std::vector<std::pair<std::string, std::string>>& members) {
    char folder[MAX_PATH];
    GetTempPathA(sizeof folder, folder);
    std::string work = std::string(folder) + "tvzipsrc" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(work.c_str(), nullptr);
    TZipCommand c;
    ResetZipCommand(&c);
    c.function = TV_ZIP_ADD;
    CopyLimited(c.zipFile, archive.c_str(), sizeof c.zipFile);
    c.noFolderNames = 1;
    for (const auto& m : members) {
        const std::string f = work + "\\" + m.first;
        WriteText(f, m.second);
        AppendItemList(c.itemList, sizeof c.itemList, f.c_str());
    }
    ASSERT_EQ(TV_ZIP_OK, RunZipCommand(&c));
    RemoveTree(work);
}

// --- Scripted answers and recorded view calls.
struct Script {
    std::deque<int> answers;                 // message-box answers, in order
    std::vector<std::string> questions;      // "caption|text" of every box
    std::function<int(TFileAddEditParams*)> dialog;  // null: the real dialog
    std::vector<std::string> dialogs;        // information dialogs shown
    std::vector<std::string> started;        // "program|arguments"
    std::vector<std::string> startedContent; // what the started file held at that moment
    std::vector<uint32_t> viewFlags;
    std::vector<std::string> insertedCategories;
    int removedRows = 0, rebuilds = 0, refreshes = 0, focus = 0;
    ListNode* selected = nullptr;
    int downloadListShown = 0;
};

int ScriptBox(HWND, const char* text, const char* caption, UINT, void* context) {
    Script* s = static_cast<Script*>(context);
    s->questions.push_back(std::string(caption) + "|" + text);
    if (s->answers.empty()) return IDNO;
    const int a = s->answers.front();
    s->answers.pop_front();
    return a;
}
int ScriptDialog(HWND owner, TFileAddEditParams* params, void* context) {
    Script* s = static_cast<Script*>(context);
    if (s->dialog) return s->dialog(params);
    TFileAddEditDialog real(params);
    return real.Run(owner);
}
void ScriptInformation(HWND, const char* name, void* context) { static_cast<Script*>(context)->dialogs.push_back(name); }
INT_PTR ScriptStart(HWND, const char* program, const char* arguments, void* context) {
    static_cast<Script*>(context)->started.push_back(std::string(program) + "|" + arguments);
    static_cast<Script*>(context)->startedContent.push_back(ReadText(program));
    return 33;
}

class Intake : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterProgramWindowClasses(GetModuleHandleA(nullptr));
        char temp[MAX_PATH];
        GetTempPathA(sizeof temp, temp);
        root_ = std::string(temp) + "tvintake" + std::to_string(GetCurrentProcessId()) + "_" +
                std::to_string(GetTickCount()) + "\\";
        CreateDirectoryA(root_.c_str(), nullptr);
        CreateDirectoryA((root_ + "in").c_str(), nullptr);
        CopyLimited(p_.standards.downloadsLocation, (root_ + "store\\").c_str(), TV_PATH_SIZE);
        CopyLimited(p_.standards.shortcutsLocation, (root_ + "links\\").c_str(), TV_PATH_SIZE);
        p_.categories.EnsureDefaultCategories(1);  // roots and "Standard" (id 1) of every kind
        CreateMissingStorageFolders(&p_, 3);

        SetMessageBoxResponder(ScriptBox, &s_);
        responder_.addEditDialog = ScriptDialog;
        responder_.informationDialog = ScriptInformation;
        responder_.startProgram = ScriptStart;
        responder_.context = &s_;
        ctx_.program = &p_;
        ctx_.responder = &responder_;
        ctx_.hooks.context = &s_;
        ctx_.hooks.selectedCategory = [](void* c) { return static_cast<Script*>(c)->selected; };
        ctx_.hooks.downloadListShown = [](void* c) { return static_cast<Script*>(c)->downloadListShown; };
        ctx_.hooks.updateDownload = [](ListNode*, uint32_t f, void* c) { static_cast<Script*>(c)->viewFlags.push_back(f); };
        ctx_.hooks.removeDownloadRow = [](ListNode*, void* c) { ++static_cast<Script*>(c)->removedRows; };
        ctx_.hooks.insertCategory = [](ListNode* n, void* c) {
            static_cast<Script*>(c)->insertedCategories.push_back(TCategoryListObject::Item(n)->name);
        };
        ctx_.hooks.rebuildTree = [](void* c) { ++static_cast<Script*>(c)->rebuilds; };
        ctx_.hooks.refreshViews = [](void* c) { ++static_cast<Script*>(c)->refreshes; };
        ctx_.hooks.focusDownloadList = [](void* c) { ++static_cast<Script*>(c)->focus; };
    }
    void TearDown() override {
        SetMessageBoxResponder(nullptr, nullptr);
        RemoveTree(root_.substr(0, root_.size() - 1));
    }

    std::string In(const std::string& name) const { return root_ + "in\\" + name; }
    std::string Store(const std::string& rel) const { return root_ + "store\\" + rel; }
    ListNode* Standard() { return p_.categories.FindCategoryById(1, TV_KIND_DOWNLOADS); }
    std::vector<const FileItem*> Downloads() const {
        std::vector<const FileItem*> out;
        for (const ListNode* n = p_.downloads.First(); n; n = n->next) out.push_back(TFileListObject::Item(n));
        return out;
    }
    // A download already stored in Standard.
    ListNode* AddStored(const char* name, const std::string& data) {
        WriteText(Store(std::string("Standard\\") + name), data);
        FileItem item;
        p_.downloads.InitItem(&item);
        TextAssign(&item.fileName, name);
        TextAssign(&item.storedName, name);
        item.categoryId = 1;
        item.category = Standard();
        item.flags = TV_FILE_EXISTS;
        ListNode* node = p_.downloads.Add(&item, 0);
        p_.downloads.FreeItemData(&item);
        return node;
    }
    int RunIntake(const FileItem* templateRecord, ListNode* existing, const std::string& path, uint32_t options,
               TIntakeFileOutcome* outcome) {
        return FileIntake(ctx_, templateRecord, existing, path.c_str(), options, outcome);
    }

    std::string root_;
    TProgramData p_;
    Script s_;
    TIntakeResponder responder_;
    TIntakeContext ctx_;
};

// A visible top-level window of this process with the class.
struct WindowSearch {
    const char* className;
    HWND found;
};

BOOL CALLBACK MatchOwnWindow(HWND hwnd, LPARAM lParam) {
    auto* s = reinterpret_cast<WindowSearch*>(lParam);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    char name[64];
    if (pid != GetCurrentProcessId() || !IsWindowVisible(hwnd) || !GetClassNameA(hwnd, name, sizeof name) ||
        lstrcmpiA(name, s->className) != 0)
        return TRUE;
    s->found = hwnd;
    return FALSE;
}

HWND FindOwnWindow(const char* className) {
    WindowSearch search{className, nullptr};
    EnumWindows(MatchOwnWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Presses the real dialog's controls from a second thread once the dialog (or, with the class
// "#32770", the property sheet) is shown.
class DialogDriver {
public:
    explicit DialogDriver(std::function<void(HWND)> act, const char* className = TV_DIALOG_CLASS) {
        thread_ = std::thread([this, act, className] {
            HWND dialog = nullptr;
            if (tvd::WaitUntil([&] { return (dialog = FindOwnWindow(className)) != nullptr; }, tvd::WaitCeilingMs())) {
                found_ = true;
                act(dialog);
            }
        });
    }
    ~DialogDriver() { thread_.join(); }
    bool Found() {
        thread_.join();
        thread_ = std::thread([] {});
        return found_;
    }

private:
    std::atomic<bool> found_{false};
    std::thread thread_;
};

void Press(HWND dialog, int id) { PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), LPARAM(GetDlgItem(dialog, id))); }

// The add/edit sheet: its page "General", and its buttons (PSBTN_OK, PSBTN_CANCEL), pressed by post
// so that a box the page opens does not block the driver.
constexpr const char* kSheetClass = "#32770";
HWND CurrentPage(HWND sheet) { return reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0)); }
void PressSheet(HWND sheet, int button) { PostMessageA(sheet, PSM_PRESSBUTTON, WPARAM(button), 0); }

TEST_F(Intake, OneFileThroughTheRealDialogMovesIntoANewCategory) {
    const std::string source = In("tool.zip");
    MakeZip(source, {{"FILE_ID.DIZ", "Tool 2.0 - the tool"}, {"tool.exe", "MZ"}});
    SetOldTimes(source);
    const FILETIME before = LastWrite(source);
    std::string caption, pageClass, tab;
    int copyShown = 0;
    DialogDriver driver(
        [&](HWND sheet) {
            char text[100];
            GetWindowTextA(sheet, text, sizeof text);
            caption = text;
            HWND page = CurrentPage(sheet);
            GetClassNameA(page, text, sizeof text);
            pageClass = text;
            TCITEMA item = {};
            item.mask = TCIF_TEXT;
            item.pszText = text;
            item.cchTextMax = sizeof text;
            text[0] = '\0';
            SendMessageA(reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETTABCONTROL, 0, 0)), TCM_GETITEMA, 0,
                         reinterpret_cast<LPARAM>(&item));
            tab = text;
            copyShown = IsWindowVisible(GetDlgItem(page, IDC_ADDEDIT_COPY));
            SetDlgItemTextA(page, IDC_ADDEDIT_CATEGORY, "  Tools ");
            SendDlgItemMessageA(page, IDC_ADDEDIT_COPY, BM_SETCHECK, BST_UNCHECKED, 0);
            SendDlgItemMessageA(page, IDC_ADDEDIT_MOVE, BM_SETCHECK, BST_CHECKED, 0);
            PressSheet(sheet, PSBTN_OK);
        },
        kSheetClass);
    s_.dialog = nullptr;
    TIntakeFileOutcome outcome;
    ASSERT_EQ(1, RunIntake(nullptr, nullptr, "  \"" + source + "\" ", TV_INTAKE_SET_ONE_FILE, &outcome));
    ASSERT_TRUE(driver.Found());
    EXPECT_EQ("Add File", caption);
    EXPECT_EQ(TV_DIALOG_CLASS, pageClass);
    EXPECT_EQ("General", tab);
    EXPECT_TRUE(copyShown);
    EXPECT_EQ(TV_INTAKE_FILE_PLACED, outcome);
    EXPECT_FALSE(Exists(source));
    ASSERT_TRUE(Exists(Store("Tools\\tool.zip")));
    EXPECT_EQ(before.dwLowDateTime, LastWrite(Store("Tools\\tool.zip")).dwLowDateTime);
    ASSERT_EQ(1u, p_.downloads.Count(1));
    const FileItem* f = Downloads()[0];
    EXPECT_STREQ("tool.zip", f->fileName);
    EXPECT_STREQ("tool.zip", f->storedName);
    EXPECT_STREQ("Tool 2.0 - the tool", f->description);
    EXPECT_STREQ(source.c_str(), f->website);
    EXPECT_EQ(uint32_t(TV_FILE_EXISTS), f->flags);
    EXPECT_NE(0u, f->sizeLow);
    EXPECT_FALSE(f->downloadDate.IsZero());
    const CategoryItem* c = TCategoryListObject::Item(f->category);
    EXPECT_STREQ("Tools", c->name);
    EXPECT_EQ(0, c->parentId);
    EXPECT_EQ(std::vector<std::string>{"Tools"}, s_.insertedCategories);
    EXPECT_EQ(std::vector<uint32_t>{0x1B}, s_.viewFlags);
    EXPECT_EQ(1, s_.focus);
}

TEST_F(Intake, RealDialogRefusesAnInvalidCategoryAndCancelOfAFreshDownloadAsksFirst) {
    const std::string source = In("get.zip");
    MakeZip(source, {{"a.txt", "a"}});
    FileItem templ;
    p_.downloads.InitItem(&templ);
    TextAssign(&templ.website, "http://example.com/get.zip");
    s_.answers = {IDOK, IDNO, IDYES};  // 3407 acknowledged, first 3510 refused, second accepted
    DialogDriver driver(
        [&](HWND sheet) {
            SetDlgItemTextA(CurrentPage(sheet), IDC_ADDEDIT_CATEGORY, "bad/name");
            PressSheet(sheet, PSBTN_OK);
            PressSheet(sheet, PSBTN_CANCEL);
            PressSheet(sheet, PSBTN_CANCEL);
        },
        kSheetClass);
    s_.dialog = nullptr;
    TIntakeFileOutcome outcome;
    EXPECT_EQ(0, RunIntake(&templ, nullptr, source, TV_INTAKE_SET_HANDOFF, &outcome));
    ASSERT_TRUE(driver.Found());
    p_.downloads.FreeItemData(&templ);
    EXPECT_EQ(TV_INTAKE_FILE_DECLINED, outcome);
    ASSERT_EQ(3u, s_.questions.size());
    EXPECT_EQ(std::string("Error|") + LoadMessageText(3407), s_.questions[0]);
    EXPECT_EQ(std::string("Tolvane Plus|") + LoadMessageText(3510), s_.questions[1]);
    EXPECT_EQ(s_.questions[1], s_.questions[2]);
    EXPECT_TRUE(Exists(source));  // the receiver deletes it: the user declined
    EXPECT_EQ(0u, p_.downloads.Count(0));
}

TEST_F(Intake, OneFileCancelledChangesNothing) {
    const std::string source = In("keep.zip");
    WriteText(source, "data");
    s_.dialog = [](TFileAddEditParams* params) {
        EXPECT_EQ(1, params->offerChoice);
        EXPECT_EQ(1, params->copy);
        EXPECT_EQ(0, params->askBeforeCancel);
        return 0;
    };
    TIntakeFileOutcome outcome;
    EXPECT_EQ(0, RunIntake(nullptr, nullptr, source, TV_INTAKE_SET_ONE_FILE, &outcome));
    EXPECT_EQ(TV_INTAKE_FILE_KEPT, outcome);
    EXPECT_TRUE(s_.questions.empty());
    EXPECT_EQ("data", ReadText(source));
    EXPECT_EQ(0u, p_.downloads.Count(0));
    EXPECT_TRUE(s_.viewFlags.empty());
}

TEST_F(Intake, SeveralFilesAreCopiedAndMarkedWithoutDialog) {
    s_.dialog = [](TFileAddEditParams*) -> int {
        ADD_FAILURE() << "no dialog expected";
        return 0;
    };
    s_.selected = Standard();
    s_.downloadListShown = 1;
    const char* names[] = {"a.zip", "b.exe", "c.txt"};
    for (const char* n : names) {
        WriteText(In(n), n);
        TIntakeFileOutcome outcome;
        EXPECT_EQ(1, RunIntake(nullptr, nullptr, "\"" + In(n) + "\"", TV_INTAKE_SET_EACH_FILE, &outcome));
        EXPECT_EQ(TV_INTAKE_FILE_PLACED, outcome);
        EXPECT_EQ(n, ReadText(In(n)));  // copied: the original stays
        EXPECT_EQ(n, ReadText(Store(std::string("Standard\\") + n)));
    }
    const auto files = Downloads();
    ASSERT_EQ(3u, files.size());
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_STREQ(names[i], files[i]->fileName);
        EXPECT_EQ(uint32_t(TV_FILE_EXISTS | TV_FILE_MARKED), files[i]->flags);
        EXPECT_STREQ(In(names[i]).c_str(), files[i]->website);
        EXPECT_EQ(1, files[i]->categoryId);
    }
    EXPECT_EQ((std::vector<uint32_t>{0x19, 0x19, 0x19}), s_.viewFlags);
}

TEST_F(Intake, HandOffWithSetupProgramAskedAndInstalled) {
    const std::string source = In("pack.zip");
    MakeZip(source, {{"FILE_ID.DIZ", "Pack"}, {"Setup.exe", "MZ setup"}, {"data.bin", "d"}});
    FileItem templ;
    p_.downloads.InitItem(&templ);
    TextAssign(&templ.website, "http://example.com/pack.zip");
    std::vector<std::string> seen;
    s_.dialog = [&](TFileAddEditParams* params) {
        seen.push_back(params->category);
        seen.push_back(params->description);
        seen.push_back(params->website);
        EXPECT_EQ(0, params->offerChoice);
        EXPECT_EQ(1, params->askBeforeCancel);
        return 1;
    };
    s_.answers = {IDYES, IDYES};  // install, then "finished"
    // A folder "tmpsetup" that is not the program's (here with a setup program of its own) is
    // neither used nor touched: the install takes "tmpsetup2".
    char tempFolder[MAX_PATH];
    GetTempPathA(sizeof tempFolder, tempFolder);
    CreateDirectoryA((std::string(tempFolder) + "tmpsetup").c_str(), nullptr);
    WriteText(std::string(tempFolder) + "tmpsetup\\setup.exe", "stale");
    TIntakeFileOutcome outcome;
    ASSERT_EQ(1, RunIntake(&templ, nullptr, source, TV_INTAKE_SET_HANDOFF, &outcome));
    p_.downloads.FreeItemData(&templ);
    EXPECT_EQ(TV_INTAKE_FILE_PLACED, outcome);
    EXPECT_EQ((std::vector<std::string>{"Downloads", "Pack", "http://example.com/pack.zip"}), seen);
    EXPECT_FALSE(Exists(source));  // moved
    EXPECT_TRUE(Exists(Store("pack.zip")));
    ASSERT_EQ(2u, s_.questions.size());
    EXPECT_EQ(std::string("Question|") + LoadMessageText(3501), s_.questions[0]);
    EXPECT_EQ(std::string("Archive extracted|") + LoadMessageText(3303), s_.questions[1]);
    ASSERT_EQ(1u, s_.started.size());
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    EXPECT_EQ(0, lstrcmpiA((std::string(temp) + "tmpsetup2\\setup.exe|").c_str(), s_.started[0].c_str()));
    EXPECT_EQ(std::vector<std::string>{"MZ setup"}, s_.startedContent);
    EXPECT_FALSE(Exists(std::string(temp) + "tmpsetup2"));  // removed after "finished"
    std::string stale;
    EXPECT_TRUE(tvd::ReadWholeFile(std::string(temp) + "tmpsetup\\setup.exe", &stale));
    EXPECT_EQ("stale", stale);
    DeleteFileA((std::string(temp) + "tmpsetup\\setup.exe").c_str());
    RemoveDirectoryA((std::string(temp) + "tmpsetup").c_str());
}

TEST_F(Intake, NameConflictAnsweredYesReplacesAndNoKeepsBoth) {
    for (int answer : {IDYES, IDNO}) {
        SCOPED_TRACE(answer == IDYES ? "Yes" : "No");
        p_.downloads.Clear();
        s_ = Script();
        ListNode* old = AddStored("setup.zip", "old");
        (void)old;
        const std::string source = In("setup.zip");
        WriteText(source, "new");
        FileItem templ;
        p_.downloads.InitItem(&templ);
        TextAssign(&templ.website, "http://example.com/setup.zip");
        templ.category = Standard();
        s_.dialog = [](TFileAddEditParams* params) {
            EXPECT_STREQ("Standard", params->category);
            return 1;
        };
        s_.answers = {answer};
        TIntakeFileOutcome outcome;
        ASSERT_EQ(1, RunIntake(&templ, nullptr, source, TV_INTAKE_SET_HANDOFF, &outcome));
        p_.downloads.FreeItemData(&templ);
        EXPECT_EQ(TV_INTAKE_FILE_PLACED, outcome);
        ASSERT_FALSE(s_.questions.empty());
        EXPECT_EQ(std::string("Question|") + LoadMessageText(3500), s_.questions[0]);
        const auto files = Downloads();
        if (answer == IDYES) {
            ASSERT_EQ(1u, files.size());
            EXPECT_EQ(1, s_.removedRows);
            EXPECT_STREQ("setup.zip", files[0]->storedName);
            EXPECT_EQ("new", ReadText(Store("Standard\\setup.zip")));
        } else {
            ASSERT_EQ(2u, files.size());
            EXPECT_EQ(0, s_.removedRows);
            EXPECT_STREQ("setup.zip", files[1]->fileName);
            EXPECT_STREQ("setup (2).zip", files[1]->storedName);
            EXPECT_EQ("old", ReadText(Store("Standard\\setup.zip")));
            EXPECT_EQ("new", ReadText(Store("Standard\\setup (2).zip")));
        }
    }
}

TEST_F(Intake, PropertiesEditMovesTheStoredFileToAnotherCategory) {
    ListNode* node = AddStored("doc.zip", "doc");
    TFileListObject::Item(node)->flags |= TV_FILE_MARKED | TV_FILE_FOUND;
    s_.dialog = [](TFileAddEditParams* params) {
        EXPECT_EQ(0, params->isNew);
        EXPECT_EQ(0, params->offerChoice);
        EXPECT_STREQ("Standard", params->category);
        CopyLimited(params->category, "Archive", sizeof params->category);
        TextAssign(&params->description, "edited");
        return 1;
    };
    TIntakeFileOutcome outcome;
    ASSERT_EQ(1, RunIntake(nullptr, node, "", TV_INTAKE_SET_PROPERTIES, &outcome));
    EXPECT_EQ(TV_INTAKE_FILE_KEPT, outcome);
    const FileItem* f = TFileListObject::Item(node);
    EXPECT_STREQ("edited", f->description);
    EXPECT_STREQ("Archive", TCategoryListObject::Item(f->category)->name);
    EXPECT_EQ(uint32_t(TV_FILE_EXISTS), f->flags);  // marks cleared, file present
    EXPECT_FALSE(Exists(Store("Standard\\doc.zip")));
    EXPECT_EQ("doc", ReadText(Store("Archive\\doc.zip")));
    EXPECT_EQ(std::vector<uint32_t>{0x1A}, s_.viewFlags);
}

TEST_F(Intake, NamesThatWouldLeaveTheStorageAreCleaned) {
    // A template whose file name climbs out, and an edit of a record whose names do the same.
    const std::string source = In("payload.bin");
    WriteText(source, "p");
    FileItem templ;
    p_.downloads.InitItem(&templ);
    TextAssign(&templ.fileName, "..\\..\\escape.exe");
    TIntakeFileOutcome outcome;
    ASSERT_EQ(1, RunIntake(&templ, nullptr, source, TV_INTAKE_NEW, &outcome));
    p_.downloads.FreeItemData(&templ);
    EXPECT_EQ(TV_INTAKE_FILE_PLACED, outcome);
    EXPECT_STREQ("escape.exe", Downloads()[0]->storedName);
    EXPECT_EQ("p", ReadText(Store("escape.exe")));
    EXPECT_FALSE(Exists(root_ + "escape.exe"));

    s_.dialog = [](TFileAddEditParams* params) {
        CopyLimited(params->category, "Standard", sizeof params->category);
        return 1;
    };
    ListNode* node = p_.downloads.First();
    TextAssign(&TFileListObject::Item(node)->fileName, "C:\\Windows\\win.ini");
    ASSERT_EQ(1, RunIntake(nullptr, node, "", TV_INTAKE_SET_PROPERTIES, &outcome));
    EXPECT_STREQ("win.ini", TFileListObject::Item(node)->storedName);
    EXPECT_EQ("p", ReadText(Store("Standard\\win.ini")));
}

TEST_F(Intake, ExternalProgramsGetTheStoredFile) {
    ExtProcItem entries[] = {{const_cast<char*>("C:\\scan\\scan.exe /quick %s")},
                             {const_cast<char*>("\"C:\\Program Files\\av.exe\"")},
                             {const_cast<char*>("  ")}};
    for (auto& e : entries) p_.externalPrograms.Add(&e, 0);
    WriteText(In("x.zip"), "x");
    ASSERT_EQ(1, RunIntake(nullptr, nullptr, In("x.zip"), TV_INTAKE_SET_EACH_FILE, nullptr));
    const std::string stored = Store("x.zip");
    ASSERT_EQ(2u, s_.started.size());
    EXPECT_EQ("C:\\scan\\scan.exe|/quick " + stored, s_.started[0]);
    EXPECT_EQ("C:\\Program Files\\av.exe| \"" + stored + "\"", s_.started[1]);
}

// The page of an edit (no copy/move choice) leaves no empty band: the description takes the room
// of the hidden buttons and the website row ends where they ended; with the choice nothing moves.
TEST_F(Intake, PageIsLaidOutForItsMode) {
    struct Layout {
        RECT description, website, move;
        bool seen = false;
    };
    auto placeOf = [](HWND page, int id) {
        RECT r = {};
        GetWindowRect(GetDlgItem(page, id), &r);
        MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&r), 2);
        return r;
    };
    auto run = [&](ListNode* existing, const std::string& path, uint32_t options) {
        Layout layout;
        DialogDriver driver(
            [&](HWND sheet) {
                HWND page = CurrentPage(sheet);
                layout.description = placeOf(page, IDC_ADDEDIT_DESCRIPTION);
                layout.website = placeOf(page, IDC_ADDEDIT_WEBSITE);
                layout.move = placeOf(page, IDC_ADDEDIT_MOVE);
                layout.seen = true;
                PressSheet(sheet, PSBTN_CANCEL);
            },
            kSheetClass);
        s_.dialog = nullptr;
        RunIntake(nullptr, existing, path, options, nullptr);
        EXPECT_TRUE(driver.Found());
        return layout;
    };
    WriteText(In("new.zip"), "n");
    const Layout add = run(nullptr, In("new.zip"), TV_INTAKE_SET_ONE_FILE);
    const Layout edit = run(AddStored("old.zip", "o"), "", TV_INTAKE_SET_PROPERTIES);
    ASSERT_TRUE(add.seen && edit.seen);
    EXPECT_LT(add.website.bottom, add.move.top);  // the buttons below the website row
    EXPECT_EQ(edit.website.bottom, add.move.bottom);
    EXPECT_EQ(edit.description.bottom - add.description.bottom, add.move.bottom - add.website.bottom);
    EXPECT_EQ(edit.description.top, add.description.top);
}

TEST_F(Intake, EditOfADownloadThatIsNotShownChangesNothingButStillFocusesTheList) {
    ListNode* node = AddStored("hidden.zip", "h");
    TFileListObject::Item(node)->category = nullptr;  // no category: not shown
    bool dialogShown = false;
    s_.dialog = [&](TFileAddEditParams*) {
        dialogShown = true;
        return 1;
    };
    EXPECT_EQ(0, RunIntake(nullptr, node, "", TV_INTAKE_SET_PROPERTIES, nullptr));
    EXPECT_FALSE(dialogShown);
    EXPECT_EQ(1, s_.focus);
    EXPECT_TRUE(s_.viewFlags.empty());
}

TEST_F(Intake, ExternalProgramWithoutRoomForThePathIsNotStartedAndNamed) {
    // The line and the path together exceed the 999 characters a command line holds.
    const std::string longLine = "C:\\scan\\scan.exe " + std::string(900, 'o') + " %s";
    ExtProcItem entries[] = {{const_cast<char*>(longLine.c_str())}, {const_cast<char*>("C:\\av.exe %s")}};
    for (auto& e : entries) p_.externalPrograms.Add(&e, 0);
    const std::string file = root_ + std::string(120, 'f') + ".zip";
    EXPECT_EQ(1, RunExternalPrograms(ctx_, file.c_str()));
    ASSERT_EQ(1u, s_.started.size());
    EXPECT_EQ("C:\\av.exe|" + file, s_.started[0]);
    ASSERT_EQ(1u, s_.questions.size());
    EXPECT_EQ(0u, s_.questions[0].find("Error|"));
    EXPECT_NE(std::string::npos, s_.questions[0].find(longLine)) << s_.questions[0];
    EXPECT_NE(std::string::npos, s_.questions[0].find(file));
}

TEST_F(Intake, HandOffKeptMessageNamesTheFile) {
    char text[600];
    HandOffFileKeptMessage(text, sizeof text, "C:\\temp\\x.zip");
    EXPECT_NE(nullptr, strstr(text, "C:\\temp\\x.zip"));
    EXPECT_EQ(nullptr, strstr(text, "%s"));
}

// --- CopyOrMoveFile

TEST_F(Intake, CopyOntoItselfKeepsTheFile) {
    const std::string path = Store("Standard\\same.zip");
    WriteText(path, "precious");
    std::string other = path;
    for (char& c : other) c = char(toupper(static_cast<unsigned char>(c)));
    EXPECT_EQ(0, CopyOrMoveFile(path.c_str(), other.c_str(), 0, 1));
    EXPECT_EQ(0, CopyOrMoveFile(path.c_str(), path.c_str(), 1, 1));
    EXPECT_EQ("precious", ReadText(path));
}

TEST_F(Intake, FailingCopyKeepsTheOldDestination) {
    const std::string dest = Store("Standard\\keep.zip");
    WriteText(dest, "old");
    // Source missing, source locked against reading, destination folder missing.
    EXPECT_EQ(1, CopyOrMoveFile(In("missing.zip").c_str(), dest.c_str(), 0, 1));
    EXPECT_EQ(1, CopyOrMoveFile(In("missing.zip").c_str(), dest.c_str(), 1, 1));
    const std::string locked = In("locked.zip");
    WriteText(locked, "new");
    HANDLE h = CreateFileA(locked.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    EXPECT_EQ(1, CopyOrMoveFile(locked.c_str(), dest.c_str(), 0, 1));
    CloseHandle(h);
    EXPECT_EQ("old", ReadText(dest));
    EXPECT_EQ(1, CopyOrMoveFile(locked.c_str(), Store("nofolder\\x.zip").c_str(), 0, 1));
    EXPECT_TRUE(Exists(locked));
    // Without replace an existing destination is never overwritten.
    EXPECT_EQ(1, CopyOrMoveFile(locked.c_str(), dest.c_str(), 0, 0));
    EXPECT_EQ("old", ReadText(dest));
    // A working copy replaces it and leaves no temporary file behind.
    EXPECT_EQ(0, CopyOrMoveFile(locked.c_str(), dest.c_str(), 0, 1));
    EXPECT_EQ("new", ReadText(dest));
    WIN32_FIND_DATAA fd;
    HANDLE find = FindFirstFileA(Store("Standard\\.tv*").c_str(), &fd);
    EXPECT_EQ(INVALID_HANDLE_VALUE, find);
    if (find != INVALID_HANDLE_VALUE) FindClose(find);
}

TEST_F(Intake, MoveToAnotherDriveCopiesKeepsTimesThenDeletes) {
    typedef char*(CDECL * UnixName)(const WCHAR*);
    auto toUnix = reinterpret_cast<UnixName>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32"), "wine_get_unix_file_name")));
    if (!toUnix) GTEST_SKIP() << "not running under Wine";
    const std::string source = In("far.zip");
    WriteText(source, "far");
    SetOldTimes(source);
    const FILETIME before = LastWrite(source);
    WCHAR wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, source.c_str(), -1, wide, MAX_PATH);
    char* unixPath = toUnix(wide);
    ASSERT_NE(nullptr, unixPath);
    std::string onZ = std::string("Z:") + unixPath;
    HeapFree(GetProcessHeap(), 0, unixPath);
    for (char& c : onZ)
        if (c == '/') c = '\\';
    ASSERT_TRUE(Exists(onZ));
    const std::string dest = Store("far.zip");
    EXPECT_EQ(0, CopyOrMoveFile(onZ.c_str(), dest.c_str(), 1, 1));
    EXPECT_EQ("far", ReadText(dest));
    EXPECT_FALSE(Exists(source));
    const FILETIME after = LastWrite(dest);
    EXPECT_EQ(before.dwLowDateTime, after.dwLowDateTime);
    EXPECT_EQ(before.dwHighDateTime, after.dwHighDateTime);
    EXPECT_EQ(DWORD(FILE_ATTRIBUTE_ARCHIVE), GetFileAttributesA(dest.c_str()));
}

// --- Storage checks

TEST_F(Intake, LostFilesAreCountedOnce) {
    AddStored("a.zip", "a");
    AddStored("b.zip", "b");
    ShortcutItem link{const_cast<char*>("site.lnk"), TV_SHORTCUT_EXISTS, 1, p_.categories.FindCategoryById(1, TV_KIND_SHORTCUTS)};
    WriteText(root_ + "links\\Standard\\site.lnk", "L");
    p_.shortcuts.Add(&link, 0);
    EXPECT_EQ(0, CheckLostFiles(ctx_));
    EXPECT_TRUE(s_.dialogs.empty());
    DeleteFileA(Store("Standard\\a.zip").c_str());
    DeleteFileA((root_ + "links\\Standard\\site.lnk").c_str());
    EXPECT_EQ(2, CheckLostFiles(ctx_));
    EXPECT_EQ(std::vector<std::string>{"FILESLOST"}, s_.dialogs);
    EXPECT_EQ(1, s_.refreshes);
    EXPECT_EQ(0, CheckLostFiles(ctx_));  // already missing: not again
    EXPECT_EQ(1u, s_.dialogs.size());
    EXPECT_EQ(uint32_t(TV_FILE_EXISTS), Downloads()[1]->flags);
}

// The check lists each storage folder once instead of asking for every file: its answers are the
// ones a query per file gives.
TEST_F(Intake, LostFilesCheckAgreesWithAQueryPerFile) {
    int created = 0;
    ListNode* nowhere = p_.categories.AddCategory("Nowhere", TV_KIND_DOWNLOADS, 0, &created);
    ASSERT_NE(nowhere, nullptr);
    RemoveDirectoryA(Store("Nowhere").c_str());
    struct Case {
        const char* stored;
        const char* onDisk;  // null: nothing; ending in '\\': a folder
        bool inNowhere;
        bool exists;
        uint32_t size;
    } cases[] = {
        {"same.zip", "same.zip", false, true, 3},
        {"Case.ZIP", "case.zip", false, true, 3},
        {"gone.zip", nullptr, false, false, 0},
        {"dir.zip", "dir.zip\\", false, false, 0},
        {"n.zip", nullptr, true, false, 0},
        {"trail.", "trail", false, true, 3},  // the file system's own rule for trailing dots decides
        {"caf\xe9.zip", "CAF\xc9.ZIP", false, true, 3},
    };
    std::vector<ListNode*> nodes;
    for (const Case& c : cases) {
        if (c.onDisk) {
            const std::string path = Store(std::string("Standard\\") + c.onDisk);
            if (path.back() == '\\')
                CreateDirectoryA(path.c_str(), nullptr);
            else
                WriteText(path, "abc");
        }
        FileItem item;
        p_.downloads.InitItem(&item);
        TextAssign(&item.fileName, c.stored);
        TextAssign(&item.storedName, c.stored);
        item.categoryId = c.inNowhere ? TCategoryListObject::Item(nowhere)->id : 1;
        item.category = c.inNowhere ? nowhere : Standard();
        item.flags = TV_FILE_EXISTS;
        nodes.push_back(p_.downloads.Add(&item, 0));
        p_.downloads.FreeItemData(&item);
    }
    CheckLostFiles(ctx_);
    for (size_t i = 0; i < nodes.size(); ++i) {
        const Case& c = cases[i];
        FileItem* f = TFileListObject::Item(nodes[i]);
        const uint32_t flags = f->flags, size = f->sizeLow;
        // What asking for the file itself says.
        RefreshFileState(&p_, nodes[i]);
        EXPECT_EQ(flags, f->flags) << c.stored;
        EXPECT_EQ(size, f->sizeLow) << c.stored;
        if (std::string(c.stored) != "trail." && std::string(c.stored) != "caf\xe9.zip") {
            EXPECT_EQ(c.exists, (flags & TV_FILE_EXISTS) != 0) << c.stored;
            EXPECT_EQ(c.size, size) << c.stored;
        }
    }
}

TEST_F(Intake, NewFilesInTheStorageAreTakenIn) {
    AddStored("known.zip", "k");
    MakeZip(Store("Standard\\new.zip"), {{"FILE_ID.DIZ", "Found it"}});
    CreateDirectoryA(Store("Fresh").c_str(), nullptr);
    WriteText(Store("Fresh\\x.txt"), "x");
    WriteText(Store(".tv1234.tmp"), "unfinished copy");
    WriteText(root_ + "links\\a.lnk", "L");
    EXPECT_EQ(4, CheckNewStorageFiles(ctx_));  // Fresh, new.zip, x.txt, a.lnk
    EXPECT_EQ(std::vector<std::string>{"FILESLONELY"}, s_.dialogs);
    EXPECT_EQ(1, s_.rebuilds);
    ListNode* fresh = p_.categories.FindCategoryByName("Fresh", TV_KIND_DOWNLOADS, 0);
    ASSERT_NE(nullptr, fresh);
    const ListNode* found = p_.downloads.FindFileByName("new.zip", 1, TV_FIND_STORED_NAME);
    ASSERT_NE(nullptr, found);
    const FileItem* f = TFileListObject::Item(found);
    EXPECT_STREQ("Found it", f->description);
    EXPECT_EQ(uint32_t(TV_FILE_FOUND | TV_FILE_EXISTS), f->flags);
    EXPECT_FALSE(f->downloadDate.IsZero());
    EXPECT_NE(nullptr, p_.downloads.FindFileByName("x.txt", TCategoryListObject::Item(fresh)->id, TV_FIND_STORED_NAME));
    EXPECT_EQ(nullptr, p_.downloads.FindFileByName(".tv1234.tmp", -1, TV_FIND_STORED_NAME));
    EXPECT_NE(nullptr, p_.shortcuts.FindShortcutByTitle("a.lnk", 0));
    EXPECT_EQ(0, CheckNewStorageFiles(ctx_));  // nothing new the second time
}

}  // namespace

namespace {

TEST_F(Intake, SeveralFilesDroppedAsMoveAreMoved) {
    WriteText(In("m.zip"), "m");
    TIntakeFileOutcome outcome;
    ASSERT_EQ(1, RunIntake(nullptr, nullptr, In("m.zip"), TV_INTAKE_SET_EACH_FILE | TV_INTAKE_MOVE, &outcome));
    EXPECT_EQ(TV_INTAKE_FILE_PLACED, outcome);
    EXPECT_FALSE(Exists(In("m.zip")));
    EXPECT_EQ("m", ReadText(Store("m.zip")));
    EXPECT_EQ(uint32_t(TV_FILE_EXISTS | TV_FILE_MARKED), Downloads()[0]->flags);
}

TEST_F(Intake, WebsiteOfATemporaryFileComesFromTheBrowsersRecord) {
    const char* key = "Software\\Netscape\\Netscape Navigator\\Temporary File URL Resolution";
    const std::string source = In("nav.zip");
    WriteText(source, "n");
    HKEY h;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr));
    const char url[] = "http://example.com/nav.zip";
    RegSetValueExA(h, source.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(url), sizeof url);
    ASSERT_EQ(1, RunIntake(nullptr, nullptr, source, TV_INTAKE_NEW, nullptr));
    RegDeleteValueA(h, source.c_str());
    RegCloseKey(h);
    EXPECT_STREQ(url, Downloads()[0]->website);
}

TEST_F(Intake, RealLostFilesDialogIsShownAndClosed) {
    AddStored("gone.zip", "g");
    DeleteFileA(Store("Standard\\gone.zip").c_str());
    responder_.informationDialog = nullptr;
    std::string caption;
    DialogDriver driver([&](HWND dialog) {
        char text[100];
        GetWindowTextA(dialog, text, sizeof text);
        caption = text;
        Press(dialog, IDOK);
    });
    EXPECT_EQ(1, CheckLostFiles(ctx_));
    ASSERT_TRUE(driver.Found());
    EXPECT_EQ("Lost Files", caption);
}

// The state icon of both reports sits in the gap of blanks the text leaves for it, measured with
// the dialog's font: no letter lies under it, and "an" before and "icon" after it are on its line.
TEST(InformationDialogs, StateIconSitsInTheGapOfTheText) {
    RegisterProgramWindowClasses(GetModuleHandleA(nullptr));
    for (const char* name : {"FILESLOST", "FILESLONELY"}) {
        SCOPED_TRACE(name);
        TInformationDialogParams params;
        params.helpContext = 560;
        HWND dialog = CreateDialogParamA(GetModuleHandleA(nullptr), name, nullptr, InformationDialogProc,
                                         reinterpret_cast<LPARAM>(&params));
        ASSERT_NE(dialog, nullptr);
        HWND text = GetDlgItem(dialog, IDC_INTAKE_INFO_TEXT);
        HWND icon = GetDlgItem(dialog, IDC_INTAKE_INFO_ICON);
        ASSERT_TRUE(text && icon);
        RECT iconRect = {}, textClient = {};
        GetWindowRect(icon, &iconRect);
        MapWindowPoints(nullptr, text, reinterpret_cast<POINT*>(&iconRect), 2);
        GetClientRect(text, &textClient);
        EXPECT_EQ(iconRect.right - iconRect.left, GetSystemMetrics(SM_CXSMICON));

        // The text alone, drawn by its control on white.
        HDC screen = GetDC(nullptr);
        HDC dc = CreateCompatibleDC(screen);
        HBITMAP bitmap = CreateCompatibleBitmap(screen, textClient.right, textClient.bottom);
        ReleaseDC(nullptr, screen);
        HGDIOBJ old = SelectObject(dc, bitmap);
        FillRect(dc, &textClient, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        SendMessageA(text, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
        const COLORREF background = GetPixel(dc, textClient.right - 1, textClient.bottom - 1);
        auto inked = [&](int x0, int x1, int y0, int y1) {
            int n = 0;
            for (int y = y0; y < y1; ++y)
                for (int x = x0; x < x1; ++x)
                    if (x >= 0 && y >= 0 && x < textClient.right && y < textClient.bottom && GetPixel(dc, x, y) != background)
                        ++n;
            return n;
        };
        const int middle = (iconRect.top + iconRect.bottom) / 2;
        // The band of the icon's line (a line is shorter than the icon): nothing drawn under the icon,
        // letters just left and right of it.
        EXPECT_GT(inked(0, textClient.right, middle - 2, middle + 2), 0) << "icon not on a line of text";
        EXPECT_EQ(inked(iconRect.left, iconRect.right, middle - 4, middle + 4), 0)
            << "icon at " << iconRect.left << "," << iconRect.top;
        EXPECT_GT(inked(iconRect.left - 14, iconRect.left, middle - 4, middle + 4), 0) << "no word before the icon";
        EXPECT_GT(inked(iconRect.right, iconRect.right + 14, middle - 4, middle + 4), 0) << "no word after the icon";
        SelectObject(dc, old);
        DeleteObject(bitmap);
        DeleteDC(dc);
        DestroyWindow(dialog);
    }
}

}  // namespace
