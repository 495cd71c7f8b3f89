// The file database export sheet: pages "DBEXPORTGENERAL", "DBEXPORTFIELDS" and
// "DBEXPORTANSICOMMA" on FileDatabaseExportSettings, and the export to the chosen file.
#pragma once

#include <windows.h>

#include <vector>

#include "core/lists.h"

struct TProgramData;

// The command "Export File Database": the sheet, then the export of the downloads (selected: the
// rows selected in the main window's download list). True when an export was written.
bool ExportFileDatabaseCommand(HWND owner, TProgramData* program, const std::vector<ListNode*>& selected);
// The export itself with the program's settings; the system's message when the target cannot be
// made. True when written.
bool ExportFileDatabase(HWND owner, TProgramData* program, const std::vector<ListNode*>& selected);
