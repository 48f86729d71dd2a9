// A layer of the map: a table layer (features kept in a table file), a raster table, or a
// user-draw layer whose content the map's container draws on the DrawUserLayer event.
#pragma once

#include "standins/mapengine/EngineObject.h"
#include "standins/mapengine/Features.h"
#include "standins/mapengine/LabelProperties.h"
#include "standins/mapengine/MapServices.h"
#include "standins/mapengine/RasterImage.h"
#include "standins/mapengine/Style.h"
#include "standins/mapengine/TableFile.h"

#include "MapEngine.h"

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace mapengine {

enum LayerType : short { kNormalLayer = 0, kRasterLayer = 2, kUserDrawLayer = 6 };

// The names a map's layers bear, counted without regard to case: a map of thousands of layers
// knows at once that no layer bears a name, as it is asked for every layer a program adds.
class LayerNames {
public:
    void Add(const std::wstring& name);
    void Remove(const std::wstring& name);
    bool Has(const std::wstring& name) const;

private:
    static std::wstring Key(const std::wstring& name);
    std::unordered_map<std::wstring, size_t> counts_;
};

class Layer : public EngineComObject<Layer> {
public:
    static constexpr const wchar_t* kName = L"Layer";
    static const IID& DispInterfaceId() { return DIID_DLayer; }
    static const MemberTable<Layer>& Members();

    // A table layer over a file; a file that does not exist is created empty. A raster table
    // whose image cannot be shown fails the call.
    static platform::ComPtr<Layer> OpenTable(MapServices* map, const std::wstring& path);
    // A table layer with a name; `path` empty keeps it in memory only.
    static platform::ComPtr<Layer> CreateTable(MapServices* map, const std::wstring& name, const std::wstring& path);
    static platform::ComPtr<Layer> CreateUserDraw(MapServices* map, const std::wstring& name);
    ~Layer() override;

    // The map lets go of its layers before it goes, and when it removes one.
    void DetachFromMap() noexcept;
    // The names of the map's layers that this layer's name is counted in while it is on the map;
    // null when it is not.
    void CountNameIn(LayerNames* names);
    // The map's names go with the map.
    void ForgetNames() noexcept { names_ = nullptr; }

    const std::wstring& Name() const noexcept { return name_; }
    short Type() const noexcept { return type_; }
    bool Visible() const noexcept { return visible_; }
    bool Selectable() const noexcept { return selectable_; }
    bool AutoLabel() const noexcept { return autoLabel_; }
    // Whether the engine labels the layer's features at a zoom (the view's width in metres): its
    // automatic labelling and its labels' visibility are both on, within the label zoom range
    // while that is on.
    bool LabelsShownAt(double zoomMetres) const noexcept { return autoLabel_ && labels_->ShownAt(zoomMetres); }
    LabelProperties& Labels() const noexcept { return *labels_; }
    // A feature's label: its value of the label field, of the key field when no label field is
    // given; empty for a field the table does not have.
    std::wstring LabelText(const Feature& feature) const;
    bool VisibleAtZoom(double zoomMetres) const noexcept;
    Style* LayerStyle() const noexcept { return style_.Get(); }
    bool OverrideStyle() const noexcept { return overrideStyle_; }
    const FeatureList& FeatureObjects() const noexcept { return features_; }
    mapengine::Selection& Selection() noexcept { return *selection_; }
    std::vector<std::wstring> FieldNames() const { return table_.fields; }
    // The image of a raster layer; null for other layers.
    const RasterImage* Raster() const noexcept { return raster_.get(); }
    platform::ComPtr<Feature> AddFeatureCopy(Feature& source);

    // A feature of this layer changed (Feature.Update).
    void FeatureChanged();

private:
    void PutName(Call& c);
    void GetLabelProperties(Call& c);
    void GetStyle(Call& c);
    void PutStyle(Call& c);
    void GetZoomMin(Call& c);
    void PutZoomMin(Call& c);
    void GetZoomMax(Call& c);
    void PutZoomMax(Call& c);
    void GetSelection(Call& c);
    void GetPredominantFeatureType(Call& c);
    void GetFind(Call& c);
    void AddFeature(Call& c);
    void DeleteFeature(Call& c);
    void Invalidate(Call& c);
    void GetFeatureByKey(Call& c);
    void AllFeatures(Call& c);
    void GetBounds(Call& c);
    void BeginAccess(Call& c);
    void EndAccess(Call& c);
    void Redraw();
    double UnitMetres() const;
    void Save();
    void LoadFeatures();
    platform::ComPtr<Feature> FeatureWithKey(const std::wstring& key) const;  // DISP_E_BADINDEX when none

    MapServices* map_ = nullptr;
    LayerNames* names_ = nullptr;
    std::wstring name_;
    short type_ = kNormalLayer;
    std::wstring fileSpec_;
    TableData table_;  // fields; features are kept as objects below
    std::shared_ptr<RasterImage> raster_;
    bool visible_ = true;
    bool selectable_ = true;
    bool autoLabel_ = false;
    bool zoomLayering_ = false;
    bool overrideStyle_ = false;
    bool drawLabelsAfter_ = false;
    bool editable_ = false;
    double zoomMinMetres_ = 0;
    double zoomMaxMetres_ = 0;
    platform::ComPtr<LabelProperties> labels_;
    platform::ComPtr<Style> style_;
    platform::ComPtr<mapengine::Selection> selection_;
    FeatureList features_;
    long nextKey_ = 1;
    int accessDepth_ = 0;
    bool unsaved_ = false;
};

}  // namespace mapengine
