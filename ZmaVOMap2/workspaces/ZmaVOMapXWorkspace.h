// The import of workspaces and geosets as sets of table layers. A reader (Load) turns the file
// into an intermediate tree: an unattached "Workspace" element with one "Layer" element per table,
// whose attributes carry the table's path ("LayerPath") and the layer settings the file gives, as
// the text of typed values. The import then opens each table as a new layer on top of the map, in
// the tree's order, and applies the settings to the layer, its engine layer and its labels.
#pragma once

#include "ZmaVOMap2/workspaces/TextLines.h"
#include "platform/Com.h"

#include <msxml2.h>

#include <map>
#include <string>

class CZmaVadAZLayer;
class CZmaVadAZLayerCollection;

class CZmaVOMapXWorkspace {
public:
    // Told of every layer the import adds, with the context given to SetTarget.
    using LayerAddedCallback = void (*)(void* context, CZmaVadAZLayer* layer);
    // Engine distance units by their abbreviations in the files.
    using UnitAbbreviationMap = std::map<std::string, long, workspaces::NoCaseLess>;

    // The 41 layer settings a "Layer" element may carry.
    static constexpr int kLayerPropertyCount = 41;
    static const wchar_t* const LayerPropertyNames[kLayerPropertyCount];

    CZmaVOMapXWorkspace();
    CZmaVOMapXWorkspace(const CZmaVOMapXWorkspace&) = delete;
    CZmaVOMapXWorkspace& operator=(const CZmaVOMapXWorkspace&) = delete;
    virtual ~CZmaVOMapXWorkspace();

    void SetTarget(LayerAddedCallback callback, void* context) noexcept;

    // Reads the file at `path` (`folder` is its drive and folder, ending in a backslash) and opens
    // its tables as layers of `layers`. False only when no intermediate tree could be made; what a
    // reader could not read, and tables that could not be opened, are reported on the way. Never
    // throws: the Layer Control calls it from its dialog.
    bool Open(const std::string& folder, const std::string& path, CZmaVadAZLayerCollection& layers) noexcept;

    // The reader's part: appends the "Layer" elements of the file under `workspace`. False when
    // the file cannot be read; elements appended before a failure stay.
    virtual bool Load(const std::string& folder, const std::string& path, IXMLDOMElement* workspace) = 0;

    // Opens the table of every "Layer" element, applies its settings and tells the target. Always
    // false; an exception ends the walk and keeps the layers added so far.
    bool ApplyWorkspace(IXMLDOMElement* workspace, CZmaVadAZLayerCollection& layers);
    // Applies one element's settings to its layer. A setting whose value does not convert, or that
    // the engine refuses, is skipped; false when anything else went wrong.
    bool ApplyLayer(IXMLDOMElement* element, CZmaVadAZLayer& layer);

    // The engine distance unit of a unit abbreviation ("km", "MI", ...: compared without case);
    // false for an abbreviation the table does not hold.
    bool FindUnit(const std::string& text, long& code) const;

private:
    class LayerTargets;
    void ApplyAttribute(const std::wstring& name, const std::string& value, IXMLDOMElement* element,
                        LayerTargets& targets);
    void ApplyZoom(const std::wstring& name, double value, IXMLDOMElement* element, LayerTargets& targets);

    LayerAddedCallback callback_ = nullptr;
    void* context_ = nullptr;
    UnitAbbreviationMap unitAbbreviations_;
};
