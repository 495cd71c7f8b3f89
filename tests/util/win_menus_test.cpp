// A context menu asked for from the keyboard opens at the focused row or tree item (scrolled into
// view), inside the view; a mouse point stays as it came.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstring>

#include <string>

#include "util/win_menus.h"

namespace {

const LPARAM kKeyboard = MAKELPARAM(0xFFFF, 0xFFFF);

bool Inside(const RECT& r, POINT p) { return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom; }

RECT ScreenClient(HWND view) {
    RECT r = {};
    GetClientRect(view, &r);
    MapWindowPoints(view, nullptr, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

class ContextMenuPointTest : public ::testing::Test {
protected:
    void SetUp() override {
        INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_LISTVIEW_CLASSES | ICC_TREEVIEW_CLASSES};
        InitCommonControlsEx(&icc);
        parent_ = CreateWindowExA(0, "STATIC", "", WS_POPUP, 100, 100, 400, 300, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(parent_, nullptr);
        list_ = CreateWindowExA(0, WC_LISTVIEWA, "", WS_CHILD | WS_VISIBLE | LVS_REPORT, 10, 10, 200, 120, parent_,
                                nullptr, nullptr, nullptr);
        tree_ = CreateWindowExA(0, WC_TREEVIEWA, "", WS_CHILD | WS_VISIBLE, 220, 10, 150, 120, parent_, nullptr,
                                nullptr, nullptr);
        ASSERT_TRUE(list_ && tree_);
        LVCOLUMNA column = {};
        column.mask = LVCF_WIDTH | LVCF_TEXT;
        column.cx = 150;
        column.pszText = const_cast<char*>("Name");
        SendMessageA(list_, LVM_INSERTCOLUMNA, 0, reinterpret_cast<LPARAM>(&column));
        for (int i = 0; i < 60; ++i) {
            std::string text = "row " + std::to_string(i);
            LVITEMA item = {};
            item.mask = LVIF_TEXT;
            item.iItem = i;
            item.pszText = &text[0];
            SendMessageA(list_, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
        }
    }
    void TearDown() override {
        if (parent_) DestroyWindow(parent_);
    }
    void SetRowState(int row, UINT state) {
        LVITEMA item = {};
        item.stateMask = LVIS_FOCUSED | LVIS_SELECTED;
        item.state = state;
        SendMessageA(list_, LVM_SETITEMSTATE, WPARAM(row), reinterpret_cast<LPARAM>(&item));
    }
    RECT ScreenRow(int row) {
        RECT r = {};
        r.left = LVIR_BOUNDS;
        SendMessageA(list_, LVM_GETITEMRECT, WPARAM(row), reinterpret_cast<LPARAM>(&r));
        MapWindowPoints(list_, nullptr, reinterpret_cast<POINT*>(&r), 2);
        return r;
    }
    HWND parent_ = nullptr, list_ = nullptr, tree_ = nullptr;
};

TEST_F(ContextMenuPointTest, MousePointsStayAsTheyCame) {
    const POINT cases[] = {{300, 200}, {-20, 15}, {0, 0}};
    for (POINT p : cases) {
        const POINT at = ContextMenuPoint(list_, MAKELPARAM(p.x, p.y));
        EXPECT_EQ(at.x, p.x);
        EXPECT_EQ(at.y, p.y);
    }
    EXPECT_TRUE(IsKeyboardContextMenu(kKeyboard));
    EXPECT_FALSE(IsKeyboardContextMenu(MAKELPARAM(0xFFFF, 10)));
}

TEST_F(ContextMenuPointTest, KeyboardMenuOfAListOpensAtTheFocusedOrElseTheSelectedRow) {
    struct {
        const char* what;
        int focused, selected, expectRow;
    } const cases[] = {
        {"focused row", 3, -1, 3},
        {"selected row without focus", -1, 5, 5},
        {"focused row scrolled out of view", 50, -1, 50},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        for (int i = 0; i < 60; ++i) SetRowState(i, 0);
        if (c.focused >= 0) SetRowState(c.focused, LVIS_FOCUSED);
        if (c.selected >= 0) SetRowState(c.selected, LVIS_SELECTED);
        const POINT at = ContextMenuPoint(list_, kKeyboard);
        RECT row = ScreenRow(c.expectRow);
        row.bottom += 1;  // the menu opens just below the row's text
        EXPECT_TRUE(Inside(row, at)) << at.x << "," << at.y << " row " << row.left << "," << row.top << "-"
                                     << row.right << "," << row.bottom;
        EXPECT_TRUE(Inside(ScreenClient(list_), at));
    }
}

TEST_F(ContextMenuPointTest, KeyboardMenuWithoutARowOrItemOpensInsideTheCorner) {
    for (int i = 0; i < 60; ++i) SetRowState(i, 0);
    const HWND views[] = {list_, tree_, parent_};
    for (HWND view : views) {
        const RECT client = ScreenClient(view);
        const POINT at = ContextMenuPoint(view, kKeyboard);
        EXPECT_TRUE(Inside(client, at));
        EXPECT_LT(at.x - client.left, 10);
        EXPECT_LT(at.y - client.top, 10);
    }
}

TEST_F(ContextMenuPointTest, KeyboardMenuOfATreeOpensAtTheSelectedItem) {
    TVINSERTSTRUCTA insert = {};
    insert.hParent = TVI_ROOT;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT;
    HTREEITEM items[12] = {};
    for (int i = 0; i < 12; ++i) {
        std::string text = "category " + std::to_string(i);
        insert.item.pszText = &text[0];
        items[i] = reinterpret_cast<HTREEITEM>(SendMessageA(tree_, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
        ASSERT_NE(items[i], nullptr);
    }
    SendMessageA(tree_, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(items[11]));
    SendMessageA(tree_, TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(items[0]));  // scrolled away again
    const POINT at = ContextMenuPoint(tree_, kKeyboard);
    RECT item = {};
    memcpy(&item, &items[11], sizeof(HTREEITEM));  // the item goes in the rectangle
    ASSERT_TRUE(SendMessageA(tree_, TVM_GETITEMRECT, FALSE, reinterpret_cast<LPARAM>(&item)));
    MapWindowPoints(tree_, nullptr, reinterpret_cast<POINT*>(&item), 2);
    item.bottom += 1;
    EXPECT_TRUE(Inside(item, at)) << at.x << "," << at.y;
    EXPECT_TRUE(Inside(ScreenClient(tree_), at));
}

}  // namespace

// Shift+F10 alone becomes WM_CONTEXTMENU (-1, -1) for the window it was typed in and is used up;
// the same key with Ctrl or Alt, F10 alone and other keys pass by untouched.
namespace {

// What the window of the key test received.
int menus = 0;
LPARAM menuPoint = 0;
HWND menuSource = nullptr;

LRESULT CALLBACK RecordContextMenu(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CONTEXTMENU) {
        ++menus;
        menuPoint = lParam;
        menuSource = reinterpret_cast<HWND>(wParam);
        return 0;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

}  // namespace

TEST(ContextMenuKey, OnlyShiftF10BecomesAKeyboardMenuOfItsWindow) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = RecordContextMenu;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "TvContextMenuKeyTest";
    ASSERT_NE(RegisterClassA(&wc), 0);
    HWND window = CreateWindowExA(0, wc.lpszClassName, "", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(window, nullptr);
    BYTE saved[256] = {};
    ASSERT_TRUE(GetKeyboardState(saved));
    const struct {
        UINT message;
        WPARAM key;
        bool shift, control, alt, translated;
    } cases[] = {
        {WM_SYSKEYDOWN, VK_F10, true, false, false, true},  {WM_KEYDOWN, VK_F10, true, false, false, true},
        {WM_SYSKEYDOWN, VK_F10, false, false, false, false}, {WM_SYSKEYDOWN, VK_F10, true, true, false, false},
        {WM_SYSKEYDOWN, VK_F10, true, false, true, false},  {WM_SYSKEYUP, VK_F10, true, false, false, false},
        {WM_KEYDOWN, VK_F9, true, false, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "message " << c.message << " key " << c.key << " shift " << c.shift
                                        << " control " << c.control << " alt " << c.alt);
        BYTE state[256] = {};
        std::memcpy(state, saved, sizeof state);
        state[VK_SHIFT] = c.shift ? 0x80 : 0;
        state[VK_CONTROL] = c.control ? 0x80 : 0;
        state[VK_MENU] = c.alt ? 0x80 : 0;
        ASSERT_TRUE(SetKeyboardState(state));
        menus = 0;
        menuPoint = 0;
        menuSource = nullptr;
        MSG msg = {};
        msg.hwnd = window;
        msg.message = c.message;
        msg.wParam = c.key;
        EXPECT_EQ(TranslateContextMenuKey(msg), c.translated);
        EXPECT_EQ(menus, c.translated ? 1 : 0);
        if (c.translated) {
            EXPECT_TRUE(IsKeyboardContextMenu(menuPoint));
            EXPECT_EQ(menuSource, window);
        }
    }
    SetKeyboardState(saved);
    DestroyWindow(window);
    UnregisterClassA(wc.lpszClassName, wc.hInstance);
}
