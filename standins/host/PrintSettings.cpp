// The print-settings service: one page layout (title, margins, legend, map size, scale, title font,
// orientation) that gets and puts change, and that Save writes as an XML document and Load reads
// back. Load of the integer 0 fills in the default layout. The fault "printsettings.TitleFontSize"
// hands out a title font whose size cannot be read; "printsettings.NoTitleFont" hands out none;
// "printsettings.DefaultLayout" makes Load of 0 report that nothing was loaded.
#include "standins/host/Classes.h"
#include "standins/host/Package.h"
#include "standins/host/StandIn.h"

#include "platform/ClassFactory.h"
#include "platform/Com.h"
#include "platform/Result.h"

#include <olectl.h>

#include <cwchar>

namespace hoststandin {

using platform::Bstr;
using platform::ComPtr;
using platform::Variant;

namespace {

struct Layout {
    VARIANT_BOOL printTitle = VARIANT_TRUE;
    VARIANT_BOOL printTitleBorder = VARIANT_FALSE;
    std::wstring titleAlignment = L"center";
    VARIANT_BOOL positionTitleAboveMap = VARIANT_TRUE;
    long leftMargin = 1000;
    long topMargin = 1000;
    long rightMargin = 1000;
    long bottomMargin = 1000;
    VARIANT_BOOL printLegend = VARIANT_TRUE;
    VARIANT_BOOL fixedLegendSize = VARIANT_FALSE;
    long legendPosition = 0;
    long mapSize = 1;
    VARIANT_BOOL contentCentered = VARIANT_TRUE;
    VARIANT_BOOL printMapBorder = VARIANT_TRUE;
    long width = 18000;
    long height = 12000;
    long scaleDenominator = 50000;
    OLE_COLOR titleFontColor = 0;
    long orientationLandscape = 0;
};

// The attributes of the layout element, in the order they are written.
struct Field {
    const wchar_t* name;
    enum Kind { Flag, Number, Colour } kind;
    VARIANT_BOOL Layout::*flag;
    long Layout::*number;
};

const Field kFields[] = {
    {L"PrintTitle", Field::Flag, &Layout::printTitle, nullptr},
    {L"PrintTitleBorder", Field::Flag, &Layout::printTitleBorder, nullptr},
    {L"PositionTitleAboveMap", Field::Flag, &Layout::positionTitleAboveMap, nullptr},
    {L"LeftMargin", Field::Number, nullptr, &Layout::leftMargin},
    {L"TopMargin", Field::Number, nullptr, &Layout::topMargin},
    {L"RightMargin", Field::Number, nullptr, &Layout::rightMargin},
    {L"BottomMargin", Field::Number, nullptr, &Layout::bottomMargin},
    {L"PrintLegend", Field::Flag, &Layout::printLegend, nullptr},
    {L"FixedLegendSize", Field::Flag, &Layout::fixedLegendSize, nullptr},
    {L"LegendPosition", Field::Number, nullptr, &Layout::legendPosition},
    {L"MapSize", Field::Number, nullptr, &Layout::mapSize},
    {L"ContentCentered", Field::Flag, &Layout::contentCentered, nullptr},
    {L"PrintMapBorder", Field::Flag, &Layout::printMapBorder, nullptr},
    {L"Width", Field::Number, nullptr, &Layout::width},
    {L"Height", Field::Number, nullptr, &Layout::height},
    {L"ScaleDenominator", Field::Number, nullptr, &Layout::scaleDenominator},
    {L"OrientationLandscape", Field::Number, nullptr, &Layout::orientationLandscape},
};

std::wstring XmlEscape(const std::wstring& s) {
    std::wstring out;
    for (wchar_t c : s) {
        switch (c) {
        case L'&': out += L"&amp;"; break;
        case L'<': out += L"&lt;"; break;
        case L'>': out += L"&gt;"; break;
        case L'"': out += L"&quot;"; break;
        default: out += c;
        }
    }
    return out;
}

std::wstring Attribute(const wchar_t* name, const std::wstring& value) {
    return std::wstring(L" ") + name + L"=\"" + XmlEscape(value) + L"\"";
}

bool ReadAttribute(IXMLDOMElement* e, const wchar_t* name, std::wstring& value) {
    Variant v;
    Bstr n(name);
    if (e->getAttribute(n.Get(), v.Put()) != S_OK || v.vt != VT_BSTR) return false;
    value = v.bstrVal ? v.bstrVal : L"";
    return true;
}

bool ReadNumber(IXMLDOMElement* e, const wchar_t* name, long long& value) {
    std::wstring text;
    if (!ReadAttribute(e, name, text) || text.empty()) return false;
    wchar_t* end = nullptr;
    value = std::wcstoll(text.c_str(), &end, 10);
    return end && *end == 0;
}

ComPtr<IFont> NewFont(const wchar_t* name, long long sizeCy, bool bold) {
    FONTDESC desc = {};
    desc.cbSizeofstruct = sizeof desc;
    desc.lpstrName = const_cast<LPOLESTR>(name);
    desc.cySize.int64 = sizeCy;
    desc.sWeight = bold ? FW_BOLD : FW_NORMAL;
    desc.sCharset = DEFAULT_CHARSET;
    ComPtr<IFont> font;
    THROW_IF_FAILED(::OleCreateFontIndirect(&desc, IID_IFont, font.PutVoid()));
    return font;
}

// The title font of the fault "printsettings.TitleFontSize": its size cannot be read; everything
// else is the real font's.
class SizelessFont : public platform::ComObject<SizelessFont, IFont> {
public:
    SizelessFont(ComPtr<IFont> font, HRESULT failure) : font_(std::move(font)), failure_(failure) {}

