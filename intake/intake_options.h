// File intake: the option bits of FileIntake, the option sets of its callers, what became of the
// file it was given, and the platform-free decisions of the routine (which steps run for which
// options, the copy or move preset, cleaning names before they reach the disk).
#pragma once

#include <cstddef>
#include <cstdint>

// Option bits of FileIntake.
enum : uint32_t {
    TV_INTAKE_NEW = 0x001,              // new download from the file at the path; clear: edit a download
    TV_INTAKE_OFFER_COPY_MOVE = 0x002,  // the dialog offers copying or moving the file
    TV_INTAKE_REFRESH_VIEWS = 0x004,    // refresh tree and download list, focus the list afterwards
    TV_INTAKE_SHOW_DIALOG = 0x008,      // show the add/edit dialog; Cancel ends without change
    TV_INTAKE_FRESH_DOWNLOAD = 0x010,   // default move, Cancel asks first, offer a contained setup
    TV_INTAKE_MOVE = 0x020,             // move instead of copy (with OFFER_COPY_MOVE: only the preset)
    TV_INTAKE_MARK = 0x040,             // mark the new download (TV_FILE_MARKED)
    TV_INTAKE_NAME_FROM_FILE = 0x080,   // file name and download date from the file even with a template
    TV_INTAKE_READ_DESCRIPTION = 0x100, // description from "FILE_ID.DIZ" even with a template
    TV_INTAKE_PATH_AS_WEBSITE = 0x200,  // an empty website becomes the path the file came from
};

// The option sets of the callers.
enum : uint32_t {
    TV_INTAKE_SET_HANDOFF = 0x1BD,      // a plug-in download (template: the source URL as website)
    TV_INTAKE_SET_ONE_FILE = 0x20F,     // one file from the command line, a forwarded command line,
                                        // the new-file wizard or one dropped file
    TV_INTAKE_SET_EACH_FILE = 0x245,    // each of several files (command line, wizard, drop)
    TV_INTAKE_SET_PROPERTIES = 0x00C,   // "Properties" of a download (second argument: its node)
    // A drop that is a move adds TV_INTAKE_MOVE to TV_INTAKE_SET_ONE_FILE / TV_INTAKE_SET_EACH_FILE.
};

// What became of the file FileIntake was given (its last argument). The hand-off receiver deletes
// the downloaded temporary file only for TV_INTAKE_FILE_PLACED and TV_INTAKE_FILE_DECLINED; with
// TV_INTAKE_FILE_KEPT the file must stay where it is and the user be told where it lies.
enum TIntakeFileOutcome {
    TV_INTAKE_FILE_KEPT = 0,      // not placed in storage (failure, dialog cancelled, edit, no file)
    TV_INTAKE_FILE_PLACED = 1,    // a copy of it (or the file itself, moved) lies in the storage folder
    TV_INTAKE_FILE_DECLINED = 2,  // the user chose not to keep it (Cancel confirmed after question 3510)
};

// String ids of intake.
enum : uint32_t {
    TV_IDS_ADD_FILE_TITLE = 3201,
    TV_IDS_EDIT_FILE_TITLE = 3202,
    TV_IDS_ARCHIVE_EXTRACTED = 3214,
    TV_IDS_INSTALL_DONE_QUESTION = 3303,
    TV_IDS_WEBSITE_NOT_OPENED = 3405,
    TV_IDS_FILE_NOT_DELETED = 3415,
    TV_IDS_NO_SETUP_PROGRAM = 3418,
    TV_IDS_OVERWRITE_QUESTION = 3500,
    TV_IDS_INSTALL_QUESTION = 3501,
    TV_IDS_CANCEL_DOWNLOAD_QUESTION = 3510,
    TV_IDS_HANDOFF_FILE_KEPT = 5799,
    TV_IDS_EXTERNAL_PROGRAM_SKIPPED = 5003,  // %s the program's command line, %s the file
    TV_IDS_FILE_NOT_FOUND = 5005,            // %s the path
    TV_IDS_FILE_NOT_STORED = 5006,           // %s the file, %s the system's reason
    TV_IDS_FILE_NOT_MOVED = 5007,            // %s the category, %s the system's reason
};

// Help contexts.
enum : uint32_t { TV_HELP_ADDEDITFILE = 270, TV_HELP_FILESLOST = 560, TV_HELP_FILESLONELY = 860 };

// Maximum length (without terminator) of the website taken from the dialog (the description is
// taken back whole).
constexpr size_t TV_INTAKE_TEXT_MAX = 999;
// Bytes of "FILE_ID.DIZ" that become the description.
constexpr size_t TV_DESCRIPTION_MAX = 10000;

// Which steps of the intake run for a set of options.
struct TIntakePlan {
    bool isNew;             // bit 0
    bool nameFromFile;      // file name and download date from the path
    bool readDescription;   // ExtractDescription on the path
    bool showDialog;        // bit 3
    bool offerChoice;       // the dialog shows the copy / move choice
    bool copy;              // preset: copy (true) or move (false)
    bool askBeforeCancel;   // Cancel in the dialog asks question 3510 first
    bool refreshViews;      // bit 2
    bool markNew;           // bit 6 on a new download
    bool pathAsWebsite;     // bit 9
    bool offerSetup;        // bit 4 on a new download: look for a setup program afterwards
};
TIntakePlan MakeIntakePlan(uint32_t options, bool hasTemplate);

// View flags for the row of the download after the intake: 0x18, plus 1 when new, plus 2 when it
// did not stay in the category shown in the tree.
uint32_t IntakeViewFlags(bool isNew, bool sameCategory);

// Marks after applying: an edit confirmed in the dialog clears TV_FILE_MARKED and TV_FILE_FOUND;
// otherwise TV_INTAKE_MARK sets TV_FILE_MARKED. Returns the new flags.
uint32_t IntakeApplyMarks(uint32_t flags, uint32_t options);

// Makes a name safe to use as one file or folder name inside a storage folder: only the part after
// the last "\" or "/" is kept, a drive prefix ("C:") is dropped, characters that cannot stand in a
// file name (below 32, < > : " | ? *) become "_", blanks at both ends and leading dots are removed,
// trailing dots and blanks too (the file system would drop them), and a device name (CON, NUL,
// COM1 ...) gets a "_" in front. A name with nothing usable left becomes fallback. Returns 1 when
// the name was changed. The result always passes IsValidFileName (unless fallback does not).
int CleanStorageName(char* name, size_t size, const char* fallback);

// Copies the text (null = empty) into out and removes blanks at both ends and every double quote.
void TrimAndUnquotePath(char* out, size_t size, const char* path);

// ".ZIP" or ".EXE" at the end of the path (case ignored): the files whose description is read.
bool HasDescriptionExtension(const char* path);
