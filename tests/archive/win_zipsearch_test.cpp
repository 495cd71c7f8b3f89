// The archive search under Wine: its progress dialog cancelled as the second archive begins, and
// the result window's delete of three hits where the second cannot be deleted.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "archive/viewer_ids.h"
#include "archive/win/zipsearch_window.h"
#include "archive/zipengine.h"
#include "find/find_ids.h"
#include "tests/archive/win_viewer_support.h"
#include "tests/core/core_fixtures.h"
#include "tests/e2e/stored_zip.h"
#include "util/text.h"
#include "util/textcopy.h"
#include "util/win_ui.h"

namespace {

using ivt::Script;

class ZipSearchWindowTest : public ivt::ViewerTest {
protected:
    void SetUp() override {
        ivt::ViewerTest::SetUp();
        program_.categories.EnsureDefaultCategories(0);
        CopyLimited(program_.standards.downloadsLocation, (dir_ + "\\").c_str(),
                    sizeof program_.standards.downloadsLocation);
    }
    void TearDown() override {
        SetMessageBoxResponder(nullptr, nullptr);
        TZipSearchResultWindow::CloseAll();
        tvd::Pump(0);
        ivt::ViewerTest::TearDown();
    }

    // A download in the root category whose stored file holds bytes.
    void AddDownload(const char* name, const std::string& bytes) {
        FileItem f = Download(name, 0);
        ListNode* node = program_.downloads.Add(&f, 0);
        ASSERT_TRUE(node);
        LinkItemsToCategories(&program_.categories, &program_.downloads, nullptr, nullptr);
        const std::string path = StoredPath(name);
        ASSERT_FALSE(path.empty());
        ASSERT_TRUE(tvd::WriteWholeFile(path, bytes));
    }
    std::string StoredPath(const char* name) {
        const ListNode* node = program_.downloads.FindFileByName(name, -1, TV_FIND_FILE_NAME);
        if (!node) return std::string();
        const StorageLocations locations{program_.standards.downloadsLocation, program_.standards.shortcutsLocation};
        char path[TV_PATH_SIZE];
        if (program_.downloads.FilePath(path, sizeof path, TFileListObject::Item(node), &program_.categories,
                                        locations) != TV_FOLDER_OK)
            return std::string();
        return path;
    }
    // Member names of an archive on disk, in archive order (empty when it cannot be read).
    static std::vector<std::string> MembersOf(const std::string& archive) {
        std::vector<std::string> names;
        TZipMemberReader reader;
        if (reader.Open(archive.c_str()) != 0) return names;
        TArchiveFileListObject members;
        LoadArchiveMembers(&reader, &members);
        for (const ListNode* n = members.First(); n; n = n->next)
            names.push_back(TArchiveFileListObject::Item(n)->name);
        return names;
    }

    // The result window the search opened (null when none).
    static TZipSearchResultWindow* ResultWindow() {
        return TZipSearchResultWindow::FromWindow(FindWindowA(TV_ZIPSEARCH_RESULT_CLASS, nullptr));
    }
    static std::vector<std::string> RowNames(TZipSearchResultWindow* window) {
        std::vector<std::string> names;
        for (int row = 0; row < window->Table().RowCount(); ++row)
            names.push_back(window->Table().HitOfRow(row)->member.name);
        return names;
    }

