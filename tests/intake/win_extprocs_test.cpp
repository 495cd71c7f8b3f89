// The preferences page "External Processes" in a sheet of its own, driven as the user would: the
// rows, their order, the buttons' states, the add/edit dialog, and the working copy that only OK
// hands to the program's list.
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "intake/extprocs_ids.h"
#include "intake/win_extprocs.h"
#include "tests/driver/tvdriver.h"
#include "util/win_classes.h"

namespace {

std::vector<std::string> Commands(const TExtProcListObject& list) {
    std::vector<std::string> out;
    for (ListNode* n = list.First(); n; n = n->next)
        if (const ExtProcItem* e = TExtProcListObject::Item(n)) out.push_back(e->commandLine ? e->commandLine : "");
    return out;
}

void Fill(TExtProcListObject* list, const std::vector<std::string>& commands) {
    for (const std::string& c : commands) {
        ExtProcItem e = {const_cast<char*>(c.c_str())};
        list->Add(&e, 0);
    }
}

class ExtProcsPage : public ::testing::Test {
protected:
    void SetUp() override {
        static const bool classes = [] {
            INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES | ICC_LISTVIEW_CLASSES};
            InitCommonControlsEx(&icc);
            return RegisterProgramWindowClasses(GetModuleHandleA(nullptr));
        }();
        ASSERT_TRUE(classes);
    }
    void TearDown() override {
        if (sheet_ && IsWindow(sheet_)) DestroyWindow(sheet_);
    }
    // A modeless sheet with the page, shown.
    void Open(TSetupExtProcsPage* page) {
        std::vector<PROPSHEETPAGEA> pages;
        page->AddPage(&pages, GetModuleHandleA(nullptr));
        PROPSHEETHEADERA header = {};
        header.dwSize = sizeof header;
        header.dwFlags = PSH_PROPSHEETPAGE | PSH_MODELESS | PSH_NOAPPLYNOW;
        header.hInstance = GetModuleHandleA(nullptr);
        header.pszCaption = "Preferences";
        header.nPages = UINT(pages.size());
        header.ppsp = pages.data();
        sheet_ = reinterpret_cast<HWND>(PropertySheetA(&header));
        ASSERT_TRUE(sheet_);
        page_ = PropSheet_GetCurrentPageHwnd(sheet_);
        ASSERT_TRUE(page_);
        list_ = GetDlgItem(page_, IDC_EXTPROC_LIST);
    }
    // Presses OK or Cancel of the sheet; the sheet is gone afterwards.
    void Close(int button) {
        PropSheet_PressButton(sheet_, button);
        ASSERT_TRUE(tvd::WaitUntil([this] { return PropSheet_GetCurrentPageHwnd(sheet_) == nullptr; }, tvd::WaitCeilingMs()));
        DestroyWindow(sheet_);
        sheet_ = nullptr;
    }
    std::vector<std::string> Rows() const {
        std::vector<std::string> rows;
        for (int i = 0; i < ListView_GetItemCount(list_); ++i) {
            char text[300] = {};
            ListView_GetItemText(list_, i, 0, text, sizeof text);
            rows.push_back(text);
        }
        return rows;
    }
    int Selected() const { return ListView_GetNextItem(list_, -1, LVNI_SELECTED); }
    void Select(int row) { ListView_SetItemState(list_, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED); }
    bool Enabled(int id) const { return IsWindowEnabled(GetDlgItem(page_, id)) != 0; }
    void Click(int id) { SendMessageA(GetDlgItem(page_, id), BM_CLICK, 0, 0); }
    void ClickHeader() {
        NMLISTVIEW n = {};
        n.hdr.hwndFrom = list_;
        n.hdr.idFrom = IDC_EXTPROC_LIST;
        n.hdr.code = LVN_COLUMNCLICK;
        n.iSubItem = 0;
        SendMessageA(page_, WM_NOTIFY, IDC_EXTPROC_LIST, reinterpret_cast<LPARAM>(&n));
    }
    // Clicks button id of the page, which opens the add/edit dialog; the dialog (caption expected)
    // gets text in its field and is closed with OK (or Cancel). Returns what the field showed.
    std::string ThroughDialog(int id, const char* caption, const std::string& text, bool ok = true) {
        std::string shown = "<no dialog>";
        std::thread user([&] {
            tvd::WindowQuery q;
            q.className = tvd::kDialogClass;
            q.caption = caption;
            q.pid = GetCurrentProcessId();
            HWND dialog = tvd::WaitForWindow(q, tvd::WaitCeilingMs());
            if (!dialog) return;
            shown = tvd::ControlText(dialog, IDC_EXTPROC_COMMAND);
            tvd::SetControlText(dialog, IDC_EXTPROC_COMMAND, text);
            tvd::PressButton(dialog, ok ? IDOK : IDCANCEL);
        });
        Click(id);
        user.join();
        return shown;
    }

