// A data object for tests that offers fixed blocks in global memory, as Explorer, a browser or
// another program would hand them over.
#pragma once

#include <windows.h>
#include <ole2.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "shell/dragdrop.h"

class TestDataObject : public IDataObject {
public:
    TestDataObject() = default;
    virtual ~TestDataObject() = default;

    void Offer(UINT format, const std::vector<uint8_t>& bytes) { blocks_[format] = bytes; }
    void OfferText(UINT format, const std::string& text) {
        Offer(format, std::vector<uint8_t>(text.c_str(), text.c_str() + text.size() + 1));
    }
    void OfferFiles(const std::vector<std::string>& paths) { Offer(CF_HDROP, BuildDropFiles(paths)); }
    // A link as a browser drags it: its URL, and a file group descriptor named after the page.
    void OfferLink(const std::string& url, const std::string& title) {
        OfferText(RegisterClipboardFormatA("UniformResourceLocator"), url);
        Offer(RegisterClipboardFormatA("FileGroupDescriptor"), BuildFileGroupDescriptor(title + ".url"));
    }
    int GetDataCalls() const { return getDataCalls_; }
    LONG References() const { return references_; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDataObject)) {
            *out = static_cast<IDataObject*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    // Lives on the stack or is deleted by its last Release when made with new.
    ULONG STDMETHODCALLTYPE AddRef() override { return ULONG(InterlockedIncrement(&references_)); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = InterlockedDecrement(&references_);
        if (left == 0 && heap_) delete this;
        return ULONG(left);
    }
    void OnHeap() { heap_ = true; }

    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* f, STGMEDIUM* medium) override {
        ++getDataCalls_;
        if (!f || !medium) return E_INVALIDARG;
        auto it = blocks_.find(f->cfFormat);
        if (it == blocks_.end() || !(f->tymed & TYMED_HGLOBAL)) return DV_E_FORMATETC;
        HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, it->second.size() ? it->second.size() : 1);
        if (!memory) return E_OUTOFMEMORY;
        void* p = GlobalLock(memory);
        if (!it->second.empty()) std::memcpy(p, it->second.data(), it->second.size());
        GlobalUnlock(memory);
        medium->tymed = TYMED_HGLOBAL;
        medium->hGlobal = memory;
        medium->pUnkForRelease = nullptr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* f) override {
        return f && blocks_.count(f->cfFormat) && (f->tymed & TYMED_HGLOBAL) ? S_OK : DV_E_FORMATETC;
    }
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override {
        if (out) out->ptd = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD direction, IEnumFORMATETC** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (direction != DATADIR_GET) return E_NOTIMPL;
        std::vector<FORMATETC> formats;
        for (const auto& block : blocks_) {
            FORMATETC f = {CLIPFORMAT(block.first), nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
            formats.push_back(f);
        }
        return SHCreateStdEnumFmtEtcCall(formats, out);
    }
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override { return OLE_E_ADVISENOTSUPPORTED; }
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override { return OLE_E_ADVISENOTSUPPORTED; }

private:
    static HRESULT SHCreateStdEnumFmtEtcCall(const std::vector<FORMATETC>& formats, IEnumFORMATETC** out) {
        using Create = HRESULT(WINAPI*)(UINT, const FORMATETC*, IEnumFORMATETC**);
        HMODULE shell = LoadLibraryA("shell32.dll");
        Create create = shell ? reinterpret_cast<Create>(reinterpret_cast<void*>(GetProcAddress(shell, "SHCreateStdEnumFmtEtc")))
                              : nullptr;
        return create ? create(UINT(formats.size()), formats.data(), out) : E_NOTIMPL;
    }

    std::map<UINT, std::vector<uint8_t>> blocks_;
    LONG references_ = 1;
    bool heap_ = false;
    int getDataCalls_ = 0;
};
