// The shared window classes under Wine: registration, the centred dialog, the transparent frame
// control and its painting, and the link control's click and text.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "util/win_classes.h"
#include "util/win_ui.h"

namespace {

HINSTANCE Module() { return GetModuleHandleA(nullptr); }

INT_PTR CALLBACK QuietDialogProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

class WindowClasses : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(RegisterProgramWindowClasses(Module())); }
    void TearDown() override { UnregisterProgramWindowClasses(Module()); }
};

TEST_F(WindowClasses, ClassesCarryTheirStylesAndData) {
    struct Expect {
        const char* name;
        UINT style;
        int extra;
    };
    const Expect expects[] = {
        {TV_DIALOG_CLASS, 0x2808, 30},
        {TV_UNIVERSAL_FRAME_CLASS, 3, 4},
        {TV_ACTIVE_LINK_CLASS, 3, 4},
        {TV_SPLASH_CLASS, 3, 0},
    };
    for (const Expect& e : expects) {
        WNDCLASSA wc = {};
        ASSERT_TRUE(GetClassInfoA(Module(), e.name, &wc)) << e.name;
        EXPECT_EQ(wc.style, e.style) << e.name;
        EXPECT_EQ(wc.cbWndExtra, e.extra) << e.name;
    }
    WNDCLASSA button = {};
    EXPECT_TRUE(GetClassInfoA(Module(), TV_ACTIVE_LINK_BUTTON_CLASS, &button));
    EXPECT_NE(SharedNormalFont(), nullptr);
    EXPECT_NE(SharedBoldFont(), nullptr);
    EXPECT_NE(SharedLinkFont(), nullptr);
    EXPECT_NE(SharedFacePen(), nullptr);
    LOGFONTA bold = {};
    ASSERT_TRUE(GetObjectA(SharedBoldFont(), sizeof(bold), &bold));
    EXPECT_EQ(bold.lfWeight, 700);
    EXPECT_EQ(bold.lfHeight, 8);
    LOGFONTA link = {};
    ASSERT_TRUE(GetObjectA(SharedLinkFont(), sizeof(link), &link));
    EXPECT_TRUE(link.lfUnderline);
    EXPECT_EQ(link.lfWeight, 400);
}

TEST(WindowClassesRemoval, UnregisterRemovesClassesAndObjects) {
    ASSERT_TRUE(RegisterProgramWindowClasses(Module()));
    UnregisterProgramWindowClasses(Module());
    WNDCLASSA wc = {};
    for (const char* name : {TV_DIALOG_CLASS, TV_UNIVERSAL_FRAME_CLASS, TV_ACTIVE_LINK_CLASS,
                             TV_ACTIVE_LINK_BUTTON_CLASS, TV_SPLASH_CLASS})
        EXPECT_FALSE(GetClassInfoA(Module(), name, &wc)) << name;
    EXPECT_EQ(SharedNormalFont(), nullptr);
    EXPECT_EQ(SharedLinkFont(), nullptr);

    // The plug-in subset: only the dialog class, and registering twice in a row is harmless.
    ASSERT_TRUE(RegisterPluginWindowClasses(Module()));
    EXPECT_TRUE(GetClassInfoA(Module(), TV_DIALOG_CLASS, &wc));
    EXPECT_FALSE(GetClassInfoA(Module(), TV_UNIVERSAL_FRAME_CLASS, &wc));
    UnregisterPluginWindowClasses(Module());
    EXPECT_FALSE(GetClassInfoA(Module(), TV_DIALOG_CLASS, &wc));
}

TEST_F(WindowClasses, DialogOfTheSharedClassIsCentredOnTheScreen) {
    HWND dialog = CreateDialogParamA(Module(), "CENTRED", nullptr, QuietDialogProc, 0);
    ASSERT_NE(dialog, nullptr);
    char cls[64] = {};
    GetClassNameA(dialog, cls, sizeof(cls));
    EXPECT_STREQ(cls, TV_DIALOG_CLASS);
    RECT r;
    ASSERT_TRUE(GetWindowRect(dialog, &r));
    const int width = r.right - r.left + 1;
    const int height = r.bottom - r.top + 1;
    EXPECT_EQ(r.left, (GetSystemMetrics(SM_CXSCREEN) - width) / 2);
    EXPECT_EQ(r.top, (GetSystemMetrics(SM_CYSCREEN) - height) / 2);
    DestroyWindow(dialog);
}

