// Hears the control's view and close notifications: a changed view repaints the site window and
// the control's window in it.
#pragma once

#include "platform/ComObject.h"

#include <objidl.h>

namespace samplehost {

class AdviseSink : public platform::ComObject<AdviseSink, IAdviseSink> {
public:
    explicit AdviseSink(HWND siteWindow);

    unsigned ViewChanges() const noexcept { return viewChanges_; }
    bool Closed() const noexcept { return closed_; }

    // IAdviseSink
    STDMETHODIMP_(void) OnDataChange(FORMATETC* format, STGMEDIUM* medium) override;
    STDMETHODIMP_(void) OnViewChange(DWORD aspect, LONG index) override;
    STDMETHODIMP_(void) OnRename(IMoniker* moniker) override;
    STDMETHODIMP_(void) OnSave() override;
    STDMETHODIMP_(void) OnClose() override;

private:
    HWND siteWindow_;
    unsigned viewChanges_ = 0;
    bool closed_ = false;
};

}  // namespace samplehost
