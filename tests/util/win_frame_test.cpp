// The parts of a result or viewer window: the layout of toolbar, view and status bar, the
// toolbar's buttons, the report list's columns and the tool tip texts.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstring>
#include <string>
#include <vector>

#include "util/win_frame.h"
#include "util/win_ui.h"

namespace {

constexpr uint32_t kFirstHeading = 3930;  // a run of column headings in the string table
constexpr int kOpen = 40001, kKeep = 40002;

const TToolbarButton kButtons[] = {{kOpen, 0}, {0, 0}, {kKeep, 1, true}};

void TwoColumns(int column, void*, int* width, int* format) {
    *width = 50 + 10 * column;
    *format = column == 1 ? LVCFMT_RIGHT : LVCFMT_LEFT;
}

class Frame : public ::testing::Test {
protected:
    void SetUp() override {
        InitCommonControls();
        // A hidden window whose client area is 401 pixels wide (an odd width rounds the parts).
        RECT r = {0, 0, 401, 300};
        AdjustWindowRectEx(&r, WS_OVERLAPPEDWINDOW, FALSE, 0);
        window_ = CreateWindowExA(0, "STATIC", "", WS_OVERLAPPEDWINDOW, 0, 0, r.right - r.left, r.bottom - r.top,
                                  nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(window_, nullptr);
        toolbar_ = CreateFrameToolbar(window_, 1, nullptr, kButtons, 3);
        status_ = CreateFrameStatusBar(window_, 2);
        list_ = CreateReportList(window_, 3, LVS_SINGLESEL, kFirstHeading, 2, TwoColumns, nullptr);
        ASSERT_TRUE(toolbar_ && status_ && list_);
    }
    void TearDown() override {
        if (window_) DestroyWindow(window_);
    }
    RECT ChildRect(HWND child) const {
        RECT r = {};
        GetWindowRect(child, &r);
        MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&r), 2);
        return r;
    }
    HWND window_ = nullptr, toolbar_ = nullptr, status_ = nullptr, list_ = nullptr;
};

TEST_F(Frame, ViewFillsTheSpaceBetweenTheBarsAndTheStatusBarIsSplitFromTheMiddle) {
    RECT client;
    GetClientRect(window_, &client);
    ASSERT_EQ(client.right, 401);
    const struct {
        int parts;
        std::vector<int> rights;
    } cases[] = {
        {2, {200, -1}},
        {3, {200, 300, -1}},
        {1, {-1}},
    };
    for (const auto& c : cases) {
        LayoutFrame(window_, toolbar_, status_, list_, c.parts);
        int rights[8] = {};
        ASSERT_EQ(SendMessageA(status_, SB_GETPARTS, 8, reinterpret_cast<LPARAM>(rights)), c.parts);
        for (int i = 0; i < c.parts; ++i) EXPECT_EQ(rights[i], c.rights[size_t(i)]) << c.parts << " parts, part " << i;
        const RECT bar = ChildRect(toolbar_), status = ChildRect(status_), view = ChildRect(list_);
        EXPECT_EQ(view.left, 0);
        EXPECT_EQ(view.right, client.right);
        EXPECT_EQ(view.top, bar.bottom - bar.top);
        EXPECT_GT(bar.bottom - bar.top, 0);
        EXPECT_EQ(view.bottom, status.top);
        EXPECT_EQ(status.bottom, client.bottom);
    }
    // Without bars the view takes the whole client area.
    LayoutFrame(window_, nullptr, nullptr, list_, 2);
    const RECT view = ChildRect(list_);
    EXPECT_EQ(view.top, 0);
    EXPECT_EQ(view.bottom, client.bottom);
}

