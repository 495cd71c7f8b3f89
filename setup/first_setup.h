// The first setup wizard's decisions: the depth-first search for browser programs and bookmark
// files over folders and drives, and what finishing the wizard derives from the pages. No
// Windows calls here: the folder listing, the folder identities and the per-entry message pump
// come from a TSetupSearchHost.
#pragma once

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "util/tvbase.h"

// Up to three files searched for at once; a slot is filled by the first file found with its name.
constexpr int TV_SEARCH_SLOTS = 3;

struct TSetupSearchSlots {
    int count = 0;                                       // slots in use (1..3)
    const char* names[TV_SEARCH_SLOTS] = {};             // file names, compared without regard to case
    char paths[TV_SEARCH_SLOTS][TV_PATH_SIZE] = {};      // found (or typed) paths; empty = not found
    // True when every slot in use holds a path.
    bool AllFilled() const;
};

// The browser programs: 0 Internet Explorer, 1 Netscape, 2 Opera.
void InitBrowserSearchSlots(TSetupSearchSlots* slots);
// The bookmark files: 0 the Netscape bookmark file, 1 the Opera hotlist.
void InitBookmarkSearchSlots(TSetupSearchSlots* slots);

struct TSetupSearchEntry {
    std::string name;
    bool folder = false;
    bool link = false;  // a junction or symbolic link: never followed
};

class TSetupSearchHost {
public:
    virtual ~TSetupSearchHost() = default;
    // Called before each entry is looked at (the place to keep the window alive). False once the
    // user cancelled: the search stops there.
    virtual bool BeforeEntry() = 0;
    // Shows the folder being searched.
    virtual void ShowFolder(const char* folder) = 0;
    // A slot was filled.
    virtual void SlotFilled(int slot) = 0;
    // The entries of folder (ending in "\"); false when it cannot be read (then skipped).
    virtual bool ListFolder(const char* folder, std::vector<TSetupSearchEntry>* entries) = 0;
    // Something that names the folder itself whichever path leads there (volume and file index);
    // false when unknown (the path, as written, is used instead).
    virtual bool FolderIdentity(const char* folder, std::string* identity) = 0;
    // Whether the root of this drive ("C:\") is searched (fixed, remote or RAM disk).
    virtual bool DriveSearchable(const char* root) = 0;
};

enum TSetupSearchResult {
    TV_SEARCH_INCOMPLETE = 0,  // done, not everything found
    TV_SEARCH_ALL_FOUND = 1,
    TV_SEARCH_CANCELLED = 2,
};

// One search run: remembers the folders already searched, so that no folder is searched twice
// (links that lead back into a searched tree are not followed either).
class TSetupSearch {
public:
    TSetupSearch(TSetupSearchHost* host, TSetupSearchSlots* slots) : host_(host), slots_(slots) {}
    // The folder (with or without a trailing "\") and everything below it, depth first.
    TSetupSearchResult SearchFolder(const char* folder);
    // The drives C: to Z: in order, stopping after the first drive on which everything was found.
    TSetupSearchResult SearchDrives();
    bool cancelled() const { return cancelled_; }
    size_t foldersSearched() const { return visited_.size(); }

private:
    TSetupSearchResult Search(const std::string& folder, int depth);
    TSetupSearchHost* host_;
    TSetupSearchSlots* slots_;
    std::set<std::string> visited_;
    bool cancelled_ = false;
};

// The slot a file name fills (the first empty slot whose name it has), or -1.
int SearchSlotForFile(const TSetupSearchSlots& slots, const char* name);

// The browser choice after finishing: 0 (Internet Explorer) with only the IE program set, 1
// (Netscape) with only the Netscape program set, 3 (ask) otherwise.
uint8_t FirstSetupBrowserChoice(const char* iePath, const char* netscapePath);

// The scanner field after browsing: the chosen program, followed by " %s" (the scanned file's
// place) when the field was empty before. False when it does not fit into out[size].
bool ScannerCommandAfterBrowse(const char* fieldBefore, const char* chosen, char* out, size_t size);
