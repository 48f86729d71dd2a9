#include "ZmaVOMap2/layers/ZmaVadAZDatasetComposition.h"

bool CZmaVadAZDatasetComposition::Involves(const std::wstring& guid) const {
    if (seriesGuid_ == guid) return true;
    for (const Dimension& d : dimensions_)
        if (d.seriesGuid && *d.seriesGuid == guid) return true;
    return false;
}

void AppendLayerEntry(CZmaVadAZDatasetComposition& composition, std::shared_ptr<std::wstring> fieldName,
                      std::shared_ptr<std::wstring> seriesGuid, long code) {
    composition.dimensions_.push_back({std::move(fieldName), std::move(seriesGuid), code});
}

void SetLayerEntryName(CZmaVadAZDatasetComposition& composition, const wchar_t* text, long id) {
    auto& dimensions = composition.dimensions_;
    for (auto it = dimensions.begin(); it != dimensions.end(); ++it) {
        if (it->code != id) continue;
        if (text && *text)
            it->fieldName = std::make_shared<std::wstring>(text);
        else
            dimensions.erase(it);
        return;
    }
}