TEST_F(WindowClasses, UniversalFrameLetsMouseThroughAndPaintsEdgeAndFill) {
    HWND parent = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 200, 200, nullptr, nullptr, Module(), nullptr);
    ASSERT_NE(parent, nullptr);
    HWND frame = CreateWindowExA(0, TV_UNIVERSAL_FRAME_CLASS, "", WS_CHILD | TV_UFW_SUNKEN | TV_UFW_FILL, 0, 0, 40,
                                 30, parent, nullptr, Module(), nullptr);
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(SendMessageA(frame, WM_NCHITTEST, 0, MAKELPARAM(5, 5)), LRESULT(HTTRANSPARENT));

    const COLORREF fill = RGB(10, 200, 30);
    SendMessageA(frame, TV_WM_SET_CONTROL_VALUE, 0, reinterpret_cast<LPARAM>(&fill));
    SendMessageA(frame, TV_WM_SET_CONTROL_VALUE, 0, 0);  // a null pointer changes nothing

    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 40, 30);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, bitmap);
    RECT all = {0, 0, 40, 30};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    UniversalFrameWindowPaint(frame, dc);
    EXPECT_EQ(GetPixel(dc, 20, 15), fill);
    EXPECT_EQ(GetPixel(dc, 1, 1), fill);           // one pixel inside the edge
    EXPECT_NE(GetPixel(dc, 0, 0), fill);           // the edge itself
    EXPECT_NE(GetPixel(dc, 0, 0), RGB(255, 255, 255));
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    DestroyWindow(parent);
}

// Records the WM_COMMAND messages that reach the link's parent.
std::vector<std::pair<WPARAM, LPARAM>> g_commands;

LRESULT CALLBACK RecordingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND) g_commands.emplace_back(wParam, lParam);
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

TEST_F(WindowClasses, LinkClickReachesTheParentAsACommandAndTextGoesToTheButton) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = RecordingProc;
    wc.hInstance = Module();
    wc.lpszClassName = "LinkParentForTest";
    ASSERT_TRUE(RegisterClassA(&wc));
    HWND parent = CreateWindowExA(0, "LinkParentForTest", "", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr, nullptr,
                                  Module(), nullptr);
    ASSERT_NE(parent, nullptr);
    HWND link = CreateWindowExA(0, TV_ACTIVE_LINK_CLASS, "www.example.org", WS_CHILD | WS_VISIBLE, 10, 10, 150, 16,
                                parent, reinterpret_cast<HMENU>(INT_PTR(77)), Module(), nullptr);
    ASSERT_NE(link, nullptr);
    HWND button = GetDlgItem(link, TV_ACTIVE_LINK_BUTTON_ID);
    ASSERT_NE(button, nullptr);
    char cls[64] = {};
    GetClassNameA(button, cls, sizeof(cls));
    EXPECT_STREQ(cls, TV_ACTIVE_LINK_BUTTON_CLASS);
    EXPECT_EQ(GetWindowLongA(button, GWL_STYLE) & 0x0F, BS_OWNERDRAW);
    RECT r;
    GetClientRect(button, &r);
    EXPECT_EQ(r.right, 150);
    EXPECT_EQ(r.bottom, 16);
    EXPECT_EQ(reinterpret_cast<HFONT>(GetWindowLongPtrA(link, 0)), SharedLinkFont());

    char text[64] = {};
    GetWindowTextA(button, text, sizeof(text));
    EXPECT_STREQ(text, "www.example.org");
    SetWindowTextA(link, "Another text");
    GetWindowTextA(button, text, sizeof(text));
    EXPECT_STREQ(text, "Another text");
    GetWindowTextA(link, text, sizeof(text));
    EXPECT_STREQ(text, "Another text");

    g_commands.clear();
    SendMessageA(button, BM_CLICK, 0, 0);
    PumpMessages();  // the click has been posted to the parent by now
    ASSERT_EQ(g_commands.size(), 1u);
    EXPECT_EQ(LOWORD(g_commands[0].first), 77);
    EXPECT_EQ(HIWORD(g_commands[0].first), 0);
    EXPECT_EQ(g_commands[0].second, reinterpret_cast<LPARAM>(link));

    DestroyWindow(parent);
    UnregisterClassA("LinkParentForTest", Module());
}

// The dialog's commands and its answer to WM_CTLCOLORSTATIC (a white page).
std::vector<int> g_dialogCommands;

INT_PTR CALLBACK WhitePageProc(HWND, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_COMMAND) g_dialogCommands.push_back(LOWORD(wParam));
    if (message == WM_CTLCOLORSTATIC) return reinterpret_cast<INT_PTR>(GetStockObject(WHITE_BRUSH));
    return message == WM_INITDIALOG;
}

