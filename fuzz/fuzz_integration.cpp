// The integration's decisions on arbitrary texts: the browser launch command, the recognition of
// the program in commands, the plug-in folder, the viewer type numbering, and the whole apply over
// a registry model filled from the input. Checks that every output stays terminated, that the
// URL reaches the arguments unchanged, that applying twice changes nothing, and that the ZIP
// viewer on and then off gives back the user's own open command and icon.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "database/settings.h"
#include "integration/apply.h"
#include "integration/integration_rules.h"
#include "tests/integration/fake_system.h"
#include "util/text.h"

namespace {

bool Terminated(const char* buffer, size_t size) { return std::memchr(buffer, 0, size) != nullptr; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const uint8_t flags = data[0];
    // The rest: NUL-separated texts.
    std::vector<std::string> parts;
    std::string current;
    for (size_t i = 1; i < size; ++i) {
        if (data[i] == 0) {
            parts.push_back(current);
            current.clear();
        } else {
            current += char(data[i]);
        }
    }
    parts.push_back(current);
    while (parts.size() < 6) parts.push_back(std::string());
    for (std::string& p : parts)
        if (p.size() > 600) p.resize(600);

    // Browser launch.
    char program[300], arguments[700];
    if (BuildBrowserLaunch(parts[0].c_str(), parts[1].c_str(), program, sizeof program, arguments, sizeof arguments)) {
        if (!parts[1].empty() && std::strstr(arguments, parts[1].c_str()) == nullptr) __builtin_trap();
    }
    if (!Terminated(program, sizeof program) || !Terminated(arguments, sizeof arguments)) __builtin_trap();
    TextNamesProgram(parts[0].c_str(), "tv.exe");
    char file[300], folder[300];
    BrowserProgramFile(file, sizeof file, parts[0].c_str());
    BrowserPluginFolder(folder, sizeof folder, file);
    if (!Terminated(file, sizeof file) || !Terminated(folder, sizeof folder)) __builtin_trap();

    // Viewer type numbering on the texts as names and data.
    std::vector<TViewerValue> values;
    for (size_t i = 0; i + 1 < parts.size(); i += 2) values.push_back(TViewerValue{parts[i], (flags & 1) != 0, parts[i + 1]});
    const int64_t n = NextViewerTypeNumber(values, parts[2].c_str());
    if (n < -1 || n > 1000000000) __builtin_trap();

    // The whole apply over a registry that holds the user's ZIP type and a viewer list.
    const std::string zipCommand = parts[3], zipIcon = parts[4];
    FakeSystem sys;
    sys.Put(TV_HKCR, ".zip", nullptr, parts[5].empty() ? "UserZip" : parts[5]);
    const std::string zipType = parts[5].empty() ? "UserZip" : parts[5];
    // A type name the apply uses as it is (no "\\", no blanks around it, not one that another
    // step writes to).
    const bool plainType = zipType.find('\\') == std::string::npos && !zipType.empty() && zipType.size() <= 200 &&
                           zipType.front() != ' ' && zipType.front() != '\t' && zipType.back() != ' ' &&
                           zipType.back() != '\t' && !TextEquals(zipType.c_str(), "tvifile", 0, 0);
    sys.Put(TV_HKCR, zipType + "\\shell\\open\\command", nullptr, zipCommand, (flags & 2) == 0);
    sys.Put(TV_HKCR, zipType + "\\DefaultIcon", nullptr, zipIcon);
    if (flags & 4) sys.Put(TV_HKCU, kRegNetscapeViewers, parts[0].empty() ? "TYPE1" : parts[0].c_str(), parts[1]);
    sys.AddFile("C:\\P\\NPTV1.DLL");
    IntegrationSettings s;
    s.startWithWindows = (flags >> 3) & 1;
    s.contextMenuIntegration = (flags >> 4) & 1;
    s.netscapeDownloads = (flags >> 5) & 1;
    CopyLimited(s.netscapePath, parts[1].c_str(), TV_PATH_SIZE);
    const char* programPath = "C:\\P\\tv.exe";
    ApplyIntegration(s, 1, programPath, &sys);
    const FakeSystem::Tree once = sys.registry();
    ApplyIntegration(s, 1, programPath, &sys);
    if (!(once == sys.registry())) __builtin_trap();
    ApplyIntegration(s, 0, programPath, &sys);
    // The user's own readable command (one that does not name the program) comes back.
    if (plainType && (flags & 2) == 0 && !TextNamesProgram(zipCommand.c_str(), "tv.exe") &&
        !TextNamesProgram(zipIcon.c_str(), "tv.exe")) {
        if (sys.Get(TV_HKCR, zipType + "\\shell\\open\\command") != zipCommand) __builtin_trap();
        if (sys.Get(TV_HKCR, zipType + "\\DefaultIcon") != zipIcon) __builtin_trap();
        if (sys.Has(TV_HKCR, zipType + "\\shell\\open\\command", "~command")) __builtin_trap();
    }
    return 0;
}
