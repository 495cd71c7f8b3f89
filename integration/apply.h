// Applying the browser and shell integration: the content-type database, the program's registry
// path, the plug-ins in each browser's plug-in folder, Netscape's trusted application and viewer
// entries, start with Windows, the file types with the import verb, the ZIP viewer association
// and the ".tvi" association. The whole decision is made here over TIntegrationSystem, which the
// Windows layer implements with the registry and the file system (and tests with a model).
//
// Every step is independent: one that fails leaves its entry as it was and the next one runs;
// nothing is reported (the apply runs again at every database save). Applying twice with the same
// settings writes the same values and copies nothing.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "integration/integration_rules.h"

struct IntegrationSettings;

enum TRegistryRoot { TV_HKCR, TV_HKCU };

enum TRegistryRead {
    TV_REG_OK,          // a string value, read whole
    TV_REG_MISSING,     // no such key or value
    TV_REG_UNREADABLE,  // exists, but not a string or too long: never replaced
};

// What the integration needs of the system. Key paths are relative to the root, "\"-separated;
// a null or empty value name is the key's default value.
class TIntegrationSystem {
public:
    virtual ~TIntegrationSystem() = default;
    virtual bool KeyExists(TRegistryRoot root, const char* key) = 0;
    // Creates the key with its missing parents; *created (may be null) tells whether it was new.
    virtual bool EnsureKey(TRegistryRoot root, const char* key, bool* created) = 0;
    virtual TRegistryRead ReadString(TRegistryRoot root, const char* key, const char* value, std::string* data) = 0;
    // Writes into an existing key (never creates it).
    virtual bool WriteString(TRegistryRoot root, const char* key, const char* value, const char* data) = 0;
    virtual bool DeleteValue(TRegistryRoot root, const char* key, const char* value) = 0;
    // Deletes a key that has no sub-keys.
    virtual bool DeleteKey(TRegistryRoot root, const char* key) = 0;
    // Every value of the key (empty when the key is missing).
    virtual std::vector<TViewerValue> ListValues(TRegistryRoot root, const char* key) = 0;

    virtual bool FileExists(const char* path) = 0;
    virtual bool FolderExists(const char* path) = 0;
    // Creates the folder with its missing parents.
    virtual bool CreateFolder(const char* path) = 0;
    // Copies only when target does not exist (an existing file is never overwritten).
    virtual bool CopyFileIfAbsent(const char* source, const char* target) = 0;
    virtual bool RemoveFile(const char* path) = 0;
};

// Registry names the integration uses (HKCU = TV_HKCU, HKCR = TV_HKCR).
constexpr const char kRegTolvaneKey[] = "Software\\Veltra\\Tolvane";  // HKCU
constexpr const char kRegProgramPath[] = "Program Path";
constexpr const char kRegRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";  // HKCU
constexpr const char kRegRunValue[] = "Tolvane";
constexpr const char kRegTrustedApplications[] =
    "Software\\Netscape\\Netscape Navigator\\User Trusted External Applications";  // HKCU
constexpr const char kRegNetscapeViewers[] = "Software\\Netscape\\Netscape Navigator\\Viewers";  // HKCU
constexpr const char kRegNetscapePromptUser[] = "browser-handle-promptuser";
constexpr const char kRegContentTypes[] = "MIME\\Database\\Content Type";  // HKCR
constexpr const char kRegVerbKey[] = "Tolvane";  // HKCR\<type>\shell\Tolvane
constexpr const char kRegCommandBackup[] = "~command";
constexpr const char kRegIconBackup[] = "~DefaultIcon";
constexpr const char kRegInterchangeExtension[] = ".tvi";
constexpr const char kRegInterchangeType[] = "tvifile";
constexpr const char kRegCreatedTypeDescription[] = "Tolvane";
constexpr const char kRegIePluginPath[] = "Internet Explorer Plugin Path";
constexpr const char kRegNetscapePluginPath[] = "Netscape Plugin Path";
constexpr const char kRegOperaPluginPath[] = "Opera Plugin Path";
constexpr uint32_t kVerbTextId = 3823;         // "Import in Tolvane Plus"
constexpr uint32_t kInterchangeTypeTextId = 3826;  // "Tolvane Plus Interchange File"

// The whole registration. programPath is the program file (folder + "tv.exe", no quotes); the
// plug-ins "NPTV1.DLL" and "NPTV2.DLL" are taken from its folder. Nothing happens without a
// program path. viewerIsDefault: ZIP archives open in the internal viewer.
void ApplyIntegration(const IntegrationSettings& settings, uint32_t viewerIsDefault, const char* programPath,
                      TIntegrationSystem* system);

// The parts, in the order ApplyIntegration runs them (exposed for tests).
void RegisterContentTypes(TIntegrationSystem* system);
void WriteProgramPath(TIntegrationSystem* system, const char* programPath);
void InstallPlugins(TIntegrationSystem* system, uint32_t enabled, const char* browserSetting, const char* valueName,
                    const char* programPath);
void RegisterWithNetscape(TIntegrationSystem* system, uint32_t enabled, const char* programPath);
void RegisterStartWithWindows(TIntegrationSystem* system, uint32_t enabled, const char* programPath);
void RegisterFileTypes(TIntegrationSystem* system, uint32_t contextVerb, uint32_t viewerIsDefault,
                       const char* programPath);
void RegisterInterchangeFiles(TIntegrationSystem* system, const char* programPath);
