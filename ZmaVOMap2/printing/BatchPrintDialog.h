// The "Batch Print" dialog: a check list of the map's measurement layers in which the user ticks
// the layers that get a page of their own ("Batch Print") and those drawn on every page
// ("Include on all"), with buttons to print, preview, edit the host's attributes and run the
// printer set-up. Ticks change only the dialog's entries, never the layers' own flags. No
// exception leaves the dialog's or the list's window procedure (the platform's barrier logs it).
#pragma once

#include "ZmaVOMap2/printing/BatchPrintLayers.h"
#include "platform/Window.h"

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

// One row of the dialog.
struct BatchPrintEntry {
    std::wstring name;
    bool batchPrint = false;
    bool includeOnAll = false;
    // The key of the layer (kept, not shown).
    std::wstring key;
};

// Told after the user toggled a check image.
class CheckStateChangedCallback {
public:
    virtual void OnCheckStateChanged() = 0;

protected:
    ~CheckStateChangedCallback() = default;
};

// What the dialog's buttons ask of the map.
class BatchPrintActions {
public:
    virtual void PageSetup(HWND owner) = 0;
    virtual void PreviewBatch(const std::vector<std::wstring>& pageLayers, const std::vector<std::wstring>& allPages) = 0;
    // Lets the host edit its attributes (the EditAttributes event), then redraws the map.
    virtual void EditAttributes() = 0;

protected:
    ~BatchPrintActions() = default;
};

// The owner-drawn report list of the dialog: a check image for each flag and the layer's name.
// Item data is the entry's index.
class BatchPrintListView : public platform::SubclassedWindow {
public:
    BatchPrintListView(CheckStateChangedCallback& callback, std::vector<BatchPrintEntry>& entries) noexcept
        : callback_(callback), entries_(entries) {}
    ~BatchPrintListView() override;

    // Subclasses the list control and loads the check images.
    bool Attach(HWND list);
    SIZE ImageSize() const noexcept { return image_; }
    // Where the check image of a flag column (0 batch print, 1 include on all) lies in a row.
    RECT CheckRect(int row, int column) const;
    // The widest entry name as the list's font draws it.
    int WidestName() const;

protected:
    bool ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

private:
    void DrawItem(const DRAWITEMSTRUCT& item);
    void OnLeftButtonDown(POINT point);
    bool OnHeaderNotify(const NMHEADERW& header, LRESULT& result);
    // The left edge of a column in a row whose bounds start at `rowLeft`.
    int ColumnLeft(int rowLeft, int column) const;

    CheckStateChangedCallback& callback_;
    std::vector<BatchPrintEntry>& entries_;
    HIMAGELIST images_ = nullptr;
    SIZE image_ = {11, 11};
};

class BatchPrintDialog : public platform::Dialog, public CheckStateChangedCallback {
public:
    BatchPrintDialog(BatchPrintLayers& layers, BatchPrintActions& actions);
    ~BatchPrintDialog() override;

    // The names of the entries ticked for a page of their own, and for every page, in entry order.
    std::vector<std::wstring> GetCheckedNames() const;
    std::vector<std::wstring> GetSecondCheckedNames() const;
    const std::vector<BatchPrintEntry>& Entries() const noexcept { return entries_; }

    void OnCheckStateChanged() override;

protected:
    BOOL OnInitDialog() override;
    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, INT_PTR& result) override;

private:
    // Entries of layers that went are dropped; new layers are appended with their own flags;
    // the others keep the user's ticks.
    void SyncEntries();
    void FillList();
    void SetUpColumns();
    void CentreOnOwner();
    // Owner-draw and notification messages from a child go back to that child.
    bool Reflect(UINT msg, WPARAM wp, LPARAM lp, INT_PTR& result);
    HWND List() const;

    BatchPrintLayers& layers_;
    BatchPrintActions& actions_;
    std::vector<BatchPrintEntry> entries_;
    BatchPrintListView list_{*this, entries_};
};
