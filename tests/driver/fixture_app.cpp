// tvdriver_fixture.exe: a window with a tree view, a list view, an edit and buttons whose
// contents the driver tests know. Arguments: "/exit=N" (exit code after WM_CLOSE, default 0),
// "/ignoreclose" (WM_CLOSE does nothing, so only a kill ends it), "/quit" (ends at once with
// code 5, before any window exists).
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tests/driver/fixture_app.h"

namespace {

int g_exitCode = 0;
bool g_ignoreClose = false;
HWND g_tree = nullptr;
HWND g_list = nullptr;
HWND g_combo = nullptr;
// What the wizard's first page took, shown by the second and reported at the end.
char g_wizardText[261] = "";

HTREEITEM AddTreeItem(HTREEITEM parent, const char* text) {
    TVINSERTSTRUCTA ins = {};
    ins.hParent = parent;
    ins.hInsertAfter = TVI_LAST;
    ins.item.mask = TVIF_TEXT;
    ins.item.pszText = const_cast<char*>(text);
    return HTREEITEM(SendMessageA(g_tree, TVM_INSERTITEMA, 0, LPARAM(&ins)));
}

void FillTree() {
    HTREEITEM downloads = AddTreeItem(TVI_ROOT, "Downloads");
    HTREEITEM games = AddTreeItem(downloads, "Games");
    AddTreeItem(games, "Arcade");
    AddTreeItem(games, "Puzzle & \"Logic\"");
    HTREEITEM tools = AddTreeItem(downloads, "Tools");
    const std::string longText(300, 'T');
    AddTreeItem(downloads, longText.c_str());
    HTREEITEM bookmarks = AddTreeItem(TVI_ROOT, "Bookmarks");
    AddTreeItem(bookmarks, "News");
    AddTreeItem(TVI_ROOT, "Shortcuts");
    SendMessageA(g_tree, TVM_EXPAND, TVE_EXPAND, LPARAM(downloads));
    SendMessageA(g_tree, TVM_EXPAND, TVE_EXPAND, LPARAM(games));
    SendMessageA(g_tree, TVM_SELECTITEM, TVGN_CARET, LPARAM(tools));
}

void FillList() {
    const char* columns[] = {"Name", "Size", "Date"};
    for (int c = 0; c < 3; ++c) {
        LVCOLUMNA col = {};
        col.mask = LVCF_TEXT | LVCF_WIDTH;
        col.cx = 90;
        col.pszText = const_cast<char*>(columns[c]);
        SendMessageA(g_list, LVM_INSERTCOLUMNA, WPARAM(c), LPARAM(&col));
    }
    const std::string longName(259, 'n');
    const char* rows[][3] = {
        {"setup.zip", "1,024 KB", "2026-12-01"},
        {"readme.txt", "", "2026-11-30"},
        {"\xC4rger.doc", "3 KB", "1999-01-01"},
        {longName.c_str(), "1 KB", ""},
    };
    for (int r = 0; r < 4; ++r) {
        LVITEMA item = {};
        item.mask = LVIF_TEXT;
        item.iItem = r;
        item.pszText = const_cast<char*>(rows[r][0]);
        SendMessageA(g_list, LVM_INSERTITEMA, 0, LPARAM(&item));
        for (int c = 1; c < 3; ++c) {
            item.iSubItem = c;
            item.pszText = const_cast<char*>(rows[r][c]);
            SendMessageA(g_list, LVM_SETITEMTEXTA, WPARAM(r), LPARAM(&item));
        }
    }
    LVITEMA state = {};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    state.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(g_list, LVM_SETITEMSTATE, 1, LPARAM(&state));
}

INT_PTR CALLBACK FixtureDialogProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM) {
    switch (msg) {
        case WM_INITDIALOG:
            SetDlgItemTextA(dlg, IDC_FIXTURE_DIALOG_EDIT, "initial");
            for (const char* item : {"alpha", "", "gamma"})
                SendDlgItemMessageA(dlg, IDC_FIXTURE_DIALOG_LIST, LB_ADDSTRING, 0, LPARAM(item));
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
                HWND owner = GetWindow(dlg, GW_OWNER);
                if (LOWORD(wParam) == IDOK) {
                    char text[261] = "";
                    GetDlgItemTextA(dlg, IDC_FIXTURE_DIALOG_EDIT, text, int(sizeof(text)));
                    char result[300];
                    snprintf(result, sizeof(result), "OK %s %d", text,
                             IsDlgButtonChecked(dlg, IDC_FIXTURE_DIALOG_CHECK) == BST_CHECKED ? 1 : 0);
                    SetDlgItemTextA(owner, IDC_FIXTURE_EDIT, result);
                } else {
                    SetDlgItemTextA(owner, IDC_FIXTURE_EDIT, "Cancel");
                }
                EndDialog(dlg, LOWORD(wParam));
                return TRUE;
            }
            break;
        default:
            break;
    }
    return FALSE;
}

