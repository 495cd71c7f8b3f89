// The UTF-8 path functions of the engine's file system, for file systems that know only ANSI paths:
// the path is converted to ANSI first (characters without an ANSI form become '_').
#include "archive/zipfs.h"

#include "util/safestr.h"  // last: no unbounded string functions below

TZipFile* TZipFileSystem::CreateUtf8(const char* path) { return Create(Utf8ToAnsi(path).c_str()); }

int TZipFileSystem::GetInfoUtf8(const char* path, TZipFileInfo* info) {
    return GetInfo(Utf8ToAnsi(path).c_str(), info);
}

int TZipFileSystem::CreateFolderUtf8(const char* path) { return CreateFolder(Utf8ToAnsi(path).c_str()); }

int TZipFileSystem::RemoveFileUtf8(const char* path) { return RemoveFile(Utf8ToAnsi(path).c_str()); }

int TZipFileSystem::ReplaceUtf8(const char* from, const char* to) {
    return Replace(Utf8ToAnsi(from).c_str(), Utf8ToAnsi(to).c_str());
}

int TZipFileSystem::SetAttributesUtf8(const char* path, uint32_t attributes) {
    return SetAttributes(Utf8ToAnsi(path).c_str(), attributes);
}

std::string TZipFileSystem::AnsiPathOfUtf8(const char* path) { return Utf8ToAnsi(path); }

std::string TZipFileSystem::NameKeyUtf8(const char* path) {
    std::string key = Utf8ToAnsi(path);
    for (char& c : key)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return key;
}
