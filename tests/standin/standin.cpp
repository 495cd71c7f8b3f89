// A browser stand-in for tests: does with a Windows NPAPI plug-in library what a browser does
// with a download whose content type the library claims. It reads the library's version resource
// for the claimed types, loads it, exchanges the function tables, creates instances, streams a
// local file into them in blocks, ends the streams with a chosen reason and shuts the library
// down, pumping its thread's message queue throughout as a browser's user-interface thread does.
//
// standin --dll PATH [--type MIME] [--url URL] [--file PATH] [--total N|auto] [--block N]
//         [--reason N] [--stop-after N] [--delay MS] [--hold MS] [--streams N]
//         [--geturl-log PATH] [--browser-version N] [--close-at OFFSET]
//         [--initialize-first 1]
// Output (stdout, one fact per line): "types: ...", "urlnotify: yes|no", "geturl: URL TARGET",
// "write: STREAM RESULT" for negative write results, "end: STREAM REASON", "result: ok".
// Exit codes: 0 streamed, 2 bad arguments, 3 type not claimed, 4 library or resource not
// loadable, 5 entry point failed (the NPError follows on stdout), 6 instance or stream refused.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "plugin/npapi.h"

namespace {

std::string g_getUrlLog;

void Pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// Waits ms milliseconds while keeping the queue moving.
void PumpFor(DWORD ms) {
    DWORD start = GetTickCount();
    for (;;) {
        Pump();
        DWORD elapsed = GetTickCount() - start;
        if (elapsed >= ms) return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - elapsed, QS_ALLINPUT);
    }
}

NPError BrowserGetUrl(NPP, const char* url, const char* target) {
    std::printf("geturl: %s %s\n", url ? url : "(null)", target ? target : "(null)");
    std::fflush(stdout);
    if (!g_getUrlLog.empty()) {
        if (FILE* f = std::fopen(g_getUrlLog.c_str(), "ab")) {
            std::fprintf(f, "%s\t%s\n", url ? url : "", target ? target : "");
            std::fclose(f);
        }
    }
    return NPERR_NO_ERROR;
}

void BrowserStatus(NPP, const char*) {}
const char* BrowserUserAgent(NPP) {
    return "Mozilla/4.0 (stand-in)";
}
void* BrowserMemAlloc(uint32_t size) {
    return std::malloc(size);
}
void BrowserMemFree(void* p) {
    std::free(p);
}
uint32_t BrowserMemFlush(uint32_t) {
    return 0;
}

// The "|"-separated content types of the library's version block.
bool ReadClaimedTypes(const char* dll, std::vector<std::string>* types) {
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeA(dll, &handle);
    if (size == 0) return false;
    std::vector<char> block(size);
    if (!GetFileVersionInfoA(dll, 0, size, block.data())) return false;
    struct Translation {
        WORD language;
        WORD codePage;
    }* translation = nullptr;
    UINT length = 0;
    char key[80];
    if (VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &length) &&
        length >= sizeof(Translation))
        std::snprintf(key, sizeof(key), "\\StringFileInfo\\%04X%04X\\MIMEType", translation->language,
                      translation->codePage);
    else
        std::snprintf(key, sizeof(key), "\\StringFileInfo\\040904E4\\MIMEType");
    char* value = nullptr;
    if (!VerQueryValueA(block.data(), key, reinterpret_cast<void**>(&value), &length) || !value) return false;
    std::string list(value);
    size_t start = 0;
    for (;;) {
        size_t bar = list.find('|', start);
        types->push_back(list.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
        if (bar == std::string::npos) break;
        start = bar + 1;
    }
    return true;
}

