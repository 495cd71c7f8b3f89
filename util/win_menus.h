// Context menus: where one opens. WM_CONTEXTMENU carries the mouse's screen point, or (-1, -1)
// when the keyboard asked for the menu (Shift+F10, the Menu key); a keyboard menu belongs at the
// row or item the user is working on, not at the corner of the view.
#pragma once

#include <windows.h>

// True when the WM_CONTEXTMENU lParam says the keyboard asked for the menu.
bool IsKeyboardContextMenu(LPARAM lParam);

// The screen point at which the context menu of view opens for a WM_CONTEXTMENU lParam: the
// mouse point as it came; from the keyboard, below the start of the focused row of a list view
// (the first selected row when none has the focus) or of the selected item of a tree view, which
// is scrolled into view first; otherwise (nothing focused, another kind of window) a little inside
// the view's top-left corner. The point always lies inside the view's client area.
POINT ContextMenuPoint(HWND view, LPARAM lParam);

// Shift+F10 typed in a window of this thread: sends that window WM_CONTEXTMENU with (-1, -1) and
// returns true (the key is used up); false for any other message. A message loop calls it before
// its accelerators. Windows' default window procedure turns the key into WM_CONTEXTMENU itself,
// Wine's does not for every control (its tree view lets Shift+F10 go by, the Menu key works).
bool TranslateContextMenuKey(const MSG& msg);
