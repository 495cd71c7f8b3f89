// The find result window.
#include "find/win/find_result_window.h"

#include <cstring>

#include "archive/viewer_logic.h"
#include "archive/win/viewer_table.h"
#include "database/programdata.h"
#include "find/find_ids.h"
#include "resources/resource_ids.h"
#include "util/text.h"
#include "util/textcopy.h"
#include "util/win_files.h"
#include "util/win_frame.h"
#include "util/win_help.h"
#include "util/win_imagelist.h"
#include "util/win_ui.h"
#include "util/safestr.h"  // last: no unbounded string functions below

namespace {

constexpr UINT_PTR kTimerId = 1;
constexpr UINT kTimerMs = 100;

TFindResultWindow* current = nullptr;

// Keep open | previous, next | new search | help (0 = separator).
const TToolbarButton kToolbar[] = {
    {FR_CM_KEEP_OPEN, FRTB_IMAGE_KEEP_OPEN, true}, {0, 0},
    {FR_CM_PREVIOUS, FRTB_IMAGE_PREVIOUS},   {FR_CM_NEXT, FRTB_IMAGE_NEXT}, {0, 0},
    {FR_CM_NEW_SEARCH, FRTB_IMAGE_NEW_SEARCH}, {0, 0},
    {FR_CM_HELP, FRTB_IMAGE_HELP},
};

void ColumnLayout(int column, void* context, int* width, int* format) {
    const int kind = *static_cast<const int*>(context);
    *width = FindResultColumnWidth(kind, column);
    *format = FindResultColumnRight(kind, column) ? LVCFMT_RIGHT : LVCFMT_LEFT;
}

}  // namespace

TFindResultWindow* TFindResultWindow::Open(HWND mainWindow, TProgramData* program, const TFindResultList* results) {
    if (!program || !results || results->Empty()) return nullptr;
    CloseCurrent();
    HINSTANCE instance = GetModuleHandleA(nullptr);
    if (!RegisterFrameClass(instance, TV_FIND_RESULT_CLASS, IDI_TV, nullptr)) return nullptr;
    TFindResultWindow* window = new TFindResultWindow(mainWindow, program, results);
    const RECT r = CentredFrameRect();
    char caption[TV_MESSAGE_SIZE];
    CopyLimited(caption, LoadMessageText(TV_IDS_FIND_RESULTS_CAPTION), sizeof caption);
    current = window;
    HWND hwnd = window->CreateObjectWindow(0, TV_FIND_RESULT_CLASS, caption, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                                           r.left, r.top, r.right - r.left, r.bottom - r.top, nullptr, nullptr, instance);
    if (!hwnd) {
        // A window that got as far as its first message has deleted the object already.
        if (current == window) {
            current = nullptr;
            delete window;
        }
        return nullptr;
    }
    ShowWindow(hwnd, SW_SHOWNORMAL);
    UpdateWindow(hwnd);
    return window;
}

TFindResultWindow* TFindResultWindow::Current() { return current; }

void TFindResultWindow::CloseCurrent() {
    if (current && current->hwnd_) DestroyWindow(current->hwnd_);
}

TFindResultWindow::TFindResultWindow(HWND mainWindow, TProgramData* program, const TFindResultList* results)
    : mainWindow_(mainWindow), program_(program), results_(results) {
    lists_.downloads = &program->downloads;
    lists_.bookmarks = &program->bookmarks;
    lists_.categories = &program->categories;
    kind_ = results->At(0)->kind;
}

TFindResultWindow::~TFindResultWindow() {
    if (toolbarImages_) ImageList_Destroy(toolbarImages_);
}

void TFindResultWindow::OnFinalMessage() {
    if (current == this) current = nullptr;
    delete this;
}

