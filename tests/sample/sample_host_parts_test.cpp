// The sample host's classes in this process: calling automation members from command-line text,
// naming the events it receives, drawing a view into an image file, and keeping a stream and a
// settings document in files.
#include "samples/host/AutomationCall.h"
#include "samples/host/EventSink.h"
#include "samples/host/StreamFile.h"
#include "samples/host/ViewImage.h"
#include "samples/host/XmlSettingsFile.h"
#include "tests/sample/HostRun.h"

#include "platform/Result.h"

#include "VadAZ.h"

#include <msxml2.h>

#include <gtest/gtest.h>

#include <string>

using platform::ComError;
using platform::ComPtr;
using platform::Variant;
using samplehost::CallByName;
using samplehost::DescribeValue;
using samplehost::ParseMemberCall;

namespace {

ComPtr<IDispatch> NewDictionary() {
    CLSID clsid = {};
    ComPtr<IDispatch> dictionary;
    if (SUCCEEDED(::CLSIDFromProgID(L"Scripting.Dictionary", &clsid)))
        ::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, dictionary.PutVoid());
    return dictionary;
}

// The printed result, or "error 0x..." with the failure's code.
std::wstring Call(IDispatch* target, const wchar_t* text) {
    try {
        return DescribeValue(CallByName(target, ParseMemberCall(text)));
    } catch (const ComError& e) {
        wchar_t code[32];
        swprintf(code, 32, L"error 0x%08lx", static_cast<unsigned long>(e.Error()));
        return code;
    }
}

TEST(MemberCallText, ArgumentsGetTheTypeTheyAreWrittenIn) {
    samplehost::MemberCall call = ParseMemberCall(L"SetZoom=12,-3,2.5,true,\"a,b\",word");
    EXPECT_EQ(call.name, L"SetZoom");
    ASSERT_EQ(call.args.size(), 6u);
    EXPECT_EQ(call.args[0].vt, VT_I4);
    EXPECT_EQ(call.args[0].lVal, 12);
    EXPECT_EQ(call.args[1].lVal, -3);
    EXPECT_EQ(call.args[2].vt, VT_R8);
    EXPECT_DOUBLE_EQ(call.args[2].dblVal, 2.5);
    EXPECT_EQ(call.args[3].vt, VT_BOOL);
    EXPECT_EQ(call.args[3].boolVal, VARIANT_TRUE);
    EXPECT_EQ(call.args[4].vt, VT_BSTR);
    EXPECT_STREQ(call.args[4].bstrVal, L"a,b");
    EXPECT_STREQ(call.args[5].bstrVal, L"word");

    EXPECT_TRUE(ParseMemberCall(L"PreDestroy").args.empty());
    EXPECT_EQ(ParseMemberCall(L"Big=99999999999").args[0].vt, VT_R8);  // too large for a long
    EXPECT_THROW(ParseMemberCall(L"=1"), ComError);
}

TEST(MemberCallText, ValuesPrintInvariantly) {
    EXPECT_EQ(DescribeValue(Variant(3.25)), L"3.25");
    EXPECT_EQ(DescribeValue(Variant(L"x")), L"\"x\"");
    EXPECT_EQ(DescribeValue(Variant(false)), L"false");
    EXPECT_EQ(DescribeValue(Variant()), L"(nothing)");
    EXPECT_EQ(DescribeValue(Variant(static_cast<IDispatch*>(nullptr))), L"(null object)");
}

