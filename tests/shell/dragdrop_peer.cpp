// A second program for the clipboard and drag-and-drop tests: it reads or fills the real OLE
// clipboard, starts a real drag of files from its window, or takes drops into a folder, as
// Explorer or another program would.
//
//   dragdrop_peer clip-read OUTFILE          what the clipboard holds, one fact a line
//   dragdrop_peer clip-put-files FILE...     the files on the clipboard (a file list), rendered
//   dragdrop_peer clip-put-link URL TITLE    a link as a browser copies it, rendered
//   dragdrop_peer drag-source LOG FILE...    a window that drags the files when clicked
//   dragdrop_peer drop-target FOLDER         a window that copies dropped files into FOLDER and
//                                            writes dropped links as ".url" files there
#include <windows.h>
#include <ole2.h>

#include <cstdio>
#include <string>
#include <vector>

#include "shell/dragdrop.h"
#include "shell/win_dataobject.h"
#include "tests/shell/test_dataobject.h"

namespace {

std::vector<std::string> g_files;
std::string g_log, g_folder;

void AppendLine(const std::string& file, const std::string& line) {
    FILE* f = std::fopen(file.c_str(), "ab");
    if (!f) return;
    std::fprintf(f, "%s\n", line.c_str());
    std::fclose(f);
}

int ClipRead(const std::string& out) {
    IDataObject* data = nullptr;
    if (FAILED(OleGetClipboard(&data)) || !data) {
        AppendLine(out, "no-clipboard");
        return 1;
    }
    char line[400];
    const uint32_t formats = EvaluateFormats(data);
    std::snprintf(line, sizeof(line), "formats 0x%03X", unsigned(formats));
    AppendLine(out, line);
    for (const std::string& file : ReadDroppedFiles(data)) AppendLine(out, "file " + file);
    std::string url;
    if (ReadDroppedUrl(data, false, &url)) AppendLine(out, "url " + url);
    const std::string title = ReadDroppedTitle(data);
    if (!title.empty()) AppendLine(out, "title " + title);
    for (uint32_t bit : {TV_FMT_DOWNLOADS, TV_FMT_BOOKMARKS, TV_FMT_SHORTCUTS})
        if (formats & bit) AppendLine(out, ReadDraggedList(data, bit) ? "inprocess trusted" : "inprocess refused");
    data->Release();
    AppendLine(out, "end");
    return 0;
}

int ClipPut(const char* url = nullptr, const char* title = nullptr) {
    TestDataObject* data = new TestDataObject();
    data->OnHeap();
    if (url)
        data->OfferLink(url, title);
    else
        data->OfferFiles(g_files);
    const HRESULT set = OleSetClipboard(data);
    data->Release();
    if (FAILED(set)) return 1;
    // Rendered now: the files stay on the clipboard after this program has gone.
    return FAILED(OleFlushClipboard()) ? 1 : 0;
}

class PeerDropTarget : public IDropTarget {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDropTarget)) {
            *out = this;
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    // As a folder takes things: copied when the source allows it, else moved or linked.
    static DWORD Choose(DWORD allowed) {
        for (DWORD effect : {DWORD(DROPEFFECT_COPY), DWORD(DROPEFFECT_MOVE), DWORD(DROPEFFECT_LINK)})
            if (allowed & effect) return effect;
        return DROPEFFECT_NONE;
    }
    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject*, DWORD, POINTL, DWORD* effect) override {
        *effect = Choose(*effect);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DragOver(DWORD, POINTL, DWORD* effect) override {
        *effect = Choose(*effect);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DragLeave() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD, POINTL, DWORD* effect) override {
        const DWORD chosen = Choose(*effect);
        const std::string log = g_folder + "\\drop.log";
        for (const std::string& file : ReadDroppedFiles(data)) {
            const size_t slash = file.find_last_of('\\');
            const std::string target = g_folder + "\\" + file.substr(slash == std::string::npos ? 0 : slash + 1);
            AppendLine(log, (CopyFileA(file.c_str(), target.c_str(), FALSE) ? "copied " : "not-copied ") + file);
        }
        // A link as a file: its name from the descriptor, its contents from "FileContents".
        std::vector<uint8_t> descriptor, contents;
        std::string name;
        if (ReadFormatBytes(data, FileGroupDescriptorFormat(), -1, &descriptor) &&
            ReadFirstDescriptorName(descriptor.data(), descriptor.size(), &name) &&
            ReadFormatBytes(data, FileContentsFormat(), 0, &contents)) {
            const std::string text = TextOfBlock(contents.data(), contents.size());
            HANDLE h = CreateFileA((g_folder + "\\" + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
            DWORD written = 0;
            if (h != INVALID_HANDLE_VALUE) {
                WriteFile(h, text.data(), DWORD(text.size()), &written, nullptr);
                CloseHandle(h);
            }
            AppendLine(log, "link " + name);
        }
        *effect = chosen;
        AppendLine(log, "end");
        return S_OK;
    }
};
PeerDropTarget g_target;

LRESULT CALLBACK PeerProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_LBUTTONDOWN && !g_files.empty()) {
        TestDataObject data;
        data.OfferFiles(g_files);
        class Source : public IDropSource {
        public:
            HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
                if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDropSource)) {
                    *out = this;
                    return S_OK;
                }
                *out = nullptr;
                return E_NOINTERFACE;
            }
            ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
            ULONG STDMETHODCALLTYPE Release() override { return 1; }
            HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL escape, DWORD keys) override {
                if (escape) return DRAGDROP_S_CANCEL;
                return (keys & MK_LBUTTON) ? S_OK : DRAGDROP_S_DROP;
            }
            HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD) override { return DRAGDROP_S_USEDEFAULTCURSORS; }
        } source;
        DWORD effect = 0;
        const HRESULT hr = DoDragDrop(&data, &source, DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK, &effect);
        char line[100];
        std::snprintf(line, sizeof(line), "drag 0x%08lX effect %lu", static_cast<unsigned long>(hr),
                      static_cast<unsigned long>(effect));
        AppendLine(g_log, line);
        return 0;
    }
    if (msg == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

int RunWindow(const char* caption, bool target) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = PeerProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = "DragDropPeer";
    RegisterClassA(&wc);
    HWND window = CreateWindowExA(WS_EX_TOPMOST, "DragDropPeer", caption, WS_POPUP | WS_BORDER | WS_VISIBLE, 700, 500,
                                  200, 150, nullptr, nullptr, wc.hInstance, nullptr);
    if (!window) return 1;
    if (target && FAILED(RegisterDragDrop(window, &g_target))) return 1;
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    if (target) RevokeDragDrop(window);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || FAILED(OleInitialize(nullptr))) return 2;
    const std::string mode = argv[1];
    int result = 2;
    if (mode == "clip-read" && argc == 3) {
        result = ClipRead(argv[2]);
    } else if (mode == "clip-put-files") {
        for (int i = 2; i < argc; ++i) g_files.push_back(argv[i]);
        result = ClipPut();
    } else if (mode == "clip-put-link" && argc == 4) {
        result = ClipPut(argv[2], argv[3]);
    } else if (mode == "drag-source" && argc >= 4) {
        g_log = argv[2];
        for (int i = 3; i < argc; ++i) g_files.push_back(argv[i]);
        result = RunWindow("Drag Source Peer", false);
    } else if (mode == "drop-target" && argc == 3) {
        g_folder = argv[2];
        result = RunWindow("Drop Target Peer", true);
    }
    OleUninitialize();
    return result;
}
