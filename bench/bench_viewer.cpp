// The internal viewer under Wine: opening a large archive, sorting it by every column, selecting
// every row, and extracting an archive through the viewer's extraction job (with its progress
// dialog) against the bare engine call. Run by bench/viewer_bench.sh; prints one line per
// measurement, the best of RUNS runs in milliseconds.
//
//   bench_viewer.exe MANY.zip DATA.zip WORKFOLDER [RUNS]
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>
#include <algorithm>

#include "archive/archivelist.h"
#include "archive/viewer_ids.h"
#include "archive/viewer_logic.h"
#include "archive/win/viewer_window.h"
#include "archive/zipengine.h"
#include "database/programdata.h"
#include "util/text.h"
#include "util/win_classes.h"

namespace {

double Now() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return double(t.QuadPart) * 1000.0 / double(frequency.QuadPart);
}

void Pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// Runs step RUNS times (prepare before each, untimed) and prints the best time.
double Best(const char* what, int runs, const std::function<void()>& prepare, const std::function<void()>& step) {
    double best = 1e30;
    for (int i = 0; i < runs; ++i) {
        if (prepare) prepare();
        const double start = Now();
        step();
        const double took = Now() - start;
        if (took < best) best = took;
    }
    std::printf("%-46s %10.1f ms\n", what, best);
    std::fflush(stdout);
    return best;
}

bool RemoveTree(const std::string& folder) {
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = found.cFileName;
            if (name == "." || name == "..") continue;
            const std::string path = folder + "\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(path);
            else
                DeleteFileA(path.c_str());
        } while (FindNextFileA(h, &found));
        FindClose(h);
    }
    return RemoveDirectoryA(folder.c_str()) != 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: bench_viewer MANY.zip DATA.zip WORKFOLDER [RUNS]\n");
        return 2;
    }
    const std::string many = argv[1], data = argv[2], work = argv[3];
    const int runs = argc > 4 ? std::max(1, std::atoi(argv[4])) : 3;
    OleInitialize(nullptr);
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&icc);
    RegisterProgramWindowClasses(GetModuleHandleA(nullptr));
    TProgramData program;
    program.SetDefaultSettings(nullptr);
    program.viewer.recentDocuments = 0;
    TViewerEnvironment environment;
    environment.program = &program;
    SetViewerEnvironment(environment);

    // The engine's listing alone (the part of Open that the viewer does not do itself).
    {
        TArchiveFileListObject members;
        Best("list the members (engine, LoadArchive)", runs, nullptr, [&] { LoadArchive(&members, many.c_str()); });
    }
    // Open: load, icons, rows, the first sort (by name), painted.
    TTVInternalViewerWindow* viewer = nullptr;
    Best(
        "open (load, icons, sort by name, paint)", runs,
        [&] {
            if (viewer) DestroyWindow(viewer->Window());
            Pump();
            viewer = nullptr;
        },
        [&] {
            viewer = TTVInternalViewerWindow::Open(many.c_str(), nullptr);
            if (viewer) UpdateWindow(viewer->List());
            Pump();
        });
    if (!viewer || viewer->Table().RowCount() == 0) {
        std::fprintf(stderr, "bench_viewer: %s did not open\n", many.c_str());
        return 1;
    }
    std::printf("%-46s %10d\n", "rows", viewer->Table().RowCount());
    static const char* const kColumns[IV_COLUMNS] = {"name", "date / time", "size", "ratio", "packed", "path"};
    for (int column = 0; column < IV_COLUMNS; ++column) {
        char what[80];
        FormatLimited(what, sizeof what, "sort by %s (heading click, paint)", kColumns[column]);
        NMLISTVIEW click = {};
        click.hdr.hwndFrom = viewer->List();
        click.hdr.idFrom = IV_ID_LIST;
        click.hdr.code = LVN_COLUMNCLICK;
        click.iItem = -1;
        click.iSubItem = column;
        Best(what, runs, nullptr, [&] {
            SendMessageA(viewer->Window(), WM_NOTIFY, IV_ID_LIST, reinterpret_cast<LPARAM>(&click));
            UpdateWindow(viewer->List());
            Pump();
        });
    }
    Best(
        "select all (status bar and states updated)", runs, [&] { viewer->OnCommand(IV_CM_SELECT_NONE); },
        [&] {
            viewer->OnCommand(IV_CM_SELECT_ALL);
            viewer->Refresh();
            UpdateWindow(viewer->Window());
            Pump();
        });
    Best("invert a selection of every other row", 1,
         [&] {
             viewer->OnCommand(IV_CM_SELECT_NONE);
             for (int i = 0; i < viewer->Table().RowCount(); i += 2) viewer->Table().SelectRow(i, true);
         },
         [&] {
             viewer->OnCommand(IV_CM_SELECT_INVERT);
             viewer->Refresh();
             Pump();
         });
    DestroyWindow(viewer->Window());
    Pump();

    // Extraction of every member: through the viewer's job, and the engine alone, taking turns;
    // every run writes into a fresh folder, and the folders go only after all runs (a file system
    // is slower right after thousands of deletions, which would favour whichever runs first).
    ExtractSettings settings;
    settings.what = 1;
    settings.overwrite = 1;
    settings.useFolders = 1;
    int folderNumber = 0;
    std::vector<std::string> folders;
    auto fresh = [&] {
        folders.push_back(work + "\\out" + std::to_string(++folderNumber));
        CreateDirectoryA(folders.back().c_str(), nullptr);
        return folders.back();
    };
    double viaViewer = 1e30, viaEngine = 1e30;
    for (int i = 0; i < runs; ++i) {
        std::string folder = fresh();
        double start = Now();
        CopyLimited(settings.folder, folder.c_str(), sizeof settings.folder);
        RunViewerExtraction(nullptr, data.c_str(), settings, &program.password, {});
        viaViewer = std::min(viaViewer, Now() - start);
        folder = fresh();
        start = Now();
        TUnzipCommand c;
        ResetUnzipCommand(&c);
        c.function = TV_UNZIP_EXTRACT;
        CopyLimited(c.zipFile, data.c_str(), sizeof c.zipFile);
        CopyLimited(c.destination, folder.c_str(), sizeof c.destination);
        CopyLimited(c.fileSpec, "*.*", sizeof c.fileSpec);
        c.overwrite = 1;
        c.ignoreFolders = 0;
        c.messageProc = DynaZipNoFeedbackMessageProc;
        RunUnzipCommand(&c);
        viaEngine = std::min(viaEngine, Now() - start);
    }
    for (const std::string& folder : folders) RemoveTree(folder);
    std::printf("%-46s %10.1f ms\n", "extract all through the viewer (progress dialog)", viaViewer);
    std::printf("%-46s %10.1f ms\n", "extract all, engine alone", viaEngine);
    std::printf("%-46s %10.1f %%\n", "viewer / engine", viaViewer * 100.0 / viaEngine);
    OleUninitialize();
    return 0;
}
