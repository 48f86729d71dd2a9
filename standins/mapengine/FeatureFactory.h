// Makes stand-alone features (symbols, lines, regions, text, circles) for layers to add.
#pragma once

#include "standins/mapengine/EngineObject.h"
#include "standins/mapengine/MapServices.h"

#include "MapEngine.h"

namespace mapengine {

class Style;

class FeatureFactory : public EngineComObject<FeatureFactory> {
public:
    static constexpr const wchar_t* kName = L"FeatureFactory";
    static const IID& DispInterfaceId() { return DIID_DFeatureFactory; }
    static const MemberTable<FeatureFactory>& Members();

    static platform::ComPtr<FeatureFactory> Make(MapServices* map);
    void Detach() noexcept { map_ = nullptr; }

private:
    void CreateSymbol(Call& c);
    void CreateLine(Call& c);
    void CreateRegion(Call& c);
    void CreateText(Call& c);
    void CreateCircularRegion(Call& c);
    void CreateShape(Call& c, short type);
    platform::ComPtr<Style> StyleArg(const Call& c, size_t i) const;

    MapServices* map_ = nullptr;
};

}  // namespace mapengine