TEST(CallByName, CallsMethodsGetsAndPutsProperties) {
    ComPtr<IDispatch> dictionary = NewDictionary();
    if (!dictionary) GTEST_SKIP() << "Scripting.Dictionary is not registered";
    EXPECT_EQ(Call(dictionary.Get(), L"CompareMode=1"), L"(nothing)");  // a property put
    EXPECT_EQ(Call(dictionary.Get(), L"CompareMode"), L"1");
    Call(dictionary.Get(), L"Add=\"Key\",42");
    EXPECT_EQ(Call(dictionary.Get(), L"count"), L"1");  // names are looked up without case
    EXPECT_EQ(Call(dictionary.Get(), L"Item=KEY"), L"42");
    EXPECT_EQ(Call(dictionary.Get(), L"Exists=nothing"), L"false");

    EXPECT_EQ(Call(dictionary.Get(), L"NoSuchMember"), L"error 0x80020006");  // DISP_E_UNKNOWNNAME
    // A failure inside the callee comes back as the callee's own error, not as DISP_E_EXCEPTION.
    std::wstring duplicate = Call(dictionary.Get(), L"Add=Key,1");
    EXPECT_EQ(duplicate.rfind(L"error 0x", 0), 0u) << "a duplicate key was added";
    EXPECT_NE(duplicate, L"error 0x80020009");
}

TEST(EventNames, ComeFromTheControlsEventInterface) {
    ComPtr<ITypeLib> library;
    ComPtr<ITypeInfo> events;
    ASSERT_EQ(::LoadRegTypeLib(LIBID_VadAZ, 1, 0, LOCALE_NEUTRAL, library.Put()), S_OK);
    ASSERT_EQ(library->GetTypeInfoOfGuid(DIID__IZmaVOMapXEvents2, events.Put()), S_OK);

    // Arguments arrive last first.
    Variant args[2] = {Variant(4L), Variant(L"Roads")};
    DISPPARAMS params = {args, nullptr, 2, 0};
    EXPECT_EQ(samplehost::DescribeEvent(events.Get(), 11, params), L"FeatureSelected(layer=\"Roads\", index=4)");
    DISPPARAMS none = {};
    EXPECT_EQ(samplehost::DescribeEvent(events.Get(), 5, none), L"LayerVisibilityChanged()");
    EXPECT_EQ(samplehost::DescribeEvent(nullptr, 99, params), L"#99(\"Roads\", 4)");
}

TEST(EventNames, TheSinkAnswersTheInterfaceItListensTo) {
    // An object that describes no events of its own: the sink listens for the map control's.
    ComPtr<IDispatch> plain = NewDictionary();
    if (!plain) GTEST_SKIP() << "Scripting.Dictionary is not registered";
    ComPtr<samplehost::EventSink> sink = platform::MakeObject<samplehost::EventSink>(plain.Get());
    EXPECT_TRUE(IsEqualIID(sink->EventInterface(), DIID__IZmaVOMapXEvents2));
    ComPtr<IUnknown> asEvents;
    ASSERT_EQ(sink->QueryInterface(DIID__IZmaVOMapXEvents2, asEvents.PutVoid()), S_OK);
    ComPtr<IDispatch> asDispatch;
    ASSERT_EQ(sink->QueryInterface(IID_IDispatch, asDispatch.PutVoid()), S_OK);
    EXPECT_EQ(asEvents.Get(), static_cast<IUnknown*>(asDispatch.Get()));
    EXPECT_FALSE(sink->Connect());  // it has no connection points

    // A control that names its default source interface through its class information.
    CLSID player = {};
    ComPtr<IUnknown> control;
    if (SUCCEEDED(::CLSIDFromProgID(L"WMPlayer.OCX", &player)) &&
        SUCCEEDED(::CoCreateInstance(player, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, control.PutVoid()))) {
        ComPtr<samplehost::EventSink> playerSink = platform::MakeObject<samplehost::EventSink>(control.Get());
        EXPECT_FALSE(IsEqualIID(playerSink->EventInterface(), DIID__IZmaVOMapXEvents2));
        EXPECT_TRUE(playerSink->Connect());
        playerSink->Disconnect();
    }
}

// Paints the top-left quarter-width, quarter-height block of whatever bounds it gets red.
class PaintingView : public platform::ComObject<PaintingView, IViewObject> {
public:
    explicit PaintingView(HRESULT answer = S_OK, bool paint = true) : answer_(answer), paint_(paint) {}
    RECTL bounds = {};

