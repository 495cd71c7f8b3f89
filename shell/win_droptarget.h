// The main window's OLE drop target and the drop source of drags started from its views.
#pragma once

#include <windows.h>
#include <ole2.h>

#include <cstdint>

#include "core/lists.h"
#include "shell/dragdrop.h"
#include "shell/win_dropprocess.h"

// What the drop target asks of the window it serves.
class TDropHost {
public:
    virtual ~TDropHost() = default;
    // What lies under a screen point: fills area, listKind, categoryKind and currentKind of in;
    // *category receives the category under the point in the tree (null elsewhere).
    virtual void DescribeDropPoint(POINT screen, TDropHitInput* in, ListNode** category) = 0;
    // The category under a drag becomes the selected one (the tree follows the drag).
    virtual void SelectDropCategory(ListNode* category) = 0;
    // Hands the drop over (WM_USER+3 to the main window); returns the effect for the source.
    virtual uint32_t DeliverDrop(const TDropInfo& info) = 0;
};

class TDropTarget : public IDropTarget {
public:
    // One reference for the caller.
    static TDropTarget* Create(TDropHost* host);
    // After this the target answers every call with "no drop" (the window is going away).
    void Detach() { host_ = nullptr; }

    // The result of the last enter or over (none after a leave).
    const TDropHitResult& LastHit() const { return last_; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD keys, POINTL point, DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragOver(DWORD keys, POINTL point, DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragLeave() override;
    HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keys, POINTL point, DWORD* effect) override;

private:
    explicit TDropTarget(TDropHost* host) : host_(host) {}
    virtual ~TDropTarget();
    TDropHitResult HitTest(DWORD keys, POINTL point, DWORD allowed);
    void Clear();

    LONG references_ = 1;
    TDropHost* host_;
    IDataObject* data_ = nullptr;
    uint32_t formats_ = 0;
    TDropHitResult last_;
};

// Ends the drag on a drop (the button that started it released) and cancels it on Esc.
class TDropSource : public IDropSource {
public:
    // button: MK_LBUTTON or MK_RBUTTON. One reference for the caller.
    static TDropSource* Create(DWORD button);
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL escape, DWORD keys) override;
    HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD effect) override;

private:
    explicit TDropSource(DWORD button) : button_(button) {}
    virtual ~TDropSource() = default;
    LONG references_ = 1;
    DWORD button_;
};
