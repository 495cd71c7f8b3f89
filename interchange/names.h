// Names that come out of an interchange file (category names, file names, shortcut titles) and
// the unique stored names of downloads. Every name is made a plain valid file name before any
// path is built from it, so a damaged or hostile file cannot reach outside the storage folders.
// Platform-free.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "core/items.h"

// Copies name into out[size] as a name that passes IsValidFileName: characters below 32 and
// < > : " / \ | ? * become "_", blanks at both ends and dots at the end go, leading dots become
// "_", a device name (CON, NUL, COM1 ... with any extension) gets a "_" in front, and an empty
// result becomes "_". Long names are cut to fit (at most 260 characters). Returns 1 when the
// name had to be changed, 0 when it was valid as it stood.
int CleanFileName(const char* name, char* out, size_t size);

// The stored names of the downloads per category, for MakeUniqueStoredName's rule without a
// walk over the whole list for every name: keys are the names folded to lower case.
class TStoredNameIndex {
public:
    // Takes the stored names of every valid download of the list.
    explicit TStoredNameIndex(const TFileListObject* list = nullptr);
    // MakeUniqueStoredName: the name without double quotes if no download of the category has
    // it as stored name (compared trimmed, without regard to case), else "name (n).ext" for the
    // first free n from 2 to 999. Returns 1 with out filled, 0 (out empty) when all are taken or
    // the name does not fit.
    int MakeUnique(char* out, size_t size, const char* name, int32_t categoryId) const;
    // Records a stored name as taken in the category.
    void Add(const char* storedName, int32_t categoryId);
    bool Contains(const char* name, int32_t categoryId) const;

private:
    std::unordered_map<int32_t, std::unordered_set<std::string>> names_;
};

// The bookmarks per category by title and URL (FindBookmarkByTitleAndUrl's comparison: whole
// texts, without regard to case).
class TBookmarkIndex {
public:
    explicit TBookmarkIndex(const TBookmarkListObject* list = nullptr);
    bool Contains(const char* title, const char* url, int32_t categoryId) const;
    void Add(const char* title, const char* url, int32_t categoryId);

private:
    std::unordered_map<int32_t, std::unordered_set<std::string>> keys_;
};
