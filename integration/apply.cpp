#include "integration/apply.h"

#include "database/settings.h"
#include "integration/content_types.h"
#include "util/cmdline.h"
#include "util/path.h"
#include "util/strings.h"
#include "util/text.h"
#include "util/safestr.h"

namespace {

constexpr const char* kPluginFiles[2] = {"NPTV1.DLL", "NPTV2.DLL"};
// Longest file type name taken from an extension key; longer ones, and names with a "\" (which
// would reach into other keys), are not touched.
constexpr size_t kMaxTypeName = 200;

std::string Join(const std::string& key, const char* sub) { return key.empty() ? sub : key + "\\" + sub; }

std::string Command(const char* programPath, int command) {
    char text[TV_PATH_SIZE + 64];
    BuildIntegrationCommand(text, sizeof text, programPath, command);
    return text;
}

std::string IconLocation(const char* programPath, int icon) {
    char text[TV_PATH_SIZE + 16];
    BuildIconLocation(text, sizeof text, programPath, icon);
    return text;
}

std::string WithBackslash(std::string folder) {
    if (!folder.empty() && folder.back() != '\\' && folder.back() != '/') folder += '\\';
    return folder;
}

std::string Trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return std::string();
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

bool UsableTypeName(const std::string& type) {
    return !type.empty() && type.size() <= kMaxTypeName && type.find('\\') == std::string::npos;
}

void DeletePlugins(TIntegrationSystem* system, const std::string& folder) {
    for (const char* name : kPluginFiles) {
        const std::string path = WithBackslash(folder) + name;
        if (system->FileExists(path.c_str())) system->RemoveFile(path.c_str());
    }
}

// The file type of an extension, made when the extension has none (or an empty one).
std::string EnsureFileType(TIntegrationSystem* system, const char* extension) {
    bool created = false;
    if (!system->EnsureKey(TV_HKCR, extension, &created)) return std::string();
    std::string current;
    const TRegistryRead read = created ? TV_REG_MISSING : system->ReadString(TV_HKCR, extension, nullptr, &current);
    current = Trimmed(current);
    if (read == TV_REG_OK && !current.empty()) return UsableTypeName(current) ? current : std::string();

    char name[TV_PATH_SIZE];
    if (!DefaultFileTypeName(name, sizeof name, extension)) return std::string();
    const std::string type = name;
    bool typeCreated = false;
    if (!system->EnsureKey(TV_HKCR, type.c_str(), &typeCreated)) return std::string();
    // A type of that name that is already described keeps its description.
    std::string description;
    if (typeCreated || system->ReadString(TV_HKCR, type.c_str(), nullptr, &description) != TV_REG_OK ||
        Trimmed(description).empty())
        system->WriteString(TV_HKCR, type.c_str(), nullptr, kRegCreatedTypeDescription);
    system->EnsureKey(TV_HKCR, Join(type, "shell\\open\\command").c_str(), nullptr);
    if (!system->WriteString(TV_HKCR, extension, nullptr, type.c_str())) return std::string();
    return type;
}

// Points the value at `wanted`, keeping what was there in `backup` unless it was already the
// program's own (then the backup from the first time stays untouched). A value that cannot be
// read is left alone, as it could not be given back.
void TakeOverValue(TIntegrationSystem* system, const std::string& key, const char* backup, const std::string& wanted) {
    std::string current;
    const TRegistryRead read = system->ReadString(TV_HKCR, key.c_str(), nullptr, &current);
    if (read == TV_REG_UNREADABLE) return;
    if (read == TV_REG_OK && TextNamesProgram(current.c_str(), kIntegrationProgramName)) {
        // Already the program's: only follow a program that moved.
        if (current != wanted) system->WriteString(TV_HKCR, key.c_str(), nullptr, wanted.c_str());
        return;
    }
    if (!system->EnsureKey(TV_HKCR, key.c_str(), nullptr)) return;
    if (!system->WriteString(TV_HKCR, key.c_str(), backup, read == TV_REG_OK ? current.c_str() : "")) return;
    system->WriteString(TV_HKCR, key.c_str(), nullptr, wanted.c_str());
}

// Gives the value back from `backup` (empty when there is none) and deletes the backup.
void GiveBackValue(TIntegrationSystem* system, const std::string& key, const char* backup) {
    std::string saved;
    if (system->ReadString(TV_HKCR, key.c_str(), backup, &saved) != TV_REG_OK) saved.clear();
    if (system->WriteString(TV_HKCR, key.c_str(), nullptr, saved.c_str()))
        system->DeleteValue(TV_HKCR, key.c_str(), backup);
}

void ApplyZipViewer(TIntegrationSystem* system, const std::string& type, uint32_t viewerIsDefault,
                    const char* programPath) {
    const std::string commandKey = Join(type, "shell\\open\\command");
    const std::string iconKey = Join(type, "DefaultIcon");
    std::string command;
    const TRegistryRead read = system->ReadString(TV_HKCR, commandKey.c_str(), nullptr, &command);
    const bool mine = read == TV_REG_OK && TextNamesProgram(command.c_str(), kIntegrationProgramName);
    if (viewerIsDefault == 1) {
        if (read == TV_REG_UNREADABLE) return;
        TakeOverValue(system, commandKey, kRegCommandBackup, Command(programPath, TV_COMMAND_VIEWER));
        TakeOverValue(system, iconKey, kRegIconBackup, IconLocation(programPath, TV_ZIP_ICON));
        return;
    }
    if (!mine) return;
    GiveBackValue(system, commandKey, kRegCommandBackup);
    std::string icon;
    if (system->ReadString(TV_HKCR, iconKey.c_str(), nullptr, &icon) == TV_REG_OK &&
        TextNamesProgram(icon.c_str(), kIntegrationProgramName))
        GiveBackValue(system, iconKey, kRegIconBackup);
    else
        system->DeleteValue(TV_HKCR, iconKey.c_str(), kRegIconBackup);  // the user's own icon stays
}

}  // namespace

