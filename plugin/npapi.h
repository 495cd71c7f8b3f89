// The browsers' plug-in interface (NPAPI) for Windows, as far as this plug-in and the browser
// stand-in of the tests use it, written from the published interface description. Table
// functions use the C default calling convention; the three library entry points are __stdcall
// (WINAPI) and are exported undecorated through the module definition file.
#pragma once

#include <cstdint>

extern "C" {

typedef int16_t NPError;
typedef int16_t NPReason;
typedef unsigned char NPBool;
typedef char* NPMIMEType;

// Interface version: major in the high byte, minor in the low byte.
enum : uint16_t {
    NP_VERSION_MAJOR = 0,
    NP_VERSION_MINOR = 9,
    NPVERS_HAS_NOTIFICATION = 9,  // minor version from which URL notification and Java exist
};

enum : NPError {
    NPERR_NO_ERROR = 0,
    NPERR_GENERIC_ERROR = 1,
    NPERR_INVALID_INSTANCE_ERROR = 2,
    NPERR_INVALID_FUNCTABLE_ERROR = 3,
    NPERR_MODULE_LOAD_FAILED_ERROR = 4,
    NPERR_OUT_OF_MEMORY_ERROR = 5,
    NPERR_INVALID_PLUGIN_ERROR = 6,
    NPERR_INVALID_PLUGIN_DIR_ERROR = 7,
    NPERR_INCOMPATIBLE_VERSION_ERROR = 8,
    NPERR_INVALID_PARAM = 9,
    NPERR_INVALID_URL = 10,
    NPERR_FILE_NOT_FOUND = 11,
    NPERR_NO_DATA = 12,
    NPERR_STREAM_NOT_SEEKABLE = 13,
};

// Why a stream ended.
enum : NPReason {
    NPRES_DONE = 0,
    NPRES_NETWORK_ERR = 1,
    NPRES_USER_BREAK = 2,
};

// Stream types a plug-in may ask for in NPP_NewStream.
enum : uint16_t {
    NP_NORMAL = 1,
    NP_SEEK = 2,
    NP_ASFILE = 3,
    NP_ASFILEONLY = 4,
};

// Instance modes of NPP_New.
enum : uint16_t {
    NP_EMBED = 1,
    NP_FULL = 2,
};

// One plug-in instance: pdata belongs to the plug-in, ndata to the browser.
typedef struct _NPP {
    void* pdata;
    void* ndata;
} NPP_t;
typedef NPP_t* NPP;

typedef struct _NPStream {
    void* pdata;
    void* ndata;
    const char* url;
    uint32_t end;           // total length in bytes, 0 when unknown
    uint32_t lastmodified;
    void* notifyData;
} NPStream;

typedef struct _NPSavedData {
    int32_t len;
    void* buf;
} NPSavedData;

typedef struct _NPRect {
    uint16_t top;
    uint16_t left;
    uint16_t bottom;
    uint16_t right;
} NPRect;

typedef struct _NPWindow {
    void* window;  // HWND on Windows
    int32_t x;
    int32_t y;
    uint32_t width;
    uint32_t height;
    NPRect clipRect;
    int32_t type;
} NPWindow;

// The print record is only passed through; its layout is not used here.
typedef struct _NPPrint NPPrint;

typedef struct _NPByteRange {
    int32_t offset;
    uint32_t length;
    struct _NPByteRange* next;
} NPByteRange;

// Plug-in side.
typedef NPError (*NPP_NewProc)(NPMIMEType pluginType, NPP instance, uint16_t mode, int16_t argc, char* argn[],
                               char* argv[], NPSavedData* saved);
typedef NPError (*NPP_DestroyProc)(NPP instance, NPSavedData** save);
typedef NPError (*NPP_SetWindowProc)(NPP instance, NPWindow* window);
typedef NPError (*NPP_NewStreamProc)(NPP instance, NPMIMEType type, NPStream* stream, NPBool seekable,
                                     uint16_t* stype);
typedef NPError (*NPP_DestroyStreamProc)(NPP instance, NPStream* stream, NPReason reason);
typedef void (*NPP_StreamAsFileProc)(NPP instance, NPStream* stream, const char* fname);
typedef int32_t (*NPP_WriteReadyProc)(NPP instance, NPStream* stream);
typedef int32_t (*NPP_WriteProc)(NPP instance, NPStream* stream, int32_t offset, int32_t len, void* buffer);
typedef void (*NPP_PrintProc)(NPP instance, NPPrint* platformPrint);
typedef int16_t (*NPP_HandleEventProc)(NPP instance, void* event);
typedef void (*NPP_URLNotifyProc)(NPP instance, const char* url, NPReason reason, void* notifyData);
typedef NPError (*NPP_GetValueProc)(NPP instance, int variable, void* value);
typedef NPError (*NPP_SetValueProc)(NPP instance, int variable, void* value);

typedef struct _NPPluginFuncs {
    uint16_t size;
    uint16_t version;
    NPP_NewProc newp;
    NPP_DestroyProc destroy;
    NPP_SetWindowProc setwindow;
    NPP_NewStreamProc newstream;
    NPP_DestroyStreamProc destroystream;
    NPP_StreamAsFileProc asfile;
    NPP_WriteReadyProc writeready;
    NPP_WriteProc write;
    NPP_PrintProc print;
    NPP_HandleEventProc event;
    NPP_URLNotifyProc urlnotify;
    void* javaClass;
    NPP_GetValueProc getvalue;
    NPP_SetValueProc setvalue;
} NPPluginFuncs;

// Browser side.
typedef NPError (*NPN_GetURLProc)(NPP instance, const char* url, const char* window);
typedef NPError (*NPN_PostURLProc)(NPP instance, const char* url, const char* window, uint32_t len,
                                   const char* buf, NPBool file);
typedef NPError (*NPN_RequestReadProc)(NPStream* stream, NPByteRange* rangeList);
typedef NPError (*NPN_NewStreamProc)(NPP instance, NPMIMEType type, const char* window, NPStream** stream);
typedef int32_t (*NPN_WriteProc)(NPP instance, NPStream* stream, int32_t len, void* buffer);
typedef NPError (*NPN_DestroyStreamProc)(NPP instance, NPStream* stream, NPReason reason);
typedef void (*NPN_StatusProc)(NPP instance, const char* message);
typedef const char* (*NPN_UserAgentProc)(NPP instance);
typedef void* (*NPN_MemAllocProc)(uint32_t size);
typedef void (*NPN_MemFreeProc)(void* ptr);
typedef uint32_t (*NPN_MemFlushProc)(uint32_t size);
typedef void (*NPN_ReloadPluginsProc)(NPBool reloadPages);
typedef void* (*NPN_GetJavaEnvProc)(void);
typedef void* (*NPN_GetJavaPeerProc)(NPP instance);
typedef NPError (*NPN_GetURLNotifyProc)(NPP instance, const char* url, const char* window, void* notifyData);
typedef NPError (*NPN_PostURLNotifyProc)(NPP instance, const char* url, const char* window, uint32_t len,
                                         const char* buf, NPBool file, void* notifyData);
typedef NPError (*NPN_GetValueProc)(NPP instance, int variable, void* value);
typedef NPError (*NPN_SetValueProc)(NPP instance, int variable, void* value);

typedef struct _NPNetscapeFuncs {
    uint16_t size;
    uint16_t version;
    NPN_GetURLProc geturl;
    NPN_PostURLProc posturl;
    NPN_RequestReadProc requestread;
    NPN_NewStreamProc newstream;
    NPN_WriteProc write;
    NPN_DestroyStreamProc destroystream;
    NPN_StatusProc status;
    NPN_UserAgentProc uagent;
    NPN_MemAllocProc memalloc;
    NPN_MemFreeProc memfree;
    NPN_MemFlushProc memflush;
    NPN_ReloadPluginsProc reloadplugins;
    NPN_GetJavaEnvProc getJavaEnv;
    NPN_GetJavaPeerProc getJavaPeer;
    NPN_GetURLNotifyProc geturlnotify;
    NPN_PostURLNotifyProc posturlnotify;
    NPN_GetValueProc getvalue;
    NPN_SetValueProc setvalue;
} NPNetscapeFuncs;

// Library entry points of a Windows plug-in (__stdcall).
typedef NPError(__stdcall* NP_GetEntryPointsFunc)(NPPluginFuncs* pluginFuncs);
typedef NPError(__stdcall* NP_InitializeFunc)(NPNetscapeFuncs* browserFuncs);
typedef NPError(__stdcall* NP_ShutdownFunc)(void);

}  // extern "C"
