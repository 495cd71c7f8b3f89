#include "integration/integration_rules.h"

#include <algorithm>
#include <cstring>

#include "database/settings.h"
#include "util/cmdline.h"
#include "util/path.h"
#include "util/text.h"
#include "util/safestr.h"

namespace {

bool Empty(const char* text) { return !text || !*text; }

// out := text, with 0 and an empty out when it does not fit.
int Assign(char* out, size_t size, const std::string& text) {
    if (!out || size == 0) return 0;
    if (text.size() >= size) {
        out[0] = '\0';
        return 0;
    }
    std::memcpy(out, text.c_str(), text.size() + 1);
    return 1;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The number of a "TYPE<digits>" name, or -1.
int64_t TypeNumber(const std::string& name) {
    if (name.size() < 5 || name.size() > 4 + 9) return -1;
    int64_t n = 0;
    for (size_t i = 4; i < name.size(); ++i) {
        if (!IsDigit(name[i])) return -1;
        n = n * 10 + (name[i] - '0');
    }
    return n;
}

// Position of the first placeholder `pattern` in text, or npos.
size_t FindPlaceholder(const std::string& text, const char* pattern) { return text.find(pattern); }

}  // namespace

int BuildIntegrationCommand(char* out, size_t size, const char* programPath, int command) {
    if (out && size) out[0] = '\0';
    if (Empty(programPath) || !out || size == 0) return 0;
    std::string text = "\"";
    text += programPath;
    text += "\"";
    switch (command) {
        case TV_COMMAND_OPEN: text += " \"%1\""; break;
        case TV_COMMAND_IMPORT: text += " \"%1\" /import"; break;
        case TV_COMMAND_VIEWER: text += " \"%1\" /iv"; break;
        case TV_COMMAND_INTERCHANGE: text += " \"%1\" /interchangefile"; break;
        case TV_COMMAND_TRAY: text += " /tray"; break;
        default: return 0;
    }
    return Assign(out, size, text);
}

int BuildIconLocation(char* out, size_t size, const char* programPath, int icon) {
    if (out && size) out[0] = '\0';
    if (Empty(programPath) || !out || size == 0) return 0;
    std::string text = programPath;
    text += ",";
    text += std::to_string(icon);
    return Assign(out, size, text);
}

int TextNamesProgram(const char* text, const char* name) {
    if (Empty(text) || Empty(name)) return 0;
    const size_t length = std::strlen(name);
    for (const char* p = text; *p; ++p) {
        if (!TextEquals(p, name, 0, int(length))) continue;
        const char before = p == text ? '\0' : p[-1];
        const char after = p[length];
        const bool startOk = p == text || before == '\\' || before == '/' || before == ':' || before == ' ' ||
                             before == '"';
        const bool endOk = after == '\0' || after == '"' || after == ' ' || after == '\t' || after == ',';
        if (startOk && endOk) return 1;
    }
    return 0;
}

int DefaultFileTypeName(char* out, size_t size, const char* extension) {
    if (out && size) out[0] = '\0';
    if (Empty(extension) || extension[0] != '.' || !extension[1]) return 0;
    std::string text = extension + 1;
    text += "file";
    return Assign(out, size, text);
}

int BrowserProgramFile(char* out, size_t size, const char* browserSetting) {
    if (out && size) out[0] = '\0';
    if (!out || size == 0 || Empty(browserSetting)) return 0;
    char line[TV_PATH_SIZE * 4];
    if (CopyLimited(line, browserSetting, sizeof line)) return 0;
    TrimSpaces(line, TV_TRIM_BOTH);
    char program[sizeof line];
    SplitCommandLine(line, program, sizeof program, nullptr, 0);
    QuoteText(program, sizeof program, TV_QUOTE_REMOVE);
    TrimSpaces(program, TV_TRIM_BOTH);
    if (!program[0]) return 0;
    return Assign(out, size, program);
}

int BrowserPluginFolder(char* out, size_t size, const char* programFile) {
    if (out && size) out[0] = '\0';
    if (Empty(programFile) || !out || size == 0) return 0;
    const int last = LastSeparator(programFile);
    if (last < 0) return 0;
    std::string folder(programFile, size_t(last) + 1);
    folder += "plugins\\";
    return Assign(out, size, folder);
}

int IsAbsoluteFolder(const char* folder) {
    if (Empty(folder)) return 0;
    if (IsLetter(folder[0]) && folder[1] == ':' && (folder[2] == '\\' || folder[2] == '/')) return 1;
    return folder[0] == '\\' && folder[1] == '\\' && folder[2] && folder[2] != '\\';
}

int IsViewerTypeName(const char* name) {
    return !Empty(name) && std::strlen(name) >= 5 && TextEquals(name, "TYPE", 0, 4);
}

int64_t NextViewerTypeNumber(const std::vector<TViewerValue>& values, const char* contentType) {
    int64_t highest = -1;
    std::vector<int64_t> readable;
    for (const TViewerValue& v : values) {
        if (!IsViewerTypeName(v.name.c_str())) continue;
        if (v.readable && TextEquals(v.data.c_str(), contentType, 0, 0)) return -1;
        const int64_t n = TypeNumber(v.name);
        if (n < 0) continue;
        highest = std::max(highest, n);
        if (v.readable) readable.push_back(n);
    }
    std::sort(readable.begin(), readable.end());
    // Highest number below `highest` that has no readable value: step down over the numbers that
    // do (at most as many steps as there are values).
    for (int64_t n = highest - 1; n >= 0; --n)
        if (!std::binary_search(readable.begin(), readable.end(), n)) return n;
    return highest + 1;
}

const char* BrowserSettingFor(const IntegrationSettings& settings, int choice) {
    switch (choice) {
        case TV_BROWSER_IE: return settings.iePath;
        case TV_BROWSER_NETSCAPE: return settings.netscapePath;
        case TV_BROWSER_OPERA: return settings.operaPath;
        case TV_BROWSER_OTHER: return settings.otherBrowserPath;
        default: return "";
    }
}

int TakeBrowserSelection(IntegrationSettings* settings, int checked, const char* otherPath, bool useAlways) {
    if (checked < 0 || checked > 3) checked = TV_BROWSER_OTHER;
    if (!settings) return checked;
    settings->lastSelectedBrowser = uint8_t(checked);
    CopyLimited(settings->otherBrowserPath, otherPath ? otherPath : "", TV_PATH_SIZE);
    if (useAlways && checked != TV_BROWSER_OTHER) settings->browserChoice = uint8_t(checked);
    return checked;
}

int BuildBrowserLaunch(const char* browserSetting, const char* url, char* program, size_t programSize,
                       char* arguments, size_t argumentsSize) {
    if (program && programSize) program[0] = '\0';
    if (arguments && argumentsSize) arguments[0] = '\0';
    if (!program || !arguments || programSize == 0 || argumentsSize == 0) return 0;
    std::string setting = browserSetting ? browserSetting : "";
    {
        char trimmed[TV_PATH_SIZE * 4];
        if (CopyLimited(trimmed, setting.c_str(), sizeof trimmed)) return 0;
        TrimSpaces(trimmed, TV_TRIM_BOTH);
        setting = trimmed;
    }
    if (setting.empty()) return 0;

    // Program and argument template. The split is made on the setting alone, so that dots and
    // blanks of the URL cannot move the boundary.
    std::vector<char> programPart(setting.size() + 1), argumentPart(setting.size() + 1);
    SplitCommandLine(setting.c_str(), programPart.data(), programPart.size(), argumentPart.data(), argumentPart.size());
    QuoteText(programPart.data(), programPart.size(), TV_QUOTE_REMOVE);
    TrimSpaces(programPart.data(), TV_TRIM_BOTH);
    if (!programPart[0]) return 0;
    std::string args = argumentPart.data();

    // The URL goes where the first "%s" (else "%1") stands; a marker holds the place while the
    // other placeholders are removed, so that nothing in the URL is taken for one.
    const char kMarker = '\x01';
    const bool hasUrl = !Empty(url);
    bool placed = false;
    if (hasUrl) {
        size_t at = FindPlaceholder(args, "%s");
        if (at == std::string::npos) at = FindPlaceholder(args, "%1");
        if (at != std::string::npos) {
            args.replace(at, 2, 1, kMarker);
            placed = true;
        }
    }
    std::vector<char> stripped(args.begin(), args.end());
    stripped.push_back('\0');
    StripPlaceholders(stripped.data());
    args = stripped.data();
    // Blanks left at the ends by removed placeholders go before the URL comes in (its own stay).
    const size_t first = args.find_first_not_of(' ');
    args = first == std::string::npos ? std::string() : args.substr(first, args.find_last_not_of(' ') - first + 1);
    if (hasUrl) {
        if (placed) {
            args.replace(args.find(kMarker), 1, url);
        } else {
            if (!args.empty()) args += ' ';
            args += url;
        }
    }
    if (!Assign(program, programSize, programPart.data())) return 0;
    if (!Assign(arguments, argumentsSize, args)) {
        program[0] = '\0';
        return 0;
    }
    return 1;
}
