// The program's OLE data object (what Cut, Copy and a drag from a view offer) and the readers of
// data objects that arrive from the clipboard or a drop, ours or another program's.
#pragma once

#include <windows.h>
#include <ole2.h>

#include <cstdint>
#include <string>
#include <vector>

#include "core/lists.h"

struct TProgramData;

// One dragged thing: kind 0 a category, 1 a download, 2 a bookmark, 3 a shortcut.
struct TDraggedEntry {
    int kind;
    ListNode* node;
};
using TDraggedList = std::vector<TDraggedEntry>;

// The clipboard formats of the program, registered once at start-up (and on first use).
void RegisterClipboardFormats();
// The format id of a format bit (TV_FMT_*), 0 for none.
UINT ClipboardFormatOf(uint32_t bit);
UINT ShellIdListFormat();
UINT FileGroupDescriptorFormat();
UINT FileContentsFormat();

// Reference counted; rendered into global memory on request. The records are looked up again at
// each rendering: an entry whose record has left its list is skipped.
class TDataObject : public IDataObject {
public:
    // contentKind: TV_FMT_FILE_CATEGORIES ... TV_FMT_SHORTCUT_CATEGORIES, TV_FMT_DOWNLOADS,
    // TV_FMT_BOOKMARKS or TV_FMT_SHORTCUTS. Null when the list is empty. The caller owns the one
    // reference it gets.
    static TDataObject* Create(TProgramData* program, uint32_t contentKind, TDraggedList entries);

    uint32_t ContentKind() const { return contentKind_; }
    const TDraggedList& Entries() const { return entries_; }

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    // IDataObject
    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override;
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC* format, STGMEDIUM* medium) override;
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override;
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC* in, FORMATETC* out) override;
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC* format, STGMEDIUM* medium, BOOL release) override;
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD direction, IEnumFORMATETC** out) override;
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override;
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override;
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override;

    // The rendering of a format as bytes (what GetData puts into global memory); false when the
    // format is not offered or there is nothing to render.
    bool Render(UINT format, LONG index, std::vector<uint8_t>* bytes) const;
    // The formats offered, in order.
    std::vector<UINT> Formats() const;

private:
    TDataObject(TProgramData* program, uint32_t contentKind, TDraggedList entries);
    virtual ~TDataObject();

    bool ValidEntry(const TDraggedEntry& entry) const;
    // Full paths of the valid downloads or shortcuts.
    std::vector<std::string> ItemPaths() const;
    const struct BookmarkItem* FirstBookmark() const;

    LONG references_ = 1;
    TProgramData* program_;
    uint32_t contentKind_;
    TDraggedList entries_;
};

// --- Reading a data object.
// The format set of a data object (each format of the table asked with QueryGetData).
uint32_t EvaluateFormats(IDataObject* data);
// The dragged list carried in the in-process format of the bit, when the data object came from a
// live data object of this process; null for a block of another process, a released object or a
// block of the wrong size.
const TDraggedList* ReadDraggedList(IDataObject* data, uint32_t formatBit, uint32_t* contentKind = nullptr);
// The file names of the standard file list (wide names in their ANSI form, or their short form
// when they have none; names longer than 260 characters are left out).
std::vector<std::string> ReadDroppedFiles(IDataObject* data);
// The URL as "UniformResourceLocator" (netscape false) or as text (true); false when none.
bool ReadDroppedUrl(IDataObject* data, bool netscape, std::string* url);
// The title of a dropped link: the first file name of its "FileGroupDescriptor" without folder
// and extension; empty when none is offered.
std::string ReadDroppedTitle(IDataObject* data);
// The bytes of a format in global memory (index for "FileContents"); false when not given.
bool ReadFormatBytes(IDataObject* data, UINT format, LONG index, std::vector<uint8_t>* bytes);
