// The command-line parser, the action plan and the joiners on arbitrary bytes: a text that may
// lack its terminator, in the buffer sizes of a start (460) and of a forwarded line (1,000), and
// in the forms without a size limit.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "shell/command_line.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const uint32_t flagsIn = data[0] & 0x1F;
    const bool atStartUp = (data[0] & 0x20) != 0;
    const size_t bufferSize = (data[0] & 0x40) ? TV_FORWARDED_COMMAND_LINE_SIZE : TV_COMMAND_LINE_SIZE;
    ++data;
    --size;

    // Exactly bufferSize bytes, so that the parser must not read or write past them.
    std::vector<char> text(bufferSize);
    const size_t taken = size < bufferSize ? size : bufferSize;
    std::memcpy(text.data(), data, taken);
    if (taken < bufferSize) text[taken] = '\0';
    uint32_t flags = flagsIn;
    ParseCommandLine(text.data(), text.size(), &flags);
    if (std::memchr(text.data(), 0, text.size()) == nullptr) __builtin_trap();
    const CommandLinePlan plan = PlanCommandLineActions(text.data(), flags, atStartUp);
    for (const CommandLineIntake& item : plan.intake)
        if (item.file.empty()) __builtin_trap();

    // The same bytes as NUL-separated arguments for the joiner.
    std::vector<const char*> args;
    std::vector<char> copy(data, data + size);
    copy.push_back('\0');
    args.push_back("tv.exe");
    for (size_t i = 0; i < copy.size();) {
        args.push_back(&copy[i]);
        i += std::strlen(&copy[i]) + 1;
    }
    char joined[TV_COMMAND_LINE_SIZE];
    JoinCommandLine(int(args.size()), args.data(), 1, joined, sizeof(joined));
    if (std::strlen(joined) >= sizeof(joined)) __builtin_trap();

    // The bytes up to the first NUL as a raw command line of a start.
    JoinRawCommandLine(copy.data(), joined, sizeof(joined));
    if (std::strlen(joined) >= sizeof(joined)) __builtin_trap();

    // The forms without a size limit, as the program uses them: every argument is kept.
    std::string whole = JoinRawCommandLine(copy.data());
    uint32_t wholeFlags = flagsIn;
    ParseCommandLine(&whole, &wholeFlags);
    const CommandLinePlan wholePlan = PlanCommandLineActions(whole.c_str(), wholeFlags, atStartUp);
    for (const CommandLineIntake& item : wholePlan.intake)
        if (item.file.empty()) __builtin_trap();
    return 0;
}
