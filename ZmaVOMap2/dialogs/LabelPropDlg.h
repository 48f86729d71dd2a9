// The label properties of one layer. A layer that draws itself keeps its label settings; a layer
// the engine draws keeps them in the engine layer's label-properties object. A data layer's
// tooltip expression is edited here too.
#pragma once

#include "platform/Com.h"
#include "platform/Window.h"

#include <string>

class CZmaVadAZLayer;
class CZmaVadAZLabelProperties;

class CLabelPropDlg : public platform::Dialog {
public:
    CLabelPropDlg(IDispatch* engineMap, CZmaVadAZLayer* layer);

protected:
    BOOL OnInitDialog() override;
    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, INT_PTR& result) override;

private:
    void InitTooltip();
    void InitEngineLayer();
    void InitOwnLayer();
    void FillOwnFields();
    void SelectField(const std::string& field);
    void SetAlignmentEnabled(bool on);
    // Answers whether the dialog may end.
    bool ApplyEngineLayer(const std::string& field);
    bool ApplyOwnLayer(const std::string& field);
    void OnOK();
    // The zoom range, the offsets and the count of labels as typed, each by the dialogs' number
    // rule; false when one is refused (the user was told, and its edit has the focus).
    bool ReadTypedNumbers();
    // Offsets beyond what labels take are brought to the nearest end once the user agrees.
    bool LimitOffsets();
    void PickLabelStyle();
    platform::ComPtr<IDispatch> EngineLabels() const;
    platform::ComPtr<IDispatch> EngineDataset() const;

    platform::ComPtr<IDispatch> map_;
    CZmaVadAZLayer* layer_;
    double zoomMin_ = 0, zoomMax_ = 0;
    // The widest view in the map's unit, the end of every zoom range.
    double widestZoom_ = 0;
    int offsetX_ = 0, offsetY_ = 0;
    double labelCount_ = 0;
    // The maximum number of labels of an engine layer, as the dialog showed it or its OK last
    // wrote it.
    long labelCountShown_ = 0;
    // Whether an engine layer's labels were shown when the dialog showed them, or when its OK last
    // showed or hid them.
    bool labelsShown_ = false;
    int position_ = 0, alignment_ = 0;
    std::string unitCaption_;
};
