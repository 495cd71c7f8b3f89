#include "shell/win_droptarget.h"

#include <new>

#include "shell/win_dataobject.h"

TDropTarget* TDropTarget::Create(TDropHost* host) { return new (std::nothrow) TDropTarget(host); }

TDropTarget::~TDropTarget() { Clear(); }

HRESULT TDropTarget::QueryInterface(REFIID riid, void** out) {
    if (!out) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDropTarget)) {
        *out = static_cast<IDropTarget*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

ULONG TDropTarget::AddRef() { return ULONG(InterlockedIncrement(&references_)); }

ULONG TDropTarget::Release() {
    const LONG left = InterlockedDecrement(&references_);
    if (left == 0) delete this;
    return ULONG(left);
}

void TDropTarget::Clear() {
    if (data_) data_->Release();
    data_ = nullptr;
    formats_ = 0;
    last_ = TDropHitResult();
}

TDropHitResult TDropTarget::HitTest(DWORD keys, POINTL point, DWORD allowed) {
    TDropHitResult result;
    if (!host_ || !formats_) return result;
    TDropHitInput in;
    ListNode* category = nullptr;
    host_->DescribeDropPoint(POINT{point.x, point.y}, &in, &category);
    in.formats = formats_;
    in.ctrl = (keys & MK_CONTROL) != 0;
    in.shift = (keys & MK_SHIFT) != 0;
    in.allowed = allowed & (TV_EFFECT_COPY | TV_EFFECT_MOVE | TV_EFFECT_LINK);
    result = HitTestDrop(in);
    if (result.selectCategory && category) host_->SelectDropCategory(category);
    return result;
}

HRESULT TDropTarget::DragEnter(IDataObject* data, DWORD keys, POINTL point, DWORD* effect) {
    if (!effect) return E_INVALIDARG;
    try {
        Clear();
        if (data && host_) {
            data_ = data;
            data_->AddRef();
            formats_ = EvaluateFormats(data);
        }
        last_ = HitTest(keys, point, *effect);
        *effect = last_.effect;
    } catch (...) {
        *effect = DROPEFFECT_NONE;
    }
    return S_OK;
}

HRESULT TDropTarget::DragOver(DWORD keys, POINTL point, DWORD* effect) {
    if (!effect) return E_INVALIDARG;
    try {
        last_ = HitTest(keys, point, *effect);
        *effect = last_.effect;
    } catch (...) {
        *effect = DROPEFFECT_NONE;
    }
    return S_OK;
}

HRESULT TDropTarget::DragLeave() {
    Clear();
    return S_OK;
}

HRESULT TDropTarget::Drop(IDataObject* data, DWORD keys, POINTL point, DWORD* effect) {
    if (!effect) return E_INVALIDARG;
    const DWORD allowed = *effect;
    *effect = DROPEFFECT_NONE;
    try {
        Clear();
        if (!data || !host_) return S_OK;
        formats_ = EvaluateFormats(data);
        const TDropHitResult hit = HitTest(keys, point, allowed);
        formats_ = 0;
        // No target: nothing happens, and the source is told so (it must not delete anything).
        if (hit.target == TV_DROP_NONE || hit.effect == TV_EFFECT_NONE) return S_OK;
        TDropInfo info;
        info.formats = EvaluateFormats(data);
        info.target = hit.target;
        info.data = data;
        info.keyState = keys;
        info.point = POINT{point.x, point.y};
        info.operation = hit.effect;
        *effect = host_->DeliverDrop(info);
    } catch (...) {
        *effect = DROPEFFECT_NONE;
    }
    return S_OK;
}

// --- Drop source.

TDropSource* TDropSource::Create(DWORD button) { return new (std::nothrow) TDropSource(button); }

HRESULT TDropSource::QueryInterface(REFIID riid, void** out) {
    if (!out) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDropSource)) {
        *out = static_cast<IDropSource*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

ULONG TDropSource::AddRef() { return ULONG(InterlockedIncrement(&references_)); }

ULONG TDropSource::Release() {
    const LONG left = InterlockedDecrement(&references_);
    if (left == 0) delete this;
    return ULONG(left);
}

HRESULT TDropSource::QueryContinueDrag(BOOL escape, DWORD keys) {
    if (escape) return DRAGDROP_S_CANCEL;
    if (!(keys & button_)) return DRAGDROP_S_DROP;
    return S_OK;
}

HRESULT TDropSource::GiveFeedback(DWORD) { return DRAGDROP_S_USEDEFAULTCURSORS; }
