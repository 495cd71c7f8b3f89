// The download table on a window of this process (hidden, but for the repaint test): rows from the
// records, filtering, sorting that keeps the selection with its records, rows added and removed,
// the cut look of records, the header order captured into the settings, hit testing, type-ahead
// search, and the view repainted after each change.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "database/programdata.h"
#include "shell/app.h"
#include "shell/win_itemlists.h"
#include "shell/win_rowtext.h"
#include "util/textcopy.h"

namespace {

TItemTableObject* routed = nullptr;
// The names the table gave for the first column while the view painted.
std::vector<std::string> painted;

LRESULT CALLBACK ParentProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NOTIFY && routed) {
        LRESULT result = 0;
        NMLVDISPINFOA* info = reinterpret_cast<NMLVDISPINFOA*>(lParam);
        if (routed->HandleNotify(&info->hdr, &result)) {
            if (info->hdr.code == LVN_GETDISPINFOA && info->item.iSubItem == 0 && (info->item.mask & LVIF_TEXT))
                painted.push_back(info->item.pszText);
            return result;
        }
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

class TableTest : public ::testing::Test {
protected:
    void SetUp() override {
        INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_LISTVIEW_CLASSES};
        InitCommonControlsEx(&controls);
        Globals().instance = GetModuleHandleA(nullptr);
        WNDCLASSA wc = {};
        wc.lpfnWndProc = ParentProc;
        wc.hInstance = Globals().instance;
        wc.lpszClassName = "TableTestParent";
        RegisterClassA(&wc);
        parent_ = CreateWindowExA(0, "TableTestParent", "", WS_OVERLAPPEDWINDOW, 0, 0, 800, 600, nullptr, nullptr,
                                  Globals().instance, nullptr);
        ASSERT_NE(parent_, nullptr);
        data_.categories.EnsureDefaultCategories(1);
        for (const char* name : {"delta.zip", "bravo.exe", "charlie.zip"}) Add(name, 1);
        Add("other.zip", 0);
    }
    void TearDown() override {
        routed = nullptr;
        table_.Destroy();
        if (parent_) DestroyWindow(parent_);
    }
    ListNode* Add(const char* name, int32_t category) {
        FileItem f;
        data_.downloads.InitItem(&f);
        TextAssign(&f.fileName, name);
        TextAssign(&f.storedName, name);
        f.flags = TV_FILE_EXISTS;
        f.sizeLow = 1024 * uint32_t(std::string(name).size());
        f.categoryId = category;
        ListNode* node = data_.downloads.Add(&f, 0);
        data_.downloads.FreeItemData(&f);
        LinkItemsToCategories(&data_.categories, &data_.downloads, nullptr, nullptr);
        return node;
    }
    void Create() {
        ASSERT_TRUE(table_.Create(parent_, TV_KIND_DOWNLOADS, &data_));
        routed = &table_;
        MoveWindow(table_.Window(), 0, 0, 780, 500, FALSE);
    }
    HWND List() const { return table_.Window(); }
    std::string Cell(int row, int column) const {
        char text[300] = {};
        LVITEMA item = {};
        item.iSubItem = column;
        item.pszText = text;
        item.cchTextMax = sizeof(text);
        SendMessageA(List(), LVM_GETITEMTEXTA, WPARAM(row), reinterpret_cast<LPARAM>(&item));
        return text;
    }
    std::vector<std::string> Shown() const {
        std::vector<std::string> names;
        const int count = int(SendMessageA(List(), LVM_GETITEMCOUNT, 0, 0));
        for (int row = 0; row < count; ++row) names.push_back(Cell(row, 0));
        return names;
    }
    UINT State(int row, UINT mask) const { return UINT(SendMessageA(List(), LVM_GETITEMSTATE, WPARAM(row), mask)); }
    ListNode* Node(const char* name) {
        for (ListNode* n = data_.downloads.First(); n; n = n->next)
            if (std::string(TFileListObject::Item(n)->fileName) == name) return n;
        return nullptr;
    }

    HWND parent_ = nullptr;
    TProgramData data_;
    TItemTableObject table_;
};

using RowNames = std::vector<std::string>;

