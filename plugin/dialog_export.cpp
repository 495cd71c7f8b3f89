// The shared dialog procedure of "VeltraDialog" under its plain name in the export table (the
// module definition file maps DialogProc to this C-named entry).
#include "util/win_classes.h"

extern "C" LRESULT CALLBACK PluginExportedDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DialogProc(window, message, wParam, lParam);
}