    STDMETHODIMP get_Size(CY*) override { return Fail(failure_, L"The font size cannot be read", L"MapPrintSettings"); }
    STDMETHODIMP get_Name(BSTR* v) override { return font_->get_Name(v); }
    STDMETHODIMP put_Name(BSTR v) override { return font_->put_Name(v); }
    STDMETHODIMP put_Size(CY v) override { return font_->put_Size(v); }
    STDMETHODIMP get_Bold(BOOL* v) override { return font_->get_Bold(v); }
    STDMETHODIMP put_Bold(BOOL v) override { return font_->put_Bold(v); }
    STDMETHODIMP get_Italic(BOOL* v) override { return font_->get_Italic(v); }
    STDMETHODIMP put_Italic(BOOL v) override { return font_->put_Italic(v); }
    STDMETHODIMP get_Underline(BOOL* v) override { return font_->get_Underline(v); }
    STDMETHODIMP put_Underline(BOOL v) override { return font_->put_Underline(v); }
    STDMETHODIMP get_Strikethrough(BOOL* v) override { return font_->get_Strikethrough(v); }
    STDMETHODIMP put_Strikethrough(BOOL v) override { return font_->put_Strikethrough(v); }
    STDMETHODIMP get_Weight(SHORT* v) override { return font_->get_Weight(v); }
    STDMETHODIMP put_Weight(SHORT v) override { return font_->put_Weight(v); }
    STDMETHODIMP get_Charset(SHORT* v) override { return font_->get_Charset(v); }
    STDMETHODIMP put_Charset(SHORT v) override { return font_->put_Charset(v); }
    STDMETHODIMP get_hFont(HFONT* v) override { return font_->get_hFont(v); }
    STDMETHODIMP Clone(IFont** v) override { return font_->Clone(v); }
    STDMETHODIMP IsEqual(IFont* other) override { return font_->IsEqual(other); }
    STDMETHODIMP SetRatio(LONG logical, LONG himetric) override { return font_->SetRatio(logical, himetric); }
    STDMETHODIMP QueryTextMetrics(TEXTMETRICOLE* v) override { return font_->QueryTextMetrics(v); }
    STDMETHODIMP AddRefHfont(HFONT v) override { return font_->AddRefHfont(v); }
    STDMETHODIMP ReleaseHfont(HFONT v) override { return font_->ReleaseHfont(v); }
    STDMETHODIMP SetHdc(HDC v) override { return font_->SetHdc(v); }

private:
    ComPtr<IFont> font_;
    HRESULT failure_;
};

class MapPrintSettings : public platform::ComObject<MapPrintSettings, IMapPrintSettings, ISupportErrorInfo, CallLogDual> {
public:
    MapPrintSettings() : faults_(L"printsettings") { BindLog(ClassLog(L"printsettings")); }

