#include "intake/win_extprocs.h"

#include <commctrl.h>

#include "intake/extprocs_ids.h"
#include "integration/integration_ids.h"
#include "integration/win_browser.h"
#include "resources/resource_ids.h"
#include "util/text.h"
#include "util/tvbase.h"
#include "util/win_guard.h"
#include "util/win_help.h"
#include "util/win_imagelist.h"
#include "util/win_ui.h"

namespace {

const char* CommandOf(const ListNode* node) {
    const ExtProcItem* item = TExtProcListObject::Item(node);
    return item && item->commandLine ? item->commandLine : "";
}

struct AddEditState {
    bool addMode;
    char* commandLine;
    size_t size;
};

INT_PTR CALLBACK AddEditProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    AddEditState* state = reinterpret_cast<AddEditState*>(GetWindowLongPtrA(dialog, DWLP_USER));
    switch (message) {
        case WM_INITDIALOG: {
            state = reinterpret_cast<AddEditState*>(lParam);
            SetWindowLongPtrA(dialog, DWLP_USER, lParam);
            if (state->addMode) SetWindowTextA(dialog, LoadMessageText(IDS_EXTPROC_ADD_CAPTION));
            SendDlgItemMessageA(dialog, IDC_EXTPROC_COMMAND, EM_LIMITTEXT, TV_PATH_SIZE - 1, 0);
            SetDlgItemTextA(dialog, IDC_EXTPROC_COMMAND, state->commandLine);
            HICON icon = static_cast<HICON>(
                LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_BROWSE), IMAGE_ICON, 16, 16, 0));
            if (icon) SendDlgItemMessageA(dialog, IDC_EXTPROC_BROWSE, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(icon));
            return TRUE;
        }
        case WM_COMMAND:
            if (!state || HIWORD(wParam) != BN_CLICKED) break;
            switch (LOWORD(wParam)) {
                case IDC_EXTPROC_BROWSE: {
                    char path[TV_PATH_SIZE] = {};
                    GetDlgItemTextA(dialog, IDC_EXTPROC_COMMAND, path, sizeof path);
                    if (PickIntegrationFile(dialog, path, sizeof path, IDS_INT_SELECT_APPLICATION, IDS_INT_PROGRAM_FILTER))
                        SetDlgItemTextA(dialog, IDC_EXTPROC_COMMAND, path);
                    return TRUE;
                }
                case IDOK: {
                    char text[TV_PATH_SIZE] = {};
                    GetDlgItemTextA(dialog, IDC_EXTPROC_COMMAND, text, sizeof text);
                    CopyLimited(state->commandLine, text, state->size);
                    EndDialog(dialog, IDOK);
                    return TRUE;
                }
                case IDCANCEL:
                    EndDialog(dialog, IDCANCEL);
                    return TRUE;
                case IDC_EXTPROC_HELP:
                    ShowHelpTopic(dialog, TV_HELP_ADDEDIT_EXTPROC);
                    return TRUE;
            }
            break;
    }
    return FALSE;
}

}  // namespace

bool RunAddEditExtProcDialog(HWND owner, bool addMode, char* commandLine, size_t size) {
    if (!commandLine || size == 0) return false;
    AddEditState state = {addMode, commandLine, size};
    return DialogBoxParamA(GetModuleHandleA(nullptr), "ADDEDITEXTPROC", owner, GuardedDialogProc<AddEditProc>,
                           reinterpret_cast<LPARAM>(&state)) == IDOK;
}

TSetupExtProcsPage::~TSetupExtProcsPage() {
    if (images_) ImageList_Destroy(images_);
}

void TSetupExtProcsPage::AddPage(std::vector<PROPSHEETPAGEA>* pages, HINSTANCE instance) {
    PROPSHEETPAGEA page = {};
    page.dwSize = sizeof page;
    page.hInstance = instance;
    page.pszTemplate = "SETUPEXTPROCS";
    page.pfnDlgProc = PageProc;
    page.lParam = reinterpret_cast<LPARAM>(this);
    pages->push_back(page);
}

void TSetupExtProcsPage::CommitTo(TExtProcListObject* programs) const {
    if (!programs) return;
    programs->Clear();
    working_.CopyTo(programs, 0);
}

INT_PTR CALLBACK TSetupExtProcsPage::PageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    TSetupExtProcsPage* self;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<TSetupExtProcsPage*>(reinterpret_cast<const PROPSHEETPAGEA*>(lParam)->lParam);
        SetWindowLongPtrA(page, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
        self->page_ = page;
    } else {
        self = reinterpret_cast<TSetupExtProcsPage*>(GetWindowLongPtrA(page, DWLP_USER));
    }
    if (!self) return FALSE;
    return GuardMessage(page, INT_PTR(FALSE), [&] { return self->Handle(message, wParam, lParam); });
}

