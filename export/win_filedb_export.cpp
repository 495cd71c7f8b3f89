#include "export/win_filedb_export.h"

#include <commctrl.h>

#include <unordered_set>

#include "bookmarks/win_bookmark_ids.h"
#include "bookmarks/win_bookmarks.h"
#include "database/programdata.h"
#include "export/filedb_export.h"
#include "util/strings.h"
#include "util/text.h"
#include "util/win_files.h"
#include "util/win_stream.h"
#include "util/safestr.h"

namespace {

enum : uint32_t {
    IDS_ALL_FILES_FILTER = 3100,
    IDS_SELECT_EXPORT_FILE = 3213,
    IDS_FILE_DATABASE_EXPORT = 3225,
    IDS_NO_DATABASE_TARGET = 3427,
    IDS_FORMAT_NAMES = 4200,  // 4200 HTML, 4201 comma delimited
};

struct DatabaseSheet {
    FileDatabaseExportSettings settings;
    bool applied = false;
};

bool BrowseDatabaseTarget(HWND page, int, std::string* path) {
    return BrowseSaveFile(page, IDS_SELECT_EXPORT_FILE, IDS_ALL_FILES_FILTER, path);
}

// The check boxes of the fields page in field order.
const int kFieldBoxes[FileDatabaseExportSettings::FieldCount] = {
    IDC_FIELDS_FILE_NAME, IDC_FIELDS_CATEGORY, IDC_FIELDS_DESCRIPTION, IDC_FIELDS_SIZE,
    IDC_FIELDS_DOWNLOAD_DATE, IDC_FIELDS_WEBSITE, IDC_FIELDS_UNPACK_DATE, IDC_FIELDS_EXTRACTED_TO,
};

bool Checked(HWND page, int id) { return IsDlgButtonChecked(page, id) == BST_CHECKED; }

// "Limit to" only with "Description:", its number only with both; the units only with "File Size:".
void UpdateFieldStates(HWND page) {
    const bool description = Checked(page, IDC_FIELDS_DESCRIPTION);
    EnableWindow(GetDlgItem(page, IDC_FIELDS_LIMIT), description);
    EnableWindow(GetDlgItem(page, IDC_FIELDS_LIMIT_COUNT), description && Checked(page, IDC_FIELDS_LIMIT));
    const bool size = Checked(page, IDC_FIELDS_SIZE);
    for (int id = IDC_FIELDS_KB; id <= IDC_FIELDS_BYTES; ++id) EnableWindow(GetDlgItem(page, id), size);
}

INT_PTR CALLBACK FieldsPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    DatabaseSheet* sheet = reinterpret_cast<DatabaseSheet*>(GetWindowLongPtrA(page, DWLP_USER));
    switch (message) {
        case WM_INITDIALOG: {
            sheet = reinterpret_cast<DatabaseSheet*>(reinterpret_cast<PROPSHEETPAGEA*>(lParam)->lParam);
            SetWindowLongPtrA(page, DWLP_USER, reinterpret_cast<LONG_PTR>(sheet));
            const FileDatabaseExportSettings& s = sheet->settings;
            for (int i = 0; i < FileDatabaseExportSettings::FieldCount; ++i)
                CheckDlgButton(page, kFieldBoxes[i], s.fields[i] ? BST_CHECKED : BST_UNCHECKED);
            CheckDlgButton(page, IDC_FIELDS_LIMIT, s.limitDescription ? BST_CHECKED : BST_UNCHECKED);
            SendDlgItemMessageA(page, IDC_FIELDS_LIMIT_COUNT, EM_LIMITTEXT, 9, 0);
            SetDlgItemInt(page, IDC_FIELDS_LIMIT_COUNT, UINT(s.descriptionLimit > 0 ? s.descriptionLimit : 0), FALSE);
            CheckRadioButton(page, IDC_FIELDS_KB, IDC_FIELDS_BYTES, IDC_FIELDS_KB + (s.sizeUnit <= 2 ? s.sizeUnit : 0));
            UpdateFieldStates(page);
            return TRUE;
        }
        case WM_COMMAND:
            if (HIWORD(wParam) == BN_CLICKED &&
                (LOWORD(wParam) == IDC_FIELDS_DESCRIPTION || LOWORD(wParam) == IDC_FIELDS_LIMIT ||
                 LOWORD(wParam) == IDC_FIELDS_SIZE)) {
                UpdateFieldStates(page);
                return TRUE;
            }
            break;
        case WM_NOTIFY: {
            const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
            if (!sheet) break;
            if (header->code == PSN_APPLY || header->code == PSN_KILLACTIVE) {
                FileDatabaseExportSettings& s = sheet->settings;
                for (int i = 0; i < FileDatabaseExportSettings::FieldCount; ++i) s.fields[i] = Checked(page, kFieldBoxes[i]) ? 1 : 0;
                s.limitDescription = Checked(page, IDC_FIELDS_LIMIT) ? 1 : 0;
                BOOL number = FALSE;
                const UINT limit = GetDlgItemInt(page, IDC_FIELDS_LIMIT_COUNT, &number, FALSE);
                // An empty entry keeps the stored limit; the number is at most nine digits.
                if (number) s.descriptionLimit = int32_t(limit);
                s.sizeUnit = Checked(page, IDC_FIELDS_MB) ? 1 : Checked(page, IDC_FIELDS_BYTES) ? 2 : 0;
                if (header->code == PSN_APPLY) sheet->applied = true;
                SetWindowLongPtrA(page, DWLP_MSGRESULT, header->code == PSN_APPLY ? PSNRET_NOERROR : FALSE);
                return TRUE;
            }
            if (header->code == PSN_HELP) {
                ExchangeHelp(page, TV_HELP_FILE_DATABASE_EXPORT);
                return TRUE;
            }
            break;
        }
        default:
            break;
    }
    return FALSE;
}