TEST_F(TableTest, RowsComeFromTheRecordsOfTheCategory) {
    Create();
    table_.Fill(1, "");
    EXPECT_EQ(SendMessageA(List(), LVM_GETITEMCOUNT, 0, 0), 3);
    EXPECT_EQ(Shown(), (RowNames{"delta.zip", "bravo.exe", "charlie.zip"}));
    EXPECT_EQ(Cell(1, 2), "9 k");  // the size column by its field
    EXPECT_EQ(table_.NodeOfRow(2), Node("charlie.zip"));
    EXPECT_EQ(table_.RowOf(Node("bravo.exe")), 1);
    EXPECT_EQ(table_.RowOf(Node("other.zip")), -1);
    EXPECT_EQ(table_.NodeOfRow(3), nullptr);

    struct Step {
        int32_t category;
        const char* filter;
        RowNames rows;
    } steps[] = {{1, "zip", {"delta.zip", "charlie.zip"}}, {1, "zip.", {}}, {1, "a", {"delta.zip", "bravo.exe", "charlie.zip"}},
                 {0, "", {"other.zip"}}, {1, "ARL", {"charlie.zip"}}};
    for (const Step& s : steps) {
        table_.ApplyFilter(s.category, s.filter);
        EXPECT_EQ(Shown(), s.rows) << s.filter;
    }
}

TEST_F(TableTest, SortingKeepsSelectionAndFocusWithTheirRecords) {
    Create();
    table_.Fill(1, "");
    table_.SelectRow(0, true);  // delta.zip
    table_.SelectRow(1, false);  // bravo.exe
    table_.SortByColumn(0);
    EXPECT_EQ(Shown(), (RowNames{"bravo.exe", "charlie.zip", "delta.zip"}));
    std::vector<ListNode*> selected = table_.SelectedItems();
    EXPECT_EQ(selected, (std::vector<ListNode*>{Node("bravo.exe"), Node("delta.zip")}));
    EXPECT_EQ(table_.FocusedItem(), Node("delta.zip"));
    EXPECT_EQ(table_.SelectedCount(), 2);
    table_.SortByColumn(0);
    EXPECT_EQ(Shown(), (RowNames{"delta.zip", "charlie.zip", "bravo.exe"}));
    EXPECT_EQ(table_.FocusedItem(), Node("delta.zip"));
    EXPECT_TRUE(State(2, LVIS_SELECTED) & LVIS_SELECTED);
    EXPECT_FALSE(State(1, LVIS_SELECTED) & LVIS_SELECTED);
    // Sizes: 9 k (bravo, delta) and 11 k; equal sizes keep their order.
    table_.SortByColumn(2);
    EXPECT_EQ(Shown(), (RowNames{"delta.zip", "bravo.exe", "charlie.zip"}));
    // A new fill clears the selection.
    table_.Fill(1, "");
    EXPECT_EQ(table_.SelectedCount(), 0);
    EXPECT_EQ(table_.FocusedItem(), nullptr);
}

TEST_F(TableTest, RowsAddedRemovedAndRenamedKeepTheSelection) {
    Create();
    table_.Fill(1, "");
    table_.SortByColumn(0);  // bravo, charlie, delta
    table_.SelectRow(1, true);  // charlie.zip
    // Added at its place: the selected record moves down with its row.
    ListNode* alpha = Add("alpha.zip", 1);
    EXPECT_EQ(table_.AddRow(alpha), 0);
    EXPECT_EQ(Shown(), (RowNames{"alpha.zip", "bravo.exe", "charlie.zip", "delta.zip"}));
    EXPECT_EQ(table_.SelectedItems(), std::vector<ListNode*>{Node("charlie.zip")});
    EXPECT_EQ(table_.FocusedItem(), Node("charlie.zip"));
    // Removed above it: it moves up.
    table_.RemoveRow(table_.RowOf(Node("bravo.exe")));
    EXPECT_EQ(Shown(), (RowNames{"alpha.zip", "charlie.zip", "delta.zip"}));
    EXPECT_EQ(table_.SelectedItems(), std::vector<ListNode*>{Node("charlie.zip")});
    // Renamed: it moves to its new place, still selected.
    ListNode* charlie = Node("charlie.zip");
    TextAssign(&TFileListObject::Item(charlie)->fileName, "zulu.zip");
    table_.UpdateRow(table_.RowOf(charlie), charlie);
    EXPECT_EQ(Shown(), (RowNames{"alpha.zip", "delta.zip", "zulu.zip"}));
    EXPECT_EQ(table_.SelectedItems(), std::vector<ListNode*>{charlie});
    // The selected row itself removed: nothing selected.
    table_.RemoveRow(2);
    EXPECT_EQ(table_.SelectedCount(), 0);
    EXPECT_EQ(Shown(), (RowNames{"alpha.zip", "delta.zip"}));
}

