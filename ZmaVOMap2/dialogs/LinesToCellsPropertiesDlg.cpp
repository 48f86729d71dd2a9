#include "ZmaVOMap2/dialogs/LinesToCellsPropertiesDlg.h"

#include "ZmaVOMap2/datalayers/CellLineLayer.h"

#include "ZmaVOMap2/datalayers/ZmaVadAZDataLayer.h"
#include "ZmaVOMap2/dialogs/DialogResources.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayerCollection.h"
#include "ZmaVOMap2/services/PackageManager.h"
#include "platform/Module.h"
#include "platform/Result.h"

#include "HostInterfaces.h"

#include <commctrl.h>

#include <map>
#include <memory>
#include <vector>

using platform::Bstr;
using platform::ComPtr;

namespace {

const wchar_t kLabelsAddress[] = L"terravex://Bin/XMLFiles/LinesLabels.xml";
constexpr int kFieldTextLimit = 255;
CLinesToCellsPropertiesDlg* g_building = nullptr;

constexpr CLinesPage::Ids kServerIds = {IDD_LINES_SERVER,        IDC_SERVER_SELECTION,   IDC_SERVER_ALL_POINTS,
                                        IDC_SERVER_LABEL,        IDC_SERVER_COLOR,       IDC_SERVER_DISABLE,
                                        IDC_SERVER_LABEL_PICKER, IDC_SERVER_COLOR_PICKER, L"ServerLabel"};
constexpr CLinesPage::Ids kNeighbourIds = {IDD_LINES_NEIGHBOUR,        IDC_NEIGHBOUR_SELECTION,   IDC_NEIGHBOUR_ALL_POINTS,
                                           IDC_NEIGHBOUR_LABEL,        IDC_NEIGHBOUR_COLOR,       IDC_NEIGHBOUR_DISABLE,
                                           IDC_NEIGHBOUR_LABEL_PICKER, IDC_NEIGHBOUR_COLOR_PICKER, L"NeighbourLabel"};
// The pickers' places in the page templates, in dialog units.
constexpr RECT kLabelPickerPlace = {194, 80, 194 + 10, 80 + 13};
constexpr RECT kColorPickerPlace = {194, 100, 194 + 10, 100 + 13};

HRESULT LoadXmlDocumentFromPackage(ComPtr<IXMLDOMDocument2>& document, const wchar_t* address) {
    ComPtr<IHostPackageManager> manager;
    if (FAILED(FindPackageManager(manager)) || !manager) return E_NOINTERFACE;
    Bstr where(address);
    ComPtr<IUnknown> object;
    const HRESULT hr = manager->OpenDocument(where.Get(), object.Put());
    if (FAILED(hr)) return hr;
    if (!object || FAILED(object->QueryInterface(IID_IXMLDOMDocument2, document.PutVoid())) || !document) return E_POINTER;
    return S_OK;
}

std::string AnsiOf(BSTR text) { return text ? platform::ToAnsi(std::wstring(text, ::SysStringLen(text))) : std::string(); }

}  // namespace

std::wstring XPathLiteral(const std::wstring& text) {
    if (text.find(L'"') == std::wstring::npos) return L"\"" + text + L"\"";
    if (text.find(L'\'') == std::wstring::npos) return L"'" + text + L"'";
    // Both kinds of quote: the pieces between double quotes joined with quoted double quotes.
    std::wstring joined = L"concat(";
    size_t start = 0;
    for (;;) {
        const size_t quote = text.find(L'"', start);
        joined += L"\"" + text.substr(start, quote == std::wstring::npos ? std::wstring::npos : quote - start) + L"\"";
        if (quote == std::wstring::npos) break;
        joined += L", '\"', ";
        start = quote + 1;
    }
    return joined + L")";
}

// --- Pages ----------------------------------------------------------------------------------------

CLinesPage::CLinesPage(const Ids& ids, LinesLayerSettings* layer, IUnknown* attributes)
    : ids_(ids), layer_(layer), attributes_(attributes) {
    if (FAILED(LoadXmlDocumentFromPackage(labels_, kLabelsAddress))) labels_ = nullptr;
    try {
        title_ = platform::ToWide(GetPageTitle(layer_ ? layer_->GetTechnology() : std::string()));
    }
    CATCH_SWALLOW("a page whose title cannot be made has none");
}

