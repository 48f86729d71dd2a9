// The host's attribute picker: a small in-place ActiveX control, a "..." button that opens a list
// of the attributes of the collection it was given; choosing one fires AttributePicked (event 1)
// with its name on _DZmdAttributePickerEvents.
#include "standins/host/Classes.h"

#include "platform/ClassFactory.h"
#include "platform/ComObject.h"
#include "platform/ConnectionPoint.h"
#include "platform/Dispatch.h"
#include "platform/Module.h"
#include "platform/Result.h"
#include "platform/Window.h"

#include "HostInterfaces.h"

#include <string>
#include <vector>

namespace hoststandin {
class AttributePicker;
}

namespace platform {
template <>
struct InterfaceIdOf<ConnectionPointContainerImpl<hoststandin::AttributePicker>> {
    static const IID& Get() { return IID_IConnectionPointContainer; }
};
}  // namespace platform

namespace hoststandin {

namespace {

const wchar_t kButtonClass[] = L"VadazAttributePicker";
const wchar_t kListClass[] = L"VadazAttributePickerList";
constexpr int kListId = 100;

}  // namespace

class AttributePicker
    : public platform::ComObject<AttributePicker, platform::DualImpl<IAttributePicker>, IOleObject, IOleInPlaceObject,
                                 platform::Also<IOleWindow, IOleInPlaceObject>, IPersistStreamInit,
                                 platform::Also<IPersist, IPersistStreamInit>,
                                 platform::ConnectionPointContainerImpl<AttributePicker>,
                                 platform::Also<IDispatch, platform::DualImpl<IAttributePicker>>> {
public:
    AttributePicker() : events_(static_cast<IAttributePicker*>(this), this, DIID__DZmdAttributePickerEvents) {
        points_[0] = &events_;
    }
    ~AttributePicker() override { DestroyWindows(); }

    platform::ConnectionPoint* const* ConnectionPointArray(size_t& count) {
        count = 1;
        return points_;
    }

    // IAttributePicker
    STDMETHODIMP putref_Attributes(IDispatch* collection) override {
        attributes_ = collection;
        return S_OK;
    }
    STDMETHODIMP get_Attributes(IDispatch** collection) override {
        if (!collection) return E_POINTER;
        return attributes_.CopyTo(collection);
    }
    STDMETHODIMP get_ListedNames(BSTR* names) override {
        if (!names) return E_POINTER;
        std::wstring text;
        for (const std::wstring& name : Names()) text += name + L"\n";
        *names = ::SysAllocString(text.c_str());
        return *names ? S_OK : E_OUTOFMEMORY;
    }

    // IOleObject
    STDMETHODIMP SetClientSite(IOleClientSite* site) override {
        site_ = site;
        return S_OK;
    }
    STDMETHODIMP GetClientSite(IOleClientSite** site) override {
        if (!site) return E_POINTER;
        return site_.CopyTo(site);
    }
    STDMETHODIMP SetHostNames(LPCOLESTR, LPCOLESTR) override { return S_OK; }
    STDMETHODIMP Close(DWORD) override {
        InPlaceDeactivate();
        return S_OK;
    }
    STDMETHODIMP SetMoniker(DWORD, IMoniker*) override { return E_NOTIMPL; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** moniker) override {
        if (moniker) *moniker = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP InitFromData(IDataObject*, BOOL, DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP GetClipboardData(DWORD, IDataObject** data) override {
        if (data) *data = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP DoVerb(LONG verb, LPMSG, IOleClientSite* site, LONG, HWND parent, LPCRECT position) override {
        COM_TRY {
            if (verb != OLEIVERB_INPLACEACTIVATE && verb != OLEIVERB_SHOW && verb != OLEIVERB_UIACTIVATE) return E_NOTIMPL;
            if (site) site_ = site;
            if (!parent || !position) return E_INVALIDARG;
            if (button_) return S_OK;
            platform::ComPtr<IOleInPlaceSite> inPlace;
            if (site_ && SUCCEEDED(site_->QueryInterface(IID_IOleInPlaceSite, inPlace.PutVoid())))
                inPlace->OnInPlaceActivate();
            RegisterClasses();
            button_ = ::CreateWindowExW(0, kButtonClass, L"...", WS_CHILD | WS_VISIBLE | WS_TABSTOP, position->left,
                                        position->top, position->right - position->left,
                                        position->bottom - position->top, parent, nullptr,
                                        platform::Module::Instance(), this);
            return button_ ? S_OK : E_FAIL;
        }
        COM_CATCH_RETURN();
    }
    STDMETHODIMP EnumVerbs(IEnumOLEVERB** verbs) override {
        if (verbs) *verbs = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP Update() override { return S_OK; }
    STDMETHODIMP IsUpToDate() override { return S_OK; }
    STDMETHODIMP GetUserClassID(CLSID* clsid) override { return GetClassID(clsid); }
    STDMETHODIMP GetUserType(DWORD, LPOLESTR* type) override {
        if (type) *type = nullptr;
        return OLE_S_USEREG;
    }
    STDMETHODIMP SetExtent(DWORD, SIZEL*) override { return S_OK; }
    STDMETHODIMP GetExtent(DWORD, SIZEL* size) override {
        if (!size) return E_POINTER;
        size->cx = size->cy = 500;
        return S_OK;
    }
    STDMETHODIMP Advise(IAdviseSink*, DWORD* cookie) override {
        if (cookie) *cookie = 0;
        return OLE_E_ADVISENOTSUPPORTED;
    }
    STDMETHODIMP Unadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
    STDMETHODIMP EnumAdvise(IEnumSTATDATA** advise) override {
        if (advise) *advise = nullptr;
        return OLE_E_ADVISENOTSUPPORTED;
    }
    STDMETHODIMP GetMiscStatus(DWORD, DWORD* status) override {
        if (!status) return E_POINTER;
        *status = OLEMISC_RECOMPOSEONRESIZE | OLEMISC_INSIDEOUT | OLEMISC_ACTIVATEWHENVISIBLE | OLEMISC_SETCLIENTSITEFIRST;
        return S_OK;
    }
    STDMETHODIMP SetColorScheme(LOGPALETTE*) override { return S_OK; }

    // IOleWindow, IOleInPlaceObject
    STDMETHODIMP GetWindow(HWND* hwnd) override {
        if (!hwnd) return E_POINTER;
        *hwnd = button_;
        return button_ ? S_OK : E_FAIL;
    }
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP InPlaceDeactivate() override {
        if (!button_) return S_OK;
        DestroyWindows();
        platform::ComPtr<IOleInPlaceSite> inPlace;
        if (site_ && SUCCEEDED(site_->QueryInterface(IID_IOleInPlaceSite, inPlace.PutVoid())))
            inPlace->OnInPlaceDeactivate();
        return S_OK;
    }
    STDMETHODIMP UIDeactivate() override { return S_OK; }
    STDMETHODIMP SetObjectRects(LPCRECT position, LPCRECT) override {
        if (!position) return E_POINTER;
        if (button_)
            ::MoveWindow(button_, position->left, position->top, position->right - position->left,
                         position->bottom - position->top, TRUE);
        return S_OK;
    }
    STDMETHODIMP ReactivateAndUndo() override { return E_NOTIMPL; }

    // IPersistStreamInit
    STDMETHODIMP GetClassID(CLSID* clsid) override {
        if (!clsid) return E_POINTER;
        *clsid = CLSID_AttributePicker;
        return S_OK;
    }
    STDMETHODIMP IsDirty() override { return S_FALSE; }
    STDMETHODIMP Load(LPSTREAM) override { return S_OK; }
    STDMETHODIMP Save(LPSTREAM, BOOL) override { return S_OK; }
    STDMETHODIMP GetSizeMax(ULARGE_INTEGER* size) override {
        if (!size) return E_POINTER;
        size->QuadPart = 0;
        return S_OK;
    }
    STDMETHODIMP InitNew() override {
        initialised_ = true;
        return S_OK;
    }

private:
    std::vector<std::wstring> Names() const {
        std::vector<std::wstring> names;
        platform::ComPtr<IHostAttributesSetup> setup;
        if (!attributes_ || FAILED(attributes_->QueryInterface(IID_IHostAttributesSetup, setup.PutVoid()))) return names;
        long count = 0;
        setup->get_AttributeCount(&count);
        for (long i = 0; i < count; ++i) {
            BSTR name = nullptr;
            if (SUCCEEDED(setup->AttributeName(i, &name)) && name) names.emplace_back(name);
            ::SysFreeString(name);
        }
        return names;
    }

    static void RegisterClasses() {
        WNDCLASSEXW button = {};
        button.cbSize = sizeof button;
        button.lpfnWndProc = &ButtonProcedure;
        button.hInstance = platform::Module::Instance();
        button.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
        button.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        button.lpszClassName = kButtonClass;
        platform::RegisterWindowClass(button);
        WNDCLASSEXW list = button;
        list.lpfnWndProc = &ListProcedure;
        list.lpszClassName = kListClass;
        platform::RegisterWindowClass(list);
    }

    // The button: a click (or BM_CLICK from a test) opens the list under it.
    static LRESULT CALLBACK ButtonProcedure(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
        try {
            if (msg == WM_NCCREATE)
                ::SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                                    reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams));
            auto* self = reinterpret_cast<AttributePicker*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
            switch (msg) {
            case WM_LBUTTONUP:
            case BM_CLICK:
                if (self) self->OpenList();
                return 0;
            case WM_PAINT: {
                PAINTSTRUCT paint;
                HDC dc = ::BeginPaint(hwnd, &paint);
                RECT r;
                ::GetClientRect(hwnd, &r);
                ::DrawFrameControl(dc, &r, DFC_BUTTON, DFCS_BUTTONPUSH);
                ::SetBkMode(dc, TRANSPARENT);
                ::DrawTextW(dc, L"...", -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
                ::EndPaint(hwnd, &paint);
                return 0;
            }
            default: break;
            }
        } catch (...) {
        }
        return ::DefWindowProcW(hwnd, msg, wp, lp);
    }

    // The list: choosing a name fires the event and closes it.
    static LRESULT CALLBACK ListProcedure(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
        try {
            if (msg == WM_NCCREATE)
                ::SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                                    reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams));
            auto* self = reinterpret_cast<AttributePicker*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
            if (msg == WM_COMMAND && LOWORD(wp) == kListId && HIWORD(wp) == LBN_SELCHANGE && self) {
                self->Pick(reinterpret_cast<HWND>(lp));
                return 0;
            }
            if (msg == WM_CLOSE && self) {
                self->CloseList();
                return 0;
            }
        } catch (...) {
        }
        return ::DefWindowProcW(hwnd, msg, wp, lp);
    }

    void OpenList() {
        if (list_) return;
        RECT r;
        ::GetWindowRect(button_, &r);
        list_ = ::CreateWindowExW(WS_EX_TOOLWINDOW, kListClass, L"Attributes", WS_POPUP | WS_BORDER | WS_VISIBLE, r.left,
                                  r.bottom, 160, 120, ::GetAncestor(button_, GA_ROOT), nullptr,
                                  platform::Module::Instance(), this);
        HWND box = ::CreateWindowExW(0, L"LISTBOX", L"", WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_NOTIFY, 0, 0, 158, 118,
                                     list_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kListId)),
                                     platform::Module::Instance(), nullptr);
        for (const std::wstring& name : Names())
            ::SendMessageW(box, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
    }

    void Pick(HWND box) {
        const LRESULT selected = ::SendMessageW(box, LB_GETCURSEL, 0, 0);
        if (selected == LB_ERR) return;
        std::vector<wchar_t> text(static_cast<size_t>(::SendMessageW(box, LB_GETTEXTLEN, selected, 0)) + 1, L'\0');
        ::SendMessageW(box, LB_GETTEXT, selected, reinterpret_cast<LPARAM>(text.data()));
        CloseList();
        // The handler may release us.
        platform::ComPtr<IAttributePicker> keep(this);
        VARIANT argument;
        argument.vt = VT_BSTR;
        argument.bstrVal = ::SysAllocString(text.data());
        events_.FireDispatch(1, &argument, 1);
        ::VariantClear(&argument);
    }

    void CloseList() {
        if (list_) ::DestroyWindow(list_);
        list_ = nullptr;
    }

    void DestroyWindows() {
        CloseList();
        if (button_) ::DestroyWindow(button_);
        button_ = nullptr;
    }

    platform::ConnectionPoint events_;
    platform::ConnectionPoint* points_[1];
    platform::ComPtr<IOleClientSite> site_;
    platform::ComPtr<IDispatch> attributes_;
    HWND button_ = nullptr;
    HWND list_ = nullptr;
    bool initialised_ = false;
};

HRESULT CreateAttributePickerClass(REFIID iid, void** out) {
    return platform::CreateDefaultClassObject<AttributePicker>(iid, out);
}

}  // namespace hoststandin