    STDMETHODIMP Draw(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, HDC dc, LPCRECTL b, LPCRECTL,
                      BOOL(STDMETHODCALLTYPE*)(ULONG_PTR), ULONG_PTR) override {
        if (!b) return E_POINTER;
        bounds = *b;
        if (paint_) {
            RECT block = {b->left, b->top, b->left + (b->right - b->left) / 4, b->top + (b->bottom - b->top) / 4};
            HBRUSH red = ::CreateSolidBrush(RGB(255, 0, 0));
            ::FillRect(dc, &block, red);
            ::DeleteObject(red);
        }
        return answer_;
    }
    STDMETHODIMP GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, LOGPALETTE**) override { return E_NOTIMPL; }
    STDMETHODIMP Freeze(DWORD, LONG, void*, DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP Unfreeze(DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP SetAdvise(DWORD, DWORD, IAdviseSink*) override { return E_NOTIMPL; }
    STDMETHODIMP GetAdvise(DWORD*, DWORD*, IAdviseSink**) override { return E_NOTIMPL; }

private:
    HRESULT answer_;
    bool paint_;
};

TEST(ViewImage, DrawsTheWholeViewTheRightWayUpInPngAndBmp) {
    for (const wchar_t* name : {L"view.png", L"view.BMP"}) {
        SCOPED_TRACE(testing::Message() << (name[6] == L'n' ? "png" : "bmp"));
        ComPtr<PaintingView> view = platform::MakeObject<PaintingView>();
        std::wstring path = sampletest::ScratchFile(name);
        samplehost::ImageSummary summary = samplehost::WriteViewImage(view.Get(), {200, 100}, path);
        EXPECT_EQ(view->bounds.right, 200);
        EXPECT_EQ(view->bounds.bottom, 100);
        EXPECT_EQ(summary.colours, 2u);

        sampletest::DecodedImage image = sampletest::DecodeImage(path);
        ASSERT_TRUE(image.decoded);
        ASSERT_EQ(image.width, 200u);
        ASSERT_EQ(image.height, 100u);
        EXPECT_EQ(image.At(0, 0), 0xFF0000u);  // the block is at the top, not flipped to the bottom
        EXPECT_EQ(image.At(49, 24), 0xFF0000u);
        EXPECT_EQ(image.At(50, 24), 0xFFFFFFu);
        EXPECT_EQ(image.At(0, 99), 0xFFFFFFu);
    }
}

TEST(ViewImage, ReportsABlankViewAndRefusesFailuresAndOtherFormats) {
    ComPtr<PaintingView> blank = platform::MakeObject<PaintingView>(S_OK, false);
    EXPECT_EQ(samplehost::WriteViewImage(blank.Get(), {20, 10}, sampletest::ScratchFile(L"blank.png")).colours, 1u);

    ComPtr<PaintingView> failing = platform::MakeObject<PaintingView>(E_UNEXPECTED);
    try {
        samplehost::WriteViewImage(failing.Get(), {20, 10}, sampletest::ScratchFile(L"failed.png"));
        ADD_FAILURE() << "a failed Draw wrote an image";
    } catch (const ComError& e) {
        EXPECT_EQ(e.Error(), E_UNEXPECTED);
    }
    std::wstring gif = sampletest::ScratchFile(L"view.gif");
    EXPECT_THROW(samplehost::WriteViewImage(blank.Get(), {20, 10}, gif), ComError);
    EXPECT_EQ(::GetFileAttributesW(gif.c_str()), INVALID_FILE_ATTRIBUTES);
}

// Keeps a line of text as its stream.
class TextObject : public platform::ComObject<TextObject, IPersistStreamInit> {
public:
    std::string text;

    STDMETHODIMP GetClassID(CLSID* clsid) override {
        *clsid = CLSID_NULL;
        return S_OK;
    }
    STDMETHODIMP IsDirty() override { return S_FALSE; }
    STDMETHODIMP Load(IStream* stream) override {
        char buffer[256];
        ULONG got = 0;
        text.clear();
        while (SUCCEEDED(stream->Read(buffer, sizeof buffer, &got)) && got) text.append(buffer, got);
        return S_OK;
    }
    STDMETHODIMP Save(IStream* stream, BOOL) override {
        ULONG put = 0;
        return stream->Write(text.data(), static_cast<ULONG>(text.size()), &put);
    }
    STDMETHODIMP GetSizeMax(ULARGE_INTEGER*) override { return E_NOTIMPL; }
    STDMETHODIMP InitNew() override { return S_OK; }
};

TEST(StreamFile, HoldsExactlyTheBytesTheObjectWritesAndGivesThemBack) {
    ComPtr<TextObject> saved = platform::MakeObject<TextObject>();
    saved->text = "mapsettings zoom=12.5";
    std::wstring path = sampletest::ScratchFile(L"text.stream");
    EXPECT_EQ(samplehost::SaveStreamToFile(saved.Get(), path), saved->text.size());
    std::vector<char> bytes = sampletest::ReadFileBytes(path);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), saved->text);

    ComPtr<TextObject> loaded = platform::MakeObject<TextObject>();
    samplehost::LoadStreamFromFile(loaded.Get(), path);
    EXPECT_EQ(loaded->text, saved->text);

    try {
        samplehost::LoadStreamFromFile(loaded.Get(), sampletest::ScratchFile(L"missing.stream"));
        ADD_FAILURE() << "a missing file loaded";
    } catch (const ComError& e) {
        EXPECT_EQ(e.Error(), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    }
}

