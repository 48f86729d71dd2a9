// Data layers over host datasets with styled fields, an output folder that GDAL reads afterwards,
// and prompts that the tests answer.
#pragma once

#include "tests/datalayers/DataLayerFixture.h"

#include "ZmaVOMap2/datalayers/ZmaVadAZDataLayer.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace exporttest {

extern const wchar_t kGuid[];

// Message boxes answered with `answer`, the folder chooser with `folder` (none when empty).
class AnsweringPrompts : public platform::UserPrompts {
public:
    struct Box {
        std::wstring text, caption;
        UINT flags;
    };
    int MessageBox(HWND, const std::wstring& text, const std::wstring& caption, UINT flags) override {
        boxes.push_back({text, caption, flags});
        return answer;
    }
    bool GetOpenFileName(OPENFILENAMEW&) override { return false; }
    bool GetSaveFileName(OPENFILENAMEW&) override { return false; }
    bool BrowseForFolder(HWND, const std::wstring& title, std::wstring& chosen) override {
        browseTitles.push_back(title);
        if (folder.empty()) return false;
        chosen = folder;
        return true;
    }

    std::vector<Box> boxes;
    std::vector<std::wstring> browseTitles;
    int answer = IDOK;
    std::wstring folder;
};

struct StyleClass {
    double lower, upper;
    long character;
    double size;
    long colour;  // 0x00BBGGRR
};

// A fresh folder "<build>/exports/<name>" as a Windows path (no trailing backslash).
std::string OutFolder(const std::string& name);
// The names of the files in a folder, sorted.
std::vector<std::wstring> FilesIn(const std::wstring& folder);
// The files of a folder by name, with their bytes.
using FileSet = std::map<std::wstring, std::string>;
FileSet FileBytes(const std::wstring& folder);
void CopyFiles(const std::wstring& from, const std::wstring& to);
// Attaches a value formatter with these classes to the field.
platform::ComPtr<IHostFieldStyleSetup> AttachStyle(IHostDataset* dataset, const wchar_t* field,
                                                   const std::vector<StyleClass>& classes, long decimals = 1);

class ExportTest : public dltest::DataLayerTest {
protected:
    void SetUp() override;
    void TearDown() override;

    static std::string UnixOf(const std::string& windowsPath);
    // A data layer named `name` over `dataset` showing `fields` with the given attribute codes
    // (stored with the dataset beforehand; a code above 3 drives nothing). The display order is the reverse of
    // `fields`, front first. The collection owns it when `registered`.
    CZmaVadAZDataLayer& MakeLayer(IHostDataset* dataset, const std::vector<std::wstring>& fields,
                                  const std::vector<long>& codes, const std::string& name = "Points",
                                  int type = CZmaVadAZLayer::kTypeDataset, bool registered = false);

    AnsweringPrompts answers_;
    std::unique_ptr<CZmaVadAZDataLayer> layer_;
};

}  // namespace exporttest
