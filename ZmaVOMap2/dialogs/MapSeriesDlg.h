// The Layer Control dialog: every layer of the collection from the top of the map down, four
// check cells per row (visible, selectable, editable, labels), and the commands that add, remove
// and reorder layers and open the layer dialogs.
#pragma once

#include "platform/Com.h"
#include "platform/UniqueHandle.h"
#include "platform/Window.h"

#include <commctrl.h>

class CZmaVadAZLayer;
class CZmaVadAZLayerCollection;
class LayerControlLinks;

class CMapSeriesDlg : public platform::Dialog {
public:
    // `attributes` (the host's attribute collection) and `links` may be null.
    CMapSeriesDlg(IDispatch* engineMap, CZmaVadAZLayerCollection& layers, IUnknown* attributes,
                  LayerControlLinks* links);
    ~CMapSeriesDlg() override;

    // The four cells of a row, from the left.
    enum Cell { kCellVisible = 0, kCellSelectable, kCellEditable, kCellLabels, kCellNone };
    // The square of cell `cell` in a row rectangle, as drawn (2 pixels inside its square).
    static RECT CellRect(const RECT& row, int cell);

protected:
    BOOL OnInitDialog() override;
    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, INT_PTR& result) override;

private:
    // Catches the list's left clicks before its own processing, which still runs.
    class ListClicks : public platform::SubclassedWindow {
    public:
        explicit ListClicks(CMapSeriesDlg& owner) : owner_(owner) {}

    protected:
        bool ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

    private:
        CMapSeriesDlg& owner_;
    };

    HWND List() const { return ::GetDlgItem(Handle(), 140); }
    CZmaVadAZLayer* LayerAt(int item) const;
    int SelectedCount() const;
    void FillList();
    void UpdateButtons();
    void DrawRow(const DRAWITEMSTRUCT& item);
    void OnListClick(POINT point);
    // One cell clicked in `item`; answers whether the row's layers changed.
    bool ToggleCell(int item, int cell, bool& labelsAlone);
    void Close(int result);

    void Add();
    // Opens one chosen file: a workspace or geoset (its tables read against `folder`, each layer
    // given a row when `rowPerLayer`), or a table. Answers whether it was a workspace or geoset.
    bool AddFile(const std::string& path, const std::string& folder, bool rowPerLayer);
    // The row of a layer a workspace added, at the top of the list; `dialog` is the dialog.
    static void AddRowForLayer(void* dialog, CZmaVadAZLayer* layer);
    void Remove();
    void MoveSelection(bool up);
    void ShowDisplayProperties();
    void ShowLabelProperties();
    void ShowLines();
    void ShowOffset();
    void AutosizeColumn();

    platform::ComPtr<IDispatch> map_;
    CZmaVadAZLayerCollection& layers_;
    platform::ComPtr<IUnknown> attributes_;
    LayerControlLinks* links_;
    platform::UniqueHFont font_;
    platform::UniqueHBitmap picture_;
    ListClicks clicks_;
    int itemHeight_ = 0;
};
