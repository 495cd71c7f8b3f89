// tvzip: the program's ZIP engine on the command line, for debugging, benchmarks and
// interoperability tests. The exit code is the engine's result code.
//
//   tvzip list ARCHIVE
//   tvzip test ARCHIVE [-p PASSWORD]
//   tvzip extract ARCHIVE DEST [-p PASSWORD] [-j] [-o] [-s] [-i INDEX] [SPEC]
//        -j write every member straight into DEST, -o overwrite, -s skip older, -i one member
//   tvzip add ARCHIVE [-0..-9] [-r] [-j] [-H] [-A] [-C] [-8] [-u|-f|-m] [-p PASSWORD] FILE...
//        -r recurse, -j no folder names, -H system/hidden files, -A only with archive attribute,
//        -C clear archive attribute, -8 8.3 names, -u update, -f freshen, -m move
//   tvzip delete ARCHIVE NAME-OR-MASK...
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "archive/ziperror.h"
#include "archive/zipengine.h"
#include "util/text.h"
#include "util/safestr.h"  // last: no unbounded string functions below

namespace {

int Usage() {
    fprintf(stderr,
            "usage: tvzip list ARCHIVE\n"
            "       tvzip test ARCHIVE [-p PASSWORD]\n"
            "       tvzip extract ARCHIVE DEST [-p PASSWORD] [-j] [-o] [-s] [-i INDEX] [SPEC]\n"
            "       tvzip add ARCHIVE [-0..-9] [-r] [-j] [-H] [-A] [-C] [-8] [-u|-f|-m] [-p PASSWORD] FILE...\n"
            "       tvzip delete ARCHIVE NAME...\n");
    return 2;
}

int Report(int code, bool zip) {
    char text[512];
    if (BuildEngineMessage(zip ? ZipErrorMessageId(code) : UnzipErrorMessageId(code), TV_BOX_OK, text, sizeof text))
        fprintf(stderr, "tvzip: %s (code %d)\n", text, code);
    return code;
}

int List(const char* archive) {
    TUnzipCommand c;
    ResetUnzipCommand(&c);
    c.function = TV_UNZIP_COUNTALL;
    CopyLimited(c.zipFile, archive, sizeof c.zipFile);
    int r = RunUnzipCommand(&c);
    if (r) return Report(r, false);
    uint32_t count = c.count;
    printf("%u members\n", count);
    MemberInfo info;
    ResetUnzipCommand(&c);
    c.function = TV_UNZIP_NEXT;
    CopyLimited(c.zipFile, archive, sizeof c.zipFile);
    c.info = &info;
    int last = 0;
    for (uint32_t i = 0; i < count; ++i) {
        r = RunUnzipCommand(&c);
        if (r) {
            last = r;
            continue;
        }
        printf("%u\t%u\t%u\t%s\t%05X\t%d\t%s\n", info.index, info.size, info.packed, info.dateTime, info.attributes,
               info.hasFolder, info.name);
    }
    return last ? Report(last, false) : 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return Usage();
    const char* cmd = argv[1];
    const char* archive = argv[2];
    if (!strcmp(cmd, "list")) return List(archive);

    if (!strcmp(cmd, "test") || !strcmp(cmd, "extract")) {
        TUnzipCommand c;
        ResetUnzipCommand(&c);
        c.function = !strcmp(cmd, "test") ? TV_UNZIP_TEST : TV_UNZIP_EXTRACT;
        CopyLimited(c.zipFile, archive, sizeof c.zipFile);
        int i = 3;
        if (c.function == TV_UNZIP_EXTRACT) {
            if (argc < 4) return Usage();
            CopyLimited(c.destination, argv[3], sizeof c.destination);
            i = 4;
        }
        c.ignoreFolders = 0;
        for (; i < argc; ++i) {
            const char* a = argv[i];
            if (!strcmp(a, "-p") && i + 1 < argc) CopyLimited(c.password, argv[++i], sizeof c.password);
            else if (!strcmp(a, "-i") && i + 1 < argc) c.memberIndex = atoi(argv[++i]);
            else if (!strcmp(a, "-j")) c.ignoreFolders = 1;
            else if (!strcmp(a, "-o")) c.overwrite = 1;
            else if (!strcmp(a, "-s")) c.skipOlder = 1;
            else CopyLimited(c.fileSpec, a, sizeof c.fileSpec);
        }
        int r = RunUnzipCommand(&c);
        printf("%u members %s\n", c.count, c.function == TV_UNZIP_TEST ? "tested" : "extracted");
        return Report(r, false);
    }

    if (!strcmp(cmd, "add") || !strcmp(cmd, "delete")) {
        static TZipCommand c;
        ResetZipCommand(&c);
        CopyLimited(c.zipFile, archive, sizeof c.zipFile);
        c.function = !strcmp(cmd, "add") ? TV_ZIP_ADD : TV_ZIP_DELETE;
        for (int i = 3; i < argc; ++i) {
            const char* a = argv[i];
            if (c.function != TV_ZIP_DELETE && a[0] == '-' && a[1] && !a[2]) {
                char o = a[1];
                if (o >= '0' && o <= '9') c.level = o - '0';
                else if (o == 'r') c.recurse = 1;
                else if (o == 'j') c.noFolderNames = 1;
                else if (o == 'H') c.systemHidden = 1;
                else if (o == 'A') c.archiveOnly = 1;
                else if (o == 'C') c.clearArchive = 1;
                else if (o == '8') c.shortNames = 1;
                else if (o == 'u') c.function = TV_ZIP_UPDATE;
                else if (o == 'f') c.function = TV_ZIP_FRESHEN;
                else if (o == 'm') c.deleteSources = 1;
                else if (o == 'p' && i + 1 < argc) CopyLimited(c.password, argv[++i], sizeof c.password);
                else return Usage();
                continue;
            }
            if (!AppendItemList(c.itemList, sizeof c.itemList, a)) fprintf(stderr, "tvzip: item list full, left out: %s\n", a);
        }
        int r = RunZipCommand(&c);
        printf("%u %s\n", c.count, c.function == TV_ZIP_DELETE ? "deleted" : "added");
        return Report(r, true);
    }
    return Usage();
}
