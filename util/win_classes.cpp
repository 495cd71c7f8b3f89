#include "util/win_classes.h"

#include "util/safestr.h"

namespace {

HFONT g_normalFont = nullptr;
HFONT g_boldFont = nullptr;
HBRUSH g_patternBrush = nullptr;
HPEN g_facePen = nullptr;
HPEN g_shadowPen = nullptr;
HPEN g_highlightPen = nullptr;
HFONT g_linkFont = nullptr;
WNDPROC g_buttonProc = nullptr;  // the system BUTTON procedure behind "ActiveLinkButton"

const char kLinkCursor[] = "ACTIVELINKCURSOR";
const char kSplashBitmap[] = "SPLASH";
const char kBrushBitmap[] = "VELTRA_BRUSH";

HFONT CreateVariablePitchFont(int weight, bool underline) {
    LOGFONTA font = {};
    GetObjectA(GetStockObject(ANSI_VAR_FONT), sizeof(font), &font);
    font.lfHeight = 8;
    font.lfWidth = 0;
    font.lfWeight = weight;
    font.lfUnderline = underline ? TRUE : FALSE;
    return CreateFontIndirectA(&font);
}

template <typename T>
void DeleteGdi(T& handle) {
    if (handle) DeleteObject(handle);
    handle = nullptr;
}

HCURSOR LinkCursor(HINSTANCE module) {
    HCURSOR cursor = LoadCursorA(module, kLinkCursor);
    return cursor ? cursor : LoadCursorA(nullptr, MAKEINTRESOURCEA(32649));  // IDC_HAND
}

HINSTANCE WindowModule(HWND window) { return reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(window, GWLP_HINSTANCE)); }

bool RegisterDialogClass(HINSTANCE module) {
    WNDCLASSA wc = {};
    wc.style = CS_BYTEALIGNWINDOW | CS_SAVEBITS | CS_DBLCLKS;  // 0x2808
    wc.lpfnWndProc = DialogProc;
    wc.cbWndExtra = DLGWINDOWEXTRA;  // 30 bytes
    wc.hInstance = module;
    wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
    wc.hbrBackground = nullptr;
    wc.lpszClassName = TV_DIALOG_CLASS;
    return RegisterClassA(&wc) != 0;
}

bool RegisterUniversalFrameClass(HINSTANCE module) {
    WNDCLASSA wc = {};
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = UniversalFrameWindowProc;
    wc.cbWndExtra = 4;  // the fill colour
    wc.hInstance = module;
    wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
    wc.lpszClassName = TV_UNIVERSAL_FRAME_CLASS;
    return RegisterClassA(&wc) != 0;
}

// The button of a link: the system button, which also takes Enter as a click (in a dialog Enter
// would otherwise press the dialog's default button).
LRESULT CALLBACK ActiveLinkButtonProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_GETDLGCODE: {
            const MSG* msg = reinterpret_cast<const MSG*>(lParam);
            LRESULT code = CallWindowProcA(g_buttonProc, window, message, wParam, lParam);
            if (msg && (msg->message == WM_KEYDOWN || msg->message == WM_CHAR) && msg->wParam == VK_RETURN)
                code |= DLGC_WANTMESSAGE;
            return code;
        }
        case WM_KEYDOWN:
            if (wParam == VK_RETURN) {
                SendMessageA(window, BM_CLICK, 0, 0);
                return 0;
            }
            break;
        case WM_CHAR:
            if (wParam == VK_RETURN) return 0;
            break;
        default:
            break;
    }
    return CallWindowProcA(g_buttonProc, window, message, wParam, lParam);
}

bool RegisterLinkClasses(HINSTANCE module) {
    bool ok = true;
    WNDCLASSA button = {};
    if (GetClassInfoA(nullptr, "BUTTON", &button)) {
        g_buttonProc = button.lpfnWndProc;
        button.lpfnWndProc = ActiveLinkButtonProc;
        button.hInstance = module;
        button.hCursor = LinkCursor(module);
        button.lpszClassName = TV_ACTIVE_LINK_BUTTON_CLASS;
        button.style &= ~UINT(CS_GLOBALCLASS);
        ok = RegisterClassA(&button) != 0;
    } else {
        ok = false;
    }
    WNDCLASSA link = {};
    link.style = CS_HREDRAW | CS_VREDRAW;
    link.lpfnWndProc = ActiveLinkProc;
    link.cbWndExtra = 4;  // the font
    link.hInstance = module;
    link.hCursor = LinkCursor(module);
    link.lpszClassName = TV_ACTIVE_LINK_CLASS;
    if (!RegisterClassA(&link)) ok = false;
    if (!g_linkFont) g_linkFont = CreateVariablePitchFont(FW_NORMAL, true);
    return ok;
}