void RegisterContentTypes(TIntegrationSystem* system) {
    for (const TContentTypePair& e : kIntegrationExtensions)
        if (system->EnsureKey(TV_HKCR, e.extension, nullptr))
            system->WriteString(TV_HKCR, e.extension, "Content Type", e.contentType);
    for (const TContentTypePair& t : kIntegrationContentTypes) {
        const std::string key = Join(kRegContentTypes, t.contentType);
        if (system->EnsureKey(TV_HKCR, key.c_str(), nullptr))
            system->WriteString(TV_HKCR, key.c_str(), "Extension", t.extension);
    }
}

void WriteProgramPath(TIntegrationSystem* system, const char* programPath) {
    if (system->EnsureKey(TV_HKCU, kRegTolvaneKey, nullptr))
        system->WriteString(TV_HKCU, kRegTolvaneKey, kRegProgramPath, programPath);
}

void InstallPlugins(TIntegrationSystem* system, uint32_t enabled, const char* browserSetting, const char* valueName,
                    const char* programPath) {
    std::string folder;
    char program[TV_PATH_SIZE * 2];
    char pluginFolder[TV_PATH_SIZE * 2];
    if (BrowserProgramFile(program, sizeof program, browserSetting) && system->FileExists(program) &&
        BrowserPluginFolder(pluginFolder, sizeof pluginFolder, program))
        folder = pluginFolder;

    if (enabled == 1) {
        if (!folder.empty()) {
            if (!system->FolderExists(folder.c_str())) system->CreateFolder(folder.c_str());
            char source[TV_PATH_SIZE];
            SplitPath(programPath, source, sizeof source, nullptr, 0);
            for (const char* name : kPluginFiles) {
                const std::string from = WithBackslash(source) + name;
                const std::string to = folder + name;
                system->CopyFileIfAbsent(from.c_str(), to.c_str());
            }
        }
    } else if (!folder.empty()) {
        DeletePlugins(system, folder);
        folder.clear();
    }

    // The folder of the last installation, when the browser moved or was turned off.
    std::string earlier;
    if (system->ReadString(TV_HKCU, kRegTolvaneKey, valueName, &earlier) == TV_REG_OK) {
        earlier = Trimmed(earlier);
        if (!earlier.empty() && !TextEquals(WithBackslash(earlier).c_str(), folder.c_str(), 0, 0) &&
            IsAbsoluteFolder(earlier.c_str()))
            DeletePlugins(system, earlier);
    }

    if (enabled == 1) {
        if (system->EnsureKey(TV_HKCU, kRegTolvaneKey, nullptr))
            system->WriteString(TV_HKCU, kRegTolvaneKey, valueName, folder.c_str());
    } else {
        system->DeleteValue(TV_HKCU, kRegTolvaneKey, valueName);
    }
}

