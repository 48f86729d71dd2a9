// The two layer export dialogs: the user checks layers and chooses a folder, and each checked
// layer writes its own files there (its TAB or KML export). The folder is remembered as
// "MapLayerExportDirectory", shared by both dialogs.
#pragma once

#include "platform/Window.h"

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

class CZmaVadAZLayer;
class CZmaVadAZLayerCollection;

class ExportLayersDlg : public platform::Dialog {
public:
    // The collection is not owned. `helpFile` is the module's help file ("" for no help).
    ExportLayersDlg(UINT templateId, CZmaVadAZLayerCollection* layers, DWORD helpData, std::wstring helpFile);

    // How the dialog ended (IDOK, IDCANCEL), 0 while it runs. Set for modeless runs too.
    INT_PTR Result() const noexcept { return result_; }

protected:
    // Whether the dialog lists the layer.
    virtual bool Admits(CZmaVadAZLayer& layer) = 0;
    // The layer's export into the folder.
    virtual HRESULT Export(CZmaVadAZLayer& layer, const std::wstring& folder) = 0;

    BOOL OnInitDialog() override;
    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, INT_PTR& result) override;

private:
    void FillLayers();
    void ShowFolder();
    void Browse();
    std::vector<CZmaVadAZLayer*> CheckedLayers() const;
    // Whether the folder is given in full; the user is told otherwise.
    bool AcceptsFolder(const std::wstring& folder);
    // Exports the checked layers and tells the user how it went; false when the folder was refused
    // and the dialog stays for another.
    bool ExportChecked();
    void OnItemChanged(const NMLISTVIEW& change);
    void End(INT_PTR result);

    CZmaVadAZLayerCollection* layers_;
    DWORD helpData_;
    std::wstring helpFile_;
    INT_PTR result_ = 0;
    bool spreadingCheck_ = false;
};

// "Export to TAB": the layers that have tables to export, written as MapInfo tables.
class CExportTABDlg : public ExportLayersDlg {
public:
    explicit CExportTABDlg(CZmaVadAZLayerCollection* layers, std::wstring helpFile = std::wstring());

protected:
    bool Admits(CZmaVadAZLayer& layer) override;
    HRESULT Export(CZmaVadAZLayer& layer, const std::wstring& folder) override;
};

// "Export to KML": the layers that can write KML.
class CExportKMLDlg : public ExportLayersDlg {
public:
    explicit CExportKMLDlg(CZmaVadAZLayerCollection* layers, std::wstring helpFile = std::wstring());

protected:
    bool Admits(CZmaVadAZLayer& layer) override;
    HRESULT Export(CZmaVadAZLayer& layer, const std::wstring& folder) override;
};
