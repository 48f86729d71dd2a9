// The label properties of a layer.
#pragma once

#include "standins/mapengine/EngineObject.h"
#include "standins/mapengine/Field.h"
#include "standins/mapengine/MapServices.h"
#include "standins/mapengine/Style.h"

#include "MapEngine.h"

namespace mapengine {

struct LabelValues {
    bool visible = true;
    bool labelZoom = false;
    short lineType = 0;
    short offset = 2;
    bool parallel = true;
    bool duplicate = false;
    bool overlap = false;
    short labelMax = 1000;
    short position = 0;
    bool partialSegments = false;
};

class LabelProperties : public EngineComObject<LabelProperties>, private LabelValues {
    friend class MemberTable<LabelProperties>;

public:
    static constexpr const wchar_t* kName = L"LabelProperties";
    static const IID& DispInterfaceId() { return DIID_DLabelProperties; }
    static const MemberTable<LabelProperties>& Members();

    bool Visible() const noexcept { return visible; }
    // Whether the labels show at a zoom (the view's width in metres): visible, and within the
    // label zoom range while that is on.
    bool ShownAt(double zoomMetres) const noexcept;
    bool Overlap() const noexcept { return overlap; }
    bool Duplicate() const noexcept { return duplicate; }
    short LabelMax() const noexcept { return labelMax; }
    // The name of the label field; empty when none was given.
    std::wstring DataFieldName() const;
    Style* TextStyle();
    // The map whose distance unit the label zoom range is given in; null once the layer left it.
    void AttachToMap(MapServices* map) noexcept { map_ = map; }

private:
    void GetStyle(Call& c);
    void PutStyle(Call& c);
    void GetDataset(Call& c);
    void PutDataset(Call& c);
    void GetDataField(Call& c);
    void PutDataField(Call& c);
    // The label zoom range in the map's current distance unit. A value reads back exactly in the
    // unit it was given in, and converted in any other.
    struct ZoomValue {
        double value = 0;
        long unit = 0;
    };
    long MapUnit() const;
    void GetZoom(Call& c, const ZoomValue& zoom);
    void PutZoom(Call& c, ZoomValue& zoom);
    void GetZoomMin(Call& c) { GetZoom(c, zoomMin_); }
    void PutZoomMin(Call& c) { PutZoom(c, zoomMin_); }
    void GetZoomMax(Call& c) { GetZoom(c, zoomMax_); }
    void PutZoomMax(Call& c) { PutZoom(c, zoomMax_); }

    MapServices* map_ = nullptr;
    ZoomValue zoomMin_, zoomMax_;

    platform::ComPtr<Style> style_;
    platform::ComPtr<IDispatch> dataset_;
    platform::ComPtr<Field> dataField_;
};

}  // namespace mapengine