    HRESULT FinalConstruct() {
        RETURN_IF_FAILED(faults_.Check(L"create"));
        COM_TRY {
            font_ = DefaultFont();
            return S_OK;
        }
        COM_CATCH_RETURN();
    }

    STDMETHODIMP InterfaceSupportsErrorInfo(REFIID iid) override {
        return IsEqualIID(iid, IID_IMapPrintSettings) ? S_OK : S_FALSE;
    }

#define FLAG_PROPERTY(Name, member)                                                          \
    STDMETHODIMP get_##Name(VARIANT_BOOL* value) override { return Get(L"get_" #Name, layout_.member, value); } \
    STDMETHODIMP put_##Name(VARIANT_BOOL value) override { return Put(L"put_" #Name, layout_.member, value); }
#define LONG_PROPERTY(Name, member)                                                          \
    STDMETHODIMP get_##Name(long* value) override { return Get(L"get_" #Name, layout_.member, value); } \
    STDMETHODIMP put_##Name(long value) override { return Put(L"put_" #Name, layout_.member, value); }

    FLAG_PROPERTY(PrintTitle, printTitle)
    FLAG_PROPERTY(PrintTitleBorder, printTitleBorder)
    FLAG_PROPERTY(PositionTitleAboveMap, positionTitleAboveMap)
    LONG_PROPERTY(LeftMargin, leftMargin)
    LONG_PROPERTY(TopMargin, topMargin)
    LONG_PROPERTY(RightMargin, rightMargin)
    LONG_PROPERTY(BottomMargin, bottomMargin)
    FLAG_PROPERTY(PrintLegend, printLegend)
    FLAG_PROPERTY(FixedLegendSize, fixedLegendSize)
    LONG_PROPERTY(LegendPosition, legendPosition)
    LONG_PROPERTY(MapSize, mapSize)
    FLAG_PROPERTY(ContentCentered, contentCentered)
    FLAG_PROPERTY(PrintMapBorder, printMapBorder)
    LONG_PROPERTY(Width, width)
    LONG_PROPERTY(Height, height)
    LONG_PROPERTY(ScaleDenominator, scaleDenominator)
    LONG_PROPERTY(OrientationLandscape, orientationLandscape)
#undef FLAG_PROPERTY
#undef LONG_PROPERTY

    STDMETHODIMP get_TitleAlignment(VARIANT* value) override {
        Log().Add(CallLine(L"get_TitleAlignment"));
        if (!value) return E_POINTER;
        ::VariantInit(value);
        RETURN_IF_FAILED(faults_.Check(L"get_TitleAlignment"));
        COM_TRY {
            *value = Variant(layout_.titleAlignment).Detach();
            return S_OK;
        }
        COM_CATCH_RETURN();
    }

    STDMETHODIMP put_TitleAlignment(VARIANT value) override {
        Log().Add(CallLine(L"put_TitleAlignment", value));
        RETURN_IF_FAILED(faults_.Check(L"put_TitleAlignment"));
        COM_TRY {
            Variant text;
            HRESULT hr = ::VariantChangeType(text.Put(), &value, 0, VT_BSTR);
            if (FAILED(hr)) return hr;
            layout_.titleAlignment = text.bstrVal ? text.bstrVal : L"";
            return S_OK;
        }
        COM_CATCH_RETURN();
    }

