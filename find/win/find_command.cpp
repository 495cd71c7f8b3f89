// The find commands of the main window.
#include "find/win/find_command.h"

#include "archive/win/zipsearch_window.h"
#include "database/programdata.h"
#include "find/win/find_dialog.h"
#include "find/win/find_result_window.h"
#include "util/text.h"
#include "util/textcopy.h"
#include "util/win_ui.h"
#include "util/safestr.h"  // last: no unbounded string functions below

namespace {

TFindLists ListsOf(TProgramData* program) {
    TFindLists lists;
    lists.downloads = &program->downloads;
    lists.bookmarks = &program->bookmarks;
    lists.categories = &program->categories;
    return lists;
}

}  // namespace

bool RunFindCommand(const TFindCommandContext& context) {
    TProgramData* program = context.program;
    if (!program || !context.results) return false;
    TFindFileSettingsData edited;
    edited.CopyFrom(program->find);
    if (!RunFindDialog(context.mainWindow, &edited)) return false;
    program->find.CopyFrom(edited);
    // The result window shows the results by address: it goes before they change.
    TFindResultWindow::CloseCurrent();
    context.results->Clear();
    program->find.RememberSearchTexts();
    if (IsArchiveSearch(program->find)) {
        RunArchiveSearch(context.mainWindow, program);
        return true;
    }
    FindItems(program->find, ListsOf(program), context.results);
    if (context.results->Empty()) {
        char text[TV_MESSAGE_SIZE];
        CopyLimited(text, LoadMessageText(TV_IDS_FIND_NOTHING_FOUND), sizeof text);
        ShowMessageBox(context.mainWindow, text, "Information", MB_OK | MB_ICONINFORMATION);
        return true;
    }
    ShowFindResults(context);
    return true;
}

void ShowFindResults(const TFindCommandContext& context) {
    if (!context.program || !context.results || context.results->Empty()) return;
    TFindResultWindow* window = TFindResultWindow::Open(context.mainWindow, context.program, context.results);
    if (window) SetForegroundWindow(window->Window());
}

const TFindResult* ChosenFindResult(const TFindCommandContext& context, WPARAM wParam, LPARAM lParam) {
    if (!context.program || !context.results) return nullptr;
    const ptrdiff_t index = context.results->IndexOf(reinterpret_cast<const void*>(lParam));
    if (index < 0) return nullptr;
    const TFindResult* result = context.results->At(size_t(index));
    if ((result->kind == TV_FIND_BOOKMARK) != (wParam != 0)) return nullptr;
    const TFindLists lists = ListsOf(context.program);
    const bool present = result->kind == TV_FIND_BOOKMARK ? FoundBookmark(*result, lists) != nullptr
                                                          : FoundDownload(*result, lists) != nullptr;
    return present ? result : nullptr;
}

void CloseFindWindows() {
    TFindResultWindow::CloseCurrent();
    TZipSearchResultWindow::CloseAll();
}