// An exported function by its plain name, as the browsers look the entry points up.
template <typename F>
F EntryPoint(HMODULE library, const char* name) {
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

struct Options {
    std::string dll, type, url = "http://www.example.com/files/file.zip", file;
    long long total = -1;  // -1: the file's size
    long block = 4096;
    int reason = NPRES_DONE;
    long long stopAfter = -1;
    DWORD delay = 0, hold = 0;
    int streams = 1;
    unsigned browserVersion = (NP_VERSION_MAJOR << 8) | 11;
    long long closeAt = -1;
    bool initializeFirst = false;  // NP_Initialize before NP_GetEntryPoints  // offset of the write during which the browser window closes
};

bool ParseOptions(int argc, char** argv, Options* o) {
    for (int i = 1; i < argc; ++i) {
        std::string name = argv[i];
        if (i + 1 >= argc) return false;
        const char* v = argv[++i];
        if (name == "--dll") o->dll = v;
        else if (name == "--type") o->type = v;
        else if (name == "--url") o->url = v;
        else if (name == "--file") o->file = v;
        else if (name == "--total") o->total = std::strcmp(v, "auto") == 0 ? -1 : std::atoll(v);
        else if (name == "--block") o->block = std::atol(v);
        else if (name == "--reason") o->reason = std::atoi(v);
        else if (name == "--stop-after") o->stopAfter = std::atoll(v);
        else if (name == "--delay") o->delay = DWORD(std::atol(v));
        else if (name == "--hold") o->hold = DWORD(std::atol(v));
        else if (name == "--streams") o->streams = std::atoi(v);
        else if (name == "--geturl-log") g_getUrlLog = v;
        else if (name == "--close-at") o->closeAt = std::atoll(v);
        else if (name == "--initialize-first") o->initializeFirst = std::atoi(v) != 0;
        else if (name == "--browser-version") o->browserVersion = unsigned(std::strtoul(v, nullptr, 0));
        else return false;
    }
    return !o->dll.empty() && o->block > 0 && o->streams >= 1 && o->streams <= 16;
}

struct Download {
    NPP_t npp = {};
    NPStream stream = {};
    bool open = false;
    bool failed = false;
    bool destroyed = false;
};

// Closing a browser window in the middle of a download: the browser ends the stream with a user
// break and destroys the instance from its message loop, which here runs inside the plug-in's
// own write. The message below is posted before that write; the plug-in's pump delivers it.
const UINT kCloseWhileWriting = WM_APP + 1;
NPPluginFuncs* g_plugin = nullptr;
Download* g_closing = nullptr;

LRESULT CALLBACK BrowserWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kCloseWhileWriting && g_closing && !g_closing->destroyed) {
        Download* d = g_closing;
        std::printf("close-while-writing\n");
        g_plugin->destroystream(&d->npp, &d->stream, NPRES_USER_BREAK);
        std::printf("end: 0 %d\n", int(NPRES_USER_BREAK));
        g_plugin->destroy(&d->npp, nullptr);
        d->open = false;
        d->destroyed = true;
        std::fflush(stdout);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

int Run(const Options& o) {
    std::vector<std::string> types;
    if (!ReadClaimedTypes(o.dll.c_str(), &types)) {
        std::printf("error: no content types in the version resource of %s\n", o.dll.c_str());
        return 4;
    }
    std::printf("types:");
    for (const auto& t : types) std::printf(" %s", t.c_str());
    std::printf("\n");
    std::string type = o.type.empty() ? types.front() : o.type;
    bool claimed = false;
    for (const auto& t : types) claimed = claimed || _stricmp(t.c_str(), type.c_str()) == 0;
    if (!claimed) {
        std::printf("error: the library does not claim %s\n", type.c_str());
        return 3;
    }

    std::vector<char> data;
    if (!o.file.empty()) {
        FILE* f = std::fopen(o.file.c_str(), "rb");
        if (!f) {
            std::printf("error: cannot read %s\n", o.file.c_str());
            return 2;
        }
        char buffer[65536];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof(buffer), f)) > 0) data.insert(data.end(), buffer, buffer + n);
        std::fclose(f);
    }
    size_t limit = data.size();
    if (o.stopAfter >= 0 && size_t(o.stopAfter) < limit) limit = size_t(o.stopAfter);

    HMODULE library = LoadLibraryA(o.dll.c_str());
    if (!library) {
        std::printf("error: LoadLibrary failed (%lu)\n", GetLastError());
        return 4;
    }
    auto getEntryPoints = EntryPoint<NP_GetEntryPointsFunc>(library, "NP_GetEntryPoints");
    auto initialize = EntryPoint<NP_InitializeFunc>(library, "NP_Initialize");
    auto shutdown = EntryPoint<NP_ShutdownFunc>(library, "NP_Shutdown");
    if (!getEntryPoints || !initialize || !shutdown) {
        std::printf("error: entry points missing\n");
        FreeLibrary(library);
        return 4;
    }

    // Most browsers ask for the entry points first; some initialise the library first.
    NPPluginFuncs plugin = {};
    plugin.size = sizeof(plugin);
    NPNetscapeFuncs browser = {};
    browser.size = sizeof(browser);
    browser.version = uint16_t(o.browserVersion);
    browser.geturl = BrowserGetUrl;
    browser.status = BrowserStatus;
    browser.uagent = BrowserUserAgent;
    browser.memalloc = BrowserMemAlloc;
    browser.memfree = BrowserMemFree;
    browser.memflush = BrowserMemFlush;
    for (int step = 0; step < 2; ++step) {
        bool entryPoints = (step == 0) != o.initializeFirst;
        NPError err = entryPoints ? getEntryPoints(&plugin) : initialize(&browser);
        if (err != NPERR_NO_ERROR) {
            std::printf("%s: %d\n", entryPoints ? "NP_GetEntryPoints" : "NP_Initialize", err);
            shutdown();
            FreeLibrary(library);
            return 5;
        }
    }
    std::printf("plugin-version: %u\n", unsigned(plugin.version));
    std::printf("urlnotify: %s\n", plugin.urlnotify ? "yes" : "no");
    std::fflush(stdout);

    int exitCode = 0;
    std::vector<Download> downloads(size_t(o.streams));
    std::vector<char> typeText(type.begin(), type.end());
    typeText.push_back('\0');
    for (auto& d : downloads) {
        if (plugin.newp(typeText.data(), &d.npp, NP_FULL, 0, nullptr, nullptr, nullptr) != NPERR_NO_ERROR) {
            std::printf("error: NPP_New refused\n");
            exitCode = 6;
            break;
        }
        d.stream.url = o.url.c_str();
        d.stream.end = uint32_t(o.total < 0 ? data.size() : size_t(o.total));
        uint16_t streamType = 0;
        if (plugin.newstream(&d.npp, typeText.data(), &d.stream, 0, &streamType) != NPERR_NO_ERROR) {
            std::printf("error: NPP_NewStream refused\n");
            exitCode = 6;
            break;
        }
        std::printf("stream-type: %u\n", unsigned(streamType));
        d.open = true;
        Pump();
    }

    // The blocks go round the open streams in turn, as a browser serves parallel downloads.
    size_t offset = 0;
    while (exitCode == 0 && offset < limit) {
        bool anyOpen = false;
        size_t block = 0;
        for (size_t i = 0; i < downloads.size(); ++i) {
            Download& d = downloads[i];
            if (!d.open || d.failed) continue;
            int32_t ready = plugin.writeready(&d.npp, &d.stream);
            block = size_t(o.block);
            if (ready > 0 && size_t(ready) < block) block = size_t(ready);
            if (block > limit - offset) block = limit - offset;
            if (i == 0 && o.closeAt >= 0 && offset >= size_t(o.closeAt) && !g_closing) {
                static WNDCLASSA wc = {};
                wc.lpfnWndProc = BrowserWindowProc;
                wc.hInstance = GetModuleHandleA(nullptr);
                wc.lpszClassName = "StandinBrowserWindow";
                RegisterClassA(&wc);
                HWND browserWindow = CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                                     wc.hInstance, nullptr);
                g_plugin = &plugin;
                g_closing = &d;
                PostMessageA(browserWindow, kCloseWhileWriting, 0, 0);
            }
            int32_t result = plugin.write(&d.npp, &d.stream, int32_t(offset), int32_t(block), data.data() + offset);
            if (d.destroyed) {
                std::printf("write: %u %d\n", unsigned(i), int(result));
                continue;
            }
            if (result < 0) {
                std::printf("write: %u %d\n", unsigned(i), int(result));
                d.failed = true;
                // A negative result ends the stream with an error at once.
                plugin.destroystream(&d.npp, &d.stream, NPRES_NETWORK_ERR);
                std::printf("end: %u %d\n", unsigned(i), int(NPRES_NETWORK_ERR));
                d.open = false;
                continue;
            }
            anyOpen = true;
        }
        std::fflush(stdout);
        if (!anyOpen) break;
        offset += block;
        Pump();
        if (o.delay) PumpFor(o.delay);
    }
    if (o.hold) PumpFor(o.hold);
    for (size_t i = 0; i < downloads.size(); ++i) {
        Download& d = downloads[i];
        if (d.open) {
            plugin.destroystream(&d.npp, &d.stream, NPReason(o.reason));
            std::printf("end: %u %d\n", unsigned(i), o.reason);
            d.open = false;
        }
        if (!d.destroyed) plugin.destroy(&d.npp, nullptr);
        Pump();
    }
    shutdown();
    FreeLibrary(library);
    if (exitCode == 0) std::printf("result: ok\n");
    std::fflush(stdout);
    return exitCode;
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    if (!ParseOptions(argc, argv, &o)) {
        std::fprintf(stderr,
                     "usage: standin --dll PATH [--type MIME] [--url URL] [--file PATH] [--total N|auto] "
                     "[--block N] [--reason N] [--stop-after N] [--delay MS] [--hold MS] [--streams N] "
                     "[--geturl-log PATH] [--browser-version N] [--close-at OFFSET] [--initialize-first 1]\n");
        return 2;
    }
    return Run(o);
}
