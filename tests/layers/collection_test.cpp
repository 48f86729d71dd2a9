// The layer collection: placing, moving, finding and removing layers, and the annotations layer.
#include "tests/layers/LayerFixture.h"
#include "ZmaVOMap2/engine/EngineMembers.h"

#include "ZmaVOMap2/datalayers/ZmaVadAZDataLayer.h"
#include "ZmaVOMap2/layers/ZmaVadAZDatasetComposition.h"

using platform::Variant;

namespace layertest {
namespace {

using Names = std::vector<std::string>;

CZmaVadAZLayer* AddDataset(CZmaVadAZLayerCollection& layers, const std::string& name, int type, const wchar_t* key) {
    return layers.AddLayer(name, type, "", key, "caption " + name, L"", L"");
}

// --- Empty collection -----------------------------------------------------------------------------

TEST_F(LayerTest, EmptyCollectionHasNoCursorAndNoLayers) {
    EXPECT_EQ(layers_->GetCount(), 0);
    layers_->First();
    EXPECT_EQ(layers_->CursorIndex(), -1);
    EXPECT_EQ(layers_->Current(), nullptr);
    EXPECT_EQ(layers_->GetAt(0), nullptr);
    EXPECT_EQ(layers_->GetAt(-1), nullptr);
    EXPECT_EQ(layers_->FindLayerByName(L"x"), nullptr);
    EXPECT_FALSE(layers_->HasLayerOfType(CZmaVadAZLayer::kTypeTable));
}

// --- Placing new layers ---------------------------------------------------------------------------

TEST_F(LayerTest, NewTableLayersGoOnTopInStepWithTheEngine) {
    ASSERT_NE(AttachTable("a"), nullptr);
    ASSERT_NE(AttachTable("b"), nullptr);
    ASSERT_NE(OpenTable("c"), nullptr);
    EXPECT_EQ(LayerNames(), (Names{"c", "b", "a"}));
    EXPECT_EQ(EngineLayerNames(), LayerNames());
    EXPECT_EQ(layers_->CursorIndex(), 0);
}

TEST_F(LayerTest, AttachFailureLeavesNoLayer) {
    EXPECT_EQ(layers_->AddLayer("nothing", CZmaVadAZLayer::kTypeTable, "", L"", "", L"", L""), nullptr);
    EXPECT_EQ(layers_->GetCount(), 0);
}

TEST_F(LayerTest, PointDatasetLayersStackAboveEachOtherAndBelowCellLayers) {
    AttachTable("table");
    AddDataset(*layers_, "cells", CZmaVadAZLayer::kTypeCellSites, L"{C}");
    AddDataset(*layers_, "refs", CZmaVadAZLayer::kTypeCellReferences, L"{R}");
    EXPECT_EQ(LayerNames(), (Names{"refs", "cells", "table"}));

    // Below the lowest cell layer when there is no point layer yet...
    AddDataset(*layers_, "points1", CZmaVadAZLayer::kTypeDataset, L"{P1}");
    EXPECT_EQ(LayerNames(), (Names{"refs", "cells", "points1", "table"}));
    // ...then directly above the topmost point layer.
    AddDataset(*layers_, "points2", CZmaVadAZLayer::kTypeDataset, L"{P2}");
    EXPECT_EQ(LayerNames(), (Names{"refs", "cells", "points2", "points1", "table"}));
    EXPECT_EQ(EngineLayerNames(), LayerNames());
    EXPECT_EQ(layers_->GetCellSiteLayer(), layers_->FindLayerByName(L"cells"));
}

TEST_F(LayerTest, PointDatasetLayerGoesOnTopWithoutOtherDatasetLayers) {
    AttachTable("table");
    AddDataset(*layers_, "points", CZmaVadAZLayer::kTypeDataset, L"{P}");
    EXPECT_EQ(LayerNames(), (Names{"points", "table"}));
}

TEST_F(LayerTest, OrderNumbersFollowTheListAndBringALayerBackToItsPlace) {
    CZmaVadAZLayer* a = AttachTable("a");
    CZmaVadAZLayer* b = AttachTable("b");
    CZmaVadAZLayer* c = AttachTable("c");
    EXPECT_EQ(layers_->FindLayerOrder(c), 1);
    EXPECT_EQ(layers_->FindLayerOrder(b), 2);
    EXPECT_EQ(layers_->FindLayerOrder(a), 3);

    // Taken away without the host's removal its number stays on record...
    ASSERT_EQ(layers_->RemoveLayer(b, false, false), S_OK);
    EXPECT_EQ(LayerNames(), (Names{"c", "a"}));
    // ...so the same name comes back between its old neighbours, in the engine too.
    ASSERT_NE(AttachTable("b"), nullptr);
    EXPECT_EQ(LayerNames(), (Names{"c", "b", "a"}));
    EXPECT_EQ(EngineLayerNames(), LayerNames());
    EXPECT_EQ(layers_->FindLayerOrder(layers_->GetAt(1)), 2);
}

// --- Moving layers --------------------------------------------------------------------------------

TEST_F(LayerTest, MovesSwapNeighboursInStepWithTheEngineAndKeepOrderNumbers) {
    AttachTable("a");
    AttachTable("b");
    AttachTable("c");
    AttachTable("d");  // d c b a

    layers_->First();
    layers_->Next();  // c
    layers_->MoveCurrentLayerDown();
    EXPECT_EQ(LayerNames(), (Names{"d", "b", "c", "a"}));
    EXPECT_EQ(layers_->CursorIndex(), 2);
    EXPECT_EQ(EngineLayerNames(), LayerNames());

    layers_->MoveCurrentLayerUp();
    layers_->MoveCurrentLayerUp();
    EXPECT_EQ(LayerNames(), (Names{"c", "d", "b", "a"}));
    EXPECT_EQ(EngineLayerNames(), LayerNames());

    for (int i = 0; i < layers_->GetCount(); ++i) EXPECT_EQ(layers_->FindLayerOrder(layers_->GetAt(i)), i + 1);

    // The first layer does not move up, the last does not move down.
    layers_->First();
    layers_->MoveCurrentLayerUp();
    EXPECT_EQ(layers_->CursorIndex(), 0);
    while (layers_->CursorIndex() < layers_->GetCount() - 1) layers_->Next();
    layers_->MoveCurrentLayerDown();
    EXPECT_EQ(LayerNames(), (Names{"c", "d", "b", "a"}));
    EXPECT_EQ(EngineLayerNames(), LayerNames());
}

TEST_F(LayerTest, MoveLayerToTopWalksItUp) {
    CZmaVadAZLayer* a = AttachTable("a");
    AttachTable("b");
    AttachTable("c");
    EXPECT_TRUE(layers_->MoveLayerToTop(a));
    EXPECT_EQ(LayerNames(), (Names{"a", "c", "b"}));
    EXPECT_EQ(EngineLayerNames(), LayerNames());

    CZmaVadAZLayer stranger(map_.Get(), layers_.get());
    EXPECT_FALSE(layers_->MoveLayerToTop(&stranger));
}

// --- Finding layers -------------------------------------------------------------------------------

TEST_F(LayerTest, FindByNameIsExact) {
    AttachTable("Roads");
    EXPECT_NE(layers_->FindLayerByName(L"Roads"), nullptr);
    EXPECT_EQ(layers_->FindLayerByName(L"roads"), nullptr);
    EXPECT_EQ(layers_->FindLayerByName(L"Road"), nullptr);
}

TEST_F(LayerTest, FindByKeyPrefersExactKeysThenWalksPrefixesInKeyOrder) {
    auto* b = AddDataset(*layers_, "b", CZmaVadAZLayer::kTypeDataset, L"{AB-2}");
    auto* a = AddDataset(*layers_, "a", CZmaVadAZLayer::kTypeDataset, L"{AB-1}");
    auto* c = AddDataset(*layers_, "c", CZmaVadAZLayer::kTypeDataset, L"{AC}");

    EXPECT_EQ(layers_->FindLayer(L"{AC}"), c);
    EXPECT_EQ(layers_->FindNextLayer(L"{AC}"), nullptr) << "an exact find starts no walk";

    EXPECT_EQ(layers_->FindLayer(L"{AB"), a);
    EXPECT_EQ(layers_->FindNextLayer(L"{AB"), b);
    EXPECT_EQ(layers_->FindNextLayer(L"{AB"), nullptr);
    EXPECT_EQ(layers_->FindNextLayer(L"{AB"), nullptr);

    EXPECT_EQ(layers_->FindLayer(L"{AB-1}x"), nullptr);
    EXPECT_EQ(layers_->FindLayer(L""), nullptr) << "an empty key would match every key";
    EXPECT_EQ(layers_->FindNextLayer(L""), nullptr);
    EXPECT_EQ(static_cast<CZmaVadAZDataLayer*>(a)->GetDisplayKey(), L"{AB-1}");
}

TEST_F(LayerTest, SeriesIdsMatchWithoutCaseAndASeriesFindsItsLinkedPartsOnly) {
    auto* a = AddDataset(*layers_, "a", CZmaVadAZLayer::kTypeDataset, L"{AB-1}");
    auto* x = AddDataset(*layers_, "x", CZmaVadAZLayer::kTypeCellSites, L"{S}_x");
    auto* y = AddDataset(*layers_, "y", CZmaVadAZLayer::kTypeCellSites, L"{S}_y");
    AddDataset(*layers_, "z", CZmaVadAZLayer::kTypeCellSites, L"{S}_z");
    layers_->RegisterSeriesPart(L"{s}", L"{S}_Y");
    layers_->RegisterSeriesPart(L"{S}", L"{S}_x");

    EXPECT_EQ(layers_->FindLayerByExactKey(L"{ab-1}"), a);
    EXPECT_EQ(layers_->FindLayer(L"{Ab-1}"), a);
    // The parts in id order; a layer of the same beginning that is no part of the series is not one.
    const std::vector<CZmaVadAZLayer*> parts = {x, y};
    EXPECT_EQ(layers_->SeriesLayers(L"{S}"), parts);
    EXPECT_EQ(layers_->FindLayers(L"{S}"), parts);
    EXPECT_EQ(layers_->FindLayers(L"{S}_").size(), 3u) << "a text that names no series still finds by its beginning";
}

TEST_F(LayerTest, DisplayKeyTakesTheAlternativeKeyWhenGiven) {
    auto* layer = static_cast<CZmaVadAZDataLayer*>(
        layers_->AddLayer("cells", CZmaVadAZLayer::kTypeCellSites, "", L"{K}", "Sites", L"src", L"{SHOWN}"));
    ASSERT_NE(layer, nullptr);
    EXPECT_EQ(layer->GetLayerKey(), L"{K}");
    EXPECT_EQ(layer->GetDisplayKey(), L"{SHOWN}");
    EXPECT_EQ(layer->GetCaption(), "Sites");
}

TEST_F(LayerTest, FindByTypeAnswersTheTopmost) {
    AttachTable("low");
    AttachTable("high");
    AddDataset(*layers_, "points", CZmaVadAZLayer::kTypeDataset, L"{P}");
    EXPECT_EQ(layers_->FindLayerByType(CZmaVadAZLayer::kTypeTable), layers_->FindLayerByName(L"high"));
    EXPECT_TRUE(layers_->HasLayerOfType(CZmaVadAZLayer::kTypeDataset));
    EXPECT_FALSE(layers_->HasLayerOfType(CZmaVadAZLayer::kTypeShapes));
}

TEST_F(LayerTest, CompositionsAreFoundByTheirSeriesOrAMemberSeries) {
    auto composition = std::make_unique<CZmaVadAZDatasetComposition>();
    composition->SetSeriesGuid(L"{S}");
    AppendLayerEntry(*composition, std::make_shared<std::wstring>(L"RxLev"), std::make_shared<std::wstring>(L"{M}"), 7);
    CZmaVadAZDatasetComposition* adopted = layers_->AdoptComposition(std::move(composition));
    EXPECT_EQ(layers_->FindDatasetComposition(L"{S}"), adopted);
    EXPECT_EQ(layers_->FindDatasetComposition(L"{M}"), adopted);
    EXPECT_EQ(layers_->FindDatasetComposition(L"{X}"), nullptr);

    SetLayerEntryName(*adopted, L"Quality", 7);
    EXPECT_EQ(*adopted->Dimensions().front().fieldName, L"Quality");
    SetLayerEntryName(*adopted, L"", 7);
    EXPECT_TRUE(adopted->Dimensions().empty());
}

// --- Removing layers ------------------------------------------------------------------------------

TEST_F(LayerTest, RemovalRenumbersOrdersAndRemovesTheEngineLayer) {
    for (const char* name : {"e", "d", "c", "b", "a"}) AttachTable(name);  // a=1 ... e=5
    CZmaVadAZLayer* b = layers_->FindLayerByName(L"b");
    ASSERT_EQ(layers_->FindLayerOrder(b), 2);

    ASSERT_EQ(layers_->RemoveLayer(b, true, true), S_OK);
    EXPECT_EQ(LayerNames(), (Names{"a", "c", "d", "e"}));
    EXPECT_EQ(EngineLayerNames(), LayerNames());
    for (int i = 0; i < layers_->GetCount(); ++i) EXPECT_EQ(layers_->FindLayerOrder(layers_->GetAt(i)), i + 1);
    EXPECT_TRUE(host_.seriesRemoved.empty()) << "a table layer names no series";
}

TEST_F(LayerTest, RemovingADatasetLayerFiresSeriesRemovedForEachMemberSeries) {
    CZmaVadAZLayer* layer = AddDataset(*layers_, "points", CZmaVadAZLayer::kTypeDataset, L"{P}");
    auto composition = std::make_unique<CZmaVadAZDatasetComposition>();
    composition->SetSeriesGuid(L"{P}");
    AppendLayerEntry(*composition, std::make_shared<std::wstring>(L"f1"), std::make_shared<std::wstring>(L"{G1}"), 1);
    AppendLayerEntry(*composition, std::make_shared<std::wstring>(L"f2"), std::make_shared<std::wstring>(L"{G2}"), 2);
    layers_->AdoptComposition(std::move(composition));

    ASSERT_EQ(layers_->RemoveLayer(layer, false, true), S_OK);
    EXPECT_EQ(host_.seriesRemoved, (std::vector<std::wstring>{L"{G1}", L"{G2}"}));
    EXPECT_EQ(layers_->GetCount(), 0);
    EXPECT_TRUE(EngineLayerNames().empty());
    EXPECT_EQ(layers_->FindLayer(L"{P}"), nullptr);
    EXPECT_EQ(layers_->FindDatasetComposition(L"{P}"), nullptr);
}

TEST_F(LayerTest, RemovingWithoutNotifyingTheHostFiresNothing) {
    CZmaVadAZLayer* layer = AddDataset(*layers_, "points", CZmaVadAZLayer::kTypeDataset, L"{P}");
    auto composition = std::make_unique<CZmaVadAZDatasetComposition>();
    composition->SetSeriesGuid(L"{P}");
    AppendLayerEntry(*composition, std::make_shared<std::wstring>(L"f1"), std::make_shared<std::wstring>(L"{G1}"), 1);
    layers_->AdoptComposition(std::move(composition));
    ASSERT_EQ(layers_->RemoveLayer(layer, true, false), S_OK);
    EXPECT_TRUE(host_.seriesRemoved.empty());
}

TEST_F(LayerTest, RemoveLayersOfTypeRemovesNeighboursOfThatType) {
    AttachTable("keep");
    AddDataset(*layers_, "p1", CZmaVadAZLayer::kTypeDataset, L"{1}");
    AddDataset(*layers_, "p2", CZmaVadAZLayer::kTypeDataset, L"{2}");
    EXPECT_EQ(layers_->RemoveLayersOfType(CZmaVadAZLayer::kTypeDataset), S_OK);
    EXPECT_EQ(LayerNames(), (Names{"keep"}));
    EXPECT_EQ(EngineLayerNames(), LayerNames());
    EXPECT_EQ(layers_->RemoveLayersOfType(CZmaVadAZLayer::kTypeDataset), S_OK);
}

// --- The annotations layer ------------------------------------------------------------------------

TEST_F(LayerTest, AnnotationsLayerIsTheEditableInsertionLayerOnTop) {
    AttachTable("base");
    ASSERT_EQ(layers_->CreateAnnotationsLayer(), S_OK);
    CZmaVadAZLayer* annotations = layers_->GetAnnotationsLayer();
    ASSERT_NE(annotations, nullptr);
    EXPECT_EQ(layers_->GetAt(0), annotations);
    EXPECT_EQ(annotations->GetType(), CZmaVadAZLayer::kTypeAnnotations);
    EXPECT_EQ(EngineLayerNames(), (Names{"Annotations", "base"}));
    EXPECT_TRUE(annotations->IsEditable());
    EXPECT_EQ(layers_->GetFollowerIndex(), 1);
    EXPECT_FALSE(annotations->CanRemove());

    // Its table lies in the working folder.
    std::vector<std::string> files;
    annotations->GetSourceFiles(files);
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0].compare(0, FolderA().size(), FolderA()), 0) << files[0];
    EXPECT_NE(files[0].find("\\ann"), std::string::npos) << files[0];
}

