// The shared dialog resources of the plug-in libraries: the GDI objects every dialog of the
// product may use and the window class "VeltraDialog" named by the dialog templates.
#include "plugin/plugin.h"

namespace {

const char kDialogClass[] = "VeltraDialog";

HFONT g_normalFont = nullptr;
HFONT g_boldFont = nullptr;
HBRUSH g_patternBrush = nullptr;
HPEN g_facePen = nullptr;
HPEN g_shadowPen = nullptr;
HPEN g_highlightPen = nullptr;

HFONT CreateDialogFont(int weight) {
    LOGFONTA font = {};
    GetObjectA(GetStockObject(ANSI_VAR_FONT), sizeof(font), &font);
    font.lfHeight = 8;
    font.lfWidth = 0;
    font.lfWeight = weight;
    return CreateFontIndirectA(&font);
}

template <typename T>
void DeleteGdi(T& handle) {
    if (handle) DeleteObject(handle);
    handle = nullptr;
}

}  // namespace

void CreateSharedDialogResources(HINSTANCE module) {
    g_normalFont = CreateDialogFont(FW_NORMAL);
    g_boldFont = CreateDialogFont(FW_BOLD);
    HBITMAP pattern = LoadBitmapA(module, "VELTRA_BRUSH");
    if (pattern) {
        g_patternBrush = CreatePatternBrush(pattern);
        DeleteObject(pattern);
    }
    g_facePen = CreatePen(PS_SOLID, 0, GetSysColor(COLOR_BTNFACE));
    g_shadowPen = CreatePen(PS_SOLID, 0, GetSysColor(COLOR_BTNSHADOW));
    g_highlightPen = CreatePen(PS_SOLID, 0, GetSysColor(COLOR_BTNHIGHLIGHT));

    WNDCLASSA wc = {};
    wc.style = CS_BYTEALIGNWINDOW | CS_SAVEBITS | CS_DBLCLKS;
    wc.lpfnWndProc = DialogProc;
    wc.cbWndExtra = DLGWINDOWEXTRA;
    wc.hInstance = module;
    wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
    wc.hbrBackground = nullptr;
    wc.lpszClassName = kDialogClass;
    RegisterClassA(&wc);
}

void DestroySharedDialogResources(HINSTANCE module) {
    DeleteGdi(g_normalFont);
    DeleteGdi(g_boldFont);
    DeleteGdi(g_patternBrush);
    DeleteGdi(g_facePen);
    DeleteGdi(g_shadowPen);
    DeleteGdi(g_highlightPen);
    UnregisterClassA(kDialogClass, module);
}

// Window procedure of "VeltraDialog": the default dialog behaviour, centred on the screen when
// the window is created.
extern "C" LRESULT CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CREATE) {
        RECT rect;
        GetWindowRect(window, &rect);
        int width = rect.right - rect.left + 1;
        int height = rect.bottom - rect.top + 1;
        int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
        int y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
        SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    return DefDlgProcA(window, message, wParam, lParam);
}
