// The parts of a result or viewer window: a top-level window at three quarters of the screen with
// a flat toolbar at the top, a status bar at the bottom and a report list view between them.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstddef>
#include <cstdint>

// A toolbar button: a command and its image in the toolbar's strip; command 0 is a separator.
// A check button stays down until it is pressed again.
struct TToolbarButton {
    int command;
    int image;
    bool check = false;
};

// Registers a window class of TWindowBase objects (once): the icon resource, the menu resource
// (null: none), the button-face background.
bool RegisterFrameClass(HINSTANCE instance, const char* className, int iconId, const char* menuName);

// The rectangle of a new frame window: three quarters of the screen, centred.
RECT CentredFrameRect();

// A flat toolbar with tool tips (the parent answers TTN_GETDISPINFO) and the buttons, 18 x 18
// images from images (the caller keeps and destroys the list). Null when it could not be made.
HWND CreateFrameToolbar(HWND parent, int id, HIMAGELIST images, const TToolbarButton* buttons, size_t count);
// A status bar with a size grip.
HWND CreateFrameStatusBar(HWND parent, int id);
// A report list view with a sunken edge whose selection is always shown, with more styles
// (LVS_OWNERDATA, LVS_SINGLESEL), and count columns: headings from the string ids firstHeading
// on, each column's width and alignment (LVCFMT_LEFT or LVCFMT_RIGHT) from layout.
HWND CreateReportList(HWND parent, int id, DWORD styles, uint32_t firstHeading, int count,
                      void (*layout)(int column, void* context, int* width, int* format), void* context);

// Places the toolbar at the top, the status bar at the bottom and the view between them; the
// status bar gets parts parts: the first half of the width, the other half shared equally by the
// rest. Each window may be null.
void LayoutFrame(HWND window, HWND toolbar, HWND status, HWND view, int parts);

// Answers a toolbar's tool tip request (TTN_GETDISPINFOA or W) with the string of its command id
// plus textOffset. False when the notification is not one.
bool AnswerToolTip(NMHDR* header, uint32_t textOffset);