bool RegisterSplashClass(HINSTANCE module) {
    WNDCLASSA wc = {};
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = SplashWindowProc;
    wc.hInstance = module;
    wc.hIcon = LoadIconA(module, MAKEINTRESOURCEA(1));
    wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH));
    wc.lpszClassName = TV_SPLASH_CLASS;
    return RegisterClassA(&wc) != 0;
}

// Draws the bitmap at the top-left of rect, or centred in it.
void DrawBitmapIn(HDC dc, HBITMAP bitmap, const RECT& rect, bool centred) {
    BITMAP info = {};
    if (!GetObjectA(bitmap, sizeof(info), &info)) return;
    int x = rect.left;
    int y = rect.top;
    if (centred) {
        x = rect.left + (rect.right - rect.left - info.bmWidth) / 2;
        y = rect.top + (rect.bottom - rect.top - info.bmHeight) / 2;
    }
    HDC memory = CreateCompatibleDC(dc);
    if (!memory) return;
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(dc, x, y, info.bmWidth, info.bmHeight, memory, 0, 0, SRCCOPY);
    SelectObject(memory, old);
    DeleteDC(memory);
}

}  // namespace

void CreateSharedGdiObjects(HINSTANCE module) {
    if (!g_normalFont) g_normalFont = CreateVariablePitchFont(FW_NORMAL, false);
    if (!g_boldFont) g_boldFont = CreateVariablePitchFont(FW_BOLD, false);
    if (!g_patternBrush) {
        HBITMAP pattern = LoadBitmapA(module, kBrushBitmap);
        if (pattern) {
            g_patternBrush = CreatePatternBrush(pattern);  // brush style 3
            DeleteObject(pattern);
        }
    }
    if (!g_facePen) g_facePen = CreatePen(PS_SOLID, 0, GetSysColor(COLOR_BTNFACE));
    if (!g_shadowPen) g_shadowPen = CreatePen(PS_SOLID, 0, GetSysColor(COLOR_BTNSHADOW));
    if (!g_highlightPen) g_highlightPen = CreatePen(PS_SOLID, 0, GetSysColor(COLOR_BTNHIGHLIGHT));
}

void DestroySharedGdiObjects() {
    DeleteGdi(g_normalFont);
    DeleteGdi(g_boldFont);
    DeleteGdi(g_patternBrush);
    DeleteGdi(g_facePen);
    DeleteGdi(g_shadowPen);
    DeleteGdi(g_highlightPen);
}

HFONT SharedNormalFont() { return g_normalFont; }
HFONT SharedBoldFont() { return g_boldFont; }
HBRUSH SharedPatternBrush() { return g_patternBrush; }
HPEN SharedFacePen() { return g_facePen; }
HPEN SharedShadowPen() { return g_shadowPen; }
HPEN SharedHighlightPen() { return g_highlightPen; }
HFONT SharedLinkFont() { return g_linkFont; }

bool RegisterProgramWindowClasses(HINSTANCE module) {
    CreateSharedGdiObjects(module);
    bool ok = RegisterDialogClass(module);
    if (!RegisterUniversalFrameClass(module)) ok = false;
    if (!RegisterLinkClasses(module)) ok = false;
    if (!RegisterSplashClass(module)) ok = false;
    return ok;
}

void UnregisterProgramWindowClasses(HINSTANCE module) {
    DestroySharedGdiObjects();
    UnregisterClassA(TV_DIALOG_CLASS, module);
    UnregisterClassA(TV_UNIVERSAL_FRAME_CLASS, module);
    UnregisterClassA(TV_ACTIVE_LINK_CLASS, module);
    UnregisterClassA(TV_ACTIVE_LINK_BUTTON_CLASS, module);
    DeleteGdi(g_linkFont);
    UnregisterClassA(TV_SPLASH_CLASS, module);
}

bool RegisterPluginWindowClasses(HINSTANCE module) {
    CreateSharedGdiObjects(module);
    return RegisterDialogClass(module);
}

void UnregisterPluginWindowClasses(HINSTANCE module) {
    DestroySharedGdiObjects();
    UnregisterClassA(TV_DIALOG_CLASS, module);
}

void CenterWindowOnScreen(HWND window) {
    RECT rect;
    if (!GetWindowRect(window, &rect)) return;
    const int width = rect.right - rect.left + 1;
    const int height = rect.bottom - rect.top + 1;
    const int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    const int y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CREATE) CenterWindowOnScreen(window);
    return DefDlgProcA(window, message, wParam, lParam);
}