void TFindResultWindow::SetUp() {
    toolbarImages_ = CreateStripImageList(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_FIND_RESULT_TOOLBAR), 18);
    toolbar_ = CreateFrameToolbar(hwnd_, FR_ID_TOOLBAR, toolbarImages_, kToolbar, TV_COUNTOF(kToolbar));
    if (toolbar_ && program_->findWindowOption) SendMessageA(toolbar_, TB_CHECKBUTTON, FR_CM_KEEP_OPEN, MAKELPARAM(TRUE, 0));
    status_ = CreateFrameStatusBar(hwnd_, FR_ID_STATUS);
    const uint32_t firstHeading = kind_ == TV_FIND_DOWNLOAD ? TV_IDS_FIND_FILE_HEADINGS : TV_IDS_FIND_BOOKMARK_HEADINGS;
    list_ = CreateReportList(hwnd_, FR_ID_LIST, LVS_SINGLESEL | LVS_OWNERDATA, firstHeading, FindResultColumns(kind_),
                             ColumnLayout, &kind_);
    if (list_) SendMessageA(list_, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    SetTimer(hwnd_, kTimerId, kTimerMs, nullptr);
    Layout();
    Fill();
    ShowStatus();
    if (list_) {
        SetFocus(list_);
        SelectRow(0);
    }
    UpdateButtons();
}

void TFindResultWindow::Layout() { LayoutFrame(hwnd_, toolbar_, status_, list_, 3); }

void TFindResultWindow::Fill() {
    rows_.clear();
    for (size_t i = 0; i < results_->Size(); ++i) rows_.push_back(uint32_t(i));
    if (sortColumn_ >= 0)
        SortFindResults(&rows_, *results_, lists_, kind_, sortColumn_, sortDescending_, LocaleSortKey, nullptr);
    if (list_) {
        SendMessageA(list_, LVM_SETITEMCOUNT, WPARAM(rows_.size()), 0);
        InvalidateRect(list_, nullptr, TRUE);
    }
}

void TFindResultWindow::ShowStatus() {
    if (!status_ || !program_) return;
    for (int part = 0; part < 3; ++part) {
        char text[TV_PATH_SIZE + 64];
        FormatFindStatus(part, program_->find, text, sizeof text);
        SendMessageA(status_, SB_SETTEXTA, WPARAM(part), reinterpret_cast<LPARAM>(text));
    }
}

const TFindResult* TFindResultWindow::ResultOfRow(int row) const {
    if (row < 0 || size_t(row) >= rows_.size()) return nullptr;
    return results_->At(rows_[size_t(row)]);
}

int TFindResultWindow::SelectedRow() const {
    if (!list_) return -1;
    return int(SendMessageA(list_, LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED));
}

void TFindResultWindow::SelectRow(int row) {
    if (!list_ || row < 0 || row >= RowCount()) return;
    LVITEMA item = {};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(list_, LVM_SETITEMSTATE, WPARAM(row), reinterpret_cast<LPARAM>(&item));
    SendMessageA(list_, LVM_ENSUREVISIBLE, WPARAM(row), FALSE);
    buttonsChanged_ = true;
}

void TFindResultWindow::SortBy(int column) {
    if (column < 0 || column >= FindResultColumns(kind_)) return;
    const TFindResult* selected = ResultOfRow(SelectedRow());
    if (sortColumn_ < 0) {
        sortColumn_ = column;
        sortDescending_ = false;
    } else {
        NextSortOrder(column, &sortColumn_, &sortDescending_);
    }
    Fill();
    // The selection stays with its result.
    for (int row = 0; selected && row < RowCount(); ++row)
        if (ResultOfRow(row) == selected) SelectRow(row);
}

void TFindResultWindow::UpdateButtons() {
    buttonsChanged_ = false;
    if (!toolbar_) return;
    const int selected = SelectedRow();
    const bool previous = NeighbourRow(selected, RowCount(), -1) >= 0;
    const bool next = NeighbourRow(selected, RowCount(), 1) >= 0;
    const bool hadPrevious = SendMessageA(toolbar_, TB_ISBUTTONENABLED, FR_CM_PREVIOUS, 0) != 0;
    const bool hadNext = SendMessageA(toolbar_, TB_ISBUTTONENABLED, FR_CM_NEXT, 0) != 0;
    if (previous != hadPrevious) SendMessageA(toolbar_, TB_ENABLEBUTTON, FR_CM_PREVIOUS, MAKELPARAM(previous, 0));
    if (next != hadNext) SendMessageA(toolbar_, TB_ENABLEBUTTON, FR_CM_NEXT, MAKELPARAM(next, 0));
}

void TFindResultWindow::Choose(int row) {
    const TFindResult* result = ResultOfRow(row);
    if (!result) return;
    // Sent, not posted: the result belongs to the main window's list and is read during the call.
    if (mainWindow_ && IsWindow(mainWindow_))
        SendMessageA(mainWindow_, TV_WM_SELECT_FOUND_ITEM, result->kind == TV_FIND_BOOKMARK ? 1 : 0,
                     reinterpret_cast<LPARAM>(result));
    // Closed by a posted message: the list that sent the click is still inside its notification.
    if (!program_->findWindowOption && hwnd_) PostMessageA(hwnd_, WM_CLOSE, 0, 0);
}