TEST_F(LayerTest, SecondAnnotationsLayerReplacesTheFirstWithoutLeavingItInTheList) {
    ASSERT_EQ(layers_->CreateAnnotationsLayer(), S_OK);
    CZmaVadAZLayer* first = layers_->GetAnnotationsLayer();
    first->SetName("Old notes");
    ASSERT_EQ(layers_->CreateAnnotationsLayer(), S_OK);
    ASSERT_EQ(layers_->GetCount(), 1);
    EXPECT_EQ(layers_->GetAt(0), layers_->GetAnnotationsLayer());
    EXPECT_EQ(LayerNames(), (Names{"Annotations"}));
    EXPECT_EQ(EngineLayerNames(), (Names{"Annotations"}));

    ASSERT_EQ(layers_->CreateAnnotationsLayer(), S_OK);
    EXPECT_EQ(layers_->GetCount(), 1);
    EXPECT_EQ(EngineLayerNames(), (Names{"Annotations"}));
}

TEST_F(LayerTest, DestroyingTheCollectionEmptiesTheEngineOfOwnLayers) {
    AttachTable("a");
    OpenTable("b");
    layers_->CreateAnnotationsLayer();
    Variant engineLayers = EngineDispatch(map_.Get()).Get(5);
    EngineDispatch(engineLayers.pdispVal).Call(Engine::Layers::kAddUserDrawLayer, {Variant(std::wstring(L"foreign")), Variant(short{1})});
    layers_.reset();
    EXPECT_EQ(EngineLayerNames(), (Names{"foreign"}));
}

}  // namespace
}  // namespace layertest