INT_PTR CALLBACK WizardPageProc(HWND page, UINT msg, WPARAM, LPARAM lParam) {
    if (msg != WM_NOTIFY) return FALSE;
    const NMHDR* nm = reinterpret_cast<const NMHDR*>(lParam);
    HWND sheet = GetParent(page);
    const bool first = GetDlgItem(page, IDC_FIXTURE_PAGE1_EDIT) != nullptr;
    switch (nm->code) {
        case PSN_SETACTIVE:
            if (first) {
                PostMessageA(sheet, PSM_SETWIZBUTTONS, 0, PSWIZB_NEXT);
            } else {
                SetDlgItemTextA(page, IDC_FIXTURE_PAGE2_TEXT, g_wizardText);
                PostMessageA(sheet, PSM_SETWIZBUTTONS, 0, PSWIZB_BACK | PSWIZB_FINISH);
            }
            SetWindowLongPtrA(page, DWLP_MSGRESULT, 0);
            return TRUE;
        case PSN_WIZNEXT:
            GetDlgItemTextA(page, IDC_FIXTURE_PAGE1_EDIT, g_wizardText, int(sizeof(g_wizardText)));
            SetWindowLongPtrA(page, DWLP_MSGRESULT, 0);
            return TRUE;
        default:
            return FALSE;
    }
}

void RunWizard(HWND owner) {
    HINSTANCE inst = GetModuleHandleA(nullptr);
    PROPSHEETPAGEA pages[2] = {};
    const int templates[2] = {IDD_FIXTURE_PAGE1, IDD_FIXTURE_PAGE2};
    for (int i = 0; i < 2; ++i) {
        pages[i].dwSize = sizeof(pages[i]);
        pages[i].hInstance = inst;
        pages[i].pszTemplate = MAKEINTRESOURCEA(templates[i]);
        pages[i].pfnDlgProc = WizardPageProc;
    }
    PROPSHEETHEADERA header = {};
    header.dwSize = sizeof(header);
    header.dwFlags = PSH_WIZARD | PSH_PROPSHEETPAGE;
    header.hwndParent = owner;
    header.hInstance = inst;
    header.nPages = 2;
    header.ppsp = pages;
    g_wizardText[0] = 0;
    const INT_PTR result = PropertySheetA(&header);
    std::string shown = result > 0 ? std::string("wizard:") + g_wizardText : std::string("wizard:cancel");
    SetDlgItemTextA(owner, IDC_FIXTURE_EDIT, shown.c_str());
}

void OnNotify(HWND hwnd, const NMHDR* nm) {
    if (nm->idFrom == IDC_FIXTURE_TREE && nm->code == TVN_SELCHANGEDA) {
        const auto* tv = reinterpret_cast<const NMTREEVIEWA*>(nm);
        char text[512] = "";
        TVITEMA item = {};
        item.mask = TVIF_TEXT;
        item.hItem = tv->itemNew.hItem;
        item.pszText = text;
        item.cchTextMax = int(sizeof(text));
        SendMessageA(g_tree, TVM_GETITEMA, 0, LPARAM(&item));
        std::string shown = std::string("tree:") + text;
        SetDlgItemTextA(hwnd, IDC_FIXTURE_SELECTION, shown.c_str());
    } else if (nm->idFrom == IDC_FIXTURE_LIST && nm->code == LVN_ITEMCHANGED) {
        const auto* lv = reinterpret_cast<const NMLISTVIEW*>(nm);
        if ((lv->uChanged & LVIF_STATE) && (lv->uNewState & LVIS_SELECTED) && !(lv->uOldState & LVIS_SELECTED)) {
            char shown[32];
            snprintf(shown, sizeof(shown), "list:%d", lv->iItem);
            SetDlgItemTextA(hwnd, IDC_FIXTURE_SELECTION, shown);
        }
    }
}

