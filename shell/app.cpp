#include "shell/app.h"

#include <commctrl.h>
#include <shellapi.h>

#include "archive/win/viewer_window.h"
#include "archive/win/zipsearch_window.h"
#include "shell/win_dataobject.h"
#include "shell/commands.h"
#include "shell/frame_window.h"
#include "shell/main_window.h"
#include "util/text.h"
#include "util/win_classes.h"
#include "util/win_files.h"
#include "util/win_menus.h"
#include "util/win_registry.h"
#include "util/win_ui.h"
#include "util/safestr.h"

namespace {

const char kProgramKey[] = "Software\\Veltra\\Tolvane";
const char kProgramPathValue[] = "Program Path";

void CreateMainWindowResources(TProgramGlobals& g, HINSTANCE instance) {
    LOGFONTA font = {};
    font.lfHeight = 20;
    font.lfWeight = FW_BOLD;
    font.lfCharSet = ANSI_CHARSET;
    CopyLimited(font.lfFaceName, "Arial", sizeof(font.lfFaceName));
    g.titleFont = CreateFontIndirectA(&font);
    const int ids[3] = {5, 6, 8};
    for (int i = 0; i < 3; ++i) g.mainIcons[i] = LoadIconA(instance, MAKEINTRESOURCEA(ids[i]));
}

void DestroyMainWindowResources(TProgramGlobals& g) {
    if (g.titleFont) DeleteObject(g.titleFont);
    g.titleFont = nullptr;
    for (HICON& icon : g.mainIcons) icon = nullptr;  // resource icons are shared, not destroyed
}

}  // namespace

TProgramGlobals& Globals() {
    static TProgramGlobals globals;
    return globals;
}

LONG WriteProgramPathValue(const char* programPath) {
    const LONG created = RegistryCreateKey(kProgramKey, HKEY_CURRENT_USER, nullptr);
    if (created != ERROR_SUCCESS) return created;
    return RegistryWriteString(programPath, HKEY_CURRENT_USER, kProgramKey, kProgramPathValue);
}

TTolvaneApp::TTolvaneApp(HINSTANCE instance) : instance_(instance) {}

TTolvaneApp::~TTolvaneApp() {
    delete frame_;
    frame_ = nullptr;
    // Also after a partial registration: what was made is removed.
    if (classesCreated_) UnregisterProgramWindowClasses(instance_);
    DestroyMainWindowResources(Globals());
}

int TTolvaneApp::Run(int showCommand) {
    if (!InitMainWindow(showCommand)) return 1;
    return MessageLoop();
}

bool TTolvaneApp::InitMainWindow(int showCommand) {
    TProgramGlobals& g = Globals();
    g.instance = instance_;
    // 1-2. The command line: switches into the start-up flags, the rest stays as remaining text.
    ParseCommandLine(&g.commandLine, &g.startFlags);
    const bool minimised = (g.startFlags & (TV_START_TRAY | TV_START_SPLASH | TV_START_VIEWER)) != 0;

    // 3. Common controls.
    INITCOMMONCONTROLSEX icc = {};
    icc.dwSize = sizeof(icc);
    icc.dwICC = ICC_WIN95_CLASSES | ICC_BAR_CLASSES | ICC_COOL_CLASSES;
    InitCommonControlsEx(&icc);

    // 4. Shared resources and window classes, the main window's font and icons, clipboard formats.
    classesCreated_ = true;
    RegisterProgramWindowClasses(instance_);
    CreateMainWindowResources(g, instance_);
    RegisterClipboardFormats();

    // 5. Program path, also for the plug-ins.
    char folder[TV_PATH_SIZE];
    if (ProgramFolder(folder, sizeof(folder), 0)) {
        char path[TV_PATH_SIZE];
        CopyLimited(path, folder, sizeof(path));
        if (!AppendLimited(path, "tv.exe", sizeof(path))) {
            CopyLimited(g.programPath, path, sizeof(g.programPath));
            WriteProgramPathValue(g.programPath);
        }
    }

    // 6. Message texts start afresh.
    ClearMessageTexts();

    // 7. Download state icons.

    // 8. Frame window around the main client window.
    if (!TTolvaneFrameWindow::RegisterWindowClass(instance_) || !TTolvaneWindow::RegisterWindowClass(instance_))
        return false;
    frame_ = new TTolvaneFrameWindow(&program_);
    if (!frame_->Create(instance_, g.title)) return false;

    // 9. Accelerators.
    accelerators_ = LoadAcceleratorsA(instance_, "ACCS");

    HWND frame = frame_->Hwnd();
    if (minimised) {
        // Minimising a frame that should go to the tray sends it there.
        ShowWindow(frame, SW_SHOWMINNOACTIVE);
    } else {
        const bool maximised = (program_.placement.flags & MainWindowPlacement::FlagMaximised) != 0;
        const bool plain = showCommand == SW_SHOWNORMAL || showCommand == SW_SHOWDEFAULT;
        ShowWindow(frame, maximised && plain ? SW_SHOWMAXIMIZED : showCommand);
    }
    UpdateWindow(frame);
    return true;
}

int TTolvaneApp::MessageLoop() {
    MSG msg = {};
    HWND frame = frame_ ? frame_->Hwnd() : nullptr;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        // Keys typed into an edit field are the field's own (Del, F2, Ctrl+C ...). Ctrl+C, Ctrl+V
        // and Ctrl+X are character accelerators: their characters must pass by them too.
        const bool fieldKey = TTolvaneWindow::EditFieldKeepsKey(msg);
        // An internal viewer in the foreground gets its own keys.
        if (TranslateViewerAccelerator(&msg)) continue;
        if (TranslateZipSearchAccelerator(&msg)) continue;
        if (TranslateContextMenuKey(msg)) continue;
        if (accelerators_ && frame && !fieldKey && TranslateAcceleratorA(frame, accelerators_, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return int(msg.wParam);
}
