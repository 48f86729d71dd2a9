// The map's text annotations.
#pragma once

#include "standins/mapengine/Annotation.h"
#include "standins/mapengine/EngineObject.h"
#include "standins/mapengine/MapServices.h"

#include "MapEngine.h"

#include <vector>

namespace mapengine {

class Annotations : public EngineComObject<Annotations> {
public:
    static constexpr const wchar_t* kName = L"Annotations";
    static const IID& DispInterfaceId() { return DIID_DAnnotations; }
    static const MemberTable<Annotations>& Members();

    static platform::ComPtr<Annotations> Make(MapServices* map);
    const std::vector<platform::ComPtr<Annotation>>& List() const noexcept { return items_; }
    platform::ComPtr<Annotation> AddText(const std::wstring& text, double x, double y, short position);
    void Detach() noexcept { map_ = nullptr; }

private:
    void GetCount(Call& c);
    void Item(Call& c);
    void AddTextMember(Call& c);
    void RemoveAll(Call& c);
    void Remove(Call& c);
    size_t IndexOf(const Call& c) const;
    void Changed();

    MapServices* map_ = nullptr;
    std::vector<platform::ComPtr<Annotation>> items_;
};

}  // namespace mapengine