// Local time, the user's short date and the time without seconds.
void FormatLocalFileTime(const TvFileTime& time, std::string* date, std::string* clock) {
    FILETIME utc = {time.low, time.high}, local;
    if (!FileTimeToLocalFileTime(&utc, &local)) local = utc;
    char text[128];
    date->clear();
    clock->clear();
    if (FormatFileTimeText(text, &local, sizeof text, TV_FT_DATE, 0)) *date = text;
    if (FormatFileTimeText(text, &local, sizeof text, TV_FT_TIME | TV_FT_NOSECONDS, 0)) *clock = text;
}

}  // namespace

bool ExportFileDatabase(HWND owner, TProgramData* program, const std::vector<ListNode*>& selected) {
    if (!program) return false;
    FileDatabaseExportSettings& s = program->fileExport;
    const char* stored = s.format == TV_DBEXPORT_COMMA ? s.textPath : s.htmlPath;
    const std::string path = TrimBlanksAndTabs(std::string(stored, strnlen(stored, TV_PATH_SIZE)));
    if (path.empty()) return false;
    const std::unordered_set<const ListNode*> chosen(selected.begin(), selected.end());
    TFileDatabaseExportJob job;
    job.settings = &s;
    job.downloads = &program->downloads;
    job.categories = &program->categories;
    job.selection.selected = &chosen;
    job.formatTime = FormatLocalFileTime;
    job.codec = &SystemAnsiCodec();
    TWin32FileStream file;
    if (!CreateExportFile(owner, path, &file)) return false;
    WriteFileDatabaseExport(&file, job);
    return true;
}

bool ExportFileDatabaseCommand(HWND owner, TProgramData* program, const std::vector<ListNode*>& selected) {
    if (!program) return false;
    DatabaseSheet sheet;
    sheet.settings = program->fileExport;
    sheet.settings.Validate();
    // The formats in list order: HTML, comma delimited.
    TExportGeneralPage general;
    general.format = &sheet.settings.format;
    general.paths = {sheet.settings.htmlPath, sheet.settings.textPath};
    general.onlySelected = &sheet.settings.onlySelected;
    general.expandUrls = &sheet.settings.expandUrls;
    general.firstFormatName = IDS_FORMAT_NAMES;
    general.noTargetMessage = IDS_NO_DATABASE_TARGET;
    general.helpContext = TV_HELP_FILE_DATABASE_EXPORT;
    general.applied = &sheet.applied;
    general.browse = BrowseDatabaseTarget;
    TDelimiterPageData delimiter;
    delimiter.mode = &sheet.settings.delimiterMode;
    delimiter.character = &sheet.settings.delimiter;
    delimiter.helpContext = TV_HELP_FILE_DATABASE_EXPORT;
    PROPSHEETPAGEA pages[3] = {
        MakePropertyPage("DBEXPORTGENERAL", ExportGeneralPageProc, reinterpret_cast<LPARAM>(&general)),
        MakePropertyPage("DBEXPORTFIELDS", FieldsPageProc, reinterpret_cast<LPARAM>(&sheet)),
        MakePropertyPage("DBEXPORTANSICOMMA", DelimiterPageProc, reinterpret_cast<LPARAM>(&delimiter)),
    };
    char title[100];
    CopyLimited(title, TvString(IDS_FILE_DATABASE_EXPORT), sizeof title);
    PROPSHEETHEADERA header = {};
    header.dwSize = sizeof header;
    header.dwFlags = PSH_PROPSHEETPAGE | PSH_NOAPPLYNOW | PSH_HASHELP;
    header.hwndParent = owner;
    header.hInstance = GetModuleHandleA(nullptr);
    header.pszCaption = title;
    header.nPages = 3;
    header.ppsp = pages;
    if (PropertySheetA(&header) <= 0 || !sheet.applied) return false;
    sheet.settings.Validate();
    program->fileExport = sheet.settings;
    return ExportFileDatabase(owner, program, selected);
}
