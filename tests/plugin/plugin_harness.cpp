// Helpers of the plug-in tests (see plugin_harness.h).
#include "tests/driver/tvdriver.h"
#include "tests/plugin/plugin_harness.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>

namespace plugintest {

namespace {

const char kFrameClass[] = "TolvaneFrameWindow";

void PumpOwn() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

std::string Quote(const std::string& arg) {
    return "\"" + arg + "\"";
}

BOOL CALLBACK CollectStatics(HWND child, LPARAM param) {
    if (_stricmp(tvd::ClassName(child).c_str(), "Static") == 0) {
        std::string text = tvd::WindowText(child);
        if (!text.empty()) {
            auto* all = reinterpret_cast<std::string*>(param);
            if (!all->empty()) *all += "\n";
            *all += text;
        }
    }
    return TRUE;
}

std::string ExePath(const char* unixPath) {
    return WinPath(unixPath);
}

}  // namespace

std::string TempFolder() {
    // Taken once: some tests point TMP elsewhere for the stand-in only.
    static const std::string folder = [] {
        char temp[MAX_PATH + 1] = "";
        GetTempPathA(sizeof(temp), temp);
        std::string out = temp;
        if (!out.empty() && out.back() != '\\') out += "\\";
        return out;
    }();
    return folder;
}

std::vector<std::string> DownloadFolders() {
    std::vector<std::string> out;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((TempFolder() + "TvDownload-*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return out;
    do {
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) out.push_back(data.cFileName);
    } while (FindNextFileA(find, &data));
    FindClose(find);
    return out;
}

std::string PatternBytes(size_t size, unsigned seed) {
    std::string out(size, '\0');
    unsigned x = seed * 2654435761u + 1;
    for (size_t i = 0; i < size; ++i) {
        x = x * 1103515245u + 12345u;
        out[i] = char(x >> 16);
    }
    return out;
}

StandinResult RunStandin(const StandinRun& run) {
    StandinResult result;
    std::string command = Quote(ExePath(TV_STANDIN_EXE));
    for (const auto& a : run.args) command += " " + Quote(a);

    char outName[MAX_PATH] = "";
    GetTempFileNameA(TempFolder().c_str(), "sto", 0, outName);
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    HANDLE out = CreateFileA(outName, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = out;
    startup.hStdError = out;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION process = {};
    std::vector<char> line(command.begin(), command.end());
    line.push_back('\0');
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
        CloseHandle(out);
        DeleteFileA(outName);
        return result;
    }
    CloseHandle(out);

    std::vector<bool> used(run.answers.size(), false);
    std::map<HWND, std::string> seenBoxes;
    std::map<HWND, bool> seenStatus;
    bool cancelled = false;
    DWORD start = GetTickCount();
    for (;;) {
        PumpOwn();
        if (WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0) {
            result.finished = true;
            break;
        }
        if (GetTickCount() - start > run.timeoutMs) {
            TerminateProcess(process.hProcess, 99);
            WaitForSingleObject(process.hProcess, tvd::WaitCeilingMs());
            break;
        }
        for (auto it = seenBoxes.begin(); it != seenBoxes.end();)
            it = IsWindow(it->first) ? std::next(it) : seenBoxes.erase(it);
        for (const tvd::WindowInfo& info : tvd::ListWindows(process.dwProcessId)) {
            if (!info.visible) continue;
            HWND window = info.hwnd;
            const std::string& cls = info.className;
            if (cls == "#32770") {
                if (seenBoxes.count(window)) continue;
                std::string text;
                EnumChildWindows(window, CollectStatics, reinterpret_cast<LPARAM>(&text));
                if (text.empty()) continue;  // not filled in yet
                seenBoxes[window] = text;
                result.boxes.push_back(text);
                if (run.onBox) run.onBox(text, run.context);
                int button = 0;
                for (size_t i = 0; i < run.answers.size(); ++i) {
                    if (!used[i] && text.find(run.answers[i].textContains) != std::string::npos) {
                        used[i] = true;
                        button = run.answers[i].button;
                        break;
                    }
                }
                if (!button) {
                    result.unexpected.push_back(text);
                    button = GetDlgItem(window, IDNO) ? IDNO : IDOK;
                }
                PostMessageA(window, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                             reinterpret_cast<LPARAM>(GetDlgItem(window, button)));
            } else if (cls == "VeltraDialog") {
                if (!seenStatus.count(window)) {
                    seenStatus[window] = true;
                    ++result.statusWindows;
                }
                // One consistent reading of all fields (a window being destroyed loses its
                // children one by one).
                std::string received = tvd::WindowText(GetDlgItem(window, 102));
                std::string total = tvd::WindowText(GetDlgItem(window, 103));
                std::string url = tvd::WindowText(GetDlgItem(window, 101));
                DWORD_PTR position = 0;
                HWND bar = GetDlgItem(window, 104);
                if (received.empty() || total.empty() || url.empty() || !bar ||
                    !SendMessageTimeoutA(bar, PBM_GETPOS, 0, 0, SMTO_ABORTIFHUNG, tvd::WaitCeilingMs(), &position))
                    continue;
                result.statusReceived = received;
                result.statusTotal = total;
                result.statusUrl = url;
                result.statusProgress = int(position);
                if (int(position) > result.maxProgress) result.maxProgress = int(position);
                if (run.cancelOnStatus && !cancelled && received.rfind("0 ", 0) != 0) {
                    cancelled = true;
                    PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                                 reinterpret_cast<LPARAM>(GetDlgItem(window, IDCANCEL)));
                }
            }
        }
        MsgWaitForMultipleObjects(1, &process.hProcess, FALSE, 20, QS_ALLINPUT);
    }
    GetExitCodeProcess(process.hProcess, &result.exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    ReadWholeFile(outName, &result.output);
    result.output.erase(std::remove(result.output.begin(), result.output.end(), '\r'), result.output.end());
    DeleteFileA(outName);
    return result;
}

FakeMain::FakeMain(const std::string& outFolder) : out_(outFolder) {
    SetEnvironmentVariableA("TV_FAKEMAIN_OUT", out_.c_str());
}

FakeMain::~FakeMain() {
    Stop();
}

bool FakeMain::Start() {
    std::string command = Quote(ExePath(TV_FAKEMAIN_EXE));
    std::vector<char> line(command.begin(), command.end());
    line.push_back('\0');
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process_))
        return false;
    return tvd::WaitUntil([] { return FindWindowA(kFrameClass, nullptr) != nullptr; }, tvd::WaitCeilingMs());
}

