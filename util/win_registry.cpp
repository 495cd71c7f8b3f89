#include "util/win_registry.h"

#include <cstring>

#include "util/text.h"
#include "util/tvbase.h"
#include "util/safestr.h"

namespace {

// Room for a parent path, a backslash and a sub-key (key names are at most 255 characters).
constexpr size_t kKeyPathSize = 1024;

bool JoinKeyPath(char* out, const char* parentPath, const char* subKey) {
    out[0] = '\0';
    bool truncated = false;
    if (parentPath && *parentPath) {
        truncated |= CopyLimited(out, parentPath, kKeyPathSize) != 0;
        const size_t length = std::strlen(out);
        if (out[length - 1] != '\\') truncated |= AppendLimited(out, "\\", kKeyPathSize) != 0;
    }
    truncated |= AppendLimited(out, subKey, kKeyPathSize) != 0;
    return !truncated;
}

const char* ValueName(const char* name) { return name ? name : ""; }

}  // namespace

int RegistryKeyExists(const char* subKey, HKEY root, const char* parentPath) {
    if (!subKey || !root) return 0;
    char path[kKeyPathSize];
    if (!JoinKeyPath(path, parentPath, subKey)) return 0;
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return 0;
    RegCloseKey(key);
    return 1;
}

int RegistryEnsureKey(const char* subKey, HKEY root) {
    if (subKey && *subKey && !RegistryKeyExists(subKey, root, nullptr)) RegistryCreateKey(subKey, root, nullptr);
    return 0;
}

LONG RegistryReadString(char* out, size_t outSize, HKEY root, const char* keyPath, const char* valueName) {
    if (out && outSize > 0) out[0] = '\0';
    if (!out || outSize == 0 || !root || !keyPath) return ERROR_INVALID_PARAMETER;
    HKEY key = nullptr;
    LONG result = RegOpenKeyExA(root, keyPath, 0, KEY_READ, &key);
    if (result != ERROR_SUCCESS) return result;
    char value[TV_REGVALUE_SIZE + 1];
    DWORD type = 0;
    DWORD bytes = DWORD(TV_REGVALUE_SIZE);
    result = RegQueryValueExA(key, ValueName(valueName), nullptr, &type, reinterpret_cast<BYTE*>(value), &bytes);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS) return result;
    if (type != REG_SZ && type != REG_EXPAND_SZ) return ERROR_INVALID_DATA;
    // A stored string need not carry its terminator.
    value[bytes < DWORD(TV_REGVALUE_SIZE) ? bytes : DWORD(TV_REGVALUE_SIZE)] = '\0';
    if (std::strlen(value) + 1 > outSize) return ERROR_MORE_DATA;
    CopyLimited(out, value, outSize);
    return ERROR_SUCCESS;
}

LONG RegistryWriteString(const char* text, HKEY root, const char* keyPath, const char* valueName) {
    if (!root || !keyPath) return ERROR_INVALID_PARAMETER;
    if (!text) text = "";
    HKEY key = nullptr;
    LONG result = RegOpenKeyExA(root, keyPath, 0, KEY_ALL_ACCESS, &key);
    if (result != ERROR_SUCCESS) return result;
    result = RegSetValueExA(key, ValueName(valueName), 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                            DWORD(std::strlen(text) + 1));
    RegCloseKey(key);
    return result;
}

LONG RegistryDeleteValue(const char* valueName, HKEY root, const char* keyPath) {
    if (!root || !keyPath) return ERROR_INVALID_PARAMETER;
    HKEY key = nullptr;
    LONG result = RegOpenKeyExA(root, keyPath, 0, KEY_ALL_ACCESS, &key);
    if (result != ERROR_SUCCESS) return result;
    result = RegDeleteValueA(key, ValueName(valueName));
    RegCloseKey(key);
    return result;
}

LONG RegistryCreateKey(const char* subKey, HKEY root, const char* parentPath) {
    if (!subKey || !*subKey || !root) return ERROR_INVALID_PARAMETER;
    char path[kKeyPathSize];
    if (!JoinKeyPath(path, parentPath, subKey)) return ERROR_INVALID_PARAMETER;
    HKEY key = nullptr;
    DWORD disposition = 0;
    const LONG result =
        RegCreateKeyExA(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, &disposition);
    if (result == ERROR_SUCCESS) RegCloseKey(key);
    return result;
}

LONG RegistryDeleteKey(const char* subKey, HKEY root, const char* parentPath) {
    if (!subKey || !*subKey || !root) return ERROR_INVALID_PARAMETER;
    char path[kKeyPathSize];
    if (!JoinKeyPath(path, parentPath, subKey)) return ERROR_INVALID_PARAMETER;
    return RegDeleteKeyA(root, path);
}

LONG RegistryReplaceKeepingOld(HKEY root, const char* keyPath, const char* valueName, const char* backupName,
                               const char* newText) {
    if (!keyPath || !*keyPath || !backupName || !*backupName) return ERROR_INVALID_PARAMETER;
    RegistryEnsureKey(keyPath, root);
    char old[TV_REGVALUE_SIZE];
    // A missing value is saved as empty; a value that cannot be read (too long, not a string) is
    // left alone rather than replaced without a copy.
    LONG result = RegistryReadString(old, sizeof old, root, keyPath, valueName);
    if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND) return result;
    result = RegistryWriteString(old, root, keyPath, backupName);
    if (result != ERROR_SUCCESS) return result;
    return RegistryWriteString(newText, root, keyPath, valueName);
}

LONG RegistryRestoreOld(HKEY root, const char* keyPath, const char* valueName, const char* backupName) {
    if (!keyPath || !*keyPath || !backupName || !*backupName) return ERROR_INVALID_PARAMETER;
    char old[TV_REGVALUE_SIZE];
    RegistryReadString(old, sizeof old, root, keyPath, backupName);
    LONG result = RegistryWriteString(old, root, keyPath, valueName);
    if (result != ERROR_SUCCESS) return result;
    return RegistryDeleteValue(backupName, root, keyPath);
}
