// Pictures of the map: the seven "Export Map" commands through their Save As dialog, and the
// export members through IDispatch. The files are judged by an independent decoder afterwards
// (judge_exports.sh reads the list this program writes).
#include "tests/commands/CommandsFixture.h"
#include "tests/support/TestSupport.h"

#include <commdlg.h>
#include <dlgs.h>

#include <cstdio>
#include <fstream>

using platform::Bstr;
using platform::Variant;

namespace commandtest {
namespace {

// Where the decoder finds the files: "exports" beside this program.
std::wstring ExportFolder() {
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path);
    folder = testsupport::RunFolder(folder.substr(0, folder.rfind(L'\\')) + L"\\exports");
    ::CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

bool Exists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

struct SaveDialogSeen {
    std::wstring folder;
    int filterEntries = -1;
};

class Export : public SitedMap {
protected:
    void SetUp() override {
        SitedMap::SetUp();
        ::GetClientRect(engine_, &client_);
        Dialogs().Clear();
    }

    // Answers the Save As dialog with `typed`, confirms overwriting, acknowledges message boxes.
    void AnswerWith(const std::wstring& typed) {
        WorkDialogs([this, typed](HWND dialog) {
            if (::GetDlgItem(dialog, cmb1)) {
                SaveDialogSeen seen;
                wchar_t folder[MAX_PATH] = {};
                ::SendMessageW(dialog, CDM_GETFOLDERPATH, MAX_PATH, reinterpret_cast<LPARAM>(folder));
                seen.folder = folder;
                seen.filterEntries = static_cast<int>(::SendDlgItemMessageW(dialog, cmb1, CB_GETCOUNT, 0, 0));
                seen_.push_back(seen);
                ::SendMessageW(dialog, CDM_SETCONTROLTEXT, edt1, reinterpret_cast<LPARAM>(typed.c_str()));
                ::SendMessageW(dialog, CDM_SETCONTROLTEXT, cmb13, reinterpret_cast<LPARAM>(typed.c_str()));
                ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
            } else if (::GetDlgItem(dialog, IDYES)) {
                ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDYES, BN_CLICKED), 0);
            } else {
                ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
            }
        });
    }

    RECT client_ = {};
    std::vector<SaveDialogSeen> seen_;
};

TEST_F(Export, EachFormatIsSavedWhereTheUserSaysAndTheFolderIsRemembered) {
    const std::wstring folder = ExportFolder();
    const struct {
        UINT id;
        const wchar_t* extension;
        const char* decoderFormat;
    } formats[] = {{32811, L"bmp", "BMP"}, {32812, L"jpg", "JPEG"}, {32813, L"wmf", nullptr}, {32814, L"png", "PNG"},
                   {32815, L"tif", "TIFF"}, {32816, L"gif", "GIF"}, {32817, L"psd", "PSD"}};
    std::ofstream list(platform::ToAnsi(folder + L"\\expected.txt"));
    for (const auto& f : formats) {
        const std::wstring base = folder + L"\\menu_" + f.extension;
        const std::wstring file = base + L"." + f.extension;
        ::DeleteFileW(file.c_str());
        // The first dialog gets the full path; later ones only the name, in the remembered folder.
        AnswerWith(f.id == formats[0].id ? base : L"menu_" + std::wstring(f.extension));
        EXPECT_EQ(Command(f.id), 0);
        ASSERT_TRUE(Exists(file)) << platform::ToAnsi(file);
        if (f.decoderFormat)
            list << platform::ToAnsi(L"menu_" + std::wstring(f.extension) + L"." + f.extension) << " " << f.decoderFormat
                 << " " << client_.right << " " << client_.bottom << "\n";
    }
    ASSERT_EQ(seen_.size(), 7u);
    for (const SaveDialogSeen& seen : seen_) EXPECT_EQ(seen.filterEntries, 1);
    for (size_t i = 1; i < seen_.size(); ++i) EXPECT_EQ(_wcsicmp(seen_[i].folder.c_str(), folder.c_str()), 0);
    for (const auto& d : Dialogs().Dialogs()) EXPECT_EQ(d.caption, L"Export Map as Image");

    // Saving over an existing file asks first.
    Dialogs().Clear();
    AnswerWith(L"menu_png");
    EXPECT_EQ(Command(32814), 0);
    bool asked = false;
    for (const auto& d : Dialogs().Dialogs()) asked = asked || d.text.find(L"exists") != std::wstring::npos;
    EXPECT_TRUE(asked);

    // A placeable metafile of the map's size.
    FILE* wmf = _wfopen((folder + L"\\menu_wmf.wmf").c_str(), L"rb");
    ASSERT_TRUE(wmf);
    unsigned char header[22] = {};
    ASSERT_EQ(std::fread(header, 1, sizeof header, wmf), sizeof header);
    std::fclose(wmf);
    EXPECT_EQ(header[0] | header[1] << 8 | header[2] << 16 | static_cast<unsigned>(header[3]) << 24, 0x9AC6CDD7u);
    EXPECT_EQ(header[10] | header[11] << 8, client_.right);
    EXPECT_EQ(header[12] | header[13] << 8, client_.bottom);
}

