// A dataset over a table layer, and the map's datasets collection.
#pragma once

#include "standins/mapengine/EngineObject.h"
#include "standins/mapengine/Field.h"
#include "standins/mapengine/Layer.h"

#include "MapEngine.h"

#include <string>
#include <vector>

namespace mapengine {

class Dataset : public EngineComObject<Dataset> {
public:
    static constexpr const wchar_t* kName = L"Dataset";
    static const IID& DispInterfaceId() { return DIID_DDataset; }
    static const MemberTable<Dataset>& Members();

    static platform::ComPtr<Dataset> Make(std::wstring name, short type, platform::ComPtr<Layer> layer);
    const std::wstring& Name() const noexcept { return name_; }

private:
    void GetFields(Call& c);
    void GetLayer(Call& c);

    std::wstring name_;
    short type_ = 6;
    platform::ComPtr<Layer> layer_;
    platform::ComPtr<Fields> fields_;
};

class Datasets : public EngineComObject<Datasets> {
public:
    static constexpr const wchar_t* kName = L"Datasets";
    static const IID& DispInterfaceId() { return DIID_DDatasets; }
    static const MemberTable<Datasets>& Members();

private:
    void GetCount(Call& c);
    void Add(Call& c);
    void Item(Call& c);
    void Remove(Call& c);
    void RemoveAll(Call& c);
    size_t IndexOf(const Call& c) const;

    std::vector<platform::ComPtr<Dataset>> datasets_;
};

}  // namespace mapengine
