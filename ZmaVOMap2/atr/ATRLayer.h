// A list file (".atr") of tables shown as one layer: every listed table is opened as an engine
// layer, the tables stay together as one block of consecutive positions in the engine's list, and
// visibility, zoom range and moves apply to all of them at once. The layer has no engine layer of
// its own. Whatever it does to the engine's list it does to its own members, found there by
// identity: other layers come and go above it without telling it.
#pragma once

#include "ZmaVOMap2/engine/Geometry.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayer.h"

#include <string>
#include <vector>

class LayerFactory;

// Registers the list-file layer for its type code.
void RegisterAtrLayerKind(LayerFactory& factory);

class CATRLayer : public CZmaVadAZLayer {
public:
    CATRLayer(IDispatch* map, CZmaVadAZLayerCollection* owner);
    // Takes the block's engine layers out of the map.
    ~CATRLayer() override;
    void TakeOutOfMap() noexcept override;

    int GetEngineLayerCount() override { return memberCount_; }
    // Opens every table of the list file at `path`; answers how many engine layers were added
    // (0 when the list cannot be read or a table cannot be opened: a partial block is taken out
    // again).
    BOOL Create(int type, const std::string& path) override;
    void GetSourceFiles(std::vector<std::string>& files) override;
    bool CanExportTab() override { return true; }
    // Copies every listed table under its own file name, unchanged: under the layer's one name they
    // would take each other's place, and a raster tile's table names its image by that name.
    HRESULT ExportTab(const std::wstring& folder) override;
    BOOL MoveUp(bool apply, int positions) override;
    BOOL MoveDown(bool apply, int positions) override;
    bool IsEditableKind() override { return false; }
    bool IsSelectableKind() override { return false; }
    // The block is never selectable: nothing to change.
    HRESULT SetSelectable(bool) override { return S_OK; }
    bool IsDataLayer() override { return false; }
    bool HasFeatures() override { return false; }
    bool IsNormalTableLayer() override { return false; }
    bool IsVectorKind() override { return true; }
    HRESULT SetVisible(bool visible) override;
    bool IsVisible() override;
    int GetExtent(IDispatch* rectangle) override;
    void SetZoomLayering(bool on) override;
    bool GetZoomLayering() override;
    double GetZoomMin() override;
    void SetZoomMin(double zoom) override;
    double GetZoomMax() override;
    void SetZoomMax(double zoom) override;
    // The list file and the block's display settings; the tables come back from the list.
    HRESULT SaveSettings(IXMLDOMNode* parent) override;
    HRESULT LoadSettings(IXMLDOMElement* element, long labelArgument) override;

    // The block's first and last engine positions as the layer last found or was told them.
    int FirstPosition() const noexcept { return first_; }
    int LastPosition() const noexcept { return last_; }

private:
    bool ReadTableList(const std::string& path);
    // The table's path: a relative name lies in the list file's folder.
    std::string ResolveTable(const std::string& name) const;
    // The engine positions of the members still in the map, from the top down; the block's first
    // and last positions are taken from them.
    std::vector<long> FindMembers();
    // Moves each member by `positions` (down the list when positive), the one ahead first so
    // that no member overtakes another.
    void MoveMembers(int positions);
    void RemoveMembers() noexcept;
    template <class Apply>
    void ForEachMember(Apply&& apply);

    int first_ = -1;
    int last_ = -1;
    int memberCount_ = 0;
    ZmaExtent extent_ = {0, 0, 0, 0};
    std::vector<platform::ComPtr<IDispatch>> members_;
    std::vector<std::string> tableNames_;
    std::string listPath_;
};
