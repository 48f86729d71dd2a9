#include "samples/host/AdviseSink.h"

namespace samplehost {

AdviseSink::AdviseSink(HWND siteWindow) : siteWindow_(siteWindow) {}

STDMETHODIMP_(void) AdviseSink::OnDataChange(FORMATETC*, STGMEDIUM*) {}

STDMETHODIMP_(void) AdviseSink::OnViewChange(DWORD aspect, LONG) {
    try {
        ++viewChanges_;
        // Repaint the site and the control's window in it, as a container does for a changed view.
        if (aspect == DVASPECT_CONTENT && ::IsWindow(siteWindow_))
            ::RedrawWindow(siteWindow_, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
    }
    COM_CATCH_LOG();
}

STDMETHODIMP_(void) AdviseSink::OnRename(IMoniker*) {}
STDMETHODIMP_(void) AdviseSink::OnSave() {}

STDMETHODIMP_(void) AdviseSink::OnClose() { closed_ = true; }

}  // namespace samplehost
