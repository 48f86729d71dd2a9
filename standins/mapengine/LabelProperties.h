// The label properties of a layer.
#pragma once

#include "standins/mapengine/EngineObject.h"
#include "standins/mapengine/Style.h"

#include "MapEngine.h"

namespace mapengine {

struct LabelValues {
    bool visible = true;
    bool labelZoom = false;
    double labelZoomMin = 0;
    double labelZoomMax = 0;
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
    Style* TextStyle();

private:
    void GetStyle(Call& c);
    void PutStyle(Call& c);
    void GetDataset(Call& c);
    void PutDataset(Call& c);
    void GetDataField(Call& c);
    void PutDataField(Call& c);

    platform::ComPtr<Style> style_;
    platform::ComPtr<IDispatch> dataset_;
    platform::ComPtr<IDispatch> dataField_;
};

}  // namespace mapengine