CLinesPage::~CLinesPage() = default;

CServerLinesPage::CServerLinesPage(LinesLayerSettings* layer, IUnknown* attributes)
    : CLinesPage(kServerIds, layer, attributes) {}

CNborLinesPage::CNborLinesPage(LinesLayerSettings* layer, IUnknown* attributes)
    : CLinesPage(kNeighbourIds, layer, attributes) {}

PROPSHEETPAGEW CLinesPage::Header() {
    PROPSHEETPAGEW page = {};
    page.dwSize = sizeof page;
    page.hInstance = platform::Module::Instance();
    page.pszTemplate = MAKEINTRESOURCEW(ids_.templateId);
    page.pfnDlgProc = &Procedure;
    page.lParam = reinterpret_cast<LPARAM>(this);
    if (!title_.empty()) {
        page.dwFlags |= PSP_USETITLE;
        page.pszTitle = title_.c_str();
    }
    return page;
}

ComPtr<IXMLDOMNode> CLinesPage::TechnologyElement(const std::string& technology) {
    if (!labels_) return nullptr;
    ComPtr<IXMLDOMElement> root;
    if (FAILED(labels_->get_documentElement(root.Put())) || !root) return nullptr;
    Bstr query(L"*[@Name=" + XPathLiteral(platform::ToWide(technology)) + L"]");
    ComPtr<IXMLDOMNode> element;
    if (root->selectSingleNode(query.Get(), element.Put()) != S_OK) return nullptr;
    return element;
}

std::string CLinesPage::GetPageTitle(const std::string& technology) {
    ComPtr<IXMLDOMNode> element = TechnologyElement(technology);
    if (!element) return std::string();
    ComPtr<IXMLDOMNamedNodeMap> attributes;
    if (FAILED(element->get_attributes(attributes.Put())) || !attributes) return std::string();
    Bstr name(ids_.titleAttribute);
    ComPtr<IXMLDOMNode> attribute;
    if (attributes->getNamedItem(name.Get(), attribute.Put()) != S_OK || !attribute) return std::string();
    platform::Variant value;
    std::string title;
    if (SUCCEEDED(attribute->get_nodeValue(value.Put())) && value.vt == VT_BSTR) title = AnsiOf(value.bstrVal);
    return title;
}

void CLinesPage::GetLabelEntries(const std::string& technology, std::vector<std::string>& names, std::vector<int>& flags) {
    ComPtr<IXMLDOMNode> element = TechnologyElement(technology);
    if (!element) return;
    ComPtr<IXMLDOMNodeList> children;
    if (FAILED(element->get_childNodes(children.Put())) || !children) return;
    long count = 0;
    children->get_length(&count);
    for (long i = 0; i < count; ++i) {
        ComPtr<IXMLDOMNode> child;
        if (FAILED(children->get_item(i, child.Put())) || !child) return;
        DOMNodeType type = NODE_INVALID;
        child->get_nodeType(&type);
        if (type != NODE_ELEMENT) continue;  // the layout's white space and comments name no field
        Bstr text, nodeName;
        if (FAILED(child->get_text(text.Put())) || FAILED(child->get_nodeName(nodeName.Put()))) return;
        names.push_back(AnsiOf(text.Get()));
        flags.push_back(::lstrcmpiW(nodeName.Get() ? nodeName.Get() : L"", L"Array") == 0 ? 1 : 0);
    }
}

bool CLinesPage::IsArrayAttribute(const std::wstring& name) {
    ComPtr<IHostAttributes> collection;
    if (!attributes_ || FAILED(attributes_.As(collection)) || !collection) return false;
    ComPtr<IHostAttribute> attribute;
    const HRESULT hr = collection->Item(platform::Variant(name), attribute.Put());
    if (FAILED(hr) || !attribute) return false;
    VARIANT_BOOL isArray = VARIANT_FALSE;
    return SUCCEEDED(attribute->IsArray(&isArray)) && isArray != VARIANT_FALSE;
}

