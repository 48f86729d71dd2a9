// How one displayed series is composed: its dimensions (which field of which series plays which
// role) and its display state. The layer collection keeps one per dataset layer key; what else
// it holds and how it is saved comes with the settings document.
#pragma once

#include <list>
#include <memory>
#include <string>

class CZmaVadAZDatasetComposition {
public:
    struct Dimension {
        std::shared_ptr<std::wstring> fieldName;
        std::shared_ptr<std::wstring> seriesGuid;
        long code = 0;  // the entry's style or role code
    };

    CZmaVadAZDatasetComposition() = default;
    CZmaVadAZDatasetComposition(const CZmaVadAZDatasetComposition&) = delete;
    CZmaVadAZDatasetComposition& operator=(const CZmaVadAZDatasetComposition&) = delete;

    const std::wstring& GetSeriesGuid() const noexcept { return seriesGuid_; }
    void SetSeriesGuid(const std::wstring& guid) { seriesGuid_ = guid; }
    int GetType() const noexcept { return type_; }
    void SetType(int type) noexcept { type_ = type; }
    bool IsVisible() const noexcept { return visible_; }
    void SetVisible(bool visible) noexcept { visible_ = visible; }

    const std::list<Dimension>& Dimensions() const noexcept { return dimensions_; }
    // Whether the series itself or one of its dimensions carries that GUID.
    bool Involves(const std::wstring& guid) const;

    friend void AppendLayerEntry(CZmaVadAZDatasetComposition& composition, std::shared_ptr<std::wstring> fieldName,
                                 std::shared_ptr<std::wstring> seriesGuid, long code);
    friend void SetLayerEntryName(CZmaVadAZDatasetComposition& composition, const wchar_t* text, long id);

private:
    std::wstring seriesGuid_;
    int type_ = 1;
    bool visible_ = true;
    std::list<Dimension> dimensions_;
};

// Appends a dimension; the strings are shared with the caller, not copied.
void AppendLayerEntry(CZmaVadAZDatasetComposition& composition, std::shared_ptr<std::wstring> fieldName,
                      std::shared_ptr<std::wstring> seriesGuid, long code);
// Renames the first dimension with code `id` to `text`; an empty or null text removes it.
void SetLayerEntryName(CZmaVadAZDatasetComposition& composition, const wchar_t* text, long id);
