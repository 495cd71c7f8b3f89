#include "tests/help/help_viewer_support.h"

#include <richedit.h>

#include <vector>

#include "tests/driver/tvdriver.h"

namespace helptest {

namespace {

struct Found {
    std::vector<HWND> windows;
};

BOOL CALLBACK CollectViewers(HWND hwnd, LPARAM lParam) {
    char name[64] = {};
    GetClassNameA(hwnd, name, sizeof name);
    if (lstrcmpiA(name, kViewerClass) == 0) reinterpret_cast<Found*>(lParam)->windows.push_back(hwnd);
    return TRUE;
}

std::vector<HWND> Viewers() {
    Found found;
    EnumWindows(CollectViewers, reinterpret_cast<LPARAM>(&found));
    return found.windows;
}

std::string WithoutAmpersand(const std::string& text) {
    std::string out;
    for (char c : text)
        if (c != '&') out += c;
    return out;
}

}  // namespace

HWND FindViewer() {
    for (HWND hwnd : Viewers())
        if (IsWindowVisible(hwnd) && GetDlgItem(hwnd, kViewerTextId) && GetDlgItem(hwnd, kViewerButtonBoxId)) return hwnd;
    return nullptr;
}

bool ViewerRunning() { return !Viewers().empty(); }

HWND WaitForViewer(DWORD timeoutMs) {
    HWND viewer = nullptr;
    tvd::WaitUntil([&] { return (viewer = FindViewer()) != nullptr; }, timeoutMs);
    return viewer;
}

std::string ViewerText(HWND viewer) { return viewer ? tvd::WindowText(GetDlgItem(viewer, kViewerTextId)) : std::string(); }

std::string ViewerHeading(HWND viewer) {
    const std::string text = ViewerText(viewer);
    return text.substr(0, text.find_first_of("\r\n"));
}

bool WaitForHeading(const std::string& heading, DWORD timeoutMs) {
    return tvd::WaitUntil([&] { return ViewerHeading(FindViewer()) == heading; }, timeoutMs);
}

bool ClickTextOf(HWND viewer, const std::string& linkText) {
    HWND text = viewer ? GetDlgItem(viewer, kViewerTextId) : nullptr;
    const std::string all = ViewerText(viewer);
    const size_t at = all.find(linkText);
    if (!text || at == std::string::npos) return false;
    // The control counts a paragraph end as one character; its text says "\r\n".
    LONG index = 0;
    for (size_t i = 0; i < at; ++i)
        if (!(all[i] == '\n' && i > 0 && all[i - 1] == '\r')) ++index;
    DWORD pid = 0;
    GetWindowThreadProcessId(text, &pid);
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (!process) return false;
    void* remote = VirtualAllocEx(process, nullptr, sizeof(POINTL), MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    POINTL point = {-1, -1};
    bool ok = false;
    if (remote) {
        SendMessageA(text, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(remote), index);
        SIZE_T read = 0;
        ok = ReadProcessMemory(process, remote, &point, sizeof point, &read) && read == sizeof point && point.x >= 0;
        VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    }
    CloseHandle(process);
    if (!ok) return false;
    const LPARAM at_point = MAKELPARAM(point.x + 2, point.y + 3);
    return PostMessageA(text, WM_LBUTTONDOWN, MK_LBUTTON, at_point) && PostMessageA(text, WM_LBUTTONUP, 0, at_point);
}

HWND ViewerButton(HWND viewer, const std::string& text) {
    HWND box = viewer ? GetDlgItem(viewer, kViewerButtonBoxId) : nullptr;
    for (HWND child = box ? GetWindow(box, GW_CHILD) : nullptr; child; child = GetWindow(child, GW_HWNDNEXT))
        if (WithoutAmpersand(tvd::WindowText(child)) == text) return child;
    return nullptr;
}

bool CloseViewers(DWORD timeoutMs) {
    for (HWND hwnd : Viewers()) tvd::PostClose(hwnd);
    return tvd::WaitUntil([] { return Viewers().empty(); }, timeoutMs);
}

}  // namespace helptest