void TFindResultWindow::Step(int step) {
    const int row = NeighbourRow(SelectedRow(), RowCount(), step);
    if (row < 0) return;
    SelectRow(row);
    UpdateButtons();
    Choose(row);
}

void TFindResultWindow::OnCommand(int id) {
    switch (id) {
        case FR_CM_KEEP_OPEN:
            if (toolbar_)
                program_->findWindowOption = SendMessageA(toolbar_, TB_ISBUTTONCHECKED, FR_CM_KEEP_OPEN, 0) ? 1 : 0;
            break;
        case FR_CM_PREVIOUS:
            Step(-1);
            break;
        case FR_CM_NEXT:
            Step(1);
            break;
        case FR_CM_NEW_SEARCH:
            if (mainWindow_) PostMessageA(mainWindow_, WM_COMMAND, MAKEWPARAM(117, 0), 0);
            PostMessageA(hwnd_, WM_CLOSE, 0, 0);
            break;
        case FR_CM_HELP:
            ShowHelpTopic(hwnd_, TV_HELP_FINDRESULTS);
            break;
        default:
            break;
    }
}

void TFindResultWindow::OnGetDispInfo(NMLVDISPINFOA* info) {
    if (!info) return;
    LVITEMA& item = info->item;
    const TFindResult* result = ResultOfRow(item.iItem);
    if (!result || !(item.mask & LVIF_TEXT) || !item.pszText || item.cchTextMax <= 0) return;
    textBuffer_[0] = '\0';
    if (FindResultColumnIsDate(kind_, item.iSubItem)) {
        const TvFileTime when = FindResultDate(*result, lists_, item.iSubItem);
        if (!when.IsZero()) {
            FILETIME utc, local;
            utc.dwLowDateTime = when.low;
            utc.dwHighDateTime = when.high;
            if (!FileTimeToLocalFileTime(&utc, &local)) local = utc;
            FormatFileTimeText(textBuffer_, &local, sizeof textBuffer_, TV_FT_DATE | TV_FT_TIME | TV_FT_NOSECONDS, 3);
        }
    } else {
        FormatFindResultCell(*result, lists_, item.iSubItem, textBuffer_, sizeof textBuffer_);
    }
    CopyLimited(item.pszText, textBuffer_, size_t(item.cchTextMax));
}

LRESULT TFindResultWindow::OnNotify(NMHDR* header) {
    if (!header || AnswerToolTip(header, FR_TOOLTIP_OFFSET)) return 0;
    if (!list_ || header->hwndFrom != list_) return 0;
    switch (header->code) {
        case LVN_GETDISPINFOA:
            OnGetDispInfo(reinterpret_cast<NMLVDISPINFOA*>(header));
            return 0;
        case LVN_COLUMNCLICK:
            SortBy(reinterpret_cast<NMLISTVIEW*>(header)->iSubItem);
            return 0;
        case LVN_ITEMCHANGED:
        case LVN_ODSTATECHANGED:
            buttonsChanged_ = true;
            return 0;
        case NM_DBLCLK: {
            const int row = reinterpret_cast<NMITEMACTIVATE*>(header)->iItem;
            if (row >= 0) Choose(row);
            return 0;
        }
        case NM_RETURN:
            Choose(SelectedRow());
            return 0;
        default:
            return 0;
    }
}

LRESULT TFindResultWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            SetUp();
            return 0;
        case WM_SIZE:
            Layout();
            return 0;
        case WM_SETFOCUS:
            if (list_) SetFocus(list_);
            return 0;
        case WM_TIMER:
            if (wParam == kTimerId && buttonsChanged_) UpdateButtons();
            return 0;
        case WM_COMMAND:
            OnCommand(LOWORD(wParam));
            return 0;
        case WM_NOTIFY:
            return OnNotify(reinterpret_cast<NMHDR*>(lParam));
        case WM_DESTROY:
            KillTimer(hwnd_, kTimerId);
            if (current == this) current = nullptr;
            return 0;
        default:
            break;
    }
    return TWindowBase::HandleMessage(message, wParam, lParam);
}