TEST_F(TableTest, CutLookBelongsToTheRecord) {
    Create();
    table_.Fill(1, "");
    ListNode* bravo = Node("bravo.exe");
    table_.SetRecordCut(bravo, true);
    EXPECT_TRUE(table_.IsRecordCut(bravo));
    EXPECT_EQ(State(1, LVIS_CUT), UINT(LVIS_CUT));
    EXPECT_EQ(State(0, LVIS_CUT), 0u);
    // It moves with the record through a sort and a new fill.
    table_.SortByColumn(0);
    EXPECT_EQ(State(0, LVIS_CUT), UINT(LVIS_CUT));
    table_.Fill(1, "");
    EXPECT_EQ(State(table_.RowOf(bravo), LVIS_CUT), UINT(LVIS_CUT));
    // Cutting the selection replaces the cut records.
    table_.SelectRow(table_.RowOf(Node("delta.zip")), true);
    table_.MarkSelectionCut(true);
    EXPECT_FALSE(table_.IsRecordCut(bravo));
    EXPECT_TRUE(table_.IsRecordCut(Node("delta.zip")));
    EXPECT_EQ(State(table_.RowOf(Node("delta.zip")), LVIS_CUT), UINT(LVIS_CUT));
    table_.MarkSelectionCut(false);
    EXPECT_FALSE(table_.IsRecordCut(Node("delta.zip")));
    // A record that leaves its list loses the look.
    table_.SetRecordCut(bravo, true);
    data_.downloads.DeleteNode(bravo);
    table_.Fill(1, "");
    EXPECT_FALSE(table_.IsRecordCut(bravo));
    EXPECT_EQ(Shown(), (RowNames{"charlie.zip", "delta.zip"}));  // still sorted by name
}

TEST_F(TableTest, ColumnsKeepTheirFieldAndTheHeaderOrderIsCaptured) {
    ListColumnSettings& columns = data_.downloadColumns;
    columns.entries[0] = {2, 0, 120, nullptr};
    columns.entries[1] = {0, 1, 90, nullptr};
    columns.entries[2] = {1, 2, 150, nullptr};
    Create();
    table_.Fill(1, "");
    int order[7] = {};
    ASSERT_TRUE(SendMessageA(List(), LVM_GETCOLUMNORDERARRAY, 7, reinterpret_cast<LPARAM>(order)));
    EXPECT_EQ(std::vector<int>(order, order + 7), (std::vector<int>{2, 0, 1, 3, 4, 5, 6}));
    EXPECT_EQ(SendMessageA(List(), LVM_GETCOLUMNWIDTH, 0, 0), 90);
    EXPECT_EQ(SendMessageA(List(), LVM_GETCOLUMNWIDTH, 2, 0), 120);
    char title[100] = {};
    LVCOLUMNA column = {};
    column.mask = LVCF_TEXT;
    column.pszText = title;
    column.cchTextMax = sizeof(title);
    ASSERT_TRUE(SendMessageA(List(), LVM_GETCOLUMNA, 0, reinterpret_cast<LPARAM>(&column)));
    EXPECT_STREQ(title, "Filename");
    // A click on a heading sorts by that column's field.
    table_.SortByColumn(0);
    EXPECT_EQ(Shown(), (RowNames{"bravo.exe", "charlie.zip", "delta.zip"}));

    // The user moves Description to the front and widens Filename: the entries follow.
    const int moved[7] = {1, 2, 0, 3, 4, 5, 6};
    ASSERT_TRUE(SendMessageA(List(), LVM_SETCOLUMNORDERARRAY, 7, reinterpret_cast<LPARAM>(moved)));
    ASSERT_TRUE(SendMessageA(List(), LVM_SETCOLUMNWIDTH, 0, 77));
    table_.CaptureColumns();
    EXPECT_EQ(columns.entries[0].field, 2u);
    EXPECT_EQ(columns.entries[0].position, 1);
    EXPECT_EQ(columns.entries[1].position, 2);
    EXPECT_EQ(columns.entries[1].width, 77u);
    EXPECT_EQ(columns.entries[2].position, 0);
    EXPECT_EQ(columns.entries[6].position, 6);
}