void FakeMain::Stop() {
    CloseFrameWindows();
    if (process_.hProcess) {
        WaitForSingleObject(process_.hProcess, tvd::WaitCeilingMs());
        CloseHandle(process_.hThread);
        CloseHandle(process_.hProcess);
        process_ = {};
    }
}

void CloseFrameWindows() {
    tvd::WaitUntil(
        [] {
            HWND frame = FindWindowA(kFrameClass, nullptr);
            if (frame) PostMessageA(frame, WM_CLOSE, 0, 0);
            return frame == nullptr;
        },
        tvd::WaitCeilingMs());
}

std::vector<HandOffRecord> ReadHandOffs(const std::string& outFolder) {
    std::vector<HandOffRecord> out;
    for (int n = 1;; ++n) {
        std::string base = outFolder + "\\handoff-" + std::to_string(n);
        std::string text;
        if (!ReadWholeFile(base + ".txt", &text)) break;
        HandOffRecord record;
        size_t pos = 0;
        while (pos < text.size()) {
            size_t end = text.find('\n', pos);
            if (end == std::string::npos) end = text.size();
            std::string line = text.substr(pos, end - pos);
            pos = end + 1;
            size_t eq = line.find('=');
            if (eq == std::string::npos) continue;
            std::string key = line.substr(0, eq), value = line.substr(eq + 1);
            if (key == "result") record.result = std::atoi(value.c_str());
            else if (key == "path") record.path = value;
            else if (key == "url") record.url = value;
            else if (key == "bytes") record.bytes = std::strtoul(value.c_str(), nullptr, 10);
            else if (key == "exists") record.exists = std::atoi(value.c_str());
        }
        ReadWholeFile(base + ".bin", &record.content);
        out.push_back(record);
    }
    return out;
}

ProgramPathValue::ProgramPathValue(const std::string& value) {
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Veltra\\Tolvane", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return;
    char old[1024];
    DWORD size = sizeof(old) - 1;
    DWORD type = 0;
    if (RegQueryValueExA(key, "Program Path", nullptr, &type, reinterpret_cast<BYTE*>(old), &size) == ERROR_SUCCESS) {
        old[size] = '\0';
        had_ = true;
        old_ = old;
    }
    if (value.empty())
        RegDeleteValueA(key, "Program Path");
    else
        RegSetValueExA(key, "Program Path", 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       DWORD(value.size() + 1));
    RegCloseKey(key);
}

ProgramPathValue::~ProgramPathValue() {
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Veltra\\Tolvane", 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        return;
    if (had_)
        RegSetValueExA(key, "Program Path", 0, REG_SZ, reinterpret_cast<const BYTE*>(old_.c_str()),
                       DWORD(old_.size() + 1));
    else
        RegDeleteValueA(key, "Program Path");
    RegCloseKey(key);
}

}  // namespace plugintest
