// The "Lines Configuration" property sheet: for the serving-lines and neighbour-lines layers of one
// cell-site layer, how their lines are drawn (selection or every data point), which fields label
// and colour them, and whether they are disabled; on OK, optionally the same for the line layers
// of every cell-site layer of the same technology.
#pragma once

#include "ZmaVOMap2/dialogs/LinesLayerSettings.h"
#include "platform/Com.h"
#include "platform/HostedControl.h"
#include "platform/Window.h"

#include <msxml2.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

// One page of the sheet; the server and neighbour pages differ only in their template, control
// ids and the title attribute they read.
class CLinesPage {
public:
    struct Ids {
        UINT templateId;
        int selection, allPoints, label, color, disable, labelPicker, colorPicker;
        const wchar_t* titleAttribute;
    };

    CLinesPage(const Ids& ids, LinesLayerSettings* layer, IUnknown* attributes);
    virtual ~CLinesPage();
    CLinesPage(const CLinesPage&) = delete;
    CLinesPage& operator=(const CLinesPage&) = delete;

    PROPSHEETPAGEW Header();
    // Writes the page's settings to its layer; answers S_OK or the failure (0 without a layer).
    HRESULT Apply();
    bool IsOpened() const noexcept { return opened_; }
    bool IsChanged() const noexcept { return changed_; }
    void ClearChanged() noexcept { changed_ = false; }
    HWND Handle() const noexcept { return hwnd_; }
    // A field picked in the attribute picker beside the label or the colour box.
    void OnLabelAttributePicked(BSTR name);
    void OnColorAttributePicked(BSTR name);

    // The labels document's entries for a technology: names and whether each is a per-neighbour
    // ("Array") field.
    void GetLabelEntries(const std::string& technology, std::vector<std::string>& names, std::vector<int>& flags);
    std::string GetPageTitle(const std::string& technology);
    bool IsArrayAttribute(const std::wstring& name);

private:
    static INT_PTR CALLBACK Procedure(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    void OnInitDialog();
    void FillFieldLists();
    void FillCombo(int id, const std::vector<std::string>& names, const std::vector<int>& flags,
                   const std::string& current);
    std::string FieldText(int id);
    void Picked(int id, BSTR name);
    platform::ComPtr<IXMLDOMNode> TechnologyElement(const std::string& technology);
    // The host's attribute pickers beside the two boxes, at their places in the template.
    void CreatePickers();
    void ConnectPickers();

    platform::HostedControl labelPicker_, colorPicker_;
    Ids ids_;
    LinesLayerSettings* layer_;
    platform::ComPtr<IUnknown> attributes_;
    platform::ComPtr<IXMLDOMDocument2> labels_;
    std::wstring title_;
    HWND hwnd_ = nullptr;
    bool disabled_ = false;
    int initialDrawOption_ = 0;
    bool initialDisabled_ = false;
    bool opened_ = false;
    bool changed_ = false;
};

class CServerLinesPage : public CLinesPage {
public:
    CServerLinesPage(LinesLayerSettings* layer, IUnknown* attributes);
};

class CNborLinesPage : public CLinesPage {
public:
    CNborLinesPage(LinesLayerSettings* layer, IUnknown* attributes);
};

class CLinesToCellsPropertiesDlg {
public:
    // `cellSiteLines` lists the line layers of every cell-site layer of the map, in the order of
    // the cell-site series; it is asked only when the settings are to go to all of them.
    CLinesToCellsPropertiesDlg(HWND parent, LinesLayerSettings* servingLines, LinesLayerSettings* neighbourLines,
                               IUnknown* attributes, std::function<std::vector<LinesLayerPair>()> cellSiteLines);
    ~CLinesToCellsPropertiesDlg();

    // IDOK after OK, IDCANCEL otherwise.
    INT_PTR DoModal();
    CServerLinesPage& ServerPage() { return server_; }
    CNborLinesPage& NeighbourPage() { return neighbour_; }

    // The data layer's line layers take the sheet's settings.
    void ApplyToDataLayer(const LinesLayerPair& lines);

private:
    class SheetWindow;
    static int CALLBACK SheetCallback(HWND hwnd, UINT msg, LPARAM lp);
    void OnOK(HWND sheet);
    void ApplyToAllLayers(HWND sheet);

    HWND parent_;
    CServerLinesPage server_;
    CNborLinesPage neighbour_;
    LinesLayerSettings* servingLines_;
    LinesLayerSettings* neighbourLines_;
    std::function<std::vector<LinesLayerPair>()> cellSiteLines_;
    std::unique_ptr<SheetWindow> window_;
    bool ok_ = false;
};

class CZmaVadAZDataLayer;
class CZmaVadAZLayerCollection;

// The sheet for a data layer's serving and neighbour lines (the line layers that keep lines
// settings), offering to apply its settings to the line layers of the collection's cell-site
// layers. Answers IDOK or IDCANCEL.
INT_PTR ShowLinesConfiguration(HWND parent, CZmaVadAZDataLayer& layer, CZmaVadAZLayerCollection& layers,
                               IUnknown* attributes);

// The XPath literal of a text, quoted so that no quote inside it ends it early.
std::wstring XPathLiteral(const std::wstring& text);
