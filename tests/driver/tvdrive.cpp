// tvdrive.exe: the test driver for scripts (run under Wine in the same session as the program).
// Exit code 0 on success, 1 when the window or control was not found (or a wait timed out),
// 2 on a usage error.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tests/driver/tvdriver.h"

namespace {

const char kUsage[] =
    "usage: tvdrive COMMAND ...   (CLASS or CAPTION \"-\" matches any)\n"
    "  list-windows [PID]                  top-level windows: handle, pid, class, caption, rectangle\n"
    "  wait-window CLASS TIMEOUT_MS [CAPTION]  waits for a window; prints its handle and rectangle\n"
    "  wait-gone CLASS TIMEOUT_MS [CAPTION]    waits until no such window exists\n"
    "  rect CLASS [CAPTION]                prints \"X Y WIDTH HEIGHT\" of the window (screen)\n"
    "  close CLASS [CAPTION] [TIMEOUT_MS]  posts WM_CLOSE and waits until the window is gone\n"
    "  text CLASS CAPTION ID               prints a control's text\n"
    "  set-text CLASS CAPTION ID TEXT      sets a control's text\n"
    "  press CLASS CAPTION ID              presses a button (WM_COMMAND to the window)\n"
    "  command CLASS CAPTION ID            posts a menu command (WM_COMMAND without a control)\n"
    "  answer CAPTION BUTTON [TIMEOUT_MS]  answers a message box: ok yes no cancel abort retry ignore or an id\n"
    "  tree CLASS CAPTION [ID]             prints a tree view's items (the first one, or the control ID)\n"
    "  list CLASS CAPTION [ID]             prints a list view's columns and rows, tab-separated\n"
    "  sheet CLASS CAPTION BUTTON          presses a property sheet's button: next back finish ok cancel,\n"
    "                                      or a page number (0 = the first page) to show that page\n"
    "  page-text CLASS CAPTION ID          prints a control's text on the sheet's current page\n"
    "  page-set-text CLASS CAPTION ID TEXT sets a control's text on the current page\n"
    "  page-check CLASS CAPTION ID 0|1     checks or clears a button on the current page\n"
    "  page-tree CLASS CAPTION ID PATH     selects a tree item on the current page (texts joined by \"/\")\n";

std::string Any(const char* s) { return strcmp(s, "-") == 0 ? std::string() : std::string(s); }

bool ParseNumber(const char* s, unsigned long* out) {
    char* end = nullptr;
    const unsigned long v = strtoul(s, &end, 0);
    if (!*s || *end) return false;
    *out = v;
    return true;
}

HWND Find(const char* cls, const char* caption) {
    tvd::WindowQuery q;
    q.className = Any(cls);
    q.caption = caption ? Any(caption) : std::string();
    return tvd::FindTopWindow(q);
}

int NotFound(const char* cls, const char* caption) {
    fprintf(stderr, "tvdrive: no window of class \"%s\" and caption \"%s\"\n", cls, caption ? caption : "-");
    return 1;
}

void PrintRect(HWND h) {
    RECT r = {};
    tvd::WindowRect(h, &r);
    printf("%ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
}

int ButtonId(const char* name) {
    static const struct {
        const char* name;
        int id;
    } kButtons[] = {{"ok", IDOK},       {"cancel", IDCANCEL}, {"abort", IDABORT}, {"retry", IDRETRY},
                    {"ignore", IDIGNORE}, {"yes", IDYES},       {"no", IDNO}};
    for (const auto& b : kButtons)
        if (lstrcmpiA(name, b.name) == 0) return b.id;
    unsigned long n = 0;
    return ParseNumber(name, &n) ? int(n) : -1;
}

HWND ControlOf(const char* cls, const char* caption, const char* idText, const char* childClass) {
    HWND w = Find(cls, caption);
    if (!w) return nullptr;
    if (!idText) return tvd::FindChildByClass(w, childClass);
    unsigned long id = 0;
    return ParseNumber(idText, &id) ? tvd::Control(w, int(id)) : nullptr;
}

int Run(int argc, char** argv) {
    if (argc < 2) return fputs(kUsage, stderr), 2;
    const std::string cmd = argv[1];
    const int n = argc - 2;  // arguments after the command
    char** a = argv + 2;
    unsigned long number = 0;

    if (cmd == "list-windows" && n <= 1) {
        unsigned long pid = 0;
        if (n == 1 && !ParseNumber(a[0], &pid)) return fputs(kUsage, stderr), 2;
        for (const tvd::WindowInfo& w : tvd::ListWindows(DWORD(pid)))
            printf("0x%08lx pid=%lu class=\"%s\" caption=\"%s\" rect=%ld,%ld,%ld,%ld%s\n",
                   static_cast<unsigned long>(reinterpret_cast<uintptr_t>(w.hwnd)), static_cast<unsigned long>(w.pid),
                   w.className.c_str(), w.caption.c_str(), w.rect.left, w.rect.top, w.rect.right - w.rect.left,
                   w.rect.bottom - w.rect.top, w.visible ? "" : " hidden");
        return 0;
    }
    if ((cmd == "wait-window" || cmd == "wait-gone") && (n == 2 || n == 3) && ParseNumber(a[1], &number)) {
        tvd::WindowQuery q;
        q.className = Any(a[0]);
        q.caption = n == 3 ? Any(a[2]) : std::string();
        if (cmd == "wait-window") {
            HWND h = tvd::WaitForWindow(q, DWORD(number));
            if (!h) return NotFound(a[0], n == 3 ? a[2] : nullptr);
            printf("0x%08lx ", static_cast<unsigned long>(reinterpret_cast<uintptr_t>(h)));
            PrintRect(h);
            return 0;
        }
        const DWORD start = GetTickCount();
        while (HWND h = tvd::FindTopWindow(q)) {
            if (GetTickCount() - start >= number) {
                fprintf(stderr, "tvdrive: the window is still there\n");
                return 1;
            }
            tvd::WaitForWindowGone(h, DWORD(number) - (GetTickCount() - start));
        }
        return 0;
    }
    if (cmd == "rect" && (n == 1 || n == 2)) {
        HWND h = Find(a[0], n == 2 ? a[1] : nullptr);
        if (!h) return NotFound(a[0], n == 2 ? a[1] : nullptr);
        PrintRect(h);
        return 0;
    }
    if (cmd == "close" && n >= 1 && n <= 3) {
        unsigned long timeout = tvd::WaitCeilingMs();
        if (n == 3 && !ParseNumber(a[2], &timeout)) return fputs(kUsage, stderr), 2;
        HWND h = Find(a[0], n >= 2 ? a[1] : nullptr);
        if (!h) return NotFound(a[0], n >= 2 ? a[1] : nullptr);
        tvd::PostClose(h);
        if (!tvd::WaitForWindowGone(h, DWORD(timeout))) {
            fprintf(stderr, "tvdrive: the window did not close\n");
            return 1;
        }
        return 0;
    }
    if (cmd == "command" && n == 3) {
        HWND w = Find(a[0], a[1]);
        if (!w) return NotFound(a[0], a[1]);
        if (!ParseNumber(a[2], &number)) return fputs(kUsage, stderr), 2;
        return tvd::PostCommand(w, int(number)) ? 0 : 1;
    }
    if ((cmd == "text" && n == 3) || (cmd == "set-text" && n == 4) || (cmd == "press" && n == 3)) {
        HWND w = Find(a[0], a[1]);
        if (!w) return NotFound(a[0], a[1]);
        if (!ParseNumber(a[2], &number)) return fputs(kUsage, stderr), 2;
        if (!tvd::Control(w, int(number))) {
            fprintf(stderr, "tvdrive: no control %lu\n", number);
            return 1;
        }
        if (cmd == "text") {
            printf("%s\n", tvd::ControlText(w, int(number)).c_str());
            return 0;
        }
        const bool ok = cmd == "press" ? tvd::PressButton(w, int(number)) : tvd::SetControlText(w, int(number), a[3]);
        return ok ? 0 : 1;
    }
    if (cmd == "sheet" && n == 3) {
        HWND w = Find(a[0], a[1]);
        if (!w) return NotFound(a[0], a[1]);
        static const struct {
            const char* name;
            int button;
        } kSheetButtons[] = {{"next", PSBTN_NEXT}, {"back", PSBTN_BACK}, {"finish", PSBTN_FINISH},
                             {"ok", PSBTN_OK},     {"cancel", PSBTN_CANCEL}};
        for (const auto& b : kSheetButtons)
            if (lstrcmpiA(a[2], b.name) == 0) return tvd::PressPropertySheetButton(w, b.button) ? 0 : 1;
        if (ParseNumber(a[2], &number)) return PostMessageA(w, PSM_SETCURSEL, WPARAM(number), 0) ? 0 : 1;
        return fputs(kUsage, stderr), 2;
    }
    if ((cmd == "page-text" && n == 3) || ((cmd == "page-set-text" || cmd == "page-check" || cmd == "page-tree") && n == 4)) {
        HWND w = Find(a[0], a[1]);
        if (!w) return NotFound(a[0], a[1]);
        HWND page = tvd::CurrentPropertyPage(w);
        if (!page || !ParseNumber(a[2], &number) || !tvd::Control(page, int(number))) {
            fprintf(stderr, "tvdrive: no control %s on the current page\n", a[2]);
            return 1;
        }
        const int id = int(number);
        if (cmd == "page-text") {
            printf("%s\n", tvd::ControlText(page, id).c_str());
            return 0;
        }
        if (cmd == "page-set-text") return tvd::SetControlText(page, id, a[3]) ? 0 : 1;
        if (cmd == "page-check") return tvd::SetButtonChecked(page, id, strcmp(a[3], "0") != 0) ? 0 : 1;
        std::vector<std::string> path;
        std::string part;
        for (const char* p = a[3];; ++p) {
            if (*p == '/' || !*p) {
                path.push_back(part);
                part.clear();
                if (!*p) break;
            } else {
                part += *p;
            }
        }
        HWND tree = tvd::Control(page, id);
        HTREEITEM item = tvd::FindTreeItem(tree, path);
        return item && tvd::SelectTreeItem(tree, item) ? 0 : 1;
    }
    if (cmd == "answer" && (n == 2 || n == 3)) {
        unsigned long timeout = 0;
        if (n == 3 && !ParseNumber(a[2], &timeout)) return fputs(kUsage, stderr), 2;
        const int button = ButtonId(a[1]);
        if (button < 0) return fputs(kUsage, stderr), 2;
        HWND box = tvd::WaitForMessageBox(Any(a[0]).c_str(), DWORD(timeout));
        if (!box) return NotFound(tvd::kMessageBoxClass, a[0]);
        printf("%s\n", tvd::MessageBoxText(box).c_str());
        return tvd::AnswerMessageBox(box, button) && tvd::WaitForWindowGone(box, tvd::WaitCeilingMs()) ? 0 : 1;
    }
    if (cmd == "tree" && (n == 2 || n == 3)) {
        HWND tree = ControlOf(a[0], a[1], n == 3 ? a[2] : nullptr, WC_TREEVIEWA);
        std::vector<tvd::TreeItem> roots;
        if (!tree || !tvd::ReadTree(tree, &roots)) return fputs("tvdrive: no readable tree view\n", stderr), 1;
        fputs(tvd::FormatTree(roots).c_str(), stdout);
        return 0;
    }
    if (cmd == "list" && (n == 2 || n == 3)) {
        HWND list = ControlOf(a[0], a[1], n == 3 ? a[2] : nullptr, WC_LISTVIEWA);
        tvd::ListContents contents;
        if (!list || !tvd::ReadList(list, &contents)) return fputs("tvdrive: no readable list view\n", stderr), 1;
        auto printRow = [](const std::vector<std::string>& row, const char* mark) {
            fputs(mark, stdout);
            for (size_t i = 0; i < row.size(); ++i) printf("%s%s", i ? "\t" : "", row[i].c_str());
            fputs("\n", stdout);
        };
        printRow(contents.columns, "# ");
        for (size_t r = 0; r < contents.rows.size(); ++r) {
            bool selected = false;
            for (int s : contents.selected) selected = selected || s == int(r);
            printRow(contents.rows[r], selected ? "* " : "  ");
        }
        return 0;
    }
    fputs(kUsage, stderr);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    const int rc = Run(argc, argv);
    fflush(stdout);
    return rc;
}