    STDMETHODIMP get_TitleFont(IFont** font) override {
        Log().Add(CallLine(L"get_TitleFont"));
        if (!font) return E_POINTER;
        *font = nullptr;
        RETURN_IF_FAILED(faults_.Check(L"get_TitleFont"));
        // "printsettings.NoTitleFont": a layout without a title font.
        if (FAILED(faults_.Check(L"NoTitleFont"))) {
            ::SetErrorInfo(0, nullptr);
            return S_OK;
        }
        HRESULT sizeFault = faults_.Check(L"TitleFontSize");
        if (FAILED(sizeFault)) {
            COM_TRY {
                ComPtr<SizelessFont> sizeless = platform::MakeObject<SizelessFont>(font_, sizeFault);
                *font = sizeless.Detach();
                return S_OK;
            }
            COM_CATCH_RETURN();
        }
        return font_.CopyTo(font);
    }

    STDMETHODIMP Reserved38() override { return E_NOTIMPL; }

    STDMETHODIMP get_TitleFontColor(OLE_COLOR* value) override {
        return Get(L"get_TitleFontColor", layout_.titleFontColor, value);
    }
    STDMETHODIMP put_TitleFontColor(OLE_COLOR value) override {
        return Put(L"put_TitleFontColor", layout_.titleFontColor, value);
    }

    STDMETHODIMP get_LayoutXml(BSTR* xml) override {
        Log().Add(CallLine(L"get_LayoutXml"));
        if (!xml) return E_POINTER;
        *xml = nullptr;
        RETURN_IF_FAILED(faults_.Check(L"get_LayoutXml"));
        COM_TRY { return CopyOut(ToXml(), xml); }
        COM_CATCH_RETURN();
    }

    STDMETHODIMP Load(VARIANT source, VARIANT_BOOL* loaded) override {
        Log().Add(CallLine(L"Load", source));
        if (!loaded) return E_POINTER;
        *loaded = VARIANT_FALSE;
        RETURN_IF_FAILED(faults_.Check(L"Load"));
        COM_TRY {
            if (source.vt == VT_I4 || source.vt == VT_I2) {
                long which = source.vt == VT_I4 ? source.lVal : source.iVal;
                if (which != 0) return E_INVALIDARG;
                // "printsettings.DefaultLayout": a service that has no default layout to give.
                if (FAILED(faults_.Check(L"DefaultLayout"))) {
                    ::SetErrorInfo(0, nullptr);
                    return S_OK;
                }
                layout_ = Layout();
                font_ = DefaultFont();
                *loaded = VARIANT_TRUE;
                return S_OK;
            }
            if (source.vt != VT_BSTR || !source.bstrVal) return E_INVALIDARG;
            std::wstring path;
            if (FAILED(FileOf(source.bstrVal, false, path))) return S_OK;
            ComPtr<IXMLDOMDocument2> doc;
            if (FAILED(LoadXmlFile(path, doc))) return S_OK;
            *loaded = FromDocument(doc.Get()) ? VARIANT_TRUE : VARIANT_FALSE;
            return S_OK;
        }
        COM_CATCH_RETURN();
    }

    STDMETHODIMP LoadXml(BSTR xml, VARIANT_BOOL* loaded) override {
        Log().Add(CallLine(L"LoadXml", std::to_wstring(::SysStringLen(xml)) + L" chars"));
        if (!loaded) return E_POINTER;
        *loaded = VARIANT_FALSE;
        RETURN_IF_FAILED(faults_.Check(L"LoadXml"));
        COM_TRY {
            ComPtr<IXMLDOMDocument2> doc;
            THROW_IF_FAILED(CreateXmlDocument(doc));
            VARIANT_BOOL parsed = VARIANT_FALSE;
            Bstr text(xml ? static_cast<const wchar_t*>(xml) : L"");
            if (FAILED(doc->loadXML(text.Get(), &parsed)) || parsed != VARIANT_TRUE) return S_OK;
            *loaded = FromDocument(doc.Get()) ? VARIANT_TRUE : VARIANT_FALSE;
            return S_OK;
        }
        COM_CATCH_RETURN();
    }