void RegisterWithNetscape(TIntegrationSystem* system, uint32_t enabled, const char* programPath) {
    char name[TV_PATH_SIZE];
    CopyLimited(name, programPath, sizeof name);
    QuoteText(name, sizeof name, TV_QUOTE_REMOVE);
    if (enabled == 1) {
        if (system->EnsureKey(TV_HKCU, kRegTrustedApplications, nullptr))
            system->WriteString(TV_HKCU, kRegTrustedApplications, name, "Yes");
    } else if (system->KeyExists(TV_HKCU, kRegTrustedApplications)) {
        system->DeleteValue(TV_HKCU, kRegTrustedApplications, name);
    }

    // The viewer list is Netscape's own: written only when Netscape made it.
    if (!system->KeyExists(TV_HKCU, kRegNetscapeViewers)) return;
    const std::string command = Command(programPath, TV_COMMAND_IMPORT);
    std::vector<TViewerValue> values = system->ListValues(TV_HKCU, kRegNetscapeViewers);
    for (const TContentTypePair& t : kIntegrationContentTypes) {
        if (enabled != 1) {
            // Only the types that name the program go back to "ask the user"; what the user chose
            // for the others stays.
            std::string current;
            if (system->ReadString(TV_HKCU, kRegNetscapeViewers, t.contentType, &current) == TV_REG_OK &&
                TextNamesProgram(current.c_str(), kIntegrationProgramName))
                system->WriteString(TV_HKCU, kRegNetscapeViewers, t.contentType, kRegNetscapePromptUser);
            continue;
        }
        if (!system->WriteString(TV_HKCU, kRegNetscapeViewers, t.contentType, command.c_str())) continue;
        const int64_t number = NextViewerTypeNumber(values, t.contentType);
        if (number < 0) continue;
        const std::string typeName = "TYPE" + std::to_string(number);
        if (!system->WriteString(TV_HKCU, kRegNetscapeViewers, typeName.c_str(), t.contentType)) continue;
        bool replaced = false;
        for (TViewerValue& v : values)
            if (TextEquals(v.name.c_str(), typeName.c_str(), 0, 0)) {
                v.readable = true;
                v.data = t.contentType;
                replaced = true;
            }
        if (!replaced) values.push_back(TViewerValue{typeName, true, t.contentType});
    }
}

void RegisterStartWithWindows(TIntegrationSystem* system, uint32_t enabled, const char* programPath) {
    if (enabled == 1) {
        if (system->EnsureKey(TV_HKCU, kRegRunKey, nullptr))
            system->WriteString(TV_HKCU, kRegRunKey, kRegRunValue, Command(programPath, TV_COMMAND_TRAY).c_str());
    } else if (system->KeyExists(TV_HKCU, kRegRunKey)) {
        system->DeleteValue(TV_HKCU, kRegRunKey, kRegRunValue);
    }
}