LRESULT CALLBACK UniversalFrameWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(window, &ps);
            if (dc) UniversalFrameWindowPaint(window, dc);
            EndPaint(window, &ps);
            return 0;
        }
        case WM_NCHITTEST:
            return HTTRANSPARENT;
        case TV_WM_SET_CONTROL_VALUE:
            if (lParam) {
                SetWindowLongA(window, 0, LONG(*reinterpret_cast<const COLORREF*>(lParam)));
                InvalidateRect(window, nullptr, TRUE);
            }
            return 0;
        default:
            return DefWindowProcA(window, message, wParam, lParam);
    }
}

void UniversalFrameWindowPaint(HWND window, HDC dc) {
    const DWORD style = DWORD(GetWindowLongA(window, GWL_STYLE));
    char text[101] = {};
    GetWindowTextA(window, text, int(sizeof(text)));
    RECT rect;
    GetClientRect(window, &rect);
    if (style & (TV_UFW_SUNKEN | TV_UFW_RAISED)) {
        DrawEdge(dc, &rect, (style & TV_UFW_RAISED) ? EDGE_RAISED : BDR_SUNKENOUTER, BF_RECT);
        InflateRect(&rect, -1, -1);
    }
    if (style & TV_UFW_FILL) {
        HBRUSH brush = CreateSolidBrush(COLORREF(GetWindowLongA(window, 0)));
        if (brush) {
            FillRect(dc, &rect, brush);
            DeleteObject(brush);
        }
    }
    const bool centred = (style & TV_UFW_CENTER) != 0;
    HINSTANCE module = WindowModule(window);
    if ((style & TV_UFW_BITMAP) && text[0]) {
        HBITMAP bitmap = LoadBitmapA(module, text);
        if (bitmap) {
            DrawBitmapIn(dc, bitmap, rect, centred);
            DeleteObject(bitmap);
        }
    }
    if ((style & TV_UFW_ICON) && text[0]) {
        HICON icon = LoadIconA(module, text);
        if (icon) {
            int x = rect.left;
            int y = rect.top;
            if (centred) {
                x = rect.left + (rect.right - rect.left - 32) / 2;
                y = rect.top + (rect.bottom - rect.top - 32) / 2;
            }
            DrawIcon(dc, x, y, icon);
        }
    }
}

