// Clipboard and drag and drop, the platform-free part: the bits that stand for the clipboard
// formats in a format set, which formats each kind of target accepts, where a drop lands and with
// which effect, and the byte layouts of the shell's blocks (file list, file group descriptor,
// item-identifier array, internet shortcut) with bounded readers for what other programs hand us.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Format bits of a format set.
enum : uint32_t {
    TV_FMT_FILE_CATEGORIES = 0x001,      // "TVFileCategories" (in-process)
    TV_FMT_BOOKMARK_CATEGORIES = 0x002,  // "TVBookmarkCategories" (in-process)
    TV_FMT_SHORTCUT_CATEGORIES = 0x004,  // "TVShortcutCategories" (in-process)
    TV_FMT_HDROP = 0x008,                // the standard file list
    TV_FMT_DOWNLOADS = 0x010,            // "TVDownloadedFiles" (in-process)
    TV_FMT_BOOKMARKS = 0x020,            // "TVBookmarks" (in-process)
    TV_FMT_SHORTCUTS = 0x040,            // "TVShortcuts" (in-process)
    TV_FMT_URL = 0x080,                  // "UniformResourceLocator"
    TV_FMT_NETSCAPE_BOOKMARK = 0x100,    // "Netscape Bookmark"
    // Formats that only this program renders: dragging them moves.
    TV_FMT_PROGRAM_OBJECTS = 0x037,
    TV_FMT_CATEGORIES = 0x007,
    TV_FMT_ITEMS = 0x070,
};

// Effects (the values of OLE's drop effects).
enum : uint32_t { TV_EFFECT_NONE = 0, TV_EFFECT_COPY = 1, TV_EFFECT_MOVE = 2, TV_EFFECT_LINK = 4 };

// Target kinds of a drop: the three item lists and a category of the tree.
enum { TV_DROP_NONE = 0, TV_DROP_DOWNLOAD_LIST = 1, TV_DROP_BOOKMARK_LIST = 2, TV_DROP_SHORTCUT_LIST = 3,
       TV_DROP_CATEGORY = 4 };

// Paste modes (what the last Copy or Cut asked for).
enum { TV_PASTE_NONE = 0, TV_PASTE_COPY = 1, TV_PASTE_CUT = 2 };

// The formats in the order they are asked for, with their bits. name is the registered name, null
// for the standard file list (CF_HDROP).
struct TDropFormat {
    const char* name;
    uint32_t bit;
};
extern const TDropFormat kDropFormats[9];
// The formats this program offers or reads beyond those of the table.
extern const char kFormatShellIdList[];        // "Shell IDList Array"
extern const char kFormatFileGroupDescriptor[];  // "FileGroupDescriptor"
extern const char kFormatFileGroupDescriptorW[];  // "FileGroupDescriptorW" (registered, not used)
extern const char kFormatFileContents[];       // "FileContents"

// The set accepted by the list of a kind (1 downloads, 2 bookmarks, 3 shortcuts); 0 otherwise.
uint32_t AcceptedFormats(int kind);
// The set a category of the kind accepts: its list's set plus the category format of its root.
uint32_t CategoryAcceptedFormats(int kind);
// The category bit and the item bit of a kind (0 for another value).
uint32_t CategoryFormatOf(int kind);
uint32_t ItemFormatOf(int kind);
// Whether a clipboard of this set can be pasted into the list of the kind.
bool PasteAccepted(uint32_t formats, int kind);

// What lies under the point of a drag.
enum { TV_DROP_AREA_NONE = 0, TV_DROP_AREA_LIST = 1, TV_DROP_AREA_TREE = 2 };
struct TDropHitInput {
    uint32_t formats = 0;       // the data object's format set
    int currentKind = 0;        // the kind of the selected category (1-3)
    int area = TV_DROP_AREA_NONE;
    int listKind = 0;           // area LIST: the kind of the list under the point
    int categoryKind = 0;       // area TREE: the kind of the category under the point (0: none)
    bool ctrl = false;
    bool shift = false;
    uint32_t allowed = TV_EFFECT_COPY | TV_EFFECT_MOVE | TV_EFFECT_LINK;  // what the source allows
};
struct TDropHitResult {
    int target = TV_DROP_NONE;
    bool selectCategory = false;  // the category under the point becomes the selected one
    uint32_t effect = TV_EFFECT_NONE;
};
// Where a drag over the main window lands and with which effect. An effect the source does not
// allow is replaced by one it allows (copy, then move, then link); none allowed: no target.
TDropHitResult HitTestDrop(const TDropHitInput& in);
// The effect of a drop on a target (before the source's allowed effects are applied).
uint32_t DropEffectFor(uint32_t formats, int target, int categoryKind, bool ctrl, bool shift);

// --- The standard file list (DROPFILES, ANSI): a 20-byte header whose first field is the offset of
// the list (20), then each path NUL-terminated and a final NUL. The block is sized by what it holds.
constexpr size_t TV_DROPFILES_HEADER = 20;
std::vector<uint8_t> BuildDropFiles(const std::vector<std::string>& paths);
// Reads a file list of any producer (ANSI or wide). The offset, the names and their terminators
// are checked against the block's size; a name that runs past the end is dropped. wide receives
// UTF-16 names when the block says so (and narrow stays empty), else narrow the ANSI names.
// False when the block is no file list (too small, offset outside).
bool ReadDropFiles(const uint8_t* data, size_t size, std::vector<std::string>* narrow,
                   std::vector<std::u16string>* wide);

// --- The file group descriptor of one file (the ANSI layout: a 4-byte count, then 332-byte
// descriptors). The block for a dragged bookmark is 668 bytes: count 1, one descriptor with the
// flags 0x8000 and the file name, the rest zero.
constexpr size_t TV_FILE_DESCRIPTOR_SIZE = 332;
constexpr size_t TV_FILE_DESCRIPTOR_NAME_OFFSET = 72;
constexpr size_t TV_FILE_GROUP_BLOCK = 668;
constexpr uint32_t TV_FD_LINKUI = 0x8000;
std::vector<uint8_t> BuildFileGroupDescriptor(const std::string& fileName);
// The file name of the first descriptor (its field may lack a terminator); false when the block
// holds none.
bool ReadFirstDescriptorName(const uint8_t* data, size_t size, std::string* name);
// A bookmark's title as a file name: characters that no file name may hold become "_"; at most
// 255 characters before ".url".
std::string BookmarkFileName(const std::string& title);
// The title a dropped link gets from its descriptor's file name: without folder and extension.
std::string TitleFromDescriptorName(const std::string& name);

// --- An internet shortcut file's contents for a URL.
std::string InternetShortcutContents(const std::string& url);
// The text of a NUL-terminated block, bounded by its size.
std::string TextOfBlock(const uint8_t* data, size_t size);

// --- The shell's item-identifier array: count, count + 1 offsets, then the parent's identifier
// list and one relative identifier list per item. Each list is passed with its terminating two
// zero bytes.
std::vector<uint8_t> BuildIdListArray(const std::vector<uint8_t>& parent,
                                      const std::vector<std::vector<uint8_t>>& children);
// The identifier lists of an array (parent first), each up to and with its terminator; false
// when an offset or a list runs outside the block.
bool ReadIdListArray(const uint8_t* data, size_t size, std::vector<std::vector<uint8_t>>* lists);

// --- The after-move clean-up of a drag started here: a dragged download or shortcut whose file
// was there when the drag started and is gone when it ended left the storage with the drag (the
// target moved it). Those records go; everything else stays, so that no record of a file that is
// still there is lost.
bool RecordLeftWithDrag(bool fileBefore, bool fileAfter, uint32_t effect);