// Answers the control's two settings DISPIDs: SaveToXML appends a "mapsettings" element with a
// zoom under the node it gets, LoadFromXML reads the zoom from the "mapsettings" child of its node.
class SettingsObject : public platform::ComObject<SettingsObject, IDispatch> {
public:
    std::wstring zoom;

    STDMETHODIMP GetTypeInfoCount(UINT* count) override {
        *count = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*, UINT*) override {
        if (!params || params->cArgs != 1 || params->rgvarg[0].vt != VT_DISPATCH) return DISP_E_TYPEMISMATCH;
        ComPtr<IXMLDOMElement> node;
        if (FAILED(params->rgvarg[0].pdispVal->QueryInterface(IID_IXMLDOMElement, node.PutVoid())))
            return E_INVALIDARG;
        if (id == 0x0d) {
            ComPtr<IXMLDOMDocument> document;
            ComPtr<IXMLDOMElement> settings;
            ComPtr<IXMLDOMNode> appended;
            RETURN_IF_FAILED(node->get_ownerDocument(document.Put()));
            RETURN_IF_FAILED(document->createElement(platform::Bstr(L"mapsettings").Get(), settings.Put()));
            RETURN_IF_FAILED(settings->setAttribute(platform::Bstr(L"zoom").Get(), Variant(zoom)));
            return node->appendChild(settings.Get(), appended.Put());
        }
        if (id == 0x0e) {
            ComPtr<IXMLDOMNode> settings;
            ComPtr<IXMLDOMElement> element;
            if (node->selectSingleNode(platform::Bstr(L"mapsettings").Get(), settings.Put()) != S_OK) return E_FAIL;
            RETURN_IF_FAILED(settings->QueryInterface(IID_IXMLDOMElement, element.PutVoid()));
            Variant value;
            RETURN_IF_FAILED(element->getAttribute(platform::Bstr(L"zoom").Get(), value.Put()));
            zoom = value.ToWide();
            return S_OK;
        }
        return DISP_E_MEMBERNOTFOUND;
    }
};

TEST(SettingsDocument, SavesWhatTheControlWritesAndHandsItBack) {
    ComPtr<SettingsObject> saved = platform::MakeObject<SettingsObject>();
    saved->zoom = L"12.5";
    std::wstring path = sampletest::ScratchFile(L"settings.xml");
    samplehost::SaveSettingsDocument(saved.Get(), path);

    ComPtr<SettingsObject> loaded = platform::MakeObject<SettingsObject>();
    samplehost::LoadSettingsDocument(loaded.Get(), path);
    EXPECT_EQ(loaded->zoom, L"12.5");

    EXPECT_THROW(samplehost::LoadSettingsDocument(loaded.Get(), sampletest::ScratchFile(L"missing.xml")), ComError);
}

}  // namespace
