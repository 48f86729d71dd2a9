// What the raster tool tests share: generated images, a projection list named in the registry
// the way the engine's set-up names it, prompts answered by the test, and reading files back.
#pragma once

#include "tests/dialogs/DialogScript.h"

#include <windows.h>

#include <string>
#include <vector>

namespace rastertest {

// A fresh folder of this process under the temporary folder (ANSI, as the tools take paths), or
// under `parent`.
std::string Folder(const char* name, const std::string& parent = std::string());
std::string ReadAll(const std::string& path);
bool Exists(const std::string& path);
// The names in a folder (files and folders), sorted.
std::vector<std::wstring> NamesIn(const std::wstring& folder);

// The colour of pixel (x, y) of the generated pictures: every pixel of a 1000 x 700 image
// differs from its neighbours, so a tile cut one pixel off shows.
COLORREF PatternColour(int x, int y);
// A 24-bit bitmap file of the pattern, its rows stored from the bottom as most are, or from the top.
void WriteBitmap(const std::string& path, int width, int height);
void WriteBitmap(const std::wstring& path, int width, int height, bool topDown = false);
// A JPEG file of a smooth picture (JPEG keeps it within a few levels).
void WriteJpeg(const std::string& path, int width, int height);

// A raster table as the registration tool writes it, for an image beside it.
std::string WriteRegisteredTable(const std::string& folder, const std::string& image, double left, double top,
                                 double right, double bottom, int width, int height);

// The four control points of a table: map x, map y, column, row.
struct Tie {
    double x, y;
    long column, row;
};
std::vector<Tie> ControlPoints(const std::string& tableText);

// Writes "CommonDLLDir" (the engine's folder, in the registry's view of this program's bitness,
// which the engine's set-up writes and the tools read) naming a folder with a small projection
// list, and puts the previous value back at the end.
class ProjectionList {
public:
    ProjectionList();
    ~ProjectionList();
    static const char* Text();
    // The value names `folder` instead, or is removed.
    void Name(const std::wstring& folder);
    void Forget();

private:
    std::wstring previous_;
    bool hadPrevious_ = false;
};

// Clicks a check box as the user does: it changes its state and tells the dialog.
inline void ClickBox(HWND dialog, int id) { ::SendDlgItemMessageW(dialog, id, BM_CLICK, 0, 0); }

// Message boxes, the file chooser and the folder chooser answered by the test.
class Prompts : public dialogtest::ScriptedPrompts {
public:
    bool BrowseForFolder(HWND, const std::wstring& title, std::wstring& folder) override {
        folderTitle = title;
        if (chosenFolder.empty()) return false;
        folder = chosenFolder;
        return true;
    }
    std::wstring chosenFolder;
    std::wstring folderTitle;
};

}  // namespace rastertest
