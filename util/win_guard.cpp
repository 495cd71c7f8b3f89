#include "util/win_guard.h"

#include "util/win_ui.h"

#include <exception>

namespace {
bool g_reporting = false;
}  // namespace

void ReportMessageFailure(HWND owner, bool outOfMemory) {
    if (g_reporting) return;
    g_reporting = true;
    const char* text = LoadMessageText(outOfMemory ? TV_IDS_OUT_OF_MEMORY : TV_IDS_UNEXPECTED_ERROR);
    if (!text[0]) text = outOfMemory ? "Out of memory." : "Unexpected error.";
    ShowMessageBox(owner && IsWindow(owner) ? owner : nullptr, text, "Error", MB_OK | MB_ICONHAND | MB_SYSTEMMODAL);
    g_reporting = false;
}

void ReportCurrentException(HWND owner) {
    bool outOfMemory = false;
    try {
        if (std::exception_ptr current = std::current_exception()) std::rethrow_exception(current);
    } catch (const std::bad_alloc&) {
        outOfMemory = true;
    } catch (...) {
    }
    ReportMessageFailure(owner, outOfMemory);
}
