// A layer that shows one host dataset (series). This is the part the layer collection keeps of
// it: the keys it is registered under and its caption. The dataset itself, its drawing and its
// line layers come with the measurement layers.
#pragma once

#include "ZmaVOMap2/layers/ZmaVadAZLayer.h"

#include <string>

class CZmaVadAZDataLayer : public CZmaVadAZLayer {
public:
    // `type` is 2 (points), 3 (cell sites) or 9 (cell references).
    CZmaVadAZDataLayer(IDispatch* map, CZmaVadAZLayerCollection* owner, int type);

    // A dataset layer is an engine user-draw layer of its own, added at the top.
    HRESULT Attach(const std::string& name, int type, const std::string& fileSpec = std::string()) override;
    bool IsDataLayer() override { return true; }

    // The series key under which the collection registers the layer.
    const std::wstring& GetLayerKey() const noexcept { return layerKey_; }
    void SetLayerKey(const std::wstring& key) { layerKey_ = key; }
    // The key shown to the host's legends.
    const std::wstring& GetDisplayKey() const noexcept { return displayKey_; }
    void SetDisplayKey(const std::wstring& key) { displayKey_ = key; }
    const std::string& GetCaption() const noexcept { return caption_; }
    void SetCaption(const std::string& caption) { caption_ = caption; }

private:
    std::wstring layerKey_;
    std::wstring displayKey_;
    std::string caption_;
};