void RegisterFileTypes(TIntegrationSystem* system, uint32_t contextVerb, uint32_t viewerIsDefault,
                       const char* programPath) {
    const std::string importCommand = Command(programPath, TV_COMMAND_IMPORT);
    for (size_t i = 0; i < TV_INTEGRATION_EXTENSION_COUNT; ++i) {
        const char* extension = kIntegrationExtensions[i].extension;
        const bool zip = i + 1 == TV_INTEGRATION_EXTENSION_COUNT;
        std::string type;
        // ZIP archives that should open in the viewer need a type even without the verb.
        if (contextVerb == 1 || (zip && viewerIsDefault == 1)) {
            type = EnsureFileType(system, extension);
        } else if (system->ReadString(TV_HKCR, extension, nullptr, &type) == TV_REG_OK) {
            type = Trimmed(type);
            if (!UsableTypeName(type)) type.clear();
        } else {
            type.clear();
        }
        if (type.empty()) continue;

        if (zip) ApplyZipViewer(system, type, viewerIsDefault, programPath);

        const std::string verb = Join(type, "shell\\") + kRegVerbKey;
        const std::string verbCommand = Join(verb, "command");
        if (contextVerb == 1) {
            if (system->EnsureKey(TV_HKCR, verbCommand.c_str(), nullptr))
                system->WriteString(TV_HKCR, verbCommand.c_str(), nullptr, importCommand.c_str());
            system->WriteString(TV_HKCR, verb.c_str(), nullptr, TvString(kVerbTextId));
        } else if (system->KeyExists(TV_HKCR, verb.c_str())) {
            system->DeleteKey(TV_HKCR, verbCommand.c_str());
            system->DeleteKey(TV_HKCR, verb.c_str());
        }
    }
}

void RegisterInterchangeFiles(TIntegrationSystem* system, const char* programPath) {
    if (system->EnsureKey(TV_HKCR, kRegInterchangeExtension, nullptr))
        system->WriteString(TV_HKCR, kRegInterchangeExtension, nullptr, kRegInterchangeType);
    const std::string type = kRegInterchangeType;
    if (system->EnsureKey(TV_HKCR, type.c_str(), nullptr))
        system->WriteString(TV_HKCR, type.c_str(), nullptr, TvString(kInterchangeTypeTextId));
    const std::string icon = Join(type, "DefaultIcon");
    if (system->EnsureKey(TV_HKCR, icon.c_str(), nullptr))
        system->WriteString(TV_HKCR, icon.c_str(), nullptr, IconLocation(programPath, TV_INTERCHANGE_ICON).c_str());
    const std::string open = Join(type, "shell\\open\\command");
    if (system->EnsureKey(TV_HKCR, open.c_str(), nullptr))
        system->WriteString(TV_HKCR, open.c_str(), nullptr, Command(programPath, TV_COMMAND_INTERCHANGE).c_str());
}

void ApplyIntegration(const IntegrationSettings& settings, uint32_t viewerIsDefault, const char* programPath,
                      TIntegrationSystem* system) {
    if (!system || !programPath || !programPath[0]) return;
    IntegrationSettings s = settings;
    s.Validate();
    RegisterContentTypes(system);
    WriteProgramPath(system, programPath);
    InstallPlugins(system, s.ieDownloads, s.iePath, kRegIePluginPath, programPath);
    RegisterWithNetscape(system, s.netscapeDownloads, programPath);
    InstallPlugins(system, s.netscapeDownloads, s.netscapePath, kRegNetscapePluginPath, programPath);
    InstallPlugins(system, s.operaDownloads, s.operaPath, kRegOperaPluginPath, programPath);
    RegisterStartWithWindows(system, s.startWithWindows, programPath);
    RegisterFileTypes(system, s.contextMenuIntegration, viewerIsDefault, programPath);
    RegisterInterchangeFiles(system, programPath);
}
