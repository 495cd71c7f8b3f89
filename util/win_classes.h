// The custom window classes named by the program's dialog templates and windows, and the GDI
// objects they share:
//  - "VeltraDialog": the class of every dialog; centred on the screen when created;
//  - "UniversalFrameWindow": a static control that draws an edge, a fill, a bitmap or an icon
//    chosen by its style bits and window text, and lets mouse input through;
//  - "ActiveLink" with its child "ActiveLinkButton": a text link that reports a click to its
//    parent like a button; on its parent's background, with a focus rectangle, a tab stop when
//    the link is one, and Space or Enter click it;
//  - "TolvaneSplashWindow": the splash picture.
// The main program registers all of them; the plug-ins only the GDI objects and "VeltraDialog".
#pragma once

#include <windows.h>

constexpr char TV_DIALOG_CLASS[] = "VeltraDialog";
constexpr char TV_UNIVERSAL_FRAME_CLASS[] = "UniversalFrameWindow";
constexpr char TV_ACTIVE_LINK_CLASS[] = "ActiveLink";
constexpr char TV_ACTIVE_LINK_BUTTON_CLASS[] = "ActiveLinkButton";
constexpr char TV_SPLASH_CLASS[] = "TolvaneSplashWindow";

// Style bits of "UniversalFrameWindow" (the low, class-specific word of the window style).
enum : DWORD {
    TV_UFW_SUNKEN = 0x01,  // sunken outer border
    TV_UFW_RAISED = 0x02,  // raised edge
    TV_UFW_BITMAP = 0x04,  // the window text names a bitmap resource
    TV_UFW_ICON = 0x08,    // the window text names an icon resource
    TV_UFW_CENTER = 0x10,  // bitmap or icon centred instead of at the top-left
    TV_UFW_FILL = 0x20,    // filled with the fill colour
};
// Style bits of "ActiveLink": text centred or right-aligned (left-aligned without either).
enum : DWORD { TV_LINK_CENTER = 0x01, TV_LINK_RIGHT = 0x02 };

// WM_USER + 1 to "UniversalFrameWindow": lParam points to the COLORREF to fill with.
// WM_USER + 1 to "ActiveLink": wParam is the font (HFONT) to draw the text with.
constexpr UINT TV_WM_SET_CONTROL_VALUE = WM_USER + 1;

// Control id of the button inside an "ActiveLink".
constexpr int TV_ACTIVE_LINK_BUTTON_ID = 1;

// Size of the splash window.
constexpr int TV_SPLASH_WIDTH = 402;
constexpr int TV_SPLASH_HEIGHT = 174;

// --- Shared GDI objects (process-wide; null before creation and after destruction).
// Creates the normal and bold dialog fonts, the pattern brush from the bitmap "VELTRA_BRUSH" of
// module, and the three pens in the button face, shadow and highlight colours.
void CreateSharedGdiObjects(HINSTANCE module);
void DestroySharedGdiObjects();
HFONT SharedNormalFont();
HFONT SharedBoldFont();
HBRUSH SharedPatternBrush();
HPEN SharedFacePen();
HPEN SharedShadowPen();
HPEN SharedHighlightPen();
// The underlined link font (main program; exists while the link classes are registered).
HFONT SharedLinkFont();

// --- Registration. Each returns true when every class was registered.
// Main program: the GDI objects, "VeltraDialog", "UniversalFrameWindow", the two link classes
// with the link font, and "TolvaneSplashWindow". Removal undoes them in the same order.
bool RegisterProgramWindowClasses(HINSTANCE module);
void UnregisterProgramWindowClasses(HINSTANCE module);
// Plug-ins: the GDI objects and "VeltraDialog".
bool RegisterPluginWindowClasses(HINSTANCE module);
void UnregisterPluginWindowClasses(HINSTANCE module);

// --- Window procedures and painting.
// Moves window to the middle of the screen: x = (screen width - (right - left + 1)) / 2, the
// same for y; no size or Z-order change.
void CenterWindowOnScreen(HWND window);
LRESULT CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK UniversalFrameWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void UniversalFrameWindowPaint(HWND window, HDC dc);
LRESULT CALLBACK ActiveLinkProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void ActiveLinkButtonPaint(HWND link, const DRAWITEMSTRUCT* item);
// The brush a link paints its background with: what its parent answers to WM_CTLCOLORSTATIC for
// it (as for a static text), else the button face.
LRESULT ActiveLinkBackground(HWND link, HDC dc);
LRESULT CALLBACK SplashWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void SplashWindowPaint(HWND window, HDC dc);

// Creates the splash window (a visible bordered pop-up of 402 x 174 pixels, centred, top-most)
// of the registered class; null on failure.
HWND CreateSplashWindow(HINSTANCE module);
