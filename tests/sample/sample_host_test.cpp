// The sample host program, run as the README's command runs it: it embeds a registered control,
// drives it from the command line and leaves files behind.
#include "tests/sample/HostRun.h"

#include "platform/Com.h"

#include "VadAZ.h"

#include <msxml2.h>

#include <gtest/gtest.h>

#include <cwchar>
#include <map>

using platform::Bstr;
using platform::ComPtr;
using sampletest::DecodeImage;
using sampletest::RunHost;
using sampletest::ScratchFile;

namespace {

// The map engine stand-in's map class: a full ActiveX control that draws a background and fires
// events described by its type library.
constexpr wchar_t kEngineMapClass[] = L"{9D6ED188-5910-11D2-98A6-00A0C9742CCA}";
// A control that comes with Wine: enough to show in-place activation in the site window.
constexpr wchar_t kWineControl[] = L"WMPlayer.OCX";

std::wstring Quoted(const std::wstring& path) { return L"\"" + path + L"\""; }

// The attributes of the "mapsettings" element under the host's root, by name.
// A reloaded map's imagery takes its scale to the most detailed tile level that covers the view:
// the zoom grows by less than a factor of two (or shrinks by less than 1 %), everything else stays.
void ExpectReloadedSettings(std::map<std::wstring, std::wstring> reloaded, std::map<std::wstring, std::wstring> saved) {
    const double zoom = std::wcstod(reloaded[L"zoom"].c_str(), nullptr), was = std::wcstod(saved[L"zoom"].c_str(), nullptr);
    EXPECT_GE(zoom, was * 0.99);
    EXPECT_LE(zoom, was * 2.0);
    reloaded.erase(L"zoom");
    saved.erase(L"zoom");
    EXPECT_EQ(reloaded, saved);
}

std::map<std::wstring, std::wstring> MapSettingsOf(const std::wstring& path) {
    std::map<std::wstring, std::wstring> attributes;
    CLSID clsid = {};
    ComPtr<IXMLDOMDocument> document;
    if (FAILED(::CLSIDFromProgID(L"Msxml2.DOMDocument.4.0", &clsid)) ||
        FAILED(::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IXMLDOMDocument, document.PutVoid())))
        return attributes;
    VARIANT_BOOL loaded = VARIANT_FALSE;
    document->put_async(VARIANT_FALSE);
    if (FAILED(document->load(platform::Variant(path), &loaded)) || !loaded) return attributes;
    ComPtr<IXMLDOMNode> settings;
    ComPtr<IXMLDOMNamedNodeMap> map;
    if (document->selectSingleNode(Bstr(L"/hostsettings/mapsettings").Get(), settings.Put()) != S_OK ||
        FAILED(settings->get_attributes(map.Put())) || !map)
        return attributes;
    long count = 0;
    map->get_length(&count);
    for (long i = 0; i < count; ++i) {
        ComPtr<IXMLDOMNode> attribute;
        Bstr name, value;
        if (SUCCEEDED(map->get_item(i, attribute.Put())) && attribute && SUCCEEDED(attribute->get_nodeName(name.Put())) &&
            SUCCEEDED(attribute->get_text(value.Put())))
            attributes[name.Wide()] = value.Wide();
    }
    return attributes;
}

void ExpectNonBlankImage(const std::wstring& path) {
    sampletest::DecodedImage image = DecodeImage(path);
    ASSERT_TRUE(image.decoded) << "GDI+ cannot decode the image";
    EXPECT_EQ(image.width, 640u);
    EXPECT_EQ(image.height, 480u);
    EXPECT_GT(image.colours, 1u) << "the image is one flat colour";
}

TEST(SampleHostProgram, RefusesBadCommandLinesAndUnknownControls) {
    sampletest::HostRun usage = RunHost(L"--image");
    EXPECT_EQ(usage.exitCode, 2);
    EXPECT_TRUE(usage.Printed("needs a value")) << usage.output;
    EXPECT_EQ(RunHost(L"--no-such-option").exitCode, 2);

    sampletest::HostRun unknown = RunHost(L"--progid No.Such.Control.1 --exit");
    EXPECT_EQ(unknown.exitCode, 1);
    EXPECT_TRUE(unknown.Printed("FAILED: embed No.Such.Control.1")) << unknown.output;
}