INT_PTR CALLBACK CLinesPage::Procedure(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    try {
        if (msg == WM_INITDIALOG) {
            auto* page = reinterpret_cast<CLinesPage*>(reinterpret_cast<const PROPSHEETPAGEW*>(lp)->lParam);
            ::SetWindowLongPtrW(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(page));
            page->hwnd_ = hwnd;
            page->OnInitDialog();
            return TRUE;
        }
        auto* page = reinterpret_cast<CLinesPage*>(::GetWindowLongPtrW(hwnd, DWLP_USER));
        if (!page) return FALSE;
        if (msg == WM_DESTROY) {
            page->labelPicker_.Destroy();
            page->colorPicker_.Destroy();
            return FALSE;
        }
        if (msg == WM_NCDESTROY) {
            page->hwnd_ = nullptr;
            return FALSE;
        }
        if (msg != WM_COMMAND) return FALSE;
        const int id = LOWORD(wp), code = HIWORD(wp);
        if (id == page->ids_.disable && code == BN_CLICKED) page->changed_ = true;
        if ((id == page->ids_.label || id == page->ids_.color) && (code == CBN_SELCHANGE || code == CBN_EDITCHANGE))
            page->changed_ = true;
        if (id == IDOK && code == BN_CLICKED) page->Apply();
        return FALSE;
    }
    // No exception leaves the page's window procedure.
    COM_CATCH_LOG();
    return FALSE;
}

void CLinesPage::CreatePickers() {
    RECT label = kLabelPickerPlace, color = kColorPickerPlace;
    ::MapDialogRect(hwnd_, &label);
    ::MapDialogRect(hwnd_, &color);
    labelPicker_.Create(CLSID_AttributePicker, hwnd_, label, ids_.labelPicker);
    colorPicker_.Create(CLSID_AttributePicker, hwnd_, color, ids_.colorPicker);
}

void CLinesPage::ConnectPickers() {
    for (platform::HostedControl* picker : {&labelPicker_, &colorPicker_}) {
        ComPtr<IAttributePicker> control;
        THROW_IF_FAILED(platform::ThrowIfNull(picker->Control())->QueryInterface(IID_IAttributePicker, control.PutVoid()));
        ComPtr<IPersistStreamInit> persist;
        THROW_IF_FAILED(control->QueryInterface(IID_IPersistStreamInit, persist.PutVoid()));
        THROW_IF_FAILED(persist->InitNew());
    }
    if (attributes_) {
        ComPtr<IDispatch> collection;
        THROW_IF_FAILED(attributes_->QueryInterface(IID_IDispatch, collection.PutVoid()));
        for (platform::HostedControl* picker : {&labelPicker_, &colorPicker_}) {
            ComPtr<IDispatch> control;
            THROW_IF_FAILED(picker->Control()->QueryInterface(IID_IDispatch, control.PutVoid()));
            VARIANT value;
            value.vt = VT_DISPATCH;
            value.pdispVal = collection.Get();
            DISPID named = DISPID_PROPERTYPUT;
            DISPPARAMS params = {&value, &named, 1, 1};
            THROW_IF_FAILED(control->Invoke(1, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUTREF, &params, nullptr,
                                            nullptr, nullptr));
        }
    }
    // Event 1 of the picker carries the picked attribute's name.
    auto nameOf = [](const DISPPARAMS& params) -> BSTR {
        if (params.cArgs < 1) return nullptr;
        const VARIANT& first = params.rgvarg[params.cArgs - 1];
        if (first.vt == VT_BSTR) return first.bstrVal;
        if (first.vt == (VT_BSTR | VT_BYREF) && first.pbstrVal) return *first.pbstrVal;
        return nullptr;
    };
    labelPicker_.Advise(DIID__DZmdAttributePickerEvents, [this, nameOf](DISPID id, const DISPPARAMS& params) {
        if (id == 1) OnLabelAttributePicked(nameOf(params));
    });
    colorPicker_.Advise(DIID__DZmdAttributePickerEvents, [this, nameOf](DISPID id, const DISPPARAMS& params) {
        if (id == 1) OnColorAttributePicked(nameOf(params));
    });
}

