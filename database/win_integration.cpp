#include "database/win_integration.h"

#include <windows.h>

#include "util/cmdline.h"
#include "util/path.h"
#include "util/text.h"
#include "util/win_files.h"
#include "util/win_registry.h"

namespace {

const char kNetscapeKey[] = "Software\\Netscape\\Netscape Navigator";

// The command line that opens web pages, from the file type of ".HTM" (else ".HTML").
void WebPageOpenCommand(char* command, size_t size) {
    command[0] = '\0';
    char type[TV_REGVALUE_SIZE];
    if (RegistryReadString(type, sizeof type, HKEY_CLASSES_ROOT, ".HTM", nullptr) != ERROR_SUCCESS || !type[0])
        RegistryReadString(type, sizeof type, HKEY_CLASSES_ROOT, ".HTML", nullptr);
    TrimSpaces(type, TV_TRIM_BOTH);
    if (!type[0]) return;
    char key[TV_REGVALUE_SIZE];
    if (FormatLimited(key, sizeof key, "%s\\shell\\open\\command", type)) return;
    RegistryReadString(command, size, HKEY_CLASSES_ROOT, key, nullptr);
}

}  // namespace

void DetectIntegrationDefaults(IntegrationSettings* s) {
    if (!s) return;
    s->SetDefaults();

    char command[TV_PATH_SIZE];
    WebPageOpenCommand(command, sizeof command);
    TrimSpaces(command, TV_TRIM_BOTH);
    if (command[0]) {
        char program[TV_PATH_SIZE], arguments[TV_PATH_SIZE];
        SplitCommandLine(command, program, sizeof program, arguments, sizeof arguments);
        QuoteText(program, sizeof program, TV_QUOTE_REMOVE);
        char name[TV_PATH_SIZE];
        SplitPath(program, nullptr, 0, name, sizeof name);
        if (TextEquals(name, "IEXPLORE.EXE", 0, 0))
            CopyLimited(s->iePath, command, TV_PATH_SIZE);
        else if (TextEquals(name, "NETSCAPE.EXE", 0, 0))
            CopyLimited(s->netscapePath, command, TV_PATH_SIZE);
        else if (TextEquals(name, "OPERA.EXE", 0, 0))
            CopyLimited(s->operaPath, command, TV_PATH_SIZE);
    }

    if (!s->netscapePath[0]) {
        char folder[TV_PATH_SIZE];
        char key[TV_PATH_SIZE];
        FormatLimited(key, sizeof key, "%s\\Main", kNetscapeKey);
        if (RegistryReadString(folder, sizeof folder, HKEY_CURRENT_USER, key, "Install Directory") == ERROR_SUCCESS &&
            folder[0]) {
            const bool cut = AppendLimited(folder, "\\PROGRAM\\NETSCAPE.EXE", sizeof folder) != 0;
            if (!cut && FileExists(folder)) CopyLimited(s->netscapePath, folder, TV_PATH_SIZE);
        }
    }

    RegistryReadString(s->ieFavoritesFolder, TV_PATH_SIZE, HKEY_CURRENT_USER,
                       "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", "Favorites");
    char key[TV_PATH_SIZE];
    FormatLimited(key, sizeof key, "%s\\Bookmark List", kNetscapeKey);
    RegistryReadString(s->netscapeBookmarkFile, TV_PATH_SIZE, HKEY_CURRENT_USER, key, "File Location");

    s->DeriveFromDetectedPaths();
    s->Validate();
}
