#include "shell/command_line.h"

#include <cstring>

#include "util/cmdline.h"
#include "util/text.h"

namespace {

struct SwitchEntry {
    const char* name;
    uint32_t flags;
};

const SwitchEntry kSwitches[] = {
    {"/tray", TV_START_TRAY},
    {"/iv", TV_START_TRAY | TV_START_VIEWER},
    {"/import", TV_START_IMPORT},
    {"/interchangefile", TV_START_INTERCHANGE},
};

std::string WithoutQuotes(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text)
        if (c != '"') out.push_back(c);
    return out;
}

}  // namespace

int JoinCommandLine(int argc, const char* const* argv, int first, char* out, size_t size) {
    if (!out || size == 0) return 0;
    out[0] = '\0';
    if (!argv) return 0;
    size_t length = 0;
    int left = 0;
    for (int i = first < 0 ? 0 : first; i < argc; ++i) {
        const char* arg = argv[i] ? argv[i] : "";
        const size_t argLength = std::strlen(arg);
        const size_t gap = length > 0 ? 1 : 0;
        if (length + gap + argLength + 1 > size) {
            ++left;
            continue;
        }
        if (gap) out[length++] = ' ';
        std::memcpy(out + length, arg, argLength);
        length += argLength;
        out[length] = '\0';
    }
    return left;
}

std::vector<std::string> SplitRawCommandLine(const char* raw) {
    std::vector<std::string> args;
    if (!raw) return args;
    const char* p = raw;
    // The program's name: up to the closing quote when it starts with one, else up to the first
    // blank or tab.
    if (*p == '"') {
        ++p;
        while (*p != '\0' && *p != '"') ++p;
        if (*p == '"') ++p;
    } else {
        while (*p != '\0' && *p != ' ' && *p != '\t') ++p;
    }
    std::string current;
    bool quoted = false;
    for (;; ++p) {
        const char c = *p;
        if (c == '\0' || ((c == ' ' || c == '\t') && !quoted)) {
            if (!current.empty()) args.push_back(current);
            current.clear();
            if (c == '\0') break;
            continue;
        }
        if (c == '"') quoted = !quoted;
        current.push_back(c);
    }
    return args;
}

int JoinRawCommandLine(const char* raw, char* out, size_t size) {
    const std::vector<std::string> args = SplitRawCommandLine(raw);
    std::vector<const char*> argv;
    argv.reserve(args.size());
    for (const std::string& arg : args) argv.push_back(arg.c_str());
    return JoinCommandLine(int(argv.size()), argv.data(), 0, out, size);
}

std::string JoinRawCommandLine(const char* raw) {
    std::string joined;
    for (const std::string& arg : SplitRawCommandLine(raw)) {
        if (!joined.empty()) joined += ' ';
        joined += arg;
    }
    return joined;
}

int ParseCommandLine(std::string* text, uint32_t* flags) {
    if (!text) return 0;
    // Room for the whole text, the two quotes the parser may add and the terminator.
    std::vector<char> buffer(text->size() + 3, '\0');
    std::memcpy(buffer.data(), text->data(), text->size());
    const int dropped = ParseCommandLine(buffer.data(), buffer.size(), flags);
    text->assign(buffer.data());
    return dropped;
}

int ParseCommandLine(char* text, size_t size, uint32_t* flags) {
    if (!text || size == 0) return 0;
    uint32_t found = flags ? *flags : 0;
    int cut = 0;
    // The text may arrive without a terminator inside its buffer: read at most size - 1.
    size_t length = strnlen(text, size);
    if (length == size) {
        length = size - 1;
        cut = 1;
    }

    std::string remaining;
    remaining.reserve(length);
    char token[TV_COMMAND_TOKEN_MAX + 1];
    size_t tokenLength = 0;
    bool tokenTooLong = false;
    bool quoted = false;
    for (size_t i = 0; i <= length; ++i) {
        const char c = i < length ? text[i] : '\0';
        if (c != '\0' && (c != ' ' || quoted)) {
            if (c == '"') quoted = !quoted;
            if (tokenLength < TV_COMMAND_TOKEN_MAX)
                token[tokenLength++] = c;
            else
                tokenTooLong = true;
            continue;
        }
        // End of a token.
        if (tokenTooLong) {
            cut = 1;
        } else if (tokenLength > 0) {
            token[tokenLength] = '\0';
            TrimSpaces(token, TV_TRIM_BOTH);
            if (token[0] != '\0') {
                bool isSwitch = false;
                for (const SwitchEntry& s : kSwitches) {
                    if (TextEquals(token, s.name, 0, 0)) {
                        found |= s.flags;
                        isSwitch = true;
                        break;
                    }
                }
                if (!isSwitch) {
                    if (!remaining.empty()) remaining.push_back(' ');
                    remaining += token;
                }
            }
        }
        tokenLength = 0;
        tokenTooLong = false;
    }

    CopyLimited(text, remaining.c_str(), size);
    if (text[0] != '\0' && !QuoteText(text, size, TV_QUOTE_ADD)) {
        // No room for the quotes: make room at the end (the text is far longer than any path).
        const size_t keep = size >= 3 ? size - 3 : 0;
        if (std::strlen(text) > keep) text[keep] = '\0';
        if (!QuoteText(text, size, TV_QUOTE_ADD)) text[0] = '\0';
        cut = 1;
    }

    if (found & (TV_START_TRAY | TV_START_IMPORT | TV_START_VIEWER)) found &= ~uint32_t(TV_START_SPLASH);
    if (flags) *flags = found;
    return cut;
}

std::vector<std::string> SplitCommandArguments(const char* text) {
    std::vector<std::string> args;
    if (!text) return args;
    std::string current;
    bool quoted = false;
    for (const char* p = text;; ++p) {
        const char c = *p;
        if (c == '\0' || (c == ' ' && !quoted)) {
            if (!current.empty()) args.push_back(current);
            current.clear();
            if (c == '\0') break;
            continue;
        }
        if (c == '"') quoted = !quoted;
        current.push_back(c);
    }
    return args;
}

CommandLinePlan PlanCommandLineActions(const char* text, uint32_t flags, bool atStartUp) {
    CommandLinePlan plan;
    if (!text) return plan;
    if ((flags & TV_START_TRAY) && atStartUp) plan.toTray = true;
    if ((flags & TV_START_VIEWER) && !(flags & TV_START_IMPORT)) {
        plan.action = CommandLinePlan::VIEWER;
        plan.archive = WithoutQuotes(text);
        return plan;
    }
    if (flags & TV_START_INTERCHANGE) {
        plan.action = CommandLinePlan::INTERCHANGE;
        plan.interchangeFile = WithoutQuotes(text);
        return plan;
    }
    if (text[0] == '\0') return plan;
    const std::vector<std::string> args = SplitCommandArguments(text);
    if (args.empty()) return plan;
    plan.action = CommandLinePlan::INTAKE;
    if (args.size() == 1) {
        plan.intake.push_back({text, TV_INTAKE_COMMAND_LINE_SINGLE});
    } else {
        for (const std::string& arg : args) plan.intake.push_back({arg, TV_INTAKE_COMMAND_LINE_EACH});
    }
    return plan;
}