void CLinesPage::OnInitDialog() {
    bool picking = false;
    try {
        CreatePickers();
        picking = true;
    }
    CATCH_SWALLOW("without the host's pickers the page still works from its lists");
    // Such a page is not applied.
    if (!picking) return;
    if (!layer_) return;
    try {
        initialDisabled_ = layer_->GetDisabled();
        initialDrawOption_ = layer_->GetDrawOption();
        ::CheckDlgButton(hwnd_, ids_.disable, initialDisabled_ ? BST_CHECKED : BST_UNCHECKED);
        ::CheckDlgButton(hwnd_, ids_.selection, initialDrawOption_ != 0 ? BST_CHECKED : BST_UNCHECKED);
        ::CheckDlgButton(hwnd_, ids_.allPoints, initialDrawOption_ == 0 ? BST_CHECKED : BST_UNCHECKED);
        FillFieldLists();
        ConnectPickers();
        opened_ = true;
    }
    CATCH_SWALLOW("the page shows what it had; it is not applied");
}

void CLinesPage::FillCombo(int id, const std::vector<std::string>& names, const std::vector<int>& flags,
                           const std::string& current) {
    HWND combo = ::GetDlgItem(hwnd_, id);
    ::SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    const std::wstring none = platform::LoadStringResource(platform::Module::Instance(), IDS_LINES_NONE);
    ::SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(none.c_str()));
    for (size_t i = 0; i < names.size(); ++i) {
        const LRESULT at = ::SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(names[i].c_str()));
        if (at >= 0) ::SendMessageA(combo, CB_SETITEMDATA, static_cast<WPARAM>(at), flags[i]);
    }
    // A per-neighbour field is stored with a trailing "_"; the box shows it without.
    std::string shown = current;
    if (!shown.empty() && shown.back() == '_') shown.pop_back();
    const LRESULT found = ::SendMessageA(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(shown.c_str()));
    if (found != CB_ERR)
        ::SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(found), 0);
    else
        ::SetWindowTextA(combo, shown.c_str());
}

void CLinesPage::FillFieldLists() {
    std::vector<std::string> names;
    std::vector<int> flags;
    GetLabelEntries(layer_->GetTechnology(), names, flags);
    FillCombo(ids_.color, names, flags, layer_->GetColorByField());
    FillCombo(ids_.label, names, flags, layer_->GetLabelByField());
}

void CLinesPage::Picked(int id, BSTR name) {
    if (!hwnd_) return;
    HWND combo = ::GetDlgItem(hwnd_, id);
    ::SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    ::SetWindowTextA(combo, AnsiOf(name).c_str());
    changed_ = true;
}

void CLinesPage::OnLabelAttributePicked(BSTR name) { Picked(ids_.label, name); }
void CLinesPage::OnColorAttributePicked(BSTR name) { Picked(ids_.color, name); }

std::string CLinesPage::FieldText(int id) {
    HWND combo = ::GetDlgItem(hwnd_, id);
    const LRESULT selected = ::SendMessageA(combo, CB_GETCURSEL, 0, 0);
    std::string text;
    if (selected != CB_ERR) {
        std::vector<char> item(static_cast<size_t>(::SendMessageA(combo, CB_GETLBTEXTLEN, selected, 0)) + 1, '\0');
        ::SendMessageA(combo, CB_GETLBTEXT, selected, reinterpret_cast<LPARAM>(item.data()));
        text = item.data();
        if (::SendMessageA(combo, CB_GETITEMDATA, selected, 0) == 1) text += "_";
    } else {
        char typed[kFieldTextLimit + 1] = {};
        ::GetWindowTextA(combo, typed, sizeof typed);
        text = typed;
        if (IsArrayAttribute(platform::ToWide(text))) text += "_";
    }
    return text;
}

