// The NPAPI entry points of the plug-in libraries and the functions of the plug-in table.
#include "plugin/plugin.h"

#include <commctrl.h>

#include <cstring>
#include <new>

#include "handoff/handoff.h"
#include "plugin/download_file.h"
#include "util/cmdline.h"
#include "util/text.h"
#include "util/win_classes.h"
#include "util/win_ui.h"
#include "util/safestr.h"

HINSTANCE g_pluginModule = nullptr;
const char kPluginCaption[] = "Tolvane Plus Plug-in";

namespace {

// The page that NPP_NewStream opens in a new browser window.
const char kPluginInfoUrl[] = "http://www.veltra.com/tolvane/plugin.html";

NPPluginFuncs* g_pluginFuncs = nullptr;
NPNetscapeFuncs* g_browserFuncs = nullptr;
int g_initialised = 0;

// A browser table may be shorter than ours: a slot counts only when the table's size covers it.
bool BrowserHasGetUrl() {
    return g_browserFuncs && g_browserFuncs->size >= offsetof(NPNetscapeFuncs, geturl) + sizeof(void*) &&
           g_browserFuncs->geturl != nullptr;
}

TPluginInstance* InstanceOf(NPP instance) {
    return instance ? static_cast<TPluginInstance*>(instance->pdata) : nullptr;
}

// Status window texts for the bytes received so far and the total (0 = unknown).
void UpdateDownloadStatus(TPluginInstance* data, const char* url, uint32_t total) {
    if (!data || !data->StatusDialog) return;
    HWND dialog = data->StatusDialog;
    if (url) {
        // Set only when it differs, so that the edit control keeps its scroll position.
        char shown[TV_PATH_SIZE * 4];
        GetDlgItemTextA(dialog, IDC_STATUS_URL, shown, int(sizeof(shown)));
        if (strcmp(shown, url) != 0) SetDlgItemTextA(dialog, IDC_STATUS_URL, url);
    }
    char text[64];
    FormatByteCount(data->BytesReceived, text, sizeof(text));
    SetDlgItemTextA(dialog, IDC_STATUS_RECEIVED, text);
    if (total > 0)
        FormatByteCount(total, text, sizeof(text));
    else
        CopyLimited(text, "[unknown]", sizeof(text));
    SetDlgItemTextA(dialog, IDC_STATUS_TOTAL, text);
    SendDlgItemMessageA(dialog, IDC_STATUS_PROGRESS, PBM_SETPOS, WPARAM(DownloadPercent(data->BytesReceived, total)),
                        0);
}

INT_PTR CALLBACK DownloadStatusDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            SendDlgItemMessageA(dialog, IDC_STATUS_PROGRESS, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
            SetWindowLongPtrA(dialog, GWLP_USERDATA, lParam);
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDCANCEL && HIWORD(wParam) == 0) {
                auto* data = reinterpret_cast<TPluginInstance*>(GetWindowLongPtrA(dialog, GWLP_USERDATA));
                if (data && !data->CancelRequested) {
                    // The question's message loop may end the stream and destroy the instance
                    // (the browser keeps running): the record then outlives it until here.
                    ++data->Busy;
                    int answer = MessageBoxA(dialog, LoadMessageText(IDS_PLUGIN_CANCEL_DOWNLOAD), kPluginCaption,
                                             MB_YESNO);
                    --data->Busy;
                    if (data->DestroyPending) {
                        if (data->Busy == 0) delete data;
                    } else if (answer == IDYES) {
                        data->CancelRequested = 1;
                    }
                }
                return TRUE;
            }
            return FALSE;
        case WM_NCDESTROY:
            SetWindowLongPtrA(dialog, GWLP_USERDATA, 0);
            return FALSE;
        default:
            return FALSE;
    }
}

// Creates the download's own folder inside the temporary folder and the file in it. On success
// the file handle is open; on failure FileFailed is set (SavedFilePath names what was tried).
void CreateDownloadFile(TPluginInstance* data, const char* url) {
    char temp[TV_PATH_SIZE * 2];
    DWORD length = GetTempPathA(DWORD(sizeof(temp)), temp);
    if (length == 0 || length >= TV_PATH_SIZE) {
        data->FileFailed = 1;
        return;
    }
    char name[TV_PATH_SIZE];
    DownloadNameFromUrl(url, name, sizeof(name));

    uint32_t seed = GetTickCount() ^ (GetCurrentProcessId() << 16) ^ uint32_t(reinterpret_cast<uintptr_t>(data));
    for (uint32_t attempt = 0; attempt < 64; ++attempt) {
        char folderName[32];
        FormatDownloadFolderName(seed + attempt * 0x9E3779B9u, folderName, sizeof(folderName));
        int composed = ComposeDownloadPath(data->SavedFilePath, sizeof(data->SavedFilePath), temp, folderName, name);
        if (composed == TV_DOWNLOAD_PATH_NONE) {
            // Not even a one-character name fits behind the folder: name what was meant.
            CopyLimited(data->SavedFilePath, temp, sizeof(data->SavedFilePath));
            AppendLimited(data->SavedFilePath, name, sizeof(data->SavedFilePath));
            data->FileFailed = 1;
            return;
        }
        char folder[TV_PATH_SIZE];
        if (!DownloadHandOffFolder(data->SavedFilePath, folder, sizeof(folder))) {
            data->FileFailed = 1;
            return;
        }
        if (!CreateDirectoryA(folder, nullptr)) {
            if (GetLastError() == ERROR_ALREADY_EXISTS) continue;  // someone else's: take another
            data->FileFailed = 1;
            return;
        }
        CopyLimited(data->PrivateFolder, folder, sizeof(data->PrivateFolder));
        data->FileHandle = CreateFileA(data->SavedFilePath, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                       FILE_ATTRIBUTE_NORMAL, nullptr);
        if (data->FileHandle == INVALID_HANDLE_VALUE) {
            RemoveDirectoryA(folder);
            data->PrivateFolder[0] = '\0';
            data->FileFailed = 1;
        }
        return;
    }
    data->FileFailed = 1;
}