TEST_F(Frame, ToolbarHasItsButtonsSeparatorsAndCheckButtons) {
    ASSERT_EQ(SendMessageA(toolbar_, TB_BUTTONCOUNT, 0, 0), 3);
    const struct {
        int index, command, image;
        BYTE style;
    } expected[] = {{0, kOpen, 0, BTNS_BUTTON}, {1, 0, 0, BTNS_SEP}, {2, kKeep, 1, BTNS_CHECK}};
    for (const auto& e : expected) {
        TBBUTTON button = {};
        ASSERT_TRUE(SendMessageA(toolbar_, TB_GETBUTTON, WPARAM(e.index), reinterpret_cast<LPARAM>(&button)));
        EXPECT_EQ(button.idCommand, e.command) << e.index;
        EXPECT_EQ(button.fsStyle & (BTNS_SEP | BTNS_CHECK), e.style) << e.index;
        if (e.command) {
            EXPECT_EQ(button.iBitmap, e.image) << e.index;
            EXPECT_TRUE(SendMessageA(toolbar_, TB_ISBUTTONENABLED, WPARAM(e.command), 0)) << e.index;
        }
    }
}

TEST_F(Frame, ReportListHasItsHeadingsWidthsAndAlignment) {
    HWND header = reinterpret_cast<HWND>(SendMessageA(list_, LVM_GETHEADER, 0, 0));
    ASSERT_NE(header, nullptr);
    ASSERT_EQ(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0), 2);
    EXPECT_TRUE(GetWindowLongA(list_, GWL_STYLE) & LVS_SINGLESEL);
    EXPECT_EQ(GetWindowLongA(list_, GWL_STYLE) & LVS_TYPEMASK, LVS_REPORT);
    for (int c = 0; c < 2; ++c) {
        char text[64] = {};
        LVCOLUMNA column = {};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
        column.pszText = text;
        column.cchTextMax = sizeof text;
        ASSERT_TRUE(SendMessageA(list_, LVM_GETCOLUMNA, WPARAM(c), reinterpret_cast<LPARAM>(&column)));
        EXPECT_STREQ(text, LoadMessageText(kFirstHeading + uint32_t(c))) << c;
        EXPECT_NE(text[0], '\0') << c;
        EXPECT_EQ(column.cx, 50 + 10 * c) << c;
        EXPECT_EQ(column.fmt & LVCFMT_JUSTIFYMASK, c == 1 ? LVCFMT_RIGHT : LVCFMT_LEFT) << c;
    }
}

TEST(FrameToolTip, AnswersByCommandPlusOffsetInBothCharacterSets) {
    constexpr uint32_t offset = 100;
    const std::string want = LoadMessageText(kFirstHeading);
    ASSERT_FALSE(want.empty());

    NMTTDISPINFOA a = {};
    a.hdr.code = TTN_GETDISPINFOA;
    a.hdr.idFrom = kFirstHeading - offset;
    ASSERT_TRUE(AnswerToolTip(&a.hdr, offset));
    EXPECT_EQ(std::string(a.lpszText), want);

    NMTTDISPINFOW w = {};
    w.hdr.code = TTN_GETDISPINFOW;
    w.hdr.idFrom = kFirstHeading - offset;
    ASSERT_TRUE(AnswerToolTip(&w.hdr, offset));
    char back[128] = {};
    WideCharToMultiByte(CP_ACP, 0, w.lpszText, -1, back, sizeof back, nullptr, nullptr);
    EXPECT_EQ(std::string(back), want);

    // A tip of a window (not of a command) is left alone; other notifications are not tips.
    NMTTDISPINFOA window = {};
    window.hdr.code = TTN_GETDISPINFOA;
    window.uFlags = TTF_IDISHWND;
    EXPECT_TRUE(AnswerToolTip(&window.hdr, offset));
    EXPECT_EQ(window.lpszText, nullptr);
    NMHDR other = {};
    other.code = NM_CLICK;
    EXPECT_FALSE(AnswerToolTip(&other, offset));
    EXPECT_FALSE(AnswerToolTip(nullptr, offset));
}

}  // namespace
