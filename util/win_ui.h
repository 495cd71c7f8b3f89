// User-interface helpers shared by the program and the plug-ins: message texts from the string
// table, message pumping, system error boxes, bitmaps and file-type names and icons.
#pragma once

#include <windows.h>

#include <cstddef>

// Number and size of the rotating message-text buffers.
constexpr int TV_MESSAGE_RING = 20;
constexpr size_t TV_MESSAGE_SIZE = 250;

// The module whose string table LoadMessageText reads; by default the module that holds this
// code (the program, or the plug-in library).
void SetMessageTextModule(HINSTANCE module);
// Loads string id (at most 249 characters) into the next of 20 rotating buffers and returns it;
// the text stays valid until 20 further loads. index (optional) receives the buffer's index.
// A missing string gives an empty text; id 0 loads nothing, returns "" and sets index to -1.
const char* LoadMessageText(UINT id, int* index = nullptr);
// The buffer of the ring with this index (0-19), or null.
const char* MessageTextBuffer(int index);
// Empties every buffer and starts the ring again at its first buffer.
void ClearMessageTexts();

// Removes and dispatches every waiting message of the thread, then returns; with a modeless dialog
// its keyboard messages (Tab, Enter, Escape) go to the dialog. A WM_QUIT met on the way is posted
// again (so the main loop still ends) and the result is false; otherwise true.
bool PumpMessages(HWND dialog = nullptr);

// The system's text for error ("Error N" when it has none) in out[size]; returns out.
const char* SystemErrorText(DWORD error, char* out, size_t size);

// Every message box of the program goes through ShowMessageBox, which returns what MessageBoxA
// returns (IDOK, IDYES, IDNO ...). A test puts a responder in its place, which answers instead of
// a box; null gives the real box again. One responder for the whole process (the user-interface
// thread).
typedef int (*TMessageBoxResponder)(HWND owner, const char* text, const char* caption, UINT type, void* context);
void SetMessageBoxResponder(TMessageBoxResponder responder, void* context);
int ShowMessageBox(HWND owner, const char* text, const char* caption, UINT type);

// Shows the system's text for error (the thread's last error when 0) in a message box with the
// caption and type; returns the box's result.
int ShowSystemErrorBox(HWND owner, const char* caption, DWORD error, UINT type);

// Draws the bitmap resource at (x, y) of dc at its own size. Returns false when it is missing.
bool DrawBitmapResource(HDC dc, HINSTANCE module, const char* resource, int x, int y);

// The type name of a file or extension (".zip" or "C:\a\b.zip"): the description of the class
// that HKEY_CLASSES_ROOT\<extension> names; without one "<extension without dot> File"; without a
// usable extension "File". Always fills out (bounded, terminated).
void FileTypeDescription(const char* fileOrExtension, char* out, size_t size);
// The "DefaultIcon" value of the extension's class ("path,index"); 1 when found.
int FileTypeIconLocation(const char* fileOrExtension, char* out, size_t size);
// The default verb of the extension's class: the default value of its "shell" key ("edit", say);
// 1 when found, else 0 and out empty.
int FileTypeDefaultVerb(const char* fileOrExtension, char* out, size_t size);
// Runs a file with the default verb of its file type, "open" when the type has none. False when
// the shell reports failure.
bool OpenFileByType(HWND owner, const char* path);
// Extracts the icon of a location "path,index" (index 0 without a comma). Null when none; the
// caller destroys the icon.
HICON ExtractIconFromLocation(const char* location);

// A tool tip with text for control (a child of a dialog or window): shown while the mouse rests on
// it. The tip window is owned by the control's top-level window and goes with it. The control must get mouse
// messages (a static text needs SS_NOTIFY). Returns the tip window, null on failure.
HWND AddToolTip(HWND control, const char* text);

// Keeps an edit field (the label edit of a tree or list view) inside its parent's client area:
// whenever the view moves or sizes it, it is shifted left (and at most made as wide as the view)
// so that the text stays visible from its first character in a narrow view.
void KeepEditInsideParent(HWND edit);

// "Browse for Folder" with prompt shown above the tree, opened at start (when it names a folder;
// a trailing "\" is fine). On OK the chosen folder goes into out[size] and the result is true.
bool BrowseForFolder(HWND owner, const char* prompt, const char* start, char* out, size_t size);

