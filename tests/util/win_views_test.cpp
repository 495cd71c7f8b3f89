// Helpers of the views: a label edit kept readable inside a narrow view, a tool tip for a control,
// the folder picker.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <cstring>
#include <string>
#include <thread>

#include "tests/driver/tvdriver.h"
#include "util/win_ui.h"

namespace {

// A view 120 pixels wide with an edit of a label that the view placed too far right and too
// narrow for its text (as a tree does for a new category).
class NarrowView : public ::testing::Test {
protected:
    void SetUp() override {
        view_ = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 120, 60, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(view_, nullptr);
        edit_ = CreateWindowExA(0, "EDIT", "New Category", WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL, 40, 10,
                                60, 20, view_, nullptr, nullptr, nullptr);
        ASSERT_NE(edit_, nullptr);
        SendMessageA(edit_, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), TRUE);
        SendMessageA(edit_, EM_SETSEL, 0, -1);  // caret at the end: the start scrolls away
    }
    void TearDown() override {
        if (view_) DestroyWindow(view_);
    }
    RECT EditRect() const {
        RECT r = {};
        GetWindowRect(edit_, &r);
        MapWindowPoints(nullptr, view_, reinterpret_cast<POINT*>(&r), 2);
        return r;
    }
    int TextWidth() const {
        HDC dc = GetDC(edit_);
        HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
        SIZE size = {};
        GetTextExtentPoint32A(dc, "New Category", 12, &size);
        SelectObject(dc, old);
        ReleaseDC(edit_, dc);
        return size.cx;
    }
    // The first character shows at the field's left edge.
    bool StartVisible() const {
        const LRESULT at = SendMessageA(edit_, EM_POSFROMCHAR, 0, 0);
        return at != -1 && short(LOWORD(at)) >= 0;
    }
    HWND view_ = nullptr, edit_ = nullptr;
};

TEST_F(NarrowView, LabelEditStaysInsideAndShowsItsTextFromTheStart) {
    ASSERT_FALSE(StartVisible());  // the field is too narrow: its start scrolled away
    KeepEditInsideParent(edit_);
    EXPECT_TRUE(StartVisible());
    const struct {
        const char* what;
        int x, width;
    } moves[] = {
        {"as placed", -1, -1},
        {"moved right by the view", 70, 50},
        {"wider than the view", 0, 400},
    };
    for (const auto& m : moves) {
        SCOPED_TRACE(m.what);
        if (m.x >= 0) MoveWindow(edit_, m.x, 10, m.width, 20, TRUE);
        const RECT r = EditRect();
        EXPECT_GE(r.left, 0);
        EXPECT_LE(r.right, 120);
        EXPECT_GE(r.right - r.left, std::min(TextWidth(), 120));
        EXPECT_EQ(r.top, 10);
    }
    char text[32] = {};
    GetWindowTextA(edit_, text, sizeof text);
    EXPECT_STREQ(text, "New Category");
}

TEST(ToolTip, ControlGetsItsTextAsTip) {
    HWND parent = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 200, 60, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(parent, nullptr);
    HWND label = CreateWindowExA(0, "STATIC", "C:\\a\\...\\b", WS_CHILD | SS_NOTIFY, 0, 0, 100, 20, parent, nullptr,
                                 nullptr, nullptr);
    HWND tip = AddToolTip(label, "C:\\a\\long\\path\\b");
    ASSERT_NE(tip, nullptr);
    EXPECT_EQ(GetWindow(tip, GW_OWNER), parent);
    char text[100] = {};
    TOOLINFOA tool = {};
    tool.cbSize = TTTOOLINFOA_V1_SIZE;
    tool.hwnd = parent;
    tool.uId = reinterpret_cast<UINT_PTR>(label);
    tool.lpszText = text;
    SendMessageA(tip, TTM_GETTEXTA, sizeof text, reinterpret_cast<LPARAM>(&tool));
    EXPECT_STREQ(text, "C:\\a\\long\\path\\b");
    EXPECT_EQ(AddToolTip(nullptr, "x"), nullptr);
    DestroyWindow(parent);
    EXPECT_FALSE(IsWindow(tip));
}

// What the user meets in "Browse for Folder": seen from a second thread, which then presses OK.
struct BrowseSeen {
    bool dialog = false;
    bool prompt = false;
};

BOOL CALLBACK FindDialog(HWND window, LPARAM found) {
    char name[16] = {};
    GetClassNameA(window, name, sizeof name);
    if (IsWindowVisible(window) && strcmp(name, "#32770") == 0) {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

struct PromptSearch {
    const char* prompt;
    bool found;
};

BOOL CALLBACK LookAtChild(HWND child, LPARAM context) {
    auto* search = reinterpret_cast<PromptSearch*>(context);
    char text[200] = {};
    GetWindowTextA(child, text, sizeof text);
    if (strcmp(text, search->prompt) == 0) search->found = true;
    return TRUE;
}

void AnswerBrowse(DWORD thread, const char* prompt, BrowseSeen* seen) {
    HWND dialog = nullptr;
    tvd::WaitUntil(
        [&] {
            EnumThreadWindows(thread, FindDialog, reinterpret_cast<LPARAM>(&dialog));
            return dialog != nullptr;
        },
        tvd::WaitCeilingMs());
    if (!dialog) return;
    seen->dialog = true;
    PromptSearch search = {prompt, false};
    EnumChildWindows(dialog, LookAtChild, reinterpret_cast<LPARAM>(&search));
    seen->prompt = search.found;
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
}

// The picker shows its prompt above the tree and OK gives a folder back. (That it opens at the
// folder in the field cannot be checked here: Wine's picker takes the folder to select only now and
// then, also from the plain documented call.)
TEST(FolderPicker, ShowsThePromptAndGivesTheChosenFolder) {
    ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
    char temp[MAX_PATH] = {};
    GetTempPathA(sizeof temp, temp);
    const char* prompt = "Choose where the files are kept:";
    BrowseSeen seen;
    std::thread answer(AnswerBrowse, GetCurrentThreadId(), prompt, &seen);
    char out[MAX_PATH] = "untouched";
    const bool chosen = BrowseForFolder(nullptr, prompt, temp, out, sizeof out);
    answer.join();
    EXPECT_TRUE(seen.dialog);
    EXPECT_TRUE(seen.prompt);
    EXPECT_TRUE(chosen);
    EXPECT_EQ(GetFileAttributesA(out) & FILE_ATTRIBUTE_DIRECTORY, DWORD(FILE_ATTRIBUTE_DIRECTORY)) << out;
    OleUninitialize();
}

}  // namespace