// Long lists sort by the locale's sort keys instead of comparing texts with lstrcmp: both must
// give one order.
TEST(LocaleSortKeys, OrderAsLstrcmp) {
    const char* texts[] = {"", "a", "A", "b", "B", "ab", "aB", "a b", "a-b", "ab-", "co-op", "coop", "co op", "1", "10",
                           "2", "9z", "z9", "_x", "~x", "x.zip", "X.ZIP", "x.zi", "\xe9t\xe9", "ete", "\xc9T\xc9", "f\xfcr",
                           "fur", "\xdf", "ss", "Tolvane", "tolvane plus", "don't", "dont", "http://a/", "http://A/b"};
    std::vector<std::string> keys;
    for (const char* text : texts) {
        keys.emplace_back();
        ListLocaleSortKey(text, &keys.back(), nullptr);
    }
    for (size_t i = 0; i < keys.size(); ++i)
        for (size_t j = 0; j < keys.size(); ++j) {
            const int byKey = keys[i] < keys[j] ? -1 : (keys[j] < keys[i] ? 1 : 0);
            const int byCompare = ListLocaleCompare(texts[i], texts[j], nullptr);
            EXPECT_EQ(byKey, byCompare < 0 ? -1 : (byCompare > 0 ? 1 : 0)) << "\"" << texts[i] << "\" \"" << texts[j] << "\"";
        }
}

TEST_F(TableTest, HitTestAndTypeAheadFindRecords) {
    Create();
    table_.Fill(1, "");
    RECT r = {};
    r.left = LVIR_BOUNDS;
    ASSERT_TRUE(SendMessageA(List(), LVM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&r)));
    int row = -1;
    EXPECT_EQ(table_.RecordAt(POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}, &row), Node("bravo.exe"));
    EXPECT_EQ(row, 1);
    EXPECT_EQ(table_.RecordAt(POINT{5, 480}, &row), nullptr);
    EXPECT_EQ(row, -1);

    struct Find {
        const char* prefix;
        int start;
        int row;
    } finds[] = {{"ch", 0, 2}, {"CH", 0, 2}, {"d", 1, 0}, {"bravo.exe", 0, 1}, {"x", 0, -1}};
    for (const Find& f : finds) {
        LVFINDINFOA find = {};
        find.flags = LVFI_STRING | LVFI_PARTIAL | LVFI_WRAP;
        find.psz = f.prefix;
        EXPECT_EQ(SendMessageA(List(), LVM_FINDITEMA, WPARAM(f.start - 1), reinterpret_cast<LPARAM>(&find)), f.row)
            << f.prefix;
    }
}

// A shown view is repainted after every change of its rows, with a count that changes (the view
// is hidden meanwhile and must come back with its scroll bar fitting the rows) or stays the same
// (nothing but a repaint is asked for).
TEST_F(TableTest, ShownViewIsRepaintedAfterEachChange) {
    for (int i = 0; i < 80; ++i) Add(("file" + std::to_string(100 + i) + ".zip").c_str(), 1);
    Create();
    ShowWindow(parent_, SW_SHOWNOACTIVATE);
    ShowWindow(List(), SW_SHOWNOACTIVATE);
    UpdateWindow(parent_);
    struct Step {
        const char* filter;
        bool sort;  // a click on the name column instead of a new filter
        const char* top;
        bool scrolls;
    } steps[] = {
        {"", false, "delta.zip", true},
        {"charlie", false, "charlie.zip", false},
        {"delta", false, "delta.zip", false},  // the same count, another row
        {"file1", false, "file100.zip", true},
        {"file1", true, "file100.zip", true},  // sorted by name
        {"file1", true, "file179.zip", true},  // and back: the same count, the rows reversed
        {"zip.", false, nullptr, false},
        {"", false, "file179.zip", true},
    };
    for (const Step& step : steps) {
        if (step.sort)
            table_.SortByColumn(0);
        else
            table_.ApplyFilter(1, step.filter);
        painted.clear();
        UpdateWindow(List());
        const std::string where = std::string(step.filter) + (step.sort ? " sorted" : "");
        EXPECT_TRUE(IsWindowVisible(List())) << where;
        EXPECT_EQ((GetWindowLongA(List(), GWL_STYLE) & WS_VSCROLL) != 0, step.scrolls) << where;
        if (step.top) {
            ASSERT_FALSE(painted.empty()) << where;
            EXPECT_EQ(painted.front(), step.top) << where;
        } else {
            EXPECT_EQ(SendMessageA(List(), LVM_GETITEMCOUNT, 0, 0), 0) << where;
        }
    }
}

}  // namespace
