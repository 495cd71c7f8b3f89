// Small Windows helpers of the internal viewer and its dialogs.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstddef>
#include <cstdint>
#include <string>

// A 24-bit masked image list (mask colour magenta) of the images of a bitmap strip resource of the
// program, each width pixels wide and as high as the strip. Null when the bitmap is missing.
// (The program's strip lists, util/win_imagelist.h.)
HIMAGELIST LoadMaskedImageStrip(const char* resource, int width);

// Opens the help file at a topic (0: its contents), through the program's help helper.
void ViewerHelp(HWND owner, uint32_t topic);

// A message box with the string id's text and a caption ("Error", "Question", "Information" or
// the program title). Returns the answer.
int ViewerMessage(HWND owner, uint32_t textId, const char* caption, UINT type);

// The text of string id as a file-dialog filter: every "|" becomes a NUL (the text ends in "|").
std::string DialogFilter(uint32_t textId);

// Removes blanks around and one pair of double quotes around text (in place).
void StripQuotes(char* text);

// The text of a control (bounded, terminated).
std::string ControlText(HWND dialog, int id, size_t limit = 1024);

// A time as the long date and the time (or the date alone), without time-zone conversion.
std::string LongDateTimeText(const FILETIME& time, bool dateOnly);