void CreateControls(HWND hwnd, const char* args) {
    HINSTANCE inst = GetModuleHandleA(nullptr);
    g_tree = CreateWindowExA(WS_EX_CLIENTEDGE, WC_TREEVIEWA, "",
                             WS_CHILD | WS_VISIBLE | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_SHOWSELALWAYS,
                             5, 5, 200, 200, hwnd, HMENU(IDC_FIXTURE_TREE), inst, nullptr);
    g_list = CreateWindowExA(WS_EX_CLIENTEDGE, WC_LISTVIEWA, "", WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_SHOWSELALWAYS,
                             210, 5, 300, 200, hwnd, HMENU(IDC_FIXTURE_LIST), inst, nullptr);
    CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "", WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, 5, 210, 200, 22, hwnd,
                    HMENU(IDC_FIXTURE_EDIT), inst, nullptr);
    CreateWindowExA(0, "BUTTON", "Ask", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 210, 210, 80, 22, hwnd,
                    HMENU(IDC_FIXTURE_ASK), inst, nullptr);
    CreateWindowExA(0, "BUTTON", "Dialog", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 295, 210, 80, 22, hwnd,
                    HMENU(IDC_FIXTURE_DIALOG), inst, nullptr);
    CreateWindowExA(0, "BUTTON", "Wizard", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 380, 210, 80, 22, hwnd,
                    HMENU(IDC_FIXTURE_WIZARD), inst, nullptr);
    g_combo = CreateWindowExA(0, "COMBOBOX", "", WS_CHILD | WS_VISIBLE | WS_VSCROLL | CBS_DROPDOWNLIST, 310, 240, 150,
                              120, hwnd, HMENU(IDC_FIXTURE_COMBO), inst, nullptr);
    for (const char* item : {"Games", "Tools", "News & \"Views\"", "\xC4rger"})
        SendMessageA(g_combo, CB_ADDSTRING, 0, LPARAM(item));
    SendMessageA(g_combo, CB_SETCURSEL, 0, 0);
    char folder[MAX_PATH] = "";
    GetCurrentDirectoryA(sizeof(folder), folder);
    CreateWindowExA(0, "STATIC", folder, WS_CHILD | WS_VISIBLE, 5, 240, 500, 18, hwnd, HMENU(IDC_FIXTURE_FOLDER),
                    inst, nullptr);
    CreateWindowExA(0, "STATIC", args, WS_CHILD | WS_VISIBLE, 5, 260, 500, 18, hwnd, HMENU(IDC_FIXTURE_ARGS), inst,
                    nullptr);
    CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, 5, 280, 500, 18, hwnd, HMENU(IDC_FIXTURE_SELECTION), inst,
                    nullptr);
    FillTree();
    FillList();
}

LRESULT CALLBACK FixtureProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_CREATE:
            CreateControls(hwnd, static_cast<const char*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams));
            return 0;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDC_FIXTURE_ASK) {
                const int answer = MessageBoxA(hwnd, "Keep the changes?", "Question", MB_YESNO | MB_ICONQUESTION);
                SetDlgItemTextA(hwnd, IDC_FIXTURE_EDIT, answer == IDYES ? "Yes" : answer == IDNO ? "No" : "Other");
                return 0;
            }
            if (LOWORD(wParam) == IDC_FIXTURE_WIZARD) {
                RunWizard(hwnd);
                return 0;
            }
            if (LOWORD(wParam) == IDC_FIXTURE_COMBO && HIWORD(wParam) == CBN_SELCHANGE) {
                char text[261] = "";
                const LRESULT sel = SendMessageA(g_combo, CB_GETCURSEL, 0, 0);
                if (sel >= 0 && SendMessageA(g_combo, CB_GETLBTEXTLEN, WPARAM(sel), 0) < LRESULT(sizeof(text)))
                    SendMessageA(g_combo, CB_GETLBTEXT, WPARAM(sel), LPARAM(text));
                std::string shown = std::string("combo:") + text;
                SetDlgItemTextA(hwnd, IDC_FIXTURE_SELECTION, shown.c_str());
                return 0;
            }
            if (LOWORD(wParam) == IDC_FIXTURE_DIALOG) {
                DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_FIXTURE_DIALOG), hwnd, FixtureDialogProc,
                                0);
                return 0;
            }
            break;
        case WM_NOTIFY:
            OnNotify(hwnd, reinterpret_cast<const NMHDR*>(lParam));
            return 0;
        case WM_CLOSE:
            if (!g_ignoreClose) DestroyWindow(hwnd);
            return 0;
        case WM_DESTROY:
            PostQuitMessage(g_exitCode);
            return 0;
        default:
            break;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR args, int showCommand) {
    if (strstr(args, "/quit")) return 5;
    if (const char* e = strstr(args, "/exit=")) g_exitCode = atoi(e + 6);
    g_ignoreClose = strstr(args, "/ignoreclose") != nullptr;

    INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_TREEVIEW_CLASSES | ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&icc);

    // The class of the program's dialogs: an ordinary dialog window under another name.
    WNDCLASSA dc = {};
    GetClassInfoA(nullptr, "#32770", &dc);
    dc.hInstance = instance;
    dc.lpszClassName = "VeltraDialog";
    if (!RegisterClassA(&dc)) return 2;

    WNDCLASSA wc = {};
    wc.lpfnWndProc = FixtureProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = FIXTURE_CLASS;
    if (!RegisterClassA(&wc)) return 2;
    HWND hwnd = CreateWindowExA(0, FIXTURE_CLASS, FIXTURE_CAPTION, WS_OVERLAPPEDWINDOW, 40, 40, 530, 340, nullptr,
                                nullptr, instance, args);
    if (!hwnd) return 3;
    ShowWindow(hwnd, showCommand);

    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return int(msg.wParam);
}
