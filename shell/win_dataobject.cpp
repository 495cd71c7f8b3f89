#include "shell/win_dataobject.h"

#include <shlobj.h>

#include <cstring>
#include <set>

#include "core/items.h"
#include "database/programdata.h"
#include "shell/dragdrop.h"
#include "util/path.h"

namespace {

UINT g_formats[TV_COUNTOF(kDropFormats)] = {};
UINT g_shellIdList = 0, g_fileGroupDescriptor = 0, g_fileGroupDescriptorW = 0, g_fileContents = 0;

// The data objects of this process that are alive: an in-process block names one of them.
std::set<const TDataObject*>& LiveObjects() {
    static std::set<const TDataObject*> objects;
    return objects;
}

// The in-process block: the address of the data object that carries the list, and the process
// that made it (an address of another process means nothing here).
struct InProcessBlock {
    uint32_t address;
    uint32_t process;
};

std::vector<uint8_t> Bytes(const void* p, size_t n) {
    const uint8_t* b = static_cast<const uint8_t*>(p);
    return std::vector<uint8_t>(b, b + n);
}

// Size of an item-identifier list without its terminator.
size_t IdListBytes(LPCITEMIDLIST list) {
    size_t size = 0;
    const uint8_t* p = reinterpret_cast<const uint8_t*>(list);
    while (p && *reinterpret_cast<const USHORT*>(p + size)) size += *reinterpret_cast<const USHORT*>(p + size);
    return size;
}

// The absolute identifier list of a path (CoTaskMemFree it), null when the shell does not know it.
LPITEMIDLIST ParsePath(const std::string& path) {
    WCHAR wide[MAX_PATH + 1];
    if (!MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH + 1)) return nullptr;
    IShellFolder* desktop = nullptr;
    if (FAILED(SHGetDesktopFolder(&desktop)) || !desktop) return nullptr;
    LPITEMIDLIST list = nullptr;
    ULONG eaten = 0;
    if (FAILED(desktop->ParseDisplayName(nullptr, nullptr, wide, &eaten, &list, nullptr))) list = nullptr;
    desktop->Release();
    return list;
}