    HWND sheet_ = nullptr;
    HWND page_ = nullptr;
    HWND list_ = nullptr;
};

TEST_F(ExtProcsPage, RowsSortedHeaderReversesButtonsFollowTheSelection) {
    TExtProcListObject programs;
    Fill(&programs, {"C:\\b\\scan.exe %s", "C:\\a\\check.exe", "C:\\B\\upper.exe"});
    TSetupExtProcsPage page(programs);
    Open(&page);
    const std::vector<std::string> ascending = Rows();
    ASSERT_EQ(ascending.size(), 3u);
    for (size_t i = 1; i < ascending.size(); ++i) EXPECT_LE(lstrcmpA(ascending[i - 1].c_str(), ascending[i].c_str()), 0);
    ClickHeader();
    EXPECT_EQ(Rows(), std::vector<std::string>(ascending.rbegin(), ascending.rend()));
    ClickHeader();
    EXPECT_EQ(Rows(), ascending);

    EXPECT_TRUE(Enabled(IDC_EXTPROC_ADD));
    EXPECT_FALSE(Enabled(IDC_EXTPROC_DELETE));
    EXPECT_FALSE(Enabled(IDC_EXTPROC_EDIT));
    Select(1);
    EXPECT_TRUE(Enabled(IDC_EXTPROC_DELETE));
    EXPECT_TRUE(Enabled(IDC_EXTPROC_EDIT));
    Close(PSBTN_CANCEL);
}

TEST_F(ExtProcsPage, AddEditDeleteWorkOnTheCopyThatOnlyOkHandsOver) {
    for (const int button : {PSBTN_CANCEL, PSBTN_OK}) {
        SCOPED_TRACE(button == PSBTN_OK ? "OK" : "Cancel");
        TExtProcListObject programs;
        Fill(&programs, {"a.exe", "b.exe", "c.exe"});
        TSetupExtProcsPage page(programs);
        Open(&page);
        // Add: an empty field in the add caption; the same command twice gives two entries.
        EXPECT_EQ(ThroughDialog(IDC_EXTPROC_ADD, "Add External Program", "d.exe %1"), "");
        EXPECT_EQ(ThroughDialog(IDC_EXTPROC_ADD, "Add External Program", "a.exe"), "");
        EXPECT_EQ(ThroughDialog(IDC_EXTPROC_ADD, "Add External Program", "never.exe", false), "");
        EXPECT_EQ(Rows(), (std::vector<std::string>{"a.exe", "b.exe", "c.exe", "d.exe %1", "a.exe"}));
        // Edit: the row's command in the edit caption, replaced on OK.
        Select(1);
        EXPECT_EQ(ThroughDialog(IDC_EXTPROC_EDIT, "Edit External Process", "b2.exe /scan"), "b.exe");
        EXPECT_EQ(Rows()[1], "b2.exe /scan");
        // Delete the last row: the new last row is selected; a middle row: its successor.
        Select(4);
        Click(IDC_EXTPROC_DELETE);
        EXPECT_EQ(Rows().size(), 4u);
        EXPECT_EQ(Selected(), 3);
        Select(1);
        Click(IDC_EXTPROC_DELETE);
        EXPECT_EQ(Rows(), (std::vector<std::string>{"a.exe", "c.exe", "d.exe %1"}));
        EXPECT_EQ(Selected(), 1);
        EXPECT_EQ(GetFocus(), list_);
        EXPECT_EQ(Commands(page.working()), (std::vector<std::string>{"a.exe", "c.exe", "d.exe %1"}));
        // The program's list is untouched until OK.
        EXPECT_EQ(Commands(programs), (std::vector<std::string>{"a.exe", "b.exe", "c.exe"}));
        Close(button);
        EXPECT_EQ(page.applied(), button == PSBTN_OK);
        if (page.applied()) page.CommitTo(&programs);
        EXPECT_EQ(Commands(programs), button == PSBTN_OK ? (std::vector<std::string>{"a.exe", "c.exe", "d.exe %1"})
                                                         : (std::vector<std::string>{"a.exe", "b.exe", "c.exe"}));
    }
}

TEST_F(ExtProcsPage, DeletingTheOnlyEntryLeavesNothingToDeleteOrEdit) {
    TExtProcListObject programs;
    Fill(&programs, {"C:\\av\\scan.exe %s"});
    TSetupExtProcsPage page(programs);
    Open(&page);
    Select(0);
    Click(IDC_EXTPROC_DELETE);
    EXPECT_TRUE(Rows().empty());
    EXPECT_FALSE(Enabled(IDC_EXTPROC_DELETE));
    EXPECT_FALSE(Enabled(IDC_EXTPROC_EDIT));
    EXPECT_EQ(page.working().Count(1), 0u);
    Close(PSBTN_OK);
    page.CommitTo(&programs);
    EXPECT_EQ(programs.Count(1), 0u);
}

}  // namespace