// --- Functions of the plug-in table ---------------------------------------------------------

NPError PluginNew(NPMIMEType, NPP instance, uint16_t, int16_t, char*[], char*[], NPSavedData*) {
    if (!instance) return NPERR_INVALID_INSTANCE_ERROR;
    auto* data = new (std::nothrow) TPluginInstance;
    if (!data) return NPERR_OUT_OF_MEMORY_ERROR;
    memset(data, 0, sizeof(*data));
    data->FileHandle = INVALID_HANDLE_VALUE;
    instance->pdata = data;
    return NPERR_NO_ERROR;
}

NPError PluginDestroy(NPP instance, NPSavedData**) {
    if (!instance) return NPERR_INVALID_INSTANCE_ERROR;
    TPluginInstance* data = InstanceOf(instance);
    instance->pdata = nullptr;
    if (data) {
        // A browser may destroy an instance whose stream never ended: leave nothing open.
        if (data->FileHandle != INVALID_HANDLE_VALUE) CloseHandle(data->FileHandle);
        data->FileHandle = INVALID_HANDLE_VALUE;
        if (data->StatusDialog) DestroyWindow(data->StatusDialog);
        data->StatusDialog = nullptr;
        // Called from inside a write's message pump: the write releases the record on its way out.
        if (data->Busy > 0)
            data->DestroyPending = 1;
        else
            delete data;
    }
    return NPERR_NO_ERROR;
}

NPError PluginSetWindow(NPP instance, NPWindow* window) {
    return (instance && window) ? NPERR_NO_ERROR : NPERR_INVALID_INSTANCE_ERROR;
}

NPError PluginNewStream(NPP instance, NPMIMEType, NPStream* stream, NPBool, uint16_t* stype) {
    if (!instance) return NPERR_INVALID_INSTANCE_ERROR;
    if (stype) *stype = NP_NORMAL;
    TPluginInstance* data = InstanceOf(instance);
    if (!data) return NPERR_INVALID_INSTANCE_ERROR;
    const char* url = (stream && stream->url) ? stream->url : "";

    CreateDownloadFile(data, url);
    CopyLimited(data->SourceUrl, url, sizeof(data->SourceUrl));

    data->StatusDialog = CreateDialogParamA(g_pluginModule, "DOWNLOADSTATUS", nullptr, DownloadStatusDialogProc,
                                            reinterpret_cast<LPARAM>(data));
    if (data->StatusDialog) {
        ShowWindow(data->StatusDialog, SW_SHOWNORMAL);
        SetForegroundWindow(data->StatusDialog);
        UpdateWindow(data->StatusDialog);
    }
    if (BrowserHasGetUrl()) g_browserFuncs->geturl(instance, kPluginInfoUrl, "_new");
    return NPERR_NO_ERROR;
}

NPError PluginDestroyStream(NPP instance, NPStream*, NPReason reason) {
    if (!instance) return NPERR_INVALID_INSTANCE_ERROR;
    TPluginInstance* data = InstanceOf(instance);
    if (!data) return NPERR_INVALID_INSTANCE_ERROR;
    if (data->FileHandle != INVALID_HANDLE_VALUE) {
        CloseHandle(data->FileHandle);
        data->FileHandle = INVALID_HANDLE_VALUE;
    }
    if (data->StatusDialog) {
        DestroyWindow(data->StatusDialog);
        data->StatusDialog = nullptr;
    }
    // The questions below run message loops in which the browser may destroy the instance:
    // from here on only a copy of the record is used.
    const TPluginInstance ended = *data;
    data = nullptr;
    if (ended.FileFailed) {
        // Nothing was saved: say so instead of handing over a path that does not exist.
        char text[2000];
        CopyLimited(text, LoadMessageText(IDS_PLUGIN_FILE_NOT_CREATED), sizeof(text));
        InsertCommandArgument(text, sizeof(text), ended.SavedFilePath, 1, 0);
        MessageBoxA(nullptr, text, kPluginCaption, MB_OK);
        return NPERR_NO_ERROR;
    }
    if (reason == NPRES_NETWORK_ERR || reason == NPRES_USER_BREAK || ended.CancelRequested || ended.WriteFailed) {
        if (MessageBoxA(nullptr, LoadMessageText(IDS_PLUGIN_IMPORT_ANYWAY), "Question", MB_YESNO) != IDYES)
            return NPERR_NO_ERROR;
    }
    SendDownloadToMainProgram(&ended);
    return NPERR_NO_ERROR;
}

