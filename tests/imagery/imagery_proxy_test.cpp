// The imagery behind the system's proxy, which wants the user's credentials: the tile server plays
// the proxy (see tile_server.py's "proxy_credentials"). The user is asked from the map's window,
// one dialog at a time, once for all tiles and once per answer the proxy refuses; a Cancel ends
// the asking until the map's imagery properties are confirmed; the download thread asks nobody.
// The credentials and the Cancel are kept for the process: each case runs in a process of its own.
#include "ZmaVOMap2/control/ZmaVadAZ.h"
#include "ZmaVOMap2/imagery/DownloadStatusCallback.h"
#include "tests/control/MapSiteFixture.h"
#include "tests/imagery/ImageryFixture.h"
#include "tests/imagery/ImagerySettings.h"
#include "tests/support/DialogAnswerer.h"
#include "tests/support/TestSupport.h"

#include <algorithm>
#include <set>

using platform::Bstr;
using platform::ComPtr;
using namespace imagerytest;

namespace {

constexpr wchar_t kInternetSettings[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
constexpr wchar_t kProxyDialog[] = L"Proxy Authentication";
constexpr int kProxyUser = 346, kProxyPassword = 347;
// A tile request's time, which the user may take to answer.
constexpr DWORD kTileRequestTime = 5000;
const std::wstring kCancelled = L"Proxy credentials cancelled: nobody is asked again";

// A second map of the host, on the same thread.
class OtherMap : public sitetest::MapSiteTest {
public:
    void Open() { SetUp(); }
    void Close() { TearDown(); }
    using MapSiteTest::DrawView;
    using MapSiteTest::Pixel;
    using MapSiteTest::ShowArea;

private:
    void TestBody() override {}
};

class ProxyMap : public sitetest::MapSiteTest {
protected:
    void SetUp() override {
        ClearImageryRegistry();
        SetImageryString(L"CredentialMode", L"Token");
        SetImageryDword(L"AsyncBackgroundMapEnabled", Asynchronous());
        // Tiles of a server path of this run's own: none is in the URL cache yet.
        SetImageryString(L"BackgroundMapTileServer", TileServer() + L"/u" + std::to_wstring(::GetCurrentProcessId()) +
                                                         L"-" + std::to_wstring(::GetTickCount()) + L"/r%d/tiles/");
        SetServerOption("proxy_credentials", "ann:s3cret");
        testsupport::WriteDword(HKEY_CURRENT_USER, kInternetSettings, L"ProxyEnable", 1);
        testsupport::WriteString(HKEY_CURRENT_USER, kInternetSettings, L"ProxyServer", TileServer().substr(7));
        MapSiteTest::SetUp();
        testsupport::DialogAnswerer::Current()->Clear();
    }
    void TearDown() override {
        MapSiteTest::TearDown();
        testsupport::WriteDword(HKEY_CURRENT_USER, kInternetSettings, L"ProxyEnable", 0);
        ClearImageryRegistry();
        ClearServerOptions();
    }
    virtual DWORD Asynchronous() const { return 0; }

    // The next credentials dialog is answered "user:password", or Cancel for null, after `wait`
    // ms. With `behind`, that map draws a new view of its own behind the dialog first, as a
    // host's other map repaints under it.
    void Answer(const wchar_t* answer, OtherMap* behind = nullptr, DWORD wait = 0) {
        WorkNextDialog([this, answer, behind, wait](HWND d) {
            if (behind) {
                behind->ShowArea(west_ + 100.0, 45.0, west_ + 100.9, 45.5);
                const std::set<std::wstring> before = TilesAsked();
                behind->DrawView();
                for (const std::wstring& tile : TilesAsked())
                    if (!before.count(tile)) otherMapsTiles_.insert(tile);
            }
            ::Sleep(wait);
            if (!answer) return Press(d, IDCANCEL);
            const std::wstring text = answer;
            ::SetDlgItemTextW(d, kProxyUser, text.substr(0, text.find(L':')).c_str());
            ::SetDlgItemTextW(d, kProxyPassword, text.substr(text.find(L':') + 1).c_str());
            Press(d, IDOK);
        });
    }
    static size_t ProxyDialogs() {
        const auto& shown = testsupport::DialogAnswerer::Current()->Dialogs();
        return std::count_if(shown.begin(), shown.end(), [](const auto& d) { return d.caption == kProxyDialog; });
    }
    // The tiles this map asked for since the last ClearRequests, by quadkey.
    std::set<std::wstring> TilesAsked() const {
        std::set<std::wstring> asked;
        for (const std::string& path : Requests())
            if (path.find("/tiles/") != std::string::npos && !otherMapsTiles_.count(QuadKeyOf(path)))
                asked.insert(QuadKeyOf(path));
        return asked;
    }
    // The pixels above the attribution that show a tile asked for, or lie next to one (a tile's
    // edge may be blended with what is under it).
    int TilePixels() const { return TilePixels(*this, TilesAsked()); }
    template <typename Map>
    static int TilePixels(const Map& map, const std::set<std::wstring>& asked) {
        std::set<COLORREF> tiles;
        for (const std::wstring& tile : asked) tiles.insert(TileColour(tile));
        auto tileNear = [&](int x, int y) {
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx)
                    if (tiles.count(map.Pixel(x + dx, y + dy))) return true;
            return false;
        };
        int shown = 0;
        for (int y = 0; y < kTileArea; ++y)
            for (int x = 0; x < kWidth; ++x) shown += tileNear(x, y);
        return shown;
    }
    static size_t RequestsCarrying(const std::string& proxyCredentials) {
        size_t carrying = 0;
        for (const ServedRequest& request : Served()) {
            auto given = request.headers.find("Proxy-Authorization");
            carrying += given != request.headers.end() && given->second == "Basic " + proxyCredentials;
        }
        return carrying;
    }
    // The imagery layer's saved settings.
    std::wstring ImageryXml() {
        Bstr xml;
        ImageryElement(SaveSettings(Control()).Get())->get_xml(xml.Put());
        return xml.Wide();
    }
    // A view of the map no earlier view showed.
    void ShowNewView() {
        ShowArea(west_, 45.0, west_ + 0.9, 45.5);
        west_ += 2.0;
    }

    // The rows of the view above the attribution and logo.
    static constexpr int kTileArea = kHeight - 60;
    std::set<std::wstring> otherMapsTiles_;
    double west_ = 3.0;
};

// Each run confirms the properties unchanged (which keeps the settings and lets the user be asked
// again), then shows two new views: the first asks the user, the second finds the answer given.
TEST_F(ProxyMap, TheUserIsAskedOncePerRefusedAnswerAndCancelEndsTheAskingUntilThePropertiesAreConfirmed) {
    struct Run {
        std::vector<const wchar_t*> answers;  // "user:password" typed into each dialog, or null for Cancel
        DWORD lastAnswerTakes;                // how long the user takes to give the last answer, in ms
        size_t refusedSent;                   // requests that carried the refused "ann:wrong"
        bool drawn;                           // the views show their tiles
    } runs[] = {
        {{nullptr}, 0, 0, false},
        {{L"ann:wrong", nullptr}, 0, 1, false},
        // Longer than a tile request's time: the tiles come all the same.
        {{L"ann:wrong", L"ann:s3cret"}, kTileRequestTime + 300, 1, true},
    };
    OtherMap other;
    other.Open();
    for (const Run& run : runs) {
        const std::wstring saved = ImageryXml();
        WorkNextDialog([](HWND d) { Press(d, IDOK); });
        ASSERT_EQ(Control()->DisplayBackgroundMapLayerProperties(), S_OK);
        // The first confirmation of a process records the imagery as enabled ("visible" -1, not
        // yet set, becomes 1): nothing else changes.
        if (&run != runs) {
            EXPECT_EQ(ImageryXml(), saved);
        }

        // The other map draws behind the first dialog of each run.
        for (size_t i = 0; i < run.answers.size(); ++i)
            Answer(run.answers[i], i == 0 ? &other : nullptr, i + 1 == run.answers.size() ? run.lastAnswerTakes : 0);
        testsupport::DialogAnswerer::Current()->Clear();
        const size_t cancelled = LinesStartingWith(kCancelled);
        size_t refusedSent = 0;
        for (int view = 0; view < 2; ++view) {
            ShowNewView();
            ClearRequests();
            DrawView();
            ASSERT_FALSE(TilesAsked().empty());
            EXPECT_EQ(TilePixels(), run.drawn ? kWidth * kTileArea : 0) << "view " << view;
            refusedSent += RequestsCarrying("ann:wrong");
        }
        EXPECT_EQ(refusedSent, run.refusedSent);
        // One at a time: the other map's frame behind the first asked nobody.
        EXPECT_EQ(ProxyDialogs(), run.answers.size());
        EXPECT_EQ(LinesStartingWith(kCancelled) - cancelled, run.answers.back() ? 0u : 1u);
    }
    other.Close();
}

// A tile that went without credentials because the user cancelled, or because another map's dialog
// was open, is no failed tile of its view: the way back (the properties' OK) and the right answer
// bring the tiles of the views already shown, without a pan.
class ProxyMapAfterCancel : public ProxyMap {};

TEST_F(ProxyMapAfterCancel, ThePropertiesOkAsksOnceForTheSameViewAndAMapThatWaitedBehindTheDialogDrawsItsTiles) {
    OtherMap other;
    other.Open();
    ShowNewView();
    Answer(nullptr);
    DrawView();
    DrawView();  // the map repaints once more
    EXPECT_EQ(TilePixels(), 0);
    EXPECT_EQ(ProxyDialogs(), 1u);

    WorkNextDialog([](HWND d) { Press(d, IDOK); });
    ASSERT_EQ(Control()->DisplayBackgroundMapLayerProperties(), S_OK);
    testsupport::DialogAnswerer::Current()->Clear();
    // Behind the dialog the other map shows a view of its own and repaints it, then the user
    // answers right.
    WorkNextDialog([&other](HWND d) {
        other.ShowArea(110.0, 45.0, 110.9, 45.5);
        other.DrawView();
        other.DrawView();
        ::SetDlgItemTextW(d, kProxyUser, L"ann");
        ::SetDlgItemTextW(d, kProxyPassword, L"s3cret");
        Press(d, IDOK);
    });
    ClearRequests();
    DrawView();  // the same view, no pan
    EXPECT_EQ(ProxyDialogs(), 1u) << "asked once";
    EXPECT_EQ(TilePixels(), kWidth * kTileArea);

    std::set<std::wstring> othersTiles;
    for (const std::string& path : Requests())
        if (path.find("/tiles/") != std::string::npos) othersTiles.insert(QuadKeyOf(path));
    other.DrawView();  // its next frame, the same view
    EXPECT_EQ(TilePixels(other, othersTiles), kWidth * kTileArea);
    EXPECT_EQ(ProxyDialogs(), 1u);
    other.Close();
}

// The download thread fetches what a frame on the screen asks for, while exports draw on this thread.
class AsyncProxyMap : public ProxyMap {
protected:
    DWORD Asynchronous() const override { return 1; }
    // The map exported to a bitmap file, as a host exports it: its tiles are fetched on this thread.
    void Export() {
        wchar_t temp[MAX_PATH] = {};
        ::GetTempPathW(MAX_PATH, temp);
        const std::wstring file = temp + std::wstring(L"proxy_") + std::to_wstring(::GetCurrentProcessId()) + L".bmp";
        EXPECT_EQ(Control()->ExportToFile(Bstr(file).Get(), Bstr(L"bmp").Get()), S_OK);
        ::DeleteFileW(file.c_str());
    }
    // Dispatches this thread's messages until the server heard nothing for a second.
    void UntilTheServerIsQuiet() {
        size_t heard = 0;
        DWORD quietSince = ::GetTickCount();
        for (const DWORD start = ::GetTickCount(); ::GetTickCount() - start < 30000; ::Sleep(10)) {
            testsupport::PumpMessages();
            if (Requests().size() != heard) {
                heard = Requests().size();
                quietSince = ::GetTickCount();
            } else if (heard > 0 && ::GetTickCount() - quietSince > 1000) {
                return;
            }
        }
    }
};

// The thread sends the credentials the user gave and asks nobody. When the proxy refuses them
// (its password changed), they are forgotten once and sent no more, and the next map drawn on
// this thread asks the user once; the thread's tiles come with the new answer.
TEST_F(AsyncProxyMap, TheDownloadThreadAsksNobodyAndWhatTheProxyRefusedItIsAskedForOnceMore) {
    Answer(L"ann:s3cret");
    Export();
    EXPECT_EQ(ProxyDialogs(), 1u);

    SetServerOption("proxy_credentials", "ann:n3w");
    ShowNewView();
    ClearRequests();
    DrawView();
    UntilTheServerIsQuiet();
    EXPECT_GT(TilesAsked().size(), 1u);
    EXPECT_EQ(RequestsCarrying("ann:s3cret"), 1u);
    EXPECT_EQ(ProxyDialogs(), 1u);

    Answer(L"ann:n3w");
    Export();
    EXPECT_EQ(ProxyDialogs(), 2u);
    ShowNewView();
    ClearRequests();
    DrawView();
    UntilTheServerIsQuiet();
    DrawView();
    ASSERT_FALSE(TilesAsked().empty());
    EXPECT_EQ(TilePixels(), kWidth * kTileArea);
    EXPECT_EQ(ProxyDialogs(), 2u);
}

// The user may answer a dialog (another map's, on the user-interface thread) at any moment: also
// between the proxy's refusal of a download and the record of that tile. The tile went without at
// the chance before the answer, so the answer is a new chance for it: it comes in the same view,
// without a pan. The control here is this program's own, so that the test can act at that moment.
class AnsweredWhileATileWentWithout : public AsyncProxyMap {
protected:
    HRESULT MakeControl(ComPtr<IUnknown>& control) override {
        return platform::CreateInstanceOf<CZmaVadAZ>(IID_IUnknown, control.PutVoid());
    }
    void TearDown() override {
        imagery::DownloadStatusCallback().SetWithheldObserver(nullptr);
        AsyncProxyMap::TearDown();
    }
    // A window of this thread that asks the user for the proxy credentials when told to, as a map's
    // frame on this thread asks.
    static constexpr UINT kAsk = WM_APP + 7;
    static LRESULT CALLBACK Asking(HWND window, UINT message, WPARAM wp, LPARAM lp) {
        if (message == kAsk) return imagery::DownloadStatusCallback().GetCredentials(window);
        return ::DefWindowProcW(window, message, wp, lp);
    }
};

TEST_F(AnsweredWhileATileWentWithout, TheTileComesInTheSameView) {
    WNDCLASSW asking = {};
    asking.lpfnWndProc = &Asking;
    asking.hInstance = ::GetModuleHandleW(nullptr);
    asking.lpszClassName = L"ProxyCredentialsAskingWindow";
    ::RegisterClassW(&asking);
    HWND asker = ::CreateWindowExW(0, asking.lpszClassName, L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                   asking.hInstance, nullptr);
    ASSERT_TRUE(asker);
    // The first download that goes without: the user answers right at that moment.
    LONG withheld = 0;
    imagery::DownloadStatusCallback().SetWithheldObserver([&withheld, asker] {
        if (::InterlockedIncrement(&withheld) == 1) ::SendMessageW(asker, kAsk, 0, 0);
    });
    Answer(L"ann:s3cret");

    ShowNewView();
    ClearRequests();
    for (int frame = 0; frame < 3; ++frame) {
        DrawView();
        UntilTheServerIsQuiet();
    }
    EXPECT_EQ(withheld, 1);
    EXPECT_EQ(ProxyDialogs(), 1u);
    ASSERT_FALSE(TilesAsked().empty());
    EXPECT_EQ(TilePixels(), kWidth * kTileArea);
    ::DestroyWindow(asker);
}

}  // namespace