HRESULT CLinesPage::Apply() {
    if (!layer_) return 0;
    try {
        disabled_ = ::IsDlgButtonChecked(hwnd_, ids_.disable) == BST_CHECKED;
        layer_->SetDisabled(disabled_);
        if (disabled_ != initialDisabled_) changed_ = true;
        // Draw option 1 (the selection) and anything else the layer had stay as they are unless
        // the user chose every data point.
        if (::IsDlgButtonChecked(hwnd_, ids_.allPoints) == BST_CHECKED) {
            layer_->SetDrawOption(0);
            if (initialDrawOption_ != 0) changed_ = true;
        } else if (initialDrawOption_ == 0) {
            layer_->SetDrawOption(1);
            changed_ = true;
        }
        layer_->SetColorByField(FieldText(ids_.color));
        layer_->SetLabelByField(FieldText(ids_.label));
        return S_OK;
    }
    CATCH_RETURN_QUIET()
}

// --- Sheet ----------------------------------------------------------------------------------------

// Catches the sheet's OK before its own handling.
class CLinesToCellsPropertiesDlg::SheetWindow : public platform::SubclassedWindow {
public:
    explicit SheetWindow(CLinesToCellsPropertiesDlg& owner) : owner_(owner) {}

protected:
    bool ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM, LRESULT&) override {
        if (msg == WM_COMMAND && LOWORD(wp) == IDOK && HIWORD(wp) == BN_CLICKED) owner_.OnOK(hwnd);
        return false;
    }

private:
    CLinesToCellsPropertiesDlg& owner_;
};

CLinesToCellsPropertiesDlg::CLinesToCellsPropertiesDlg(HWND parent, LinesLayerSettings* servingLines,
                                                       LinesLayerSettings* neighbourLines, IUnknown* attributes,
                                                       std::function<std::vector<LinesLayerPair>()> cellSiteLines)
    : parent_(parent),
      server_(servingLines, attributes),
      neighbour_(neighbourLines, attributes),
      servingLines_(servingLines),
      neighbourLines_(neighbourLines),
      cellSiteLines_(std::move(cellSiteLines)) {}

CLinesToCellsPropertiesDlg::~CLinesToCellsPropertiesDlg() = default;

int CALLBACK CLinesToCellsPropertiesDlg::SheetCallback(HWND hwnd, UINT msg, LPARAM) {
    try {
        if (msg == PSCB_INITIALIZED && g_building) {
            g_building->window_ = std::make_unique<SheetWindow>(*g_building);
            g_building->window_->Subclass(hwnd);
        }
    }
    // No exception leaves the sheet's callback.
    COM_CATCH_LOG();
    return 0;
}

INT_PTR CLinesToCellsPropertiesDlg::DoModal() {
    PROPSHEETPAGEW pages[2] = {server_.Header(), neighbour_.Header()};
    PROPSHEETHEADERW header = {};
    header.dwSize = sizeof header;
    header.dwFlags = PSH_PROPSHEETPAGE | PSH_NOAPPLYNOW | PSH_USECALLBACK;
    header.hwndParent = parent_;
    header.hInstance = platform::Module::Instance();
    header.pszCaption = L"Lines Configuration";
    header.nPages = 2;
    header.nStartPage = 0;
    header.ppsp = pages;
    header.pfnCallback = &SheetCallback;
    ok_ = false;
    g_building = this;
    ::PropertySheetW(&header);
    g_building = nullptr;
    window_.reset();
    return ok_ ? IDOK : IDCANCEL;
}

void CLinesToCellsPropertiesDlg::OnOK(HWND sheet) {
    if (server_.IsOpened()) server_.Apply();
    if (neighbour_.IsOpened()) neighbour_.Apply();
    if (server_.IsChanged() || neighbour_.IsChanged()) {
        ApplyToAllLayers(sheet);
        server_.ClearChanged();
        neighbour_.ClearChanged();
    }
    ok_ = true;
}

void CLinesToCellsPropertiesDlg::ApplyToAllLayers(HWND sheet) {
    if (!servingLines_ || !neighbourLines_) return;
    const std::string technology = servingLines_->GetTechnology();
    HINSTANCE module = platform::Module::Instance();
    // The technology's name may be of any length: the text is put together, not formatted into a buffer.
    std::wstring text = platform::LoadStringResource(module, IDS_LINES_APPLY_TO_ALL);
    const size_t at = text.find(L"%ls");
    if (at != std::wstring::npos) text.replace(at, 3, platform::ToWide(technology));
    const std::wstring caption = platform::LoadStringResource(module, IDS_LINES_APPLY_TO_ALL_CAPTION);
    if (platform::Prompts().MessageBox(sheet, text, caption, MB_YESNO) != IDYES) return;
    if (!cellSiteLines_) return;
    for (const LinesLayerPair& lines : cellSiteLines_()) {
        if (!lines.first || lines.first->GetTechnology() != technology) continue;
        ApplyToDataLayer(lines);
    }
}