void PluginStreamAsFile(NPP, NPStream*, const char*) {}

int32_t PluginWriteReady(NPP, NPStream*) {
    return 0xFFFFFF;
}

int32_t PluginWrite(NPP instance, NPStream* stream, int32_t, int32_t length, void* buffer) {
    if (!instance || !stream) return -1;
    TPluginInstance* data = InstanceOf(instance);
    if (!data) return -1;
    // Without a file there is nowhere to put the data: end the stream rather than report 0
    // bytes consumed, which makes a browser offer the same block again and again.
    if (data->FileHandle == INVALID_HANDLE_VALUE) return -1;
    int32_t consumed = 0;
    if (length > 0 && buffer) {
        DWORD written = 0;
        if (!WriteFile(data->FileHandle, buffer, DWORD(length), &written, nullptr) || written != DWORD(length))
            data->WriteFailed = 1;
        consumed = int32_t(written);
        data->BytesReceived += written;
    }
    UpdateDownloadStatus(data, stream->url, stream->end);
    ++data->Busy;
    PumpMessages();
    --data->Busy;
    if (data->DestroyPending) {
        // The browser destroyed the instance while its messages were being handled.
        if (data->Busy == 0) delete data;
        return -1;
    }
    if (data->CancelRequested || data->WriteFailed) return -1;
    return consumed;
}

void PluginPrint(NPP, NPPrint*) {}

void PluginUrlNotify(NPP, const char*, NPReason, void*) {}

// URL notification and the (empty) Java class, for browsers of interface version 0.9 and later,
// once both tables are known and ours is long enough to hold these slots.
void OfferNotificationSlots() {
    if (!g_pluginFuncs || !g_browserFuncs) return;
    if ((g_browserFuncs->version >> 8) != NP_VERSION_MAJOR) return;
    if ((g_browserFuncs->version & 0xFF) < NPVERS_HAS_NOTIFICATION) return;
    if (g_pluginFuncs->size < offsetof(NPPluginFuncs, javaClass) + sizeof(void*)) return;
    g_pluginFuncs->urlnotify = PluginUrlNotify;
    g_pluginFuncs->javaClass = nullptr;
}

}  // namespace

// --- Library entry points -------------------------------------------------------------------

extern "C" NPError WINAPI NP_GetEntryPoints(NPPluginFuncs* funcs) {
    if (!funcs) return NPERR_INVALID_FUNCTABLE_ERROR;
    funcs->version = uint16_t((NP_VERSION_MAJOR << 8) | NP_VERSION_MINOR);
    funcs->newp = PluginNew;
    funcs->destroy = PluginDestroy;
    funcs->setwindow = PluginSetWindow;
    funcs->newstream = PluginNewStream;
    funcs->destroystream = PluginDestroyStream;
    funcs->asfile = PluginStreamAsFile;
    funcs->writeready = PluginWriteReady;
    funcs->write = PluginWrite;
    funcs->print = PluginPrint;
    funcs->event = nullptr;
    g_pluginFuncs = funcs;
    // Some browsers initialise the library before they ask for the entry points.
    OfferNotificationSlots();
    return NPERR_NO_ERROR;
}

extern "C" NPError WINAPI NP_Initialize(NPNetscapeFuncs* browserFuncs) {
    if (!browserFuncs) return NPERR_INVALID_FUNCTABLE_ERROR;
    g_browserFuncs = browserFuncs;
    if ((browserFuncs->version >> 8) != NP_VERSION_MAJOR) return NPERR_INCOMPATIBLE_VERSION_ERROR;
    OfferNotificationSlots();
    if (!g_initialised) {
        INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_PROGRESS_CLASS};
        InitCommonControlsEx(&controls);
        RegisterPluginWindowClasses(g_pluginModule);
        g_initialised = 1;
    }
    return NPERR_NO_ERROR;
}

extern "C" NPError WINAPI NP_Shutdown(void) {
    if (g_initialised) {
        UnregisterPluginWindowClasses(g_pluginModule);
        g_initialised = 0;
    }
    g_browserFuncs = nullptr;
    return NPERR_NO_ERROR;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD, LPVOID) {
    if (!g_pluginModule) {
        g_pluginModule = module;
        SetMessageTextModule(module);
    }
    return TRUE;
}
