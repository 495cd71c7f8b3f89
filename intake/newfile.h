// The new download / new file wizard's platform-free part: turning the selection of the
// open-file dialog into one text of quoted paths for the command-line file import.
#pragma once

#include <cstddef>

// The size of the open-file dialog's result buffer and of the joined text.
constexpr size_t TV_IMPORT_SELECTION_SIZE = 20000;

// selection[selectionSize] is the dialog's result: one full path, or a folder followed by file
// names, each ending in a NUL byte and the whole list in a second one (a list without its end is
// taken up to selectionSize). out[size] receives the paths in double quotes, separated by single
// blanks: one path as it is, or folder + "\" + name for each name, as long as the text stays
// below size (names that do not fit are left out). Returns the number of paths put into out (0
// for an empty selection).
int JoinSelectedFiles(char* out, size_t size, const char* selection, size_t selectionSize);
