// The map's layers; position 1 is the top (drawn last).
#pragma once

#include "standins/mapengine/EngineObject.h"
#include "standins/mapengine/Layer.h"
#include "standins/mapengine/MapServices.h"

#include "MapEngine.h"

#include <vector>

namespace mapengine {

using LayerList = std::vector<platform::ComPtr<Layer>>;

class Layers : public EngineComObject<Layers> {
public:
    static constexpr const wchar_t* kName = L"Layers";
    static const IID& DispInterfaceId() { return DIID_DLayers; }
    static const MemberTable<Layers>& Members();

    static platform::ComPtr<Layers> Make(MapServices* map);
    ~Layers() override;

    const LayerList& List() const noexcept { return layers_; }
    Layer* InsertionLayer() const noexcept { return insertion_.Get(); }
    // Lets go of every layer (the map is going).
    void DetachAll() noexcept;

private:
    void GetCount(Call& c);
    void ClearSelection(Call& c);
    void Move(Call& c);
    void Add(Call& c);
    void AddUserDrawLayer(Call& c);
    void Item(Call& c);
    void Remove(Call& c);
    void CreateLayer(Call& c);
    void RemoveAll(Call& c);
    void GetInsertionLayer(Call& c);
    void PutInsertionLayer(Call& c);

    size_t IndexOf(const Call& c, size_t arg) const;
    size_t InsertPosition(const Call& c, size_t arg) const;
    void Insert(const platform::ComPtr<Layer>& layer, size_t index);
    void Erase(size_t index);
    void Changed();

    MapServices* map_ = nullptr;
    LayerList layers_;
    LayerNames names_;
    platform::ComPtr<Layer> insertion_;
};

}  // namespace mapengine
