// The browser plug-in (Windows): per-instance state, module state and the operations shared by
// the plug-in's source files.
#pragma once

#include <windows.h>

#include <cstdint>

#include "plugin/npapi.h"
#include "util/tvbase.h"

// String-table ids used by the plug-in.
enum {
    IDS_PLUGIN_NOT_STARTED = 3423,     // the main program could not be started; file saved as %s
    IDS_PLUGIN_RETRY_START = 3507,     // could not start the main program, try again?
    IDS_PLUGIN_CANCEL_DOWNLOAD = 3508, // really cancel?
    IDS_PLUGIN_IMPORT_ANYWAY = 3509,   // break or network error, import anyway?
    IDS_PLUGIN_FILE_NOT_CREATED = 3590 // the download file could not be created
};

// Controls of the status window "DOWNLOADSTATUS".
enum {
    IDC_STATUS_URL = 101,
    IDC_STATUS_RECEIVED = 102,
    IDC_STATUS_TOTAL = 103,
    IDC_STATUS_PROGRESS = 104,
};

// One per plug-in instance, kept in the instance's pdata.
struct TPluginInstance {
    HANDLE FileHandle;                 // INVALID_HANDLE_VALUE while no file is open
    char SavedFilePath[TV_PATH_SIZE];  // the download file
    char SourceUrl[TV_PATH_SIZE];      // the stream URL, cut to 260 characters
    uint64_t BytesReceived;            // 64 bits: a stream may pass 2 GiB
    HWND StatusDialog;
    int32_t CancelRequested;           // 0 -> 1 once the user confirmed cancelling
    int32_t FileFailed;                // 1 when the download file could not be created
    int32_t WriteFailed;               // 1 when writing to it failed (disk full...)
    char PrivateFolder[TV_PATH_SIZE];  // the download's own folder in the temporary folder
    int32_t Busy;                      // > 0 while a write or the cancel question runs messages
    int32_t DestroyPending;            // NPP_Destroy came meanwhile: the last one out releases it
};

// Module state.
extern HINSTANCE g_pluginModule;

extern const char kPluginCaption[];  // "Tolvane Plus Plug-in"

// The hand-off to the main program.
HWND FindOrStartMainProgram();
void SendDownloadToMainProgram(const TPluginInstance* instance);
