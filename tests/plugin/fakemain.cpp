// A stand-in for the main program's receiving side in the plug-in tests: registers the frame
// window class, accepts the download hand-off, checks it with the shared reader and records what
// arrived in the folder named by the environment variable TV_FAKEMAIN_OUT:
//   handoff-N.bin  a copy of the handed-over file (when it existed)
//   handoff-N.txt  "result=", "path=", "url=", "bytes=", "exists=" lines (written last)
// Then, as the real receiver does, it deletes the file and removes the download's own folder.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "handoff/handoff.h"

namespace {

std::string g_out;
int g_count = 0;

LRESULT OnCopyData(const COPYDATASTRUCT* message) {
    if (!message || message->dwData != TV_COPYDATA_DOWNLOAD) return FALSE;
    DownloadHandOffInfo info;
    int result = ReadDownloadHandOff(message->lpData, message->cbData, &info);
    ++g_count;
    std::string base = g_out + "\\handoff-" + std::to_string(g_count);
    const char* path = info.record.SavedFilePath;
    DWORD attributes = result == TV_HANDOFF_VALID ? GetFileAttributesA(path) : INVALID_FILE_ATTRIBUTES;
    int exists = attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
    if (exists) CopyFileA(path, (base + ".bin").c_str(), FALSE);
    if (FILE* f = std::fopen((base + ".txt.tmp").c_str(), "wb")) {
        std::fprintf(f, "result=%d\npath=%s\nurl=%s\nbytes=%lu\nexists=%d\n", result, path, info.record.SourceUrl,
                     static_cast<unsigned long>(message->cbData), exists);
        std::fclose(f);
        MoveFileA((base + ".txt.tmp").c_str(), (base + ".txt").c_str());
    }
    if (exists) {
        DeleteFileA(path);
        char folder[TV_PATH_SIZE];
        if (DownloadHandOffFolder(path, folder, sizeof(folder))) RemoveDirectoryA(folder);
    }
    return TRUE;
}

LRESULT CALLBACK FrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COPYDATA:
            return OnCopyData(reinterpret_cast<const COPYDATASTRUCT*>(lParam));
        case WM_TIMER:  // a forgotten instance ends by itself
            DestroyWindow(window);
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcA(window, message, wParam, lParam);
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    const char* out = std::getenv("TV_FAKEMAIN_OUT");
    if (!out || !*out) return 2;
    g_out = out;
    WNDCLASSA wc = {};
    wc.lpfnWndProc = FrameProc;
    wc.hInstance = instance;
    wc.lpszClassName = TV_FRAME_WINDOW_CLASS;
    if (!RegisterClassA(&wc)) return 1;
    HWND frame = CreateWindowExA(0, TV_FRAME_WINDOW_CLASS, "fake main program", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                                 nullptr, nullptr, instance, nullptr);
    if (!frame) return 1;
    SetTimer(frame, 1, 180000, nullptr);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}