TEST(SampleHostProgram, ActivatesARegisteredControlInPlaceAndReportsWhatItCannotDo) {
    if (!sampletest::IsRegistered(kWineControl)) GTEST_SKIP() << "Wine's media player control is not registered";
    // This control has neither IViewObject nor a stream to save under Wine: the commands fail one
    // by one, the embedding itself stands, and the run ends with a failure line.
    sampletest::HostRun run = RunHost(L"--progid WMPlayer.OCX --image " + Quoted(ScratchFile(L"wmp.png")) + L" --exit");
    EXPECT_TRUE(run.Printed("initialised (InitNew)")) << run.output;
    EXPECT_TRUE(run.Printed("in-place active: site window")) << run.output;
    EXPECT_FALSE(run.Printed("control window 0x00000000")) << "no window became the site's first child\n" << run.output;
    EXPECT_TRUE(run.Printed("FAILED: image")) << run.output;
    EXPECT_TRUE(run.Printed("VadAZHost: 1 command(s) failed")) << run.output;
    EXPECT_EQ(run.exitCode, 1);

    // Without --exit the window stays until the user closes it.
    sampletest::HostRun interactive = RunHost(L"--progid WMPlayer.OCX", true);
    EXPECT_EQ(interactive.exitCode, 0) << interactive.output;
    EXPECT_TRUE(interactive.Printed("running; close the window to end")) << interactive.output;
    EXPECT_TRUE(interactive.Printed("VadAZHost: all commands succeeded")) << interactive.output;
}

TEST(SampleHostProgram, DrivesTheMapEngineStandIn) {
    if (!sampletest::IsRegistered(kEngineMapClass)) GTEST_SKIP() << "the map engine stand-in is not registered";
    const std::wstring engine = std::wstring(L"--progid ") + kEngineMapClass;
    std::wstring png = ScratchFile(L"engine.png"), bmp = ScratchFile(L"engine.bmp");
    std::wstring stream = ScratchFile(L"engine.stream");

    // A property put by name, kept in the stream and read back by name in a second run.
    sampletest::HostRun first =
        RunHost(engine + L" --call Zoom=250 --image " + Quoted(png) + L" --save " + Quoted(stream) + L" --exit");
    ASSERT_EQ(first.exitCode, 0) << first.output;
    EXPECT_TRUE(first.Printed("events: connected to {9D6ED198-5910-11D2-98A6-00A0C9742CCA}")) << first.output;
    EXPECT_TRUE(first.Printed("event: MapDraw(")) << "events are printed by their names\n" << first.output;
    ExpectNonBlankImage(png);

    sampletest::HostRun second =
        RunHost(engine + L" --load " + Quoted(stream) + L" --call Zoom --image " + Quoted(bmp) + L" --exit");
    ASSERT_EQ(second.exitCode, 0) << second.output;
    EXPECT_TRUE(second.Printed("loaded the control's stream")) << second.output;
    EXPECT_TRUE(second.Printed("call Zoom -> 250")) << second.output;
    std::vector<char> bytes = sampletest::ReadFileBytes(bmp);
    ASSERT_GT(bytes.size(), 2u);
    EXPECT_EQ(std::string(bytes.data(), 2), "BM");
    ExpectNonBlankImage(bmp);
}