    uint32_t Search(const char* contents, const char* filter) {
        CopyLimited(program_.find.contents, contents, sizeof program_.find.contents);
        CopyLimited(program_.find.filter, filter, sizeof program_.find.filter);
        return RunArchiveSearch(mainStandIn_, &program_);
    }
};

// Presses Cancel of the progress dialog the moment it names the download given, from inside the
// dialog's own thread (the text is set synchronously), so the point of the Cancel is exact.
class CancelAtFile {
public:
    explicit CancelAtFile(const char* fileName) : fileName_(fileName) {
        self_ = this;
        hook_ = SetWindowsHookExA(WH_CALLWNDPROC, Hook, nullptr, GetCurrentThreadId());
    }
    ~CancelAtFile() {
        if (hook_) UnhookWindowsHookEx(hook_);
        self_ = nullptr;
    }
    bool installed() const { return hook_ != nullptr; }
    bool pressed() const { return pressed_; }
    std::vector<std::string> shown;  // the downloads the dialog named

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam) {
        const CWPSTRUCT* m = reinterpret_cast<const CWPSTRUCT*>(lParam);
        if (code == HC_ACTION && self_ && m->message == WM_SETTEXT && GetDlgCtrlID(m->hwnd) == IDC_ZS_CURRENT &&
            m->lParam) {
            const char* text = reinterpret_cast<const char*>(m->lParam);
            self_->shown.push_back(text);
            if (!self_->pressed_ && self_->fileName_ == text) {
                self_->pressed_ = true;
                PostMessageA(GetParent(m->hwnd), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
            }
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }

    static CancelAtFile* self_;
    std::string fileName_;
    HHOOK hook_ = nullptr;
    bool pressed_ = false;
};
CancelAtFile* CancelAtFile::self_ = nullptr;

TEST_F(ZipSearchWindowTest, CancelAsTheSecondArchiveBeginsKeepsTheHitsOfTheFirst) {
    AddDownload("first.zip", e2e::MakeZip({{"one.txt", "a needle"}, {"two.txt", "needle again"}, {"no.txt", "hay"}}));
    AddDownload("second.zip", e2e::MakeZip({{"three.txt", "needle"}}));
    AddDownload("third.zip", e2e::MakeZip({{"four.txt", "needle"}}));
    {
        CancelAtFile cancel("second.zip");
        ASSERT_TRUE(cancel.installed());
        EXPECT_EQ(2u, Search("needle", "*.*"));
        EXPECT_TRUE(cancel.pressed());
        // The search stopped where it was cancelled: the third archive was never reached.
        EXPECT_EQ((std::vector<std::string>{"first.zip", "second.zip"}), cancel.shown);
    }
    TZipSearchResultWindow* window = ResultWindow();
    ASSERT_TRUE(window);
    EXPECT_EQ((std::vector<std::string>{"one.txt", "two.txt"}), RowNames(window));
    EXPECT_FALSE(tvd::FindTopWindow({tvd::kDialogClass, "Zip Search", GetCurrentProcessId(), false}));
    TZipSearchResultWindow::CloseAll();

    // Without a Cancel every archive is searched.
    EXPECT_EQ(4u, Search("needle", "*.*"));
    window = ResultWindow();
    ASSERT_TRUE(window);
    EXPECT_EQ((std::vector<std::string>{"four.txt", "one.txt", "three.txt", "two.txt"}), RowNames(window));
}

// Answers the engine's error box with a given button and records its texts.
struct BoxAnswers {
    int answer = IDOK;
    std::vector<std::string> texts;
    static int Respond(HWND, const char* text, const char*, UINT type, void* context) {
        BoxAnswers* self = static_cast<BoxAnswers*>(context);
        self->texts.push_back(text ? text : "");
        return (type & MB_TYPEMASK) == MB_OKCANCEL ? self->answer : IDOK;
    }
};

TEST_F(ZipSearchWindowTest, DeleteOfThreeHitsWhereTheSecondFailsGoesOnOnlyAfterOk) {
    for (int answer : {IDOK, IDCANCEL}) {
        SCOPED_TRACE(answer == IDOK ? "OK" : "Cancel");
        program_.downloads.Clear();
        AddDownload("a.zip", e2e::MakeZip({{"1.txt", "needle"}, {"keep.txt", "hay"}}));
        AddDownload("b.zip", e2e::MakeZip({{"2.txt", "needle"}, {"keep.txt", "hay"}}));
        AddDownload("c.zip", e2e::MakeZip({{"3.txt", "needle"}, {"keep.txt", "hay"}}));
        ASSERT_EQ(3u, Search("needle", "*.*"));
        TZipSearchResultWindow* window = ResultWindow();
        ASSERT_TRUE(window);
        ASSERT_EQ((std::vector<std::string>{"1.txt", "2.txt", "3.txt"}), RowNames(window));
        // The second archive goes away behind the window's back: its member cannot be deleted.
        ASSERT_TRUE(DeleteFileA(StoredPath("b.zip").c_str()));

        BoxAnswers boxes;
        boxes.answer = answer;
        SetMessageBoxResponder(BoxAnswers::Respond, &boxes);
        window->Table().SelectAll();
        program_.del.what = 0;
        Script pressOk([] {
            HWND dialog = ivt::Dialog("Delete");
            if (dialog) tvd::PressButton(dialog, IDOK);
        });
        window->OnCommand(IV_CM_DELETE);
        pressOk.Finish();
        SetMessageBoxResponder(nullptr, nullptr);

        EXPECT_EQ(1u, boxes.texts.size());  // one question, about the second hit
        EXPECT_EQ((std::vector<std::string>{"keep.txt"}), MembersOf(StoredPath("a.zip")));
        if (answer == IDOK) {
            EXPECT_EQ((std::vector<std::string>{"2.txt"}), RowNames(window));
            EXPECT_EQ((std::vector<std::string>{"keep.txt"}), MembersOf(StoredPath("c.zip")));
        } else {
            EXPECT_EQ((std::vector<std::string>{"2.txt", "3.txt"}), RowNames(window));
            EXPECT_EQ((std::vector<std::string>{"3.txt", "keep.txt"}), MembersOf(StoredPath("c.zip")));
        }
        TZipSearchResultWindow::CloseAll();
        tvd::Pump(0);
    }
}

}  // namespace
