// Registry operations on string values. Keys are opened with full access for changes and with
// read access for queries (so that reading the shared file-type keys also works for users who may
// not change them). Where a parent path and a sub-key are given, the key path is the parent, a
// backslash when the parent does not end in one, and the sub-key (just the sub-key for an empty
// parent). A null or empty value name means the key's default value. Results are Win32 error
// codes (0 = success) unless stated; nothing is ever reported to the user.
#pragma once

#include <windows.h>

#include <cstddef>

// 1 when the key opens, else 0.
int RegistryKeyExists(const char* subKey, HKEY root, const char* parentPath);
// Creates the key when it does not exist yet. Always returns 0.
int RegistryEnsureKey(const char* subKey, HKEY root);
// Clears out, then reads the string value (REG_SZ / REG_EXPAND_SZ, up to 500 bytes with its
// terminator) and copies it to out[outSize]. A value longer than 500 bytes fails with
// ERROR_MORE_DATA; one that does not fit outSize fails with ERROR_MORE_DATA too (out stays empty,
// never a cut value); a value of another type fails with ERROR_INVALID_DATA.
LONG RegistryReadString(char* out, size_t outSize, HKEY root, const char* keyPath, const char* valueName);
// Opens the existing key (never creates it) and writes the text as REG_SZ.
LONG RegistryWriteString(const char* text, HKEY root, const char* keyPath, const char* valueName);
// Deletes one value.
LONG RegistryDeleteValue(const char* valueName, HKEY root, const char* keyPath);
// Creates (or opens) the key and closes it.
LONG RegistryCreateKey(const char* subKey, HKEY root, const char* parentPath);
// Deletes the key (it must have no sub-keys). An empty sub-key is refused (ERROR_INVALID_PARAMETER)
// so that a parent is never deleted by mistake.
LONG RegistryDeleteKey(const char* subKey, HKEY root, const char* parentPath);
// Takes over a value and keeps the old one: only when keyPath and backupName are both non-empty,
// ensures the key, saves the current value (empty when missing) under backupName and writes
// newText under valueName. A current value that exists but cannot be read (longer than 500 bytes,
// not a string) is not replaced. Returns the first failing call's code.
LONG RegistryReplaceKeepingOld(HKEY root, const char* keyPath, const char* valueName, const char* backupName,
                               const char* newText);
// Gives a value back: only when keyPath and backupName are non-empty, writes the saved value
// (empty when missing) under valueName and deletes backupName.
LONG RegistryRestoreOld(HKEY root, const char* keyPath, const char* valueName, const char* backupName);