INT_PTR TSetupExtProcsPage::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            Init();
            return TRUE;
        case WM_COMMAND:
            if (HIWORD(wParam) != BN_CLICKED) break;
            switch (LOWORD(wParam)) {
                case IDC_EXTPROC_ADD: Add(); return TRUE;
                case IDC_EXTPROC_EDIT: Edit(); return TRUE;
                case IDC_EXTPROC_DELETE: Delete(); return TRUE;
                case IDC_EXTPROC_HELP: ShowHelpTopic(page_, TV_HELP_SETUP_EXTPROCS); return TRUE;
            }
            break;
        case WM_NOTIFY: {
            const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
            if (header->hwndFrom == list_) {
                switch (header->code) {
                    case LVN_ITEMCHANGED: SetButtons(); break;
                    case NM_DBLCLK:
                        if (Selected() >= 0) Edit();
                        break;
                    case LVN_COLUMNCLICK:
                        descending_ = !descending_;
                        Sort();
                        break;
                }
                return TRUE;
            }
            if (header->code == PSN_APPLY) {
                applied_ = true;
                SetWindowLongPtrA(page_, DWLP_MSGRESULT, PSNRET_NOERROR);
                return TRUE;
            }
            break;
        }
    }
    return FALSE;
}

void TSetupExtProcsPage::Init() {
    list_ = GetDlgItem(page_, IDC_EXTPROC_LIST);
    ListView_SetExtendedListViewStyle(list_, LVS_EX_FULLROWSELECT);
    images_ = CreateStripImageList(GetModuleHandleA(nullptr), "EXTPROCBMP", 16);
    if (images_) ListView_SetImageList(list_, images_, LVSIL_SMALL);
    char title[TV_MESSAGE_SIZE];
    CopyLimited(title, LoadMessageText(IDS_EXTPROC_COLUMN), sizeof title);
    LVCOLUMNA column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.pszText = title;
    column.cx = 250;
    SendMessageA(list_, LVM_INSERTCOLUMNA, 0, reinterpret_cast<LPARAM>(&column));
    for (ListNode* node = working_.First(); node; node = node->next)
        if (working_.IsNodeValid(node, 0)) InsertRow(node);
    Sort();
    SetButtons();
}

int TSetupExtProcsPage::InsertRow(ListNode* node) {
    char text[TV_PATH_SIZE];
    CopyLimited(text, CommandOf(node), sizeof text);
    LVITEMA item = {};
    item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
    item.iItem = ListView_GetItemCount(list_);
    item.pszText = text;
    item.iImage = 0;
    item.lParam = reinterpret_cast<LPARAM>(node);
    return int(SendMessageA(list_, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
}

int CALLBACK TSetupExtProcsPage::CompareRows(LPARAM a, LPARAM b, LPARAM descending) {
    const int order = lstrcmpA(CommandOf(reinterpret_cast<const ListNode*>(a)), CommandOf(reinterpret_cast<const ListNode*>(b)));
    return descending ? -order : order;
}

void TSetupExtProcsPage::Sort() { ListView_SortItems(list_, CompareRows, descending_ ? 1 : 0); }

int TSetupExtProcsPage::Selected() const { return ListView_GetNextItem(list_, -1, LVNI_SELECTED); }

void TSetupExtProcsPage::SetButtons() {
    const bool selected = Selected() >= 0;
    EnableWindow(GetDlgItem(page_, IDC_EXTPROC_DELETE), selected);
    EnableWindow(GetDlgItem(page_, IDC_EXTPROC_EDIT), selected);
}

void TSetupExtProcsPage::Add() {
    char command[TV_PATH_SIZE] = {};
    if (!RunAddEditExtProcDialog(page_, true, command, sizeof command)) return;
    ExtProcItem entry = {command};
    ListNode* node = working_.Add(&entry, 0);
    if (node) InsertRow(node);
    SetButtons();
}

void TSetupExtProcsPage::Edit() {
    const int row = Selected();
    if (row < 0) return;
    LVITEMA item = {};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    if (!ListView_GetItem(list_, &item)) return;
    ListNode* node = reinterpret_cast<ListNode*>(item.lParam);
    ExtProcItem* entry = TExtProcListObject::Item(node);
    if (!entry) return;
    char command[TV_PATH_SIZE];
    CopyLimited(command, CommandOf(node), sizeof command);
    if (!RunAddEditExtProcDialog(page_, false, command, sizeof command)) return;
    ExtProcItem changed = {command};
    working_.CopyItem(entry, &changed, 1);
    ListView_SetItemText(list_, row, 0, command);
}

void TSetupExtProcsPage::Delete() {
    const int row = Selected();
    if (row < 0) return;
    LVITEMA item = {};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    if (!ListView_GetItem(list_, &item)) return;
    working_.DeleteNode(reinterpret_cast<ListNode*>(item.lParam));
    ListView_DeleteItem(list_, row);
    const int count = ListView_GetItemCount(list_);
    if (count > 0) {
        const int next = row < count ? row : count - 1;
        ListView_SetItemState(list_, next, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    }
    SetFocus(list_);
    SetButtons();
}