void CLinesToCellsPropertiesDlg::ApplyToDataLayer(const LinesLayerPair& lines) {
    auto copy = [](LinesLayerSettings* from, LinesLayerSettings* to) {
        if (!from || !to) return;
        to->SetDisabled(from->GetDisabled());
        to->SetDrawOption(from->GetDrawOption());
        to->SetColorByField(from->GetColorByField());
        to->SetLabelByField(from->GetLabelByField());
    };
    copy(servingLines_, lines.first);
    copy(neighbourLines_, lines.second);
}

// --- From the Layer Control -----------------------------------------------------------------------

namespace {

// A line layer of the data layers seen as the sheet's settings: its wide texts as the sheet's
// narrow ones.
class LineLayerSettings final : public LinesLayerSettings {
public:
    explicit LineLayerSettings(CellLineLayerInterface& layer) : layer_(layer) {}
    std::string GetTechnology() override { return platform::ToAnsi(layer_.GetTechnology()); }
    bool GetDisabled() override { return layer_.IsDisabled(); }
    void SetDisabled(bool disabled) override { layer_.SetDisabled(disabled); }
    int GetDrawOption() override { return layer_.GetDrawOption(); }
    void SetDrawOption(int option) override { layer_.SetDrawOption(option); }
    std::string GetColorByField() override { return platform::ToAnsi(layer_.GetColorByField()); }
    void SetColorByField(const std::string& field) override { layer_.SetColorByField(platform::ToWide(field)); }
    std::string GetLabelByField() override { return platform::ToAnsi(layer_.GetLabelByField()); }
    void SetLabelByField(const std::string& field) override { layer_.SetLabelByField(platform::ToWide(field)); }

private:
    CellLineLayerInterface& layer_;
};

// The settings of the line layers a sheet shows, made on first use and kept while it runs.
class LineSettingsOf {
public:
    LinesLayerSettings* operator()(CZmaVadAZDataLayer& layer, CZmaVadAZDataLayer::LineLink link) {
        // A layer made as its own kind may still implement the settings itself.
        CZmaVadAZLayer* lines = layer.GetLineLayer(link);
        if (auto* own = dynamic_cast<LinesLayerSettings*>(lines)) return own;
        auto* cellLines = dynamic_cast<CellLineLayerInterface*>(lines);
        if (!cellLines) return nullptr;
        auto& held = adapters_[cellLines];
        if (!held) held = std::make_unique<LineLayerSettings>(*cellLines);
        return held.get();
    }

private:
    std::map<CellLineLayerInterface*, std::unique_ptr<LineLayerSettings>> adapters_;
};

}  // namespace

INT_PTR ShowLinesConfiguration(HWND parent, CZmaVadAZDataLayer& layer, CZmaVadAZLayerCollection& layers,
                               IUnknown* attributes) {
    LineSettingsOf LinesOf;
    auto cellSiteLines = [&layers, &LinesOf] {
        std::vector<LinesLayerPair> lines;
        for (const SeriesId& series : layers.CellSiteSeries()) {
            CZmaVadAZDataLayer* sites = AsDataLayer(layers.FindLayerByExactKey(series));
            if (!sites || sites->GetType() != CZmaVadAZLayer::kTypeCellSites) continue;
            LinesLayerSettings* serving = LinesOf(*sites, CZmaVadAZDataLayer::kLineA);
            if (!serving) continue;
            lines.emplace_back(serving, LinesOf(*sites, CZmaVadAZDataLayer::kLineB));
        }
        return lines;
    };
    CLinesToCellsPropertiesDlg sheet(parent, LinesOf(layer, CZmaVadAZDataLayer::kLineA),
                                     LinesOf(layer, CZmaVadAZDataLayer::kLineB), attributes, cellSiteLines);
    return sheet.DoModal();
}