LRESULT CALLBACK ActiveLinkProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE: {
            const CREATESTRUCTA* cs = reinterpret_cast<const CREATESTRUCTA*>(lParam);
            RECT rect;
            GetClientRect(window, &rect);
            // The keyboard reaches the button: dialog navigation descends into the link (a control
            // parent), and the button is a tab stop when the link is one.
            const LONG_PTR style = GetWindowLongPtrA(window, GWL_STYLE);
            SetWindowLongPtrA(window, GWL_EXSTYLE, GetWindowLongPtrA(window, GWL_EXSTYLE) | WS_EX_CONTROLPARENT);
            CreateWindowExA(0, TV_ACTIVE_LINK_BUTTON_CLASS, cs && cs->lpszName ? cs->lpszName : "",
                            WS_CHILD | WS_VISIBLE | BS_OWNERDRAW | DWORD(style & WS_TABSTOP), 0, 0, rect.right,
                            rect.bottom, window, reinterpret_cast<HMENU>(INT_PTR(TV_ACTIVE_LINK_BUTTON_ID)),
                            WindowModule(window), nullptr);
            SetWindowLongPtrA(window, 0, reinterpret_cast<LONG_PTR>(g_linkFont));
            return 0;
        }
        case WM_SETFOCUS: {
            HWND button = GetDlgItem(window, TV_ACTIVE_LINK_BUTTON_ID);
            if (button) SetFocus(button);
            return 0;
        }
        case WM_ENABLE: {
            HWND button = GetDlgItem(window, TV_ACTIVE_LINK_BUTTON_ID);
            if (button) EnableWindow(button, BOOL(wParam));
            return 0;
        }
        case WM_CTLCOLORBTN:
            // The button's background is the parent's, as for a static text (white on a white
            // page, the page's texture where it has one).
            return ActiveLinkBackground(window, reinterpret_cast<HDC>(wParam));
        case WM_SIZE: {
            // The button keeps filling the link when the link is resized.
            HWND button = GetDlgItem(window, TV_ACTIVE_LINK_BUTTON_ID);
            if (button) MoveWindow(button, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
            return 0;
        }
        case TV_WM_SET_CONTROL_VALUE:
            SetWindowLongPtrA(window, 0, LONG_PTR(wParam));
            InvalidateRect(window, nullptr, TRUE);
            return 0;
        case WM_DRAWITEM:
            if (wParam == TV_ACTIVE_LINK_BUTTON_ID && lParam) {
                ActiveLinkButtonPaint(window, reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
                return TRUE;
            }
            break;
        case WM_COMMAND:
            if (LOWORD(wParam) == TV_ACTIVE_LINK_BUTTON_ID && HIWORD(wParam) == BN_CLICKED) {
                const int id = GetDlgCtrlID(window);
                PostMessageA(GetParent(window), WM_COMMAND, MAKEWPARAM(id, 0), reinterpret_cast<LPARAM>(window));
                return 0;
            }
            break;
        case WM_SETTEXT: {
            const LRESULT result = DefWindowProcA(window, message, wParam, lParam);
            HWND button = GetDlgItem(window, TV_ACTIVE_LINK_BUTTON_ID);
            if (button) SetWindowTextA(button, reinterpret_cast<const char*>(lParam));
            return result;
        }
        default:
            break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT ActiveLinkBackground(HWND link, HDC dc) {
    HWND parent = GetParent(link);
    LRESULT brush = parent ? SendMessageA(parent, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                          reinterpret_cast<LPARAM>(link))
                           : 0;
    if (!brush) brush = reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    return brush;
}

void ActiveLinkButtonPaint(HWND link, const DRAWITEMSTRUCT* item) {
    if (!item) return;
    char text[262] = {};
    GetWindowTextA(item->hwndItem, text, int(sizeof(text)));
    HDC dc = item->hDC;
    RECT rect = item->rcItem;
    FillRect(dc, &rect, reinterpret_cast<HBRUSH>(ActiveLinkBackground(link, dc)));
    const DWORD style = DWORD(GetWindowLongA(link, GWL_STYLE));
    UINT format = DT_TOP | DT_SINGLELINE | DT_NOPREFIX;
    if (style & TV_LINK_CENTER)
        format |= DT_CENTER;
    else if (style & TV_LINK_RIGHT)
        format |= DT_RIGHT;
    else
        format |= DT_LEFT;
    HFONT font = reinterpret_cast<HFONT>(GetWindowLongPtrA(link, 0));
    HGDIOBJ oldFont = font ? SelectObject(dc, font) : nullptr;
    const bool disabled = (item->itemState & ODS_DISABLED) != 0;
    const COLORREF oldColour = SetTextColor(dc, disabled ? GetSysColor(COLOR_GRAYTEXT) : RGB(0, 0, 255));
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    DrawTextA(dc, text, -1, &rect, format);
    if ((item->itemState & ODS_FOCUS) && !(item->itemState & ODS_NOFOCUSRECT)) {
        // The focus rectangle surrounds the text (kept inside the button).
        RECT textRect = rect;
        DrawTextA(dc, text, -1, &textRect, format | DT_CALCRECT);
        const int width = textRect.right - textRect.left;
        if (format & DT_CENTER)
            textRect.left = rect.left + (rect.right - rect.left - width) / 2;
        else if (format & DT_RIGHT)
            textRect.left = rect.right - width;
        textRect.right = textRect.left + width;
        InflateRect(&textRect, 1, 0);
        textRect.bottom += 1;
        IntersectRect(&textRect, &textRect, &item->rcItem);
        DrawFocusRect(dc, &textRect);
    }
    SetBkMode(dc, oldMode);
    SetTextColor(dc, oldColour);
    if (oldFont) SelectObject(dc, oldFont);
}

LRESULT CALLBACK SplashWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            CenterWindowOnScreen(window);
            SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
            return 0;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(window, &ps);
            if (dc) SplashWindowPaint(window, dc);
            EndPaint(window, &ps);
            return 0;
        }
        default:
            return DefWindowProcA(window, message, wParam, lParam);
    }
}

void SplashWindowPaint(HWND window, HDC dc) {
    HBITMAP bitmap = LoadBitmapA(WindowModule(window), kSplashBitmap);
    if (!bitmap) return;
    RECT rect = {0, 0, 0, 0};
    DrawBitmapIn(dc, bitmap, rect, false);
    DeleteObject(bitmap);
}

HWND CreateSplashWindow(HINSTANCE module) {
    return CreateWindowExA(0, TV_SPLASH_CLASS, "", WS_POPUP | WS_BORDER | WS_VISIBLE, 0, 0, TV_SPLASH_WIDTH,
                           TV_SPLASH_HEIGHT, nullptr, nullptr, module, nullptr);
}
