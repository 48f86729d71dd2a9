// IPropertyPage over a child dialog from a resource template.
//
// Derived provides the dialog (a Dialog whose template has the WS_CHILD style), the title string
// id, and the hooks:
//   void OnPageActivated();            after the dialog was created and moved
//   HRESULT ApplyChanges();            for Apply
#pragma once

#include "platform/ComObject.h"
#include "platform/Result.h"
#include "platform/Window.h"

#include <olectl.h>

#include <vector>

namespace platform {

template <class Derived>
class PropertyPageImpl : public ComObject<Derived, IPropertyPage> {
public:
    PropertyPageImpl(HINSTANCE module, UINT dialogId, UINT titleId) noexcept
        : module_(module), dialogId_(dialogId), titleId_(titleId) {}
    ~PropertyPageImpl() override {
        for (IUnknown* p : objects_) p->Release();
        if (site_) site_->Release();
    }

    STDMETHODIMP SetPageSite(IPropertyPageSite* site) override {
        if (site && site_) return E_UNEXPECTED;
        if (site) site->AddRef();
        if (site_) site_->Release();
        site_ = site;
        return S_OK;
    }

    STDMETHODIMP Activate(HWND parent, LPCRECT rect, BOOL) override {
        if (!rect) return E_POINTER;
        COM_TRY {
            Derived* self = static_cast<Derived*>(this);
            HWND page = self->PageDialog().Create(parent);
            if (!page) return HRESULT_FROM_WIN32(::GetLastError());
            ::MoveWindow(page, rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top, TRUE);
            self->OnPageActivated();
            return S_OK;
        }
        COM_CATCH_RETURN();
    }

    STDMETHODIMP Deactivate() override {
        static_cast<Derived*>(this)->PageDialog().Destroy();
        return S_OK;
    }

    STDMETHODIMP GetPageInfo(PROPPAGEINFO* info) override {
        if (!info) return E_POINTER;
        std::wstring title = LoadStringResource(module_, titleId_);
        size_t bytes = (title.size() + 1) * sizeof(wchar_t);
        auto* text = static_cast<LPOLESTR>(::CoTaskMemAlloc(bytes));
        if (!text) return E_OUTOFMEMORY;
        memcpy(text, title.c_str(), bytes);
        info->cb = sizeof(PROPPAGEINFO);
        info->pszTitle = text;
        info->size = TemplateSize();
        info->pszDocString = nullptr;
        info->pszHelpFile = nullptr;
        info->dwHelpContext = 0;
        return S_OK;
    }

    STDMETHODIMP SetObjects(ULONG count, IUnknown** objects) override {
        if (count && !objects) return E_POINTER;
        for (IUnknown* p : objects_) p->Release();
        objects_.clear();
        for (ULONG i = 0; i < count; ++i) {
            if (objects[i]) {
                objects[i]->AddRef();
                objects_.push_back(objects[i]);
            }
        }
        return S_OK;
    }

    STDMETHODIMP Show(UINT cmd) override {
        HWND page = static_cast<Derived*>(this)->PageDialog().Handle();
        if (!page) return E_UNEXPECTED;
        ::ShowWindow(page, static_cast<int>(cmd));
        return S_OK;
    }

    STDMETHODIMP Move(LPCRECT rect) override {
        if (!rect) return E_POINTER;
        HWND page = static_cast<Derived*>(this)->PageDialog().Handle();
        if (!page) return E_UNEXPECTED;
        ::MoveWindow(page, rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top, TRUE);
        return S_OK;
    }

    STDMETHODIMP IsPageDirty() override { return dirty_ ? S_OK : S_FALSE; }

    STDMETHODIMP Apply() override {
        COM_TRY {
            return static_cast<Derived*>(this)->ApplyChanges();
        }
        COM_CATCH_RETURN();
    }

    STDMETHODIMP Help(LPCOLESTR) override { return E_NOTIMPL; }
    STDMETHODIMP TranslateAccelerator(MSG*) override { return S_FALSE; }

    bool IsDirty() const noexcept { return dirty_; }

    // Marks the page changed; the first change since the last apply tells the site.
    void SetDirty(bool dirty) {
        if (dirty == dirty_) return;
        dirty_ = dirty;
        if (dirty && site_) site_->OnStatusChange(PROPPAGESTATUS_DIRTY | PROPPAGESTATUS_VALIDATE);
    }

    const std::vector<IUnknown*>& Objects() const noexcept { return objects_; }

private:
    // The dialog template's size in pixels, from dialog units.
    SIZE TemplateSize() const {
        SIZE size = {0, 0};
        HRSRC res = ::FindResourceW(module_, MAKEINTRESOURCEW(dialogId_), MAKEINTRESOURCEW(5) /* RT_DIALOG */);
        HGLOBAL data = res ? ::LoadResource(module_, res) : nullptr;
        const auto* tmpl = data ? static_cast<const DLGTEMPLATE*>(::LockResource(data)) : nullptr;
        if (!tmpl) return size;
        short cx = tmpl->cx, cy = tmpl->cy;
        // An extended template (DLGTEMPLATEEX) starts with version 1 and signature 0xFFFF.
        const WORD* words = reinterpret_cast<const WORD*>(tmpl);
        if (words[0] == 1 && words[1] == 0xFFFF) {
            cx = static_cast<short>(words[11]);
            cy = static_cast<short>(words[12]);
        }
        LONG units = ::GetDialogBaseUnits();
        size.cx = ::MulDiv(cx, LOWORD(units), 4);
        size.cy = ::MulDiv(cy, HIWORD(units), 8);
        return size;
    }

    HINSTANCE module_;
    UINT dialogId_;
    UINT titleId_;
    IPropertyPageSite* site_ = nullptr;
    std::vector<IUnknown*> objects_;
    bool dirty_ = false;
};

}  // namespace platform
