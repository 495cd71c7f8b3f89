// The drop target of a viewer window and its member list.
#include "archive/win/viewer_drop.h"

#include <shellapi.h>

#include "archive/viewer_ids.h"
#include "util/tvbase.h"

namespace {

IDataObject* handedOver = nullptr;

bool OffersFiles(IDataObject* data) {
    if (!data) return false;
    FORMATETC format = {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    return data->QueryGetData(&format) == S_OK;
}

class TViewerDropTarget : public IDropTarget {
public:
    explicit TViewerDropTarget(HWND viewer) : viewer_(viewer) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDropTarget)) {
            *out = static_cast<IDropTarget*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&references_); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = InterlockedDecrement(&references_);
        if (left == 0) delete this;
        return ULONG(left);
    }

    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD, POINTL, DWORD* effect) override {
        accept_ = OffersFiles(data);
        if (effect) *effect = accept_ ? DROPEFFECT_COPY : DROPEFFECT_NONE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DragOver(DWORD, POINTL, DWORD* effect) override {
        if (effect) *effect = accept_ ? DROPEFFECT_COPY : DROPEFFECT_NONE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DragLeave() override {
        accept_ = false;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD, POINTL, DWORD* effect) override {
        const bool accept = OffersFiles(data);
        accept_ = false;
        if (effect) *effect = accept ? DROPEFFECT_COPY : DROPEFFECT_NONE;
        // The viewer reads the names at once and shows its dialog after the drop has returned
        // (never inside the drag loop of the source).
        if (accept && IsWindow(viewer_)) SendFilesDropped(viewer_, data);
        return S_OK;
    }

private:
    virtual ~TViewerDropTarget() = default;
    LONG references_ = 1;
    HWND viewer_;
    bool accept_ = false;
};

}  // namespace

IDropTarget* CreateViewerDropTarget(HWND viewer) { return new TViewerDropTarget(viewer); }

std::vector<std::string> DroppedFileNames(IDataObject* data) {
    std::vector<std::string> names;
    if (!data) return names;
    FORMATETC format = {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium = {};
    if (data->GetData(&format, &medium) != S_OK) return names;
    HDROP drop = static_cast<HDROP>(GlobalLock(medium.hGlobal));
    if (drop) {
        const UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
        for (UINT i = 0; i < count; ++i) {
            char name[TV_PATH_SIZE] = {};
            const UINT n = DragQueryFileA(drop, i, name, sizeof name);
            if (n > 0 && n < sizeof name) names.emplace_back(name);
        }
        GlobalUnlock(medium.hGlobal);
    }
    ReleaseStgMedium(&medium);
    return names;
}

LRESULT SendFilesDropped(HWND viewer, IDataObject* data) {
    IDataObject* previous = handedOver;
    handedOver = data;
    const LRESULT result = SendMessageA(viewer, IV_WM_FILES_DROPPED, 0, reinterpret_cast<LPARAM>(data));
    handedOver = previous;
    return result;
}

bool IsDroppedDataHandedOver(IDataObject* data) { return data && data == handedOver; }