class TFormatEnumerator : public IEnumFORMATETC {
public:
    explicit TFormatEnumerator(std::vector<FORMATETC> formats, size_t at = 0) : formats_(std::move(formats)), at_(at) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IEnumFORMATETC)) {
            *out = static_cast<IEnumFORMATETC*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ULONG(InterlockedIncrement(&references_)); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = InterlockedDecrement(&references_);
        if (left == 0) delete this;
        return ULONG(left);
    }
    HRESULT STDMETHODCALLTYPE Next(ULONG count, FORMATETC* out, ULONG* fetched) override {
        if (!out || (count > 1 && !fetched)) return E_POINTER;
        ULONG n = 0;
        while (n < count && at_ < formats_.size()) out[n++] = formats_[at_++];
        if (fetched) *fetched = n;
        return n == count ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override {
        at_ += count;
        if (at_ > formats_.size()) {
            at_ = formats_.size();
            return S_FALSE;
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Reset() override {
        at_ = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clone(IEnumFORMATETC** out) override {
        if (!out) return E_POINTER;
        *out = new (std::nothrow) TFormatEnumerator(formats_, at_);
        return *out ? S_OK : E_OUTOFMEMORY;
    }

private:
    virtual ~TFormatEnumerator() = default;
    LONG references_ = 1;
    std::vector<FORMATETC> formats_;
    size_t at_;
};

FORMATETC GlobalFormat(UINT format, LONG index = -1) {
    FORMATETC f = {};
    f.cfFormat = CLIPFORMAT(format);
    f.dwAspect = DVASPECT_CONTENT;
    f.lindex = index;
    f.tymed = TYMED_HGLOBAL;
    return f;
}

}  // namespace

void RegisterClipboardFormats() {
    if (g_formats[0]) return;
    for (size_t i = 0; i < TV_COUNTOF(kDropFormats); ++i)
        g_formats[i] = kDropFormats[i].name ? RegisterClipboardFormatA(kDropFormats[i].name) : CF_HDROP;
    g_shellIdList = RegisterClipboardFormatA(kFormatShellIdList);
    g_fileGroupDescriptor = RegisterClipboardFormatA(kFormatFileGroupDescriptor);
    g_fileGroupDescriptorW = RegisterClipboardFormatA(kFormatFileGroupDescriptorW);
    g_fileContents = RegisterClipboardFormatA(kFormatFileContents);
}

UINT ClipboardFormatOf(uint32_t bit) {
    RegisterClipboardFormats();
    for (size_t i = 0; i < TV_COUNTOF(kDropFormats); ++i)
        if (kDropFormats[i].bit == bit) return g_formats[i];
    return 0;
}
UINT ShellIdListFormat() {
    RegisterClipboardFormats();
    return g_shellIdList;
}
UINT FileGroupDescriptorFormat() {
    RegisterClipboardFormats();
    return g_fileGroupDescriptor;
}
UINT FileContentsFormat() {
    RegisterClipboardFormats();
    return g_fileContents;
}

// --- The data object.

TDataObject* TDataObject::Create(TProgramData* program, uint32_t contentKind, TDraggedList entries) {
    if (!program || entries.empty()) return nullptr;
    RegisterClipboardFormats();
    return new (std::nothrow) TDataObject(program, contentKind, std::move(entries));
}

TDataObject::TDataObject(TProgramData* program, uint32_t contentKind, TDraggedList entries)
    : program_(program), contentKind_(contentKind), entries_(std::move(entries)) {
    LiveObjects().insert(this);
}

TDataObject::~TDataObject() { LiveObjects().erase(this); }

HRESULT TDataObject::QueryInterface(REFIID riid, void** out) {
    if (!out) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDataObject)) {
        *out = static_cast<IDataObject*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

ULONG TDataObject::AddRef() { return ULONG(InterlockedIncrement(&references_)); }

ULONG TDataObject::Release() {
    const LONG left = InterlockedDecrement(&references_);
    if (left == 0) delete this;
    return ULONG(left);
}

bool TDataObject::ValidEntry(const TDraggedEntry& e) const {
    switch (e.kind) {
        case 0: return program_->categories.IsNodeValid(e.node, 1) != 0;
        case 1: return program_->downloads.IsNodeValid(e.node, 1) != 0;
        case 2: return program_->bookmarks.IsNodeValid(e.node, 1) != 0;
        case 3: return program_->shortcuts.IsNodeValid(e.node, 1) != 0;
        default: return false;
    }
}

std::vector<std::string> TDataObject::ItemPaths() const {
    std::vector<std::string> paths;
    const StorageLocations locations = {program_->standards.downloadsLocation, program_->standards.shortcutsLocation};
    for (const TDraggedEntry& e : entries_) {
        if (!ValidEntry(e)) continue;
        char path[TV_PATH_SIZE];
        int code = TV_FOLDER_INVALID_NODE;
        if (e.kind == 1)
            code = program_->downloads.FilePath(path, sizeof(path), TFileListObject::Item(e.node),
                                                &program_->categories, locations);
        else if (e.kind == 3)
            code = program_->shortcuts.ShortcutPath(path, sizeof(path), TShortcutListObject::Item(e.node),
                                                    &program_->categories, locations);
        if (code == TV_FOLDER_OK) paths.emplace_back(path);
    }
    return paths;
}

const BookmarkItem* TDataObject::FirstBookmark() const {
    for (const TDraggedEntry& e : entries_)
        if (e.kind == 2 && ValidEntry(e)) return TBookmarkListObject::Item(e.node);
    return nullptr;
}

std::vector<UINT> TDataObject::Formats() const {
    std::vector<UINT> formats;
    switch (contentKind_) {
        case TV_FMT_DOWNLOADS:
        case TV_FMT_SHORTCUTS:
            formats = {CF_HDROP, g_shellIdList};
            break;
        case TV_FMT_BOOKMARKS:
            formats = {CF_TEXT, ClipboardFormatOf(TV_FMT_URL), g_fileGroupDescriptor, g_fileContents};
            break;
        default:
            break;
    }
    formats.push_back(ClipboardFormatOf(contentKind_));
    return formats;
}

bool TDataObject::Render(UINT format, LONG index, std::vector<uint8_t>* bytes) const {
    bytes->clear();
    if (!format || format != ClipboardFormatOf(contentKind_)) {
        bool offered = false;
        for (UINT f : Formats()) offered = offered || f == format;
        if (!offered) return false;
    }
    if (format == ClipboardFormatOf(contentKind_)) {
        const InProcessBlock block = {uint32_t(reinterpret_cast<uintptr_t>(this)), uint32_t(GetCurrentProcessId())};
        *bytes = Bytes(&block, sizeof(block));
        return true;
    }
    if (contentKind_ == TV_FMT_BOOKMARKS) {
        const BookmarkItem* bookmark = FirstBookmark();
        if (!bookmark) return false;
        const std::string url = bookmark->url ? bookmark->url : "";
        if (format == CF_TEXT || format == ClipboardFormatOf(TV_FMT_URL)) {
            *bytes = Bytes(url.c_str(), url.size() + 1);
        } else if (format == g_fileGroupDescriptor) {
            *bytes = BuildFileGroupDescriptor(BookmarkFileName(bookmark->title ? bookmark->title : ""));
        } else if (format == g_fileContents) {
            if (index > 0) return false;
            const std::string text = InternetShortcutContents(url);
            *bytes = Bytes(text.c_str(), text.size() + 1);
        }
        return !bytes->empty();
    }
    const std::vector<std::string> paths = ItemPaths();
    if (paths.empty()) return false;
    if (format == CF_HDROP) {
        *bytes = BuildDropFiles(paths);
        return true;
    }
    if (format == g_shellIdList) {
        char folder[TV_PATH_SIZE];
        SplitPath(paths[0].c_str(), folder, sizeof(folder), nullptr, 0);
        LPITEMIDLIST parent = ParsePath(folder);
        if (!parent) return false;
        std::vector<uint8_t> parentBytes = Bytes(parent, IdListBytes(parent) + 2);
        CoTaskMemFree(parent);
        std::vector<std::vector<uint8_t>> children;
        for (const std::string& path : paths) {
            LPITEMIDLIST item = ParsePath(path);
            if (!item) continue;
            // The last identifier of the absolute list names the item inside its folder.
            const uint8_t* p = reinterpret_cast<const uint8_t*>(item);
            const uint8_t* last = p;
            for (const uint8_t* q = p; *reinterpret_cast<const USHORT*>(q); q += *reinterpret_cast<const USHORT*>(q))
                last = q;
            const size_t size = *reinterpret_cast<const USHORT*>(last);
            std::vector<uint8_t> child(last, last + size);
            child.push_back(0);
            child.push_back(0);
            if (size) children.push_back(std::move(child));
            CoTaskMemFree(item);
        }
        if (children.empty()) return false;
        *bytes = BuildIdListArray(parentBytes, children);
        return true;
    }
    return false;
}

HRESULT TDataObject::GetData(FORMATETC* format, STGMEDIUM* medium) {
    if (!format || !medium) return E_INVALIDARG;
    std::memset(medium, 0, sizeof(*medium));
    if (!(format->tymed & TYMED_HGLOBAL) || format->dwAspect != DVASPECT_CONTENT) return DV_E_FORMATETC;
    try {
        std::vector<uint8_t> bytes;
        const UINT f = format->cfFormat;
        bool offered = false;
        for (UINT known : Formats()) offered = offered || known == f;
        if (!offered) return DV_E_FORMATETC;
        if (!Render(f, f == g_fileContents ? format->lindex : -1, &bytes)) return E_OUTOFMEMORY;
        HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes.size());
        if (!memory) return E_OUTOFMEMORY;
        void* p = GlobalLock(memory);
        if (!p) {
            GlobalFree(memory);
            return E_OUTOFMEMORY;
        }
        std::memcpy(p, bytes.data(), bytes.size());
        GlobalUnlock(memory);
        medium->tymed = TYMED_HGLOBAL;
        medium->hGlobal = memory;
        medium->pUnkForRelease = nullptr;
        return S_OK;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

HRESULT TDataObject::GetDataHere(FORMATETC*, STGMEDIUM*) { return E_NOTIMPL; }

HRESULT TDataObject::QueryGetData(FORMATETC* format) {
    if (!format) return E_INVALIDARG;
    if (format->dwAspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    if (!(format->tymed & TYMED_HGLOBAL)) return DV_E_TYMED;
    for (UINT f : Formats())
        if (f == format->cfFormat) return S_OK;
    return DV_E_FORMATETC;
}

HRESULT TDataObject::GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) {
    if (out) out->ptd = nullptr;
    return E_NOTIMPL;
}

HRESULT TDataObject::SetData(FORMATETC*, STGMEDIUM*, BOOL) { return E_NOTIMPL; }

HRESULT TDataObject::EnumFormatEtc(DWORD direction, IEnumFORMATETC** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (direction != DATADIR_GET) return E_NOTIMPL;
    try {
        std::vector<FORMATETC> formats;
        for (UINT f : Formats()) formats.push_back(GlobalFormat(f));
        *out = new TFormatEnumerator(std::move(formats));
        return S_OK;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

HRESULT TDataObject::DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) { return OLE_E_ADVISENOTSUPPORTED; }
HRESULT TDataObject::DUnadvise(DWORD) { return OLE_E_ADVISENOTSUPPORTED; }
HRESULT TDataObject::EnumDAdvise(IEnumSTATDATA**) { return OLE_E_ADVISENOTSUPPORTED; }

// --- Reading.

bool ReadFormatBytes(IDataObject* data, UINT format, LONG index, std::vector<uint8_t>* bytes) {
    bytes->clear();
    if (!data || !format) return false;
    FORMATETC f = GlobalFormat(format, index);
    STGMEDIUM medium = {};
    if (FAILED(data->GetData(&f, &medium))) return false;
    bool ok = false;
    if (medium.tymed == TYMED_HGLOBAL && medium.hGlobal) {
        const SIZE_T size = GlobalSize(medium.hGlobal);
        const void* p = GlobalLock(medium.hGlobal);
        if (p) {
            bytes->assign(static_cast<const uint8_t*>(p), static_cast<const uint8_t*>(p) + size);
            GlobalUnlock(medium.hGlobal);
            ok = true;
        }
    }
    ReleaseStgMedium(&medium);
    return ok;
}

uint32_t EvaluateFormats(IDataObject* data) {
    if (!data) return 0;
    RegisterClipboardFormats();
    uint32_t set = 0;
    for (size_t i = 0; i < TV_COUNTOF(kDropFormats); ++i) {
        FORMATETC f = GlobalFormat(g_formats[i]);
        if (data->QueryGetData(&f) == S_OK) set |= kDropFormats[i].bit;
    }
    return set;
}

const TDraggedList* ReadDraggedList(IDataObject* data, uint32_t formatBit, uint32_t* contentKind) {
    std::vector<uint8_t> bytes;
    if (!ReadFormatBytes(data, ClipboardFormatOf(formatBit), -1, &bytes) || bytes.size() < sizeof(InProcessBlock))
        return nullptr;
    InProcessBlock block;
    std::memcpy(&block, bytes.data(), sizeof(block));
    if (block.process != GetCurrentProcessId()) return nullptr;
    for (const TDataObject* object : LiveObjects()) {
        if (uint32_t(reinterpret_cast<uintptr_t>(object)) != block.address) continue;
        if (object->ContentKind() != formatBit) return nullptr;
        if (contentKind) *contentKind = object->ContentKind();
        return &object->Entries();
    }
    return nullptr;
}

std::vector<std::string> ReadDroppedFiles(IDataObject* data) {
    std::vector<std::string> files;
    std::vector<uint8_t> bytes;
    if (!ReadFormatBytes(data, CF_HDROP, -1, &bytes)) return files;
    std::vector<std::string> narrow;
    std::vector<std::u16string> wide;
    if (!ReadDropFiles(bytes.data(), bytes.size(), &narrow, &wide)) return files;
    for (std::string& name : narrow)
        if (name.size() < TV_PATH_SIZE) files.push_back(std::move(name));
    for (const std::u16string& name : wide) {
        std::wstring w(name.begin(), name.end());
        char ansi[TV_PATH_SIZE];
        BOOL lossy = FALSE;
        int n = WideCharToMultiByte(CP_ACP, 0, w.c_str(), -1, ansi, sizeof(ansi), nullptr, &lossy);
        if (n > 0 && lossy) {
            // A name without an ANSI form is reached through its short form.
            WCHAR shortName[MAX_PATH + 1];
            const DWORD length = GetShortPathNameW(w.c_str(), shortName, MAX_PATH + 1);
            lossy = TRUE;
            n = length > 0 && length <= MAX_PATH
                    ? WideCharToMultiByte(CP_ACP, 0, shortName, -1, ansi, sizeof(ansi), nullptr, &lossy)
                    : 0;
        }
        if (n > 0 && !lossy) files.emplace_back(ansi);
    }
    return files;
}

bool ReadDroppedUrl(IDataObject* data, bool netscape, std::string* url) {
    url->clear();
    std::vector<uint8_t> bytes;
    if (!ReadFormatBytes(data, netscape ? UINT(CF_TEXT) : ClipboardFormatOf(TV_FMT_URL), -1, &bytes)) return false;
    *url = TextOfBlock(bytes.data(), bytes.size());
    return !url->empty();
}

std::string ReadDroppedTitle(IDataObject* data) {
    std::vector<uint8_t> bytes;
    std::string name;
    if (!ReadFormatBytes(data, FileGroupDescriptorFormat(), -1, &bytes) ||
        !ReadFirstDescriptorName(bytes.data(), bytes.size(), &name))
        return std::string();
    return TitleFromDescriptorName(name);
}
