// A layer's search object.
#pragma once

#include "standins/mapengine/EngineObject.h"

#include "MapEngine.h"

namespace mapengine {

class Layer;

class LayerFind : public EngineComObject<LayerFind> {
public:
    static constexpr const wchar_t* kName = L"Find";
    static const IID& DispInterfaceId() { return DIID_DFind; }
    static const MemberTable<LayerFind>& Members();

    static platform::ComPtr<LayerFind> Make(platform::ComPtr<Layer> layer);

private:
    void Search(Call& c);

    platform::ComPtr<Layer> layer_;
};

}  // namespace mapengine
