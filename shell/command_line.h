// The program's command line: joining the arguments of a start, parsing switches out of it and
// deciding what the remaining text asks for. Platform-free, so that the whole decision is tested
// natively; the Windows side only carries out the plan.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Buffer sizes of the fixed-size forms of the functions below (the program itself uses the forms
// without a limit, so that no argument of a long command line is left out).
constexpr size_t TV_COMMAND_LINE_SIZE = 460;
constexpr size_t TV_FORWARDED_COMMAND_LINE_SIZE = 1000;
// Longest token the parser takes; longer tokens are dropped whole.
constexpr size_t TV_COMMAND_TOKEN_MAX = 261;

// Start-up flags.
enum : uint32_t {
    TV_START_TRAY = 0x01,         // "/tray", "/iv": start hidden in the tray
    TV_START_SPLASH = 0x02,       // show the splash window (no switch sets it)
    TV_START_IMPORT = 0x04,       // "/import": import the text even with "/iv"
    TV_START_VIEWER = 0x08,       // "/iv": open the text in the internal viewer
    TV_START_INTERCHANGE = 0x10,  // "/interchangefile": the text names an interchange file
};

// Intake options used for files named on the command line and for plug-in downloads.
constexpr uint32_t TV_INTAKE_COMMAND_LINE_SINGLE = 0x20F;  // exactly one file
constexpr uint32_t TV_INTAKE_COMMAND_LINE_EACH = 0x245;    // each of several files
constexpr uint32_t TV_INTAKE_PLUGIN_DOWNLOAD = 0x1BD;      // a download handed over by a plug-in

// Joins argv[first..argc-1] with single blanks into out[size]. An argument that does not fit
// whole is left out (a cut path would name another file); the later ones still go in. Returns
// the number of arguments left out. Null arguments count as empty.
int JoinCommandLine(int argc, const char* const* argv, int first, char* out, size_t size);

// The arguments of a start as the system hands over its raw command line, the program's own name
// (quoted or not) removed. Arguments are separated by blanks and tabs outside double quotes; the
// quotes stay part of the argument, so that a quoted path with blanks stays one argument for the
// parser. A backslash is an ordinary character (paths end in one). Null gives no arguments.
std::vector<std::string> SplitRawCommandLine(const char* raw);

// The command-line text of a start from its raw command line: the arguments of
// SplitRawCommandLine joined by single blanks into out[size], as JoinCommandLine does (an
// argument that does not fit is left out whole). Returns the number of arguments left out.
int JoinRawCommandLine(const char* raw, char* out, size_t size);

// The same without a size limit: the text grows as the arguments need (the command line of a
// start with several long paths is taken whole).
std::string JoinRawCommandLine(const char* raw);

// Parses text (a buffer of size bytes, in/out) into switches and remaining text:
//  - tokens end at a blank outside double quotes (quotes stay part of the token); empty tokens
//    are skipped, tokens longer than TV_COMMAND_TOKEN_MAX characters are dropped whole;
//  - a token equal (ignoring case) to "/tray", "/iv", "/import" or "/interchangefile" ORs its
//    value into *flags, any other token goes to the remaining text (single blanks between);
//  - the remaining text is put in double quotes where it does not start or end with one;
//  - bit TV_START_SPLASH is cleared when TV_START_TRAY, TV_START_IMPORT or TV_START_VIEWER is set.
// A text without a terminator inside size is read only up to size - 1 characters. When the
// quotes do not fit, the remaining text is cut at its end to make room. Returns 1 when something
// was cut or dropped, else 0.
int ParseCommandLine(char* text, size_t size, uint32_t* flags);
// The same on a text without a size limit: nothing is cut for want of room (tokens longer than
// TV_COMMAND_TOKEN_MAX are still dropped). Returns 1 when a token was dropped, else 0.
int ParseCommandLine(std::string* text, uint32_t* flags);

// The arguments of a remaining text: pieces separated by blanks outside double quotes (empty
// pieces skipped).
std::vector<std::string> SplitCommandArguments(const char* text);

// What the command-line actions do for a remaining text, its flags and whether they run at
// start-up (or for a command line forwarded by a second start).
struct CommandLineIntake {
    std::string file;   // text handed to the file intake
    uint32_t options;   // intake options
};
struct CommandLinePlan {
    enum Action { NONE, VIEWER, INTERCHANGE, INTAKE };
    bool toTray = false;    // send the main window to the tray (clears TV_START_TRAY)
    Action action = NONE;
    std::string archive;    // VIEWER: the archive (double quotes removed; may be empty)
    std::string interchangeFile;  // INTERCHANGE: the file name, double quotes removed
    std::vector<CommandLineIntake> intake;  // INTAKE: in order
};
// text null: nothing at all.
CommandLinePlan PlanCommandLineActions(const char* text, uint32_t flags, bool atStartUp);
