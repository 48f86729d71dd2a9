#include "tests/export/ExportFixture.h"

#include "ZmaVOMap2/datalayers/StyleSettings.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayerCollection.h"
#include "tests/support/TestSupport.h"

#include <algorithm>
#include <fstream>
#include <iterator>

using platform::Bstr;
using platform::ComPtr;
using platform::Variant;

namespace exporttest {

const wchar_t kGuid[] = L"{6B6B6B6B-1111-2222-3333-444444444444}";

void ExportTest::SetUp() {
    DataLayerTest::SetUp();
    platform::SetPrompts(&answers_);
    RendererOptimiserDataset::ResetNoPositionMessage();
}

void ExportTest::TearDown() {
    layer_.reset();
    DataLayerTest::TearDown();
}

std::string OutFolder(const std::string& name) {
    const std::string root = testsupport::RunFolder(EXPORT_TEST_OUT_UNIX);
    std::string unix = root + "/" + name;
    std::string path = "Z:" + unix;
    std::replace(path.begin(), path.end(), '/', '\\');
    // Left from an earlier run: emptied, so that every file found was written now.
    WIN32_FIND_DATAA found = {};
    HANDLE search = ::FindFirstFileA((path + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) ::DeleteFileA((path + "\\" + found.cFileName).c_str());
        } while (::FindNextFileA(search, &found));
        ::FindClose(search);
    }
    ::CreateDirectoryA(("Z:" + root).c_str(), nullptr);
    ::CreateDirectoryA(path.c_str(), nullptr);
    return path;
}

std::vector<std::wstring> FilesIn(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found = {};
    HANDLE search = ::FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

FileSet FileBytes(const std::wstring& folder) {
    FileSet files;
    for (const std::wstring& name : FilesIn(folder)) {
        std::ifstream file(platform::ToAnsi(folder + L"\\" + name), std::ios::binary);
        files[name].assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }
    return files;
}

void CopyFiles(const std::wstring& from, const std::wstring& to) {
    for (const std::wstring& name : FilesIn(from))
        EXPECT_TRUE(::CopyFileW((from + L"\\" + name).c_str(), (to + L"\\" + name).c_str(), FALSE));
}

std::string ExportTest::UnixOf(const std::string& windowsPath) {
    std::string unix = windowsPath.substr(2);
    std::replace(unix.begin(), unix.end(), '\\', '/');
    return unix;
}

ComPtr<IHostFieldStyleSetup> AttachStyle(IHostDataset* dataset, const wchar_t* field,
                                         const std::vector<StyleClass>& classes, long decimals) {
    ComPtr<IHostFieldStyleSetup> style = dltest::Create<IHostFieldStyleSetup>(CLSID_HostFieldStyle);
    for (const StyleClass& c : classes) {
        long position = 0;
        style->AddClass(Variant(c.lower), Variant(c.upper), Bstr(L"").Get(), c.character, c.size, c.colour, &position);
    }
    style->put_Decimals(decimals);
    style->SetDefaults(Bstr(L"Map Symbols").Get(), 0x00808080, 10.0, 33);
    ComPtr<IHostPropertyCollection> properties;
    dltest::Field(dataset, field)->get_Properties(properties.Put());
    ComPtr<IDispatch> object;
    style.As(object);
    properties->Add(Variant(object.Get()), Variant::Missing(), Variant::Missing());
    return style;
}

CZmaVadAZDataLayer& ExportTest::MakeLayer(IHostDataset* dataset, const std::vector<std::wstring>& fields,
                                          const std::vector<long>& codes, const std::string& name, int type,
                                          bool registered) {
    for (size_t i = 0; i < fields.size() && i < codes.size(); ++i)
        SaveStyleSettings(dataset, fields[i], kGuid, codes[i]);
    std::unique_ptr<RendererOptimiserInterface> optimiser;
    if (type == CZmaVadAZLayer::kTypeCellSites)
        optimiser = std::make_unique<RendererOptimiserCellSites>(L"");
    else
        optimiser = std::make_unique<RendererOptimiserDataset>();
    layer_.reset();
    auto layer = std::make_unique<CZmaVadAZDataLayer>(map_.Get(), 1, layers_.get(), std::move(optimiser),
                                                      &SymbolDrawing::kPlain, L"");
    EXPECT_EQ(layer->Attach(name, type), S_OK);
    layer->SetLayerKey(kGuid);
    layer->SetDataset(dataset);
    EXPECT_EQ(layer->Initialise(fields), S_OK);
    layer->GetLabelProperties()->SetVisible(false);
    CZmaVadAZDataLayer& result = *layer;
    if (registered)
        layers_->RegisterLayer(std::move(layer));
    else
        layer_ = std::move(layer);
    return result;
}

}  // namespace exporttest
