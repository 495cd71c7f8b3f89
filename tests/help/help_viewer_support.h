// The system's help viewer seen from a test: its main window (class "MS_WINHELP"), the text of
// the topic it shows (a rich edit control) and its buttons.
#pragma once

#include <windows.h>

#include <string>

#include "tests/driver/tvdriver.h"

namespace helptest {

constexpr const char kViewerClass[] = "MS_WINHELP";
constexpr int kViewerTextId = 0x701;
constexpr int kViewerButtonBoxId = 0x700;
// The viewer's main window (the one with the topic text), or nullptr.
HWND FindViewer();
HWND WaitForViewer(DWORD timeoutMs = tvd::WaitCeilingMs());
// Some window of the viewer exists, shown or not (the viewer is running).
bool ViewerRunning();
// The topic's whole text, and its first line: the topic's heading.
std::string ViewerText(HWND viewer);
std::string ViewerHeading(HWND viewer);
// Waits until the viewer shows a topic with this heading; false after the time-out.
bool WaitForHeading(const std::string& heading, DWORD timeoutMs = tvd::WaitCeilingMs());
// Clicks the first occurrence of `linkText` in the topic as a mouse would.
bool ClickTextOf(HWND viewer, const std::string& linkText);
// A button of the viewer's button bar by its text without "&" (e.g. "Index").
HWND ViewerButton(HWND viewer, const std::string& text);
// Closes every viewer window and waits until they are gone.
bool CloseViewers(DWORD timeoutMs = tvd::WaitCeilingMs());

}  // namespace helptest
