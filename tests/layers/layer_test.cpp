// One layer over the engine: opening tables, attaching by name, visibility, names, removal.
#include "tests/layers/LayerFixture.h"
#include "ZmaVOMap2/engine/EngineMembers.h"

#include "ZmaVOMap2/layers/FileNames.h"
#include "ZmaVOMap2/mitab/mitab.h"

#include <cstdio>
#include <cstring>

using platform::ComPtr;
using platform::Variant;

namespace layertest {
namespace {

// --- Tables through the MITAB interface ---------------------------------------------------------

TEST_F(LayerTest, MitabWalksRowsThatHaveObjects) {
    std::string path = WriteTable("walk", 0, {0, 120, 0, 300});
    mitab_handle table = mitab_c_open(path.c_str());
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(mitab_c_next_feature_id(table, -1), 2);
    EXPECT_EQ(mitab_c_next_feature_id(table, 2), 4);
    EXPECT_EQ(mitab_c_next_feature_id(table, 4), -1);
    mitab_c_close(table);

    EXPECT_EQ(mitab_c_open((FolderA() + "\\missing.tab").c_str()), nullptr);
    // A table without an .ID file has no objects.
    table = mitab_c_open(WriteTable("attributes", 0).c_str());
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(mitab_c_next_feature_id(table, -1), -1);
    mitab_c_close(table);
}

// --- Temporary file names -------------------------------------------------------------------------

TEST_F(LayerTest, UniqueTempFileNamesLandInTheFolderWithTheExtension) {
    char first[MAX_PATH], second[MAX_PATH];
    MakeUniqueTempFileName(FolderA().c_str(), "map", "TAB", first);
    MakeUniqueTempFileName(FolderA().c_str(), "map", "TAB", second);
    std::string a = first, b = second;
    EXPECT_NE(a, b);
    ASSERT_GT(a.size(), FolderA().size() + 4);
    EXPECT_EQ(a.compare(0, FolderA().size(), FolderA()), 0) << a;
    EXPECT_EQ(a.substr(a.size() - 4), ".TAB");
    EXPECT_NE(a.find("\\map"), std::string::npos);
    // The system keeps the name taken with an empty ".tmp" file of the same base name.
    std::string taken = a.substr(0, a.size() - 4) + ".tmp";
    EXPECT_NE(::GetFileAttributesA(taken.c_str()), INVALID_FILE_ATTRIBUTES) << taken;

    // A folder that does not exist gives a name in the user's temporary folder.
    char fallback[MAX_PATH];
    MakeUniqueTempFileName((FolderA() + "\\nowhere").c_str(), "ann", "TAB", fallback);
    char temp[MAX_PATH];
    ::GetTempPathA(MAX_PATH, temp);
    EXPECT_EQ(std::string(fallback).compare(0, std::strlen(temp), temp), 0) << fallback;
    std::string fallbackTaken = std::string(fallback, std::strlen(fallback) - 4) + ".tmp";
    ::DeleteFileA(fallbackTaken.c_str());
}

TEST(FileNames, SanitizeReplacesEveryCharacterAFileNameCannotHold) {
    EXPECT_EQ(SanitizeFileName("a\\b/c*d:e?f\"g<h>i"), "a_b_c_d_e_f_g_h_i");
    EXPECT_EQ(SanitizeFileName("Lines to serving cells"), "Lines to serving cells");
}

// Two names are one file by their identity only where the file system gives a real one: a zero
// serial number or index (some network file systems) tells nothing, nor does an index another file
// of other size or times shares.
TEST(FileNames, OnlyARealIdentityShowsTwoNamesToBeOneFile) {
    auto file = [](DWORD volume, DWORD high, DWORD low, DWORD size = 10, DWORD written = 7) {
        BY_HANDLE_FILE_INFORMATION f = {};
        f.dwVolumeSerialNumber = volume;
        f.nFileIndexHigh = high;
        f.nFileIndexLow = low;
        f.nFileSizeLow = size;
        f.ftCreationTime.dwLowDateTime = 3;
        f.ftLastWriteTime.dwLowDateTime = written;
        return f;
    };
    const struct {
        BY_HANDLE_FILE_INFORMATION a, b;
        bool real, same;
    } cases[] = {
        {file(0x1234, 0, 42), file(0x1234, 0, 42), true, true},
        {file(0x1234, 1, 0), file(0x1234, 1, 0), true, true},
        {file(0, 0, 0), file(0, 0, 0), false, false},
        {file(0, 0, 42), file(0, 0, 42), false, false},
        {file(0x1234, 0, 0), file(0x1234, 0, 0), false, false},
        {file(0x1234, 0, 42), file(0x1235, 0, 42), true, false},
        {file(0x1234, 0, 42), file(0x1234, 1, 42), true, false},
        {file(0x1234, 0, 42), file(0x1234, 0, 42, 11), true, false},
        {file(0x1234, 0, 42), file(0x1234, 0, 42, 10, 8), true, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(HasRealFileIdentity(c.a), c.real) << c.a.dwVolumeSerialNumber << ":" << c.a.nFileIndexLow;
        EXPECT_EQ(SameFileIdentity(c.a, c.b), c.same) << c.a.dwVolumeSerialNumber << ":" << c.a.nFileIndexLow;
        EXPECT_EQ(SameFileIdentity(c.b, c.a), c.same) << c.a.dwVolumeSerialNumber << ":" << c.a.nFileIndexLow;
    }
}

// --- Opening a table ------------------------------------------------------------------------------

TEST_F(LayerTest, TableOpensAtTheTopAsNormalTableWithFeatureStateFromItsIdFile) {
    std::string path = WriteTable("roads", 2, {0, 64});
    CZmaVadAZLayer layer(map_.Get(), layers_.get());
    ASSERT_EQ(layer.Create(CZmaVadAZLayer::kTypeOtherTable, path), TRUE);
    EXPECT_EQ(layer.GetType(), CZmaVadAZLayer::kTypeTable);
    EXPECT_EQ(layer.GetName(), "roads");
    EXPECT_EQ(layer.GetFeatureState(), CZmaVadAZLayer::kHasFeatures);
    EXPECT_TRUE(layer.IsUsable());
    EXPECT_EQ(layer.GetFeatureCount(), 2);
    EXPECT_EQ(layer.GetLayerPosition(), 1);
    EXPECT_TRUE(prompts_.boxes.empty());

    // A table whose rows carry no object has no features.
    CZmaVadAZLayer empty(map_.Get(), layers_.get());
    ASSERT_EQ(empty.Create(CZmaVadAZLayer::kTypeOtherTable, WriteTable("blank", 1, {0})), TRUE);
    EXPECT_EQ(empty.GetFeatureState(), CZmaVadAZLayer::kNoFeatures);
    EXPECT_EQ(EngineLayerNames(), (std::vector<std::string>{"blank", "roads"}));
}

TEST_F(LayerTest, SecondCreateIsRefusedAndKeepsTheFirstTable) {
    CZmaVadAZLayer layer(map_.Get(), layers_.get());
    ASSERT_EQ(layer.Create(CZmaVadAZLayer::kTypeOtherTable, WriteTable("first", 1, {8})), TRUE);
    EXPECT_EQ(layer.Create(CZmaVadAZLayer::kTypeOtherTable, WriteTable("second", 1, {8})), FALSE);
    EXPECT_EQ(layer.GetName(), "first");
    EXPECT_EQ(EngineLayerNames(), (std::vector<std::string>{"first"}));
}

TEST_F(LayerTest, FailedOpenTellsTheUserAndLeavesNoEngineLayer) {
    CZmaVadAZLayer layer(map_.Get(), layers_.get());
    EXPECT_EQ(layer.Create(CZmaVadAZLayer::kTypeOtherTable, ""), FALSE);
    ASSERT_EQ(prompts_.boxes.size(), 1u);
    EXPECT_EQ(prompts_.boxes[0].caption, L"Map Module - Add new layer");
    EXPECT_EQ(prompts_.boxes[0].text.compare(0, 8, L"Error 0x"), 0) << prompts_.boxes[0].text;
    EXPECT_NE(prompts_.boxes[0].text.find(L"\nFailed to open ."), std::wstring::npos) << prompts_.boxes[0].text;
    EXPECT_TRUE(prompts_.boxes[0].flags & MB_ICONEXCLAMATION);
    EXPECT_FALSE(layer.GetMapXLayer());
    EXPECT_EQ(layer.GetFeatureCount(), static_cast<int>(E_UNEXPECTED));
}

// --- Attaching and destroying ---------------------------------------------------------------------

TEST_F(LayerTest, AttachBindsByNameAndRefusesUnknownNamesAndSecondAttach) {
    Variant engineLayers = EngineDispatch(map_.Get()).Get(5);
    EngineDispatch(engineLayers.pdispVal).Call(4, {Variant(platform::ToWide(WriteTable("rivers", 1))), Variant(1L)});

    CZmaVadAZLayer layer(map_.Get(), layers_.get());
    EXPECT_EQ(layer.Attach("RIVERS", CZmaVadAZLayer::kTypeTable), S_OK);
    EXPECT_EQ(layer.GetName(), "rivers") << "the name is the engine's";
    EXPECT_EQ(layer.GetType(), CZmaVadAZLayer::kTypeTable);
    EXPECT_EQ(layer.Attach("rivers", CZmaVadAZLayer::kTypeTable), E_UNEXPECTED);

    CZmaVadAZLayer unknown(map_.Get(), layers_.get());
    EXPECT_TRUE(FAILED(unknown.Attach("lakes", CZmaVadAZLayer::kTypeTable)));
    EXPECT_FALSE(unknown.GetMapXLayer());
}

TEST_F(LayerTest, AttachWithAFileMakesTheMissingLayerAsANewTable) {
    std::string path = FolderA() + "\\notes.TAB";
    CZmaVadAZLayer layer(map_.Get(), layers_.get());
    ASSERT_EQ(layer.Attach("Annotations", CZmaVadAZLayer::kTypeAnnotations, path), S_OK);
    EXPECT_EQ(EngineLayerNames(), (std::vector<std::string>{"Annotations"}));
    EXPECT_NE(::GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(LayerTest, DestroyingALayerRemovesItsEngineLayerUnlessRenamedBehindItsBack) {
    {
        CZmaVadAZLayer layer(map_.Get(), layers_.get());
        ASSERT_EQ(layer.Create(CZmaVadAZLayer::kTypeOtherTable, WriteTable("gone", 1)), TRUE);
    }
    EXPECT_TRUE(EngineLayerNames().empty());

    {
        CZmaVadAZLayer layer(map_.Get(), layers_.get());
        ASSERT_EQ(layer.Create(CZmaVadAZLayer::kTypeOtherTable, WriteTable("kept", 1)), TRUE);
        EngineDispatch(layer.GetMapXLayer().Get()).Put(1, Variant(std::wstring(L"other")));
    }
    EXPECT_EQ(EngineLayerNames(), (std::vector<std::string>{"other"}));
}

TEST_F(LayerTest, SetNameRenamesTheEngineLayerAndIsRemembered) {
    CZmaVadAZLayer layer(map_.Get(), layers_.get());
    ASSERT_EQ(layer.Create(CZmaVadAZLayer::kTypeOtherTable, WriteTable("plain", 1)), TRUE);
    EXPECT_EQ(layer.GetAmendedName(), "");
    layer.SetName("Main roads");
    EXPECT_EQ(layer.GetAmendedName(), "Main roads");
    EXPECT_EQ(EngineLayerNames(), (std::vector<std::string>{"Main roads"}));
}

TEST_F(LayerTest, UniqueNamesSkipNamesTheEngineHas) {
    EXPECT_EQ(CZmaVadAZLayer::MakeUniqueName("Direction", map_.Get()), "Direction1");
    Variant engineLayers = EngineDispatch(map_.Get()).Get(5);
    EngineDispatch(engineLayers.pdispVal).Call(Engine::Layers::kAddUserDrawLayer, {Variant(std::wstring(L"Direction1")), Variant(short{1})});
    EngineDispatch(engineLayers.pdispVal).Call(Engine::Layers::kAddUserDrawLayer, {Variant(std::wstring(L"Direction2")), Variant(short{1})});
    EXPECT_EQ(CZmaVadAZLayer::MakeUniqueName("Direction", map_.Get()), "Direction3");
}

// --- Visibility and kinds -------------------------------------------------------------------------

TEST_F(LayerTest, VisibilityReachesTheEngineOnlyWhileScreenUpdating) {
    CZmaVadAZLayer* layer = OpenTable("towns");
    ASSERT_NE(layer, nullptr);
    EngineDispatch engineLayer(layer->GetMapXLayer().Get());

    host_.screenUpdating = false;
    EXPECT_EQ(layer->SetVisible(false), S_OK);
    EXPECT_FALSE(layer->IsVisible());
    EXPECT_TRUE(engineLayer.Get(2).ToBool());

    host_.screenUpdating = true;
    layer->SetVisible(false);
    EXPECT_FALSE(engineLayer.Get(2).ToBool());
    EXPECT_EQ(host_.visibilityChanges, 0) << "only dataset layers tell the host";
}

TEST_F(LayerTest, DatasetLayerVisibilityTellsTheHostUnlessSuppressed) {
    CZmaVadAZLayer* layer = layers_->AddLayer("Points", CZmaVadAZLayer::kTypeDataset, "", L"{A}", "", L"", L"");
    ASSERT_NE(layer, nullptr);
    EXPECT_TRUE(layer->IsUserDrawn());
    layer->SetVisible(false);
    EXPECT_EQ(host_.visibilityChanges, 1);
    layers_->SetSuppressEvents(true);
    layer->SetVisible(true);
    EXPECT_EQ(host_.visibilityChanges, 1);
}

TEST_F(LayerTest, UserDrawnLayerIsVisibleWithinItsZoomRangeBothEndsIncluded) {
    CZmaVadAZLayer* layer = layers_->AddLayer("Points", CZmaVadAZLayer::kTypeDataset, "", L"{A}", "", L"", L"");
    ASSERT_NE(layer, nullptr);
    EngineDispatch map(map_.Get());
    double zoom = map.Get(7).ToDouble();
    layer->SetZoomLayering(true);
    layer->SetZoomMin(zoom);
    layer->SetZoomMax(zoom * 2);
    EXPECT_TRUE(layer->IsVisibleAtCurrentZoom());
    layer->SetZoomMin(zoom / 4);
    layer->SetZoomMax(zoom);
    EXPECT_TRUE(layer->IsVisibleAtCurrentZoom());
    layer->SetZoomMax(zoom / 2);
    EXPECT_FALSE(layer->IsVisibleAtCurrentZoom());
    layer->SetZoomLayering(false);
    EXPECT_TRUE(layer->IsVisibleAtCurrentZoom());
}

TEST_F(LayerTest, TheCurrentLayerCannotBeRemoved) {
    CZmaVadAZLayer* top = OpenTable("top");
    OpenTable("upper");
    ASSERT_NE(top, nullptr);
    layers_->First();  // "upper"
    EXPECT_TRUE(top->CanRemove());
    layers_->Next();
    EXPECT_FALSE(top->CanRemove());
}

TEST_F(LayerTest, InsertionLayerIsSetAndCleared) {
    CZmaVadAZLayer* layer = OpenTable("edits");
    ASSERT_NE(layer, nullptr);
    Variant engineLayers = EngineDispatch(map_.Get()).Get(5);
    EngineDispatch list(engineLayers.pdispVal);

    layer->SetAsInsertionLayer(layer->GetMapXLayer().Get());
    EXPECT_TRUE(layer->IsEditable());
    Variant insertion = list.Get(15);
    ASSERT_EQ(insertion.vt, VT_DISPATCH);
    EXPECT_EQ(insertion.pdispVal, layer->GetMapXLayer().Get());

    layer->SetAsInsertionLayer(nullptr);
    EXPECT_FALSE(layer->IsEditable());
    insertion = list.Get(15);
    EXPECT_TRUE(insertion.vt != VT_DISPATCH || insertion.pdispVal == nullptr);
}

}  // namespace
}  // namespace layertest
