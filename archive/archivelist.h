// The member list of an archive as the viewer, the archive search and file intake use it.
#pragma once

#include <cstdint>

#include "archive/zipengine.h"
#include "core/lists.h"

// Fills list with the members of the archive at path (surrounding double quotes are removed);
// folder entries are left out. The list is emptied first. An empty or absent path gives 0 and an
// empty list. Returns the code of the last member that could not be read, else the count's result.
int LoadArchive(TArchiveFileListObject* list, const char* path, TZipFileSystem* fs = nullptr);

// Marks and returns the first member named like a setup program: extension ".EXE" and "SETUP" or
// "INSTALL" in the name (case ignored). The members before it get setup = 0, the rest keep theirs.
// Null when there is none.
ArchiveMember* FindSetupMember(TArchiveFileListObject* list);

// One listed member as a list record (the record's texts are heap copies the caller releases with
// FreeArchiveMember, or hands to a list that copies them).
void MemberInfoToArchiveMember(const MemberInfo& info, ArchiveMember* member);

// The member time from the engine's date text ("MM-DD-YY  HH:MM"): local time as stored, seconds 0;
// two-digit years below 51 are 20xx, the others 19xx.
TvFileTime MemberTimeFromText(const char* dateTime);
