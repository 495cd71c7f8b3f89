#include "integration/win_system.h"

#include "database/settings.h"
#include "util/win_files.h"
#include "util/win_registry.h"

namespace {

HKEY RootKey(TRegistryRoot root) { return root == TV_HKCR ? HKEY_CLASSES_ROOT : HKEY_CURRENT_USER; }

}  // namespace

bool TWinIntegrationSystem::KeyExists(TRegistryRoot root, const char* key) {
    return key && *key && RegistryKeyExists(key, RootKey(root), nullptr) == 1;
}

bool TWinIntegrationSystem::EnsureKey(TRegistryRoot root, const char* key, bool* created) {
    if (created) *created = false;
    if (!key || !*key) return false;
    HKEY handle = nullptr;
    DWORD disposition = 0;
    if (RegCreateKeyExA(RootKey(root), key, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_READ | KEY_WRITE, nullptr,
                        &handle, &disposition) != ERROR_SUCCESS)
        return false;
    RegCloseKey(handle);
    if (created) *created = disposition == REG_CREATED_NEW_KEY;
    return true;
}

TRegistryRead TWinIntegrationSystem::ReadString(TRegistryRoot root, const char* key, const char* value,
                                                std::string* data) {
    if (data) data->clear();
    char text[TV_REGVALUE_SIZE + 1];
    const LONG result = RegistryReadString(text, sizeof text, RootKey(root), key, value);
    if (result == ERROR_SUCCESS) {
        if (data) *data = text;
        return TV_REG_OK;
    }
    return result == ERROR_FILE_NOT_FOUND || result == ERROR_PATH_NOT_FOUND ? TV_REG_MISSING : TV_REG_UNREADABLE;
}

bool TWinIntegrationSystem::WriteString(TRegistryRoot root, const char* key, const char* value, const char* data) {
    return RegistryWriteString(data ? data : "", RootKey(root), key, value) == ERROR_SUCCESS;
}

bool TWinIntegrationSystem::DeleteValue(TRegistryRoot root, const char* key, const char* value) {
    return RegistryDeleteValue(value, RootKey(root), key) == ERROR_SUCCESS;
}

bool TWinIntegrationSystem::DeleteKey(TRegistryRoot root, const char* key) {
    return RegistryDeleteKey(key, RootKey(root), nullptr) == ERROR_SUCCESS;
}

std::vector<TViewerValue> TWinIntegrationSystem::ListValues(TRegistryRoot root, const char* key) {
    std::vector<TViewerValue> values;
    HKEY handle = nullptr;
    if (!key || RegOpenKeyExA(RootKey(root), key, 0, KEY_QUERY_VALUE, &handle) != ERROR_SUCCESS) return values;
    std::vector<std::string> names;
    for (DWORD index = 0;; ++index) {
        char name[16384];
        DWORD length = sizeof name;
        const LONG result = RegEnumValueA(handle, index, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (result == ERROR_NO_MORE_ITEMS) break;
        if (result != ERROR_SUCCESS) continue;
        names.emplace_back(name, length);
    }
    RegCloseKey(handle);
    for (const std::string& name : names) {
        TViewerValue v;
        v.name = name;
        v.readable = ReadString(root, key, name.c_str(), &v.data) == TV_REG_OK;
        values.push_back(v);
    }
    return values;
}

bool TWinIntegrationSystem::FileExists(const char* path) {
    if (!path || !*path) return false;
    const DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool TWinIntegrationSystem::FolderExists(const char* path) { return ::FolderExists(path) == 1; }

bool TWinIntegrationSystem::CreateFolder(const char* path) { return CreateDirectoryPath(path) == 0; }

bool TWinIntegrationSystem::CopyFileIfAbsent(const char* source, const char* target) {
    return CopyFileA(source, target, TRUE) != 0;
}

bool TWinIntegrationSystem::RemoveFile(const char* path) {
    // A plug-in copied from a read-only file is read-only too.
    const DWORD attributes = GetFileAttributesA(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        SetFileAttributesA(path, attributes & ~DWORD(FILE_ATTRIBUTE_READONLY));
    return DeleteFileA(path) != 0;
}

void ApplyIntegrationToSystem(const IntegrationSettings& settings, uint32_t viewerIsDefault, const char* programPath) {
    TWinIntegrationSystem system;
    ApplyIntegration(settings, viewerIsDefault, programPath, &system);
}

void ApplyIntegrationHook(const IntegrationSettings* settings, uint32_t viewerIsDefault, void* context) {
    const TIntegrationHookContext* hook = static_cast<const TIntegrationHookContext*>(context);
    if (!settings || !hook || !hook->programPath[0]) return;
    ApplyIntegrationToSystem(*settings, viewerIsDefault, hook->programPath);
}
