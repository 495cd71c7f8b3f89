// The decisions of the browser and shell integration that need no system: the command lines the
// program registers, icon locations, the file type made for an extension without one, the plug-in
// folder of a browser, the numbering of the "TYPE" values of Netscape's viewer list, and the
// command that launches a browser.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct IntegrationSettings;

// The program's file name inside the commands it registers.
constexpr const char kIntegrationProgramName[] = "tv.exe";

// Commands built from the program path (folder + "tv.exe", without quotes). The path is always
// quoted, so that a folder with blanks ("C:\Program Files\...") still names the program.
enum TIntegrationCommand {
    TV_COMMAND_OPEN,         // "P" "%1"
    TV_COMMAND_IMPORT,       // "P" "%1" /import           (context verb, Netscape viewer)
    TV_COMMAND_VIEWER,       // "P" "%1" /iv               (open command of ZIP archives)
    TV_COMMAND_INTERCHANGE,  // "P" "%1" /interchangefile  (open command of ".tvi" files)
    TV_COMMAND_TRAY,         // "P" /tray                  (start with Windows)
};
// Writes the command into out[size]. Returns 1, or 0 (out empty) for an empty program path or a
// command that does not fit.
int BuildIntegrationCommand(char* out, size_t size, const char* programPath, int command);

// An icon location "P,n": n >= 0 is the position of the icon group in the file, a negative n the
// group's resource id. Returns 1, or 0 (out empty) for an empty path or no room.
int BuildIconLocation(char* out, size_t size, const char* programPath, int icon);
// Icon of ZIP archives that open in the internal viewer (the second group) and of ".tvi" files
// (the group with resource id 33).
constexpr int TV_ZIP_ICON = 1;
constexpr int TV_INTERCHANGE_ICON = -33;

// 1 when text (a command line or an icon location) names the program file `name` (e.g.
// "tv.exe"): the name occurs, ignoring case, at the start or after "\", "/", ":", a blank or a
// double quote, and is followed by the end, a double quote, a blank, a tab or ",". So
// "C:\Tolvane\TV.EXE" "%1" /iv and C:\tv.exe,1 name it; "C:\Tools\mytv.exe" does not.
int TextNamesProgram(const char* text, const char* name);

// The file type made for an extension that has none: the extension without its dot + "file"
// (".arj" -> "arjfile"). Returns 0 (out empty) for a text that is not ".x..." or no room.
int DefaultFileTypeName(char* out, size_t size, const char* extension);

// The program file of a browser setting (a path or a command line, possibly quoted, possibly with
// arguments): the program part without quotes and surrounding blanks. Returns 0 when empty.
int BrowserProgramFile(char* out, size_t size, const char* browserSetting);
// The folder into which the plug-ins go for a browser program: its folder + "plugins\". Returns
// 0 (out empty) when the program has no folder or the result does not fit.
int BrowserPluginFolder(char* out, size_t size, const char* programFile);
// 1 for an absolute folder ("X:\..." or "\\server\..."): only such a recorded folder is ever
// cleaned of plug-in files.
int IsAbsoluteFolder(const char* folder);

// One value of Netscape's "Viewers" key, as the numbering sees it.
struct TViewerValue {
    std::string name;
    bool readable = false;  // a string value that could be read
    std::string data;
};
// 1 when the value name is a "TYPE" value: starts with "TYPE" (any case), at least five characters.
int IsViewerTypeName(const char* name);
// The number of the "TYPE" value to add for contentType: -1 when a TYPE value already holds it
// (compared ignoring case); else one above the highest numbered TYPE value (0 when there is
// none), unless a smaller number has no readable value, in which case the highest such gap.
// Only names whose rest is 1 to 9 decimal digits carry a number.
int64_t NextViewerTypeNumber(const std::vector<TViewerValue>& values, const char* contentType);

// Browser choices (IntegrationSettings::browserChoice and lastSelectedBrowser).
enum { TV_BROWSER_IE = 0, TV_BROWSER_NETSCAPE = 1, TV_BROWSER_OPERA = 2, TV_BROWSER_PROMPT = 3, TV_BROWSER_OTHER = 3 };
// The setting (path or command template) of a choice 0..3 (3 = the other browser); "" otherwise.
const char* BrowserSettingFor(const IntegrationSettings& settings, int choice);
// Takes over the answer of the browser selection: last selected browser := checked (0..3), other
// browser path := otherPath, and with useAlways and a choice other than 3 the browser choice too.
// Returns the choice to launch (the checked one).
int TakeBrowserSelection(IntegrationSettings* settings, int checked, const char* otherPath, bool useAlways);

// Program and arguments that launch a browser setting with url (null or empty: none). The URL
// replaces the first "%s" of the arguments (else the first "%1"), or is appended after a blank;
// the other placeholders ("%s", "%1" to "%5") and empty quote pairs are removed. The URL itself is
// never changed (a "%20" in it stays). The program comes without quotes. Returns 0 when the
// setting is empty or a part does not fit.
int BuildBrowserLaunch(const char* browserSetting, const char* url, char* program, size_t programSize,
                       char* arguments, size_t argumentsSize);