// The map control itself: embedded, drawn, its settings saved as a stream and as a document, and
// both reloaded into a new run that saves the same settings again.
TEST(SampleHostProgram, EmbedsTheMapControlAndReloadsItsSettings) {
    ComPtr<IUnknown> probe;
    HRESULT created = ::CoCreateInstance(CLSID_VadAZ2, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, probe.PutVoid());
    probe.Reset();
    if (created == E_NOTIMPL)
        GTEST_SKIP() << "the map control's class factory still answers E_NOTIMPL: the control object has not landed";

    std::wstring image = ScratchFile(L"map.png"), stream = ScratchFile(L"map.stream"), xml = ScratchFile(L"map.xml");
    sampletest::HostRun first = RunHost(L"--image " + Quoted(image) + L" --save " + Quoted(stream) + L" --save-xml " +
                                        Quoted(xml) + L" --exit");
    ASSERT_EQ(first.exitCode, 0) << first.output;
    ExpectNonBlankImage(image);
    EXPECT_FALSE(sampletest::ReadFileBytes(stream).empty());
    std::map<std::wstring, std::wstring> saved = MapSettingsOf(xml);
    ASSERT_FALSE(saved.empty()) << "no mapsettings element with attributes under the host's root";

    std::wstring fromStream = ScratchFile(L"from-stream.xml"), reloadedImage = ScratchFile(L"reloaded.png");
    sampletest::HostRun second = RunHost(L"--load " + Quoted(stream) + L" --image " + Quoted(reloadedImage) +
                                         L" --save-xml " + Quoted(fromStream) + L" --exit");
    ASSERT_EQ(second.exitCode, 0) << second.output;
    ExpectNonBlankImage(reloadedImage);
    ExpectReloadedSettings(MapSettingsOf(fromStream), saved);

    std::wstring fromDocument = ScratchFile(L"from-document.xml");
    sampletest::HostRun third =
        RunHost(L"--load-xml " + Quoted(xml) + L" --save-xml " + Quoted(fromDocument) + L" --exit");
    ASSERT_EQ(third.exitCode, 0) << third.output;
    ExpectReloadedSettings(MapSettingsOf(fromDocument), saved);
}

TEST(SampleHostProgram, ShowsADatasetWithTheScaleBarAndTheOverviewFrame) {
    ComPtr<IUnknown> probe;
    if (FAILED(::CoCreateInstance(CLSID_VadAZ2, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, probe.PutVoid())))
        GTEST_SKIP() << "the map control cannot be created";
    probe.Reset();

    std::wstring image = ScratchFile(L"dataset.png"), plain = ScratchFile(L"no-overview.png");
    sampletest::HostRun run = RunHost(L"--dataset 2000 --call SetOverviewRegion=49.98,9.98,50.02,10.02 "
                                      L"--call OverviewRegionVisible=true --image " + Quoted(image) + L" --exit");
    ASSERT_EQ(run.exitCode, 0) << run.output;
    EXPECT_TRUE(run.Printed("displayed a generated dataset of 2000 rows")) << run.output;
    sampletest::HostRun without = RunHost(L"--dataset 2000 --image " + Quoted(plain) + L" --exit");
    ASSERT_EQ(without.exitCode, 0) << without.output;

    sampletest::DecodedImage shown = sampletest::DecodeImage(image), bare = sampletest::DecodeImage(plain);
    ASSERT_TRUE(shown.decoded && bare.decoded);
    ASSERT_EQ(shown.width, bare.width);
    // The measurement points: the renderer's red appears.
    size_t red = 0;
    for (UINT32 p : shown.pixels) red += p == 0xFF0000;
    EXPECT_GT(red, 500u);
    // The scale bar's box at the bottom left: white with black text and frame.
    size_t white = 0, black = 0;
    for (UINT y = shown.height - 40; y < shown.height - 5; ++y)
        for (UINT x = 10; x < 120; ++x) {
            white += shown.At(x, y) == 0xFFFFFF;
            black += shown.At(x, y) == 0x000000;
        }
    EXPECT_GT(white, 1000u);
    EXPECT_GT(black, 20u);
    // The overview frame at the top left changes the pixels there, and only there.
    auto differing = [&](UINT x0, UINT y0, UINT x1, UINT y1) {
        size_t n = 0;
        for (UINT y = y0; y < y1; ++y)
            for (UINT x = x0; x < x1; ++x) n += shown.At(x, y) != bare.At(x, y);
        return n;
    };
    EXPECT_GT(differing(5, 5, 140, 110), 200u);
    EXPECT_EQ(differing(shown.width - 140, 5, shown.width - 5, 110), 0u);
}

}  // namespace