// Feeds a key to the dialog as the message loop would (IsDialogMessage first).
void Key(HWND dialog, HWND target, UINT message, WPARAM key) {
    MSG msg = {};
    msg.hwnd = target;
    msg.message = message;
    msg.wParam = key;
    if (!IsDialogMessageA(dialog, &msg)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    PumpMessages();  // what the key posted
}

TEST_F(WindowClasses, LinkIsReachedByTabAndClickedBySpaceAndEnterNotTheDefaultButton) {
    g_dialogCommands.clear();
    HWND dialog = CreateDialogParamA(Module(), "LINKS", nullptr, WhitePageProc, 0);
    ASSERT_NE(dialog, nullptr);
    HWND edit = GetDlgItem(dialog, 101);
    HWND link = GetDlgItem(dialog, 102);
    ASSERT_NE(link, nullptr);
    HWND button = GetDlgItem(link, TV_ACTIVE_LINK_BUTTON_ID);
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(GetNextDlgTabItem(dialog, edit, FALSE), button);
    EXPECT_EQ(GetNextDlgTabItem(dialog, button, FALSE), GetDlgItem(dialog, IDOK));

    ShowWindow(dialog, SW_SHOW);
    SetForegroundWindow(dialog);
    SetFocus(edit);
    Key(dialog, edit, WM_KEYDOWN, VK_TAB);
    EXPECT_EQ(GetFocus(), button);

    struct {
        const char* what;
        std::vector<std::pair<UINT, WPARAM>> keys;
    } const cases[] = {
        {"Enter", {{WM_KEYDOWN, VK_RETURN}, {WM_CHAR, VK_RETURN}, {WM_KEYUP, VK_RETURN}}},
        {"Space", {{WM_KEYDOWN, VK_SPACE}, {WM_CHAR, VK_SPACE}, {WM_KEYUP, VK_SPACE}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        g_dialogCommands.clear();
        SetFocus(button);
        for (const auto& k : c.keys) Key(dialog, button, k.first, k.second);
        EXPECT_EQ(g_dialogCommands, std::vector<int>{102});
    }
    DestroyWindow(dialog);
}

TEST_F(WindowClasses, LinkDrawsOnItsParentsBackgroundWithAFocusRectangle) {
    HWND dialog = CreateDialogParamA(Module(), "LINKS", nullptr, WhitePageProc, 0);
    ASSERT_NE(dialog, nullptr);
    HWND link = GetDlgItem(dialog, 102);
    HWND button = GetDlgItem(link, TV_ACTIVE_LINK_BUTTON_ID);
    ASSERT_NE(button, nullptr);
    RECT rect;
    GetClientRect(button, &rect);
    ASSERT_GT(rect.right, 20);

    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, rect.right, rect.bottom);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, bitmap);
    EXPECT_EQ(SendMessageA(link, WM_CTLCOLORBTN, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(button)),
              reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH)));

    // Draws the link on a grey canvas in a state; returns its pixels.
    auto draw = [&](UINT state) {
        RECT all = rect;
        FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
        DRAWITEMSTRUCT item = {};
        item.CtlType = ODT_BUTTON;
        item.CtlID = TV_ACTIVE_LINK_BUTTON_ID;
        item.itemAction = ODA_DRAWENTIRE;
        item.itemState = state;
        item.hwndItem = button;
        item.hDC = dc;
        item.rcItem = rect;
        SendMessageA(link, WM_DRAWITEM, TV_ACTIVE_LINK_BUTTON_ID, reinterpret_cast<LPARAM>(&item));
        std::vector<COLORREF> pixels;
        for (int y = 0; y < rect.bottom; ++y)
            for (int x = 0; x < rect.right; ++x) pixels.push_back(GetPixel(dc, x, y));
        return pixels;
    };
    const std::vector<COLORREF> plain = draw(0);
    EXPECT_EQ(plain.back(), RGB(255, 255, 255));  // the page's white, not the grey canvas or button face
    int blue = 0;
    for (COLORREF c : plain) blue += c == RGB(0, 0, 255);
    EXPECT_GT(blue, 0);
    EXPECT_NE(draw(ODS_FOCUS), plain);
    EXPECT_EQ(draw(ODS_FOCUS | ODS_NOFOCUSRECT), plain);

    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    DestroyWindow(dialog);
}

TEST_F(WindowClasses, SplashWindowIsCentredTopMostAndOfItsSize) {
    HWND splash = CreateSplashWindow(Module());
    ASSERT_NE(splash, nullptr);
    RECT r;
    GetWindowRect(splash, &r);
    EXPECT_EQ(r.right - r.left, TV_SPLASH_WIDTH);
    EXPECT_EQ(r.bottom - r.top, TV_SPLASH_HEIGHT);
    EXPECT_EQ(r.left, (GetSystemMetrics(SM_CXSCREEN) - (TV_SPLASH_WIDTH + 1)) / 2);
    EXPECT_TRUE(GetWindowLongA(splash, GWL_EXSTYLE) & WS_EX_TOPMOST);
    DestroyWindow(splash);
}

}  // namespace
