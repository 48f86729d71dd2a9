#include "tests/layers/LayerFixture.h"

#include "ZmaVOMap2/control/LayerKinds.h"
#include "ZmaVOMap2/datalayers/DatasetDisplay.h"

#include "platform/Result.h"

#include <cstdio>

using platform::ComPtr;
using platform::Variant;

namespace layertest {

namespace {

const CLSID kEngineMap = {0x9D6ED188, 0x5910, 0x11D2, {0x98, 0xA6, 0x00, 0xA0, 0xC9, 0x74, 0x2C, 0xCA}};

std::wstring MakeWorkFolder() {
    static int counter = 0;
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    std::wstring folder = std::wstring(temp) + L"layers_test_" + std::to_wstring(::GetCurrentProcessId()) + L"_" +
                          std::to_wstring(++counter);
    ::CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

void RemoveFolder(const std::wstring& folder) {
    WIN32_FIND_DATAW found;
    HANDLE search = ::FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) ::DeleteFileW((folder + L"\\" + found.cFileName).c_str());
        } while (::FindNextFileW(search, &found));
        ::FindClose(search);
    }
    ::RemoveDirectoryW(folder.c_str());
}

void WriteBytes(const std::string& path, const std::string& bytes) {
    FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr) << path;
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
}

}  // namespace

void LayerTest::SetUp() {
    platform::SetPrompts(&prompts_);
    map_ = CreateEngineMap();
    ASSERT_TRUE(map_);
    host_.map = map_.Get();
    host_.folder = MakeWorkFolder();
    RegisterLayerKinds();
    layers_ = std::make_unique<CZmaVadAZLayerCollection>(host_.folder, host_, map_.Get());
    datasets_ = std::make_unique<CZmaVadAZDatasetDisplay>(*layers_);
}

void LayerTest::TearDown() {
    datasets_.reset();
    layers_.reset();
    map_ = nullptr;
    platform::SetPrompts(nullptr);
    RemoveFolder(host_.folder);
}

ComPtr<IDispatch> LayerTest::CreateEngineMap() {
    ComPtr<IDispatch> map;
    HRESULT hr = ::CoCreateInstance(kEngineMap, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, map.PutVoid());
    EXPECT_EQ(hr, S_OK) << "the engine stand-in must be registered";
    return map;
}

std::vector<std::string> LayerTest::EngineLayerNames(IDispatch* map) {
    std::vector<std::string> names;
    Variant layers = EngineDispatch(map).Get(5);
    EngineDispatch list(layers.pdispVal);
    long count = list.Get(1).ToLong();
    for (long i = 1; i <= count; ++i) {
        Variant layer = list.Call(6, {Variant(i)});
        names.push_back(platform::ToAnsi(EngineDispatch(layer.pdispVal).Get(1).ToWide()));
    }
    return names;
}

std::vector<std::string> LayerTest::LayerNames() const {
    std::vector<std::string> names;
    for (int i = 0; i < layers_->GetCount(); ++i) names.push_back(layers_->GetAt(i)->GetName());
    return names;
}

std::string LayerTest::FolderA() const { return platform::ToAnsi(host_.folder); }

std::string LayerTest::WriteTable(const std::string& name, int features, const std::vector<unsigned> rowOffsets) {
    std::string base = FolderA() + "\\" + name;
    std::string text = "!table\n!version 300\n!charset WindowsLatin1\n\nDefinition Table\n"
                       "  Type NATIVE Charset \"WindowsLatin1\"\n  Fields 1\n    Name Char (64) ;\n";
    for (int i = 1; i <= features; ++i)
        text += "!feature\t2\tk" + std::to_string(i) + "\tv" + std::to_string(i) + "\t\t" + std::to_string(i) +
                "\t" + std::to_string(i) + "\t\t0\t\n";
    WriteBytes(base + ".tab", text);
    if (!rowOffsets.empty()) {
        std::string ids;
        for (unsigned offset : rowOffsets)
            for (int b = 0; b < 4; ++b) ids.push_back(static_cast<char>((offset >> (8 * b)) & 0xFF));
        WriteBytes(base + ".ID", ids);
    }
    return base + ".tab";
}

CZmaVadAZLayer* LayerTest::OpenTable(const std::string& name, int features) {
    std::string path = WriteTable(name, features, std::vector<unsigned>(features, 100));
    return layers_->AddTemporaryTabLayer(CZmaVadAZLayer::kTypeOtherTable, path.c_str());
}

CZmaVadAZLayer* LayerTest::AttachTable(const std::string& name) {
    std::string path = WriteTable(name, 1, {100});
    Variant layers = EngineDispatch(map_.Get()).Get(5);
    EngineDispatch(layers.pdispVal).Call(4, {Variant(platform::ToWide(path)), Variant(1L)});
    return layers_->AddLayer(name, CZmaVadAZLayer::kTypeTable, "", L"", "", L"", L"");
}

}  // namespace layertest
