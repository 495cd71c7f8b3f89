// Small Windows helpers of the internal viewer and its dialogs.
#include "archive/win/viewer_util.h"

#include <cstring>

#include "util/text.h"
#include "util/win_help.h"
#include "util/win_imagelist.h"
#include "util/win_files.h"
#include "util/win_ui.h"
#include "util/safestr.h"  // last: no unbounded string functions below

HIMAGELIST LoadMaskedImageStrip(const char* resource, int width) {
    return CreateStripImageList(GetModuleHandleA(nullptr), resource, width);
}

void ViewerHelp(HWND owner, uint32_t topic) {
    if (topic)
        ShowHelpTopic(owner, topic);
    else
        ShowHelpContents(owner);
}

int ViewerMessage(HWND owner, uint32_t textId, const char* caption, UINT type) {
    char text[TV_MESSAGE_SIZE];
    CopyLimited(text, LoadMessageText(textId), sizeof text);
    return ShowMessageBox(owner, text, caption, type);
}

std::string DialogFilter(uint32_t textId) {
    std::string filter = LoadMessageText(textId);
    for (char& c : filter)
        if (c == '|') c = '\0';
    filter.push_back('\0');
    return filter;
}

void StripQuotes(char* text) {
    if (!text) return;
    TrimSpaces(text, TV_TRIM_BOTH);
    const size_t n = std::strlen(text);
    if (n >= 2 && text[0] == '"' && text[n - 1] == '"') {
        text[n - 1] = '\0';
        std::memmove(text, text + 1, n - 1);
    } else if (n == 1 && text[0] == '"') {
        text[0] = '\0';
    }
}

std::string ControlText(HWND dialog, int id, size_t limit) {
    std::string text(limit, '\0');
    const int n = GetDlgItemTextA(dialog, id, &text[0], int(limit));
    text.resize(n > 0 ? size_t(n) : 0);
    return text;
}

std::string LongDateTimeText(const FILETIME& time, bool dateOnly) {
    char text[128] = {};
    FormatFileTimeText(text, &time, sizeof text, dateOnly ? (TV_FT_DATE | TV_FT_LONGDATE)
                                                          : (TV_FT_DATE | TV_FT_LONGDATE | TV_FT_TIME), 2);
    return text;
}