// An engine that cannot write pictures.
class FailingExport : public Export {
protected:
    void SetUp() override {
        controltest::SetEngineFaults(L"fail-export");
        Export::SetUp();
        controltest::SetEngineFaults(nullptr);
    }
};

TEST_F(FailingExport, IsShownToTheUserAndTheCommandStillAnswersZero) {
    AnswerWith(TestFolder(L"failing") + L"\\refused.png");
    EXPECT_EQ(Command(32814), 0);
    bool told = false;
    for (const auto& d : Dialogs().Dialogs())
        if (d.caption == L"Map Module" && d.text == L"The map picture cannot be written") told = true;
    EXPECT_TRUE(told);
}

TEST_F(Export, CancellingTheDialogExportsNothing) {
    Dialogs().SetAction([](HWND dialog) { ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0); });
    ClearEngineLog();
    EXPECT_EQ(Command(32811), 0);
    EXPECT_FALSE(EngineLogHas(L"ExportMap"));
}

// Invokes a member of the control by name, as a script host does.
HRESULT InvokeByName(IDispatch* object, const wchar_t* name, std::vector<Variant> args, std::wstring* error = nullptr) {
    DISPID id = 0;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr)) return hr;
    std::vector<Variant> reversed(args.rbegin(), args.rend());
    DISPPARAMS params = {reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    EXCEPINFO info = {};
    hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, &info, nullptr);
    if (hr == DISP_E_EXCEPTION) {
        if (error && info.bstrDescription) *error = info.bstrDescription;
        hr = info.scode;
        ::SysFreeString(info.bstrSource);
        ::SysFreeString(info.bstrDescription);
        ::SysFreeString(info.bstrHelpFile);
    }
    return hr;
}

TEST_F(Export, ExportToFileResolvesPackageAddresses) {
    const std::wstring writable = TestFolder(L"package");
    ::SetEnvironmentVariableW(L"VADAZ_HOST_PACKAGE_WRITABLE", writable.c_str());
    auto dispatch = controltest::As<IDispatch>(control_.Get());
    EXPECT_EQ(InvokeByName(dispatch.Get(), L"ExportToFile",
                           {Variant(L"TERRAVEX://Exports/map.png"), Variant(L"PNG")}),
              S_OK);
    ::SetEnvironmentVariableW(L"VADAZ_HOST_PACKAGE_WRITABLE", nullptr);
    EXPECT_TRUE(Exists(writable + L"\\Exports\\map.png"));
    EXPECT_TRUE(EngineLogHas(L"I2:5"));

    std::wstring error;
    EXPECT_EQ(InvokeByName(dispatch.Get(), L"ExportToFile", {Variant(writable + L"\\x.tiff"), Variant(L"tiff")}, &error),
              E_INVALIDARG);
    EXPECT_EQ(error, L"Unknown image format: tiff");
    EXPECT_FALSE(Exists(writable + L"\\x.tiff"));
}

TEST_F(Export, PictureAtScaleAsksForTheScaledGroundSizeAndRestoresRedraw) {
    testsupport::RemoveBackgroundMap(control_.Get());
    const std::wstring folder = ExportFolder();
    EnginePut(kEngineUnit, Variant(0L));        // miles on the ground
    EnginePut(kEnginePaperUnit, Variant(2L));   // inches on paper
    EnginePut(kEngineZoom, Variant(2.0));
    const std::wstring file = folder + L"\\scaled.bmp";
    ::DeleteFileW(file.c_str());
    ClearEngineLog();
    ASSERT_EQ(automation_->ExportAsPictureAtScale(Bstr(file).Get(), 0.5), S_OK);
    ASSERT_TRUE(Exists(file));
    // Half the ground width of a two-mile view, in the paper unit: one inch.
    double width = 0, height = 0;
    for (const std::wstring& line : EngineLog()) {
        const size_t at = line.find(L"I2:1 R8:");
        const size_t second = line.find(L" R8:", at + 8);
        if (line.find(L"Map.ExportMap(39) call") == 0 && at != std::wstring::npos && second != std::wstring::npos) {
            width = testsupport::NumberIn(line.substr(at + 8));
            height = testsupport::NumberIn(line.substr(second + 4));
        }
    }
    EXPECT_NEAR(width, 1.0, 1e-6);
    EXPECT_NEAR(height, 0.75, 1e-6);
    std::ofstream(platform::ToAnsi(folder + L"\\expected.txt"), std::ios::app) << "scaled.bmp BMP 96 *\n";

    // A picture the engine refuses leaves the redraw on and answers the engine's failure.
    EXPECT_TRUE(FAILED(automation_->ExportAsPictureAtScale(Bstr(folder + L"\\huge.bmp").Get(), 100000.0)));
    EXPECT_TRUE(EngineGet(6).ToBool());
}

}  // namespace
}  // namespace commandtest
