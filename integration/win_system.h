// The integration over the real registry and file system, and the hook through which every
// database save applies it.
#pragma once

#include <windows.h>

#include <cstdint>

#include "integration/apply.h"
#include "util/tvbase.h"

class TWinIntegrationSystem : public TIntegrationSystem {
public:
    bool KeyExists(TRegistryRoot root, const char* key) override;
    bool EnsureKey(TRegistryRoot root, const char* key, bool* created) override;
    TRegistryRead ReadString(TRegistryRoot root, const char* key, const char* value, std::string* data) override;
    bool WriteString(TRegistryRoot root, const char* key, const char* value, const char* data) override;
    bool DeleteValue(TRegistryRoot root, const char* key, const char* value) override;
    bool DeleteKey(TRegistryRoot root, const char* key) override;
    std::vector<TViewerValue> ListValues(TRegistryRoot root, const char* key) override;
    bool FileExists(const char* path) override;
    bool FolderExists(const char* path) override;
    bool CreateFolder(const char* path) override;
    bool CopyFileIfAbsent(const char* source, const char* target) override;
    bool RemoveFile(const char* path) override;
};

// Applies the integration to this system for the program file programPath (folder + "tv.exe").
void ApplyIntegrationToSystem(const IntegrationSettings& settings, uint32_t viewerIsDefault, const char* programPath);

// What the database hook needs: the program file whose commands are registered.
struct TIntegrationHookContext {
    char programPath[TV_PATH_SIZE] = {};
};
// TDatabaseHooks::applyIntegration; context is a TIntegrationHookContext (null: nothing happens).
void ApplyIntegrationHook(const IntegrationSettings* settings, uint32_t viewerIsDefault, void* context);