    STDMETHODIMP Save(VARIANT destination) override {
        Log().Add(CallLine(L"Save", destination));
        RETURN_IF_FAILED(faults_.Check(L"Save"));
        COM_TRY {
            if (destination.vt != VT_BSTR || !destination.bstrVal || !*destination.bstrVal) return E_INVALIDARG;
            std::wstring path;
            RETURN_IF_FAILED(FileOf(destination.bstrVal, true, path));
            std::string utf8 = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n" + platform::ToAnsi(ToXml(), CP_UTF8);
            HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
            if (file == INVALID_HANDLE_VALUE) {
                DWORD error = ::GetLastError();
                return Fail(HRESULT_FROM_WIN32(error), L"Cannot write " + path, L"MapPrintSettings");
            }
            DWORD written = 0;
            BOOL ok = ::WriteFile(file, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
            DWORD error = ::GetLastError();
            ::CloseHandle(file);
            if (!ok) return Fail(HRESULT_FROM_WIN32(error), L"Cannot write " + path, L"MapPrintSettings");
            return S_OK;
        }
        COM_CATCH_RETURN();
    }

    STDMETHODIMP FinishDefaultLayout() override {
        Log().Add(CallLine(L"FinishDefaultLayout"));
        return faults_.Check(L"FinishDefaultLayout");
    }

    STDMETHODIMP Reserved46() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved47() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved48() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved49() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved50() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved51() override { return E_NOTIMPL; }

private:
    template <class T>
    HRESULT Get(const wchar_t* method, const T& member, T* value) {
        Log().Add(CallLine(method));
        if (!value) return E_POINTER;
        RETURN_IF_FAILED(faults_.Check(method));
        *value = member;
        return S_OK;
    }

    template <class T>
    HRESULT Put(const wchar_t* method, T& member, T value) {
        Log().Add(CallLine(method, value));
        RETURN_IF_FAILED(faults_.Check(method));
        member = value;
        return S_OK;
    }

    static ComPtr<IFont> DefaultFont() { return NewFont(L"Arial", 140000, true); }

    // The file behind a source or destination: "terravex://" addresses through the resource
    // space; a path rooted at the current drive ("\name.xml") goes to the writable folder, so
    // that nothing lands in a drive's root; any other path is used as it stands.
    static HRESULT FileOf(const wchar_t* where, bool forWriting, std::wstring& path) {
        if (IsPackageAddress(where)) return forWriting ? ResolveForWrite(where, path) : ResolveForRead(where, path, false);
        if (where[0] == L'\\' && where[1] != L'\\') {
            std::wstring folder = WritablePackageRoot();
            if (forWriting) CreateFolders(folder);
            path = folder + where;
            return S_OK;
        }
        path = where;
        return S_OK;
    }

    std::wstring ToXml() const {
        std::wstring xml = L"<MapPrintLayout";
        xml += Attribute(L"TitleAlignment", layout_.titleAlignment);
        for (const Field& f : kFields) {
            xml += Attribute(f.name, f.kind == Field::Flag ? std::to_wstring(layout_.*f.flag == VARIANT_TRUE ? 1 : 0)
                                                            : std::to_wstring(layout_.*f.number));
        }
        xml += Attribute(L"TitleFontColor", std::to_wstring(layout_.titleFontColor));
        xml += L"><TitleFont";
        BSTR name = nullptr;
        CY size = {};
        BOOL bold = FALSE, italic = FALSE, underline = FALSE, strike = FALSE;
        SHORT weight = 0, charset = 0;
        font_->get_Name(&name);
        Bstr nameHolder = Bstr::Attach(name);
        font_->get_Size(&size);
        font_->get_Bold(&bold);
        font_->get_Italic(&italic);
        font_->get_Underline(&underline);
        font_->get_Strikethrough(&strike);
        font_->get_Weight(&weight);
        font_->get_Charset(&charset);
        xml += Attribute(L"Name", nameHolder.Wide());
        xml += Attribute(L"SizeCy", std::to_wstring(size.int64));
        xml += Attribute(L"Bold", std::to_wstring(bold ? 1 : 0));
        xml += Attribute(L"Italic", std::to_wstring(italic ? 1 : 0));
        xml += Attribute(L"Underline", std::to_wstring(underline ? 1 : 0));
        xml += Attribute(L"Strikethrough", std::to_wstring(strike ? 1 : 0));
        xml += Attribute(L"Weight", std::to_wstring(weight));
        xml += Attribute(L"Charset", std::to_wstring(charset));
        xml += L"/></MapPrintLayout>";
        return xml;
    }

    // False when the document is not a layout; missing attributes keep the default layout's
    // values.
    bool FromDocument(IXMLDOMDocument2* doc) {
        ComPtr<IXMLDOMElement> root;
        if (doc->get_documentElement(root.Put()) != S_OK || !root) return false;
        Bstr tag;
        if (FAILED(root->get_tagName(tag.Put())) || tag.Wide() != L"MapPrintLayout") return false;
        Layout layout;
        std::wstring text;
        if (ReadAttribute(root.Get(), L"TitleAlignment", text)) layout.titleAlignment = text;
        long long number = 0;
        for (const Field& f : kFields) {
            if (!ReadNumber(root.Get(), f.name, number)) continue;
            if (f.kind == Field::Flag) layout.*f.flag = number ? VARIANT_TRUE : VARIANT_FALSE;
            else layout.*f.number = static_cast<long>(number);
        }
        if (ReadNumber(root.Get(), L"TitleFontColor", number)) layout.titleFontColor = static_cast<OLE_COLOR>(number);

        ComPtr<IFont> font = DefaultFont();
        ComPtr<IXMLDOMNode> fontNode;
        Bstr query(L"TitleFont");
        ComPtr<IXMLDOMElement> fontElement;
        if (root->selectSingleNode(query.Get(), fontNode.Put()) == S_OK && SUCCEEDED(fontNode.As(kIidXmlElement, fontElement.PutVoid()))) {
            if (ReadAttribute(fontElement.Get(), L"Name", text)) {
                Bstr name(text);
                font->put_Name(name.Get());
            }
            if (ReadNumber(fontElement.Get(), L"SizeCy", number)) {
                CY size;
                size.int64 = number;
                font->put_Size(size);
            }
            // Weight before the flags: a weight sets boldness, the flag then has the last word.
            if (ReadNumber(fontElement.Get(), L"Weight", number)) font->put_Weight(static_cast<SHORT>(number));
            if (ReadNumber(fontElement.Get(), L"Bold", number)) font->put_Bold(number != 0);
            if (ReadNumber(fontElement.Get(), L"Italic", number)) font->put_Italic(number != 0);
            if (ReadNumber(fontElement.Get(), L"Underline", number)) font->put_Underline(number != 0);
            if (ReadNumber(fontElement.Get(), L"Strikethrough", number)) font->put_Strikethrough(number != 0);
            if (ReadNumber(fontElement.Get(), L"Charset", number)) font->put_Charset(static_cast<SHORT>(number));
        }
        layout_ = layout;
        font_ = font;
        return true;
    }

    Faults faults_;
    Layout layout_;
    ComPtr<IFont> font_;
};

}  // namespace

HRESULT CreatePrintSettingsClass(REFIID iid, void** out) {
    return platform::CreateDefaultClassObject<MapPrintSettings>(iid, out);
}

}  // namespace hoststandin
