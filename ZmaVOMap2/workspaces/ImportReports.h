// The message boxes of one import. Every table that cannot be opened is told to the user by the
// layer collection, one box each; a file that names thousands of missing tables would hold the
// user in thousands of boxes. While an import runs, the first few boxes are shown and the rest
// counted; Finish tells the count in one box.
//
// A workspace or geoset is a document like any other: it may name a device ("COM1", "CONOUT$"),
// a stream or a wildcard where a table belongs, and opening one would wait on the device for
// ever. Every path an import reads or opens is judged first, as the tables of every document are.
#pragma once

#include "platform/Window.h"

#include <string>

namespace workspaces {

class ImportReports : public platform::UserPrompts {
public:
    static constexpr int kShownBoxes = 10;

    // Takes over the message boxes until destroyed; `source` names the file in the last box.
    explicit ImportReports(std::string source);
    ~ImportReports();
    ImportReports(const ImportReports&) = delete;
    ImportReports& operator=(const ImportReports&) = delete;

    // Gives the boxes back and tells how many were not shown, if any.
    void Finish();

    int MessageBox(HWND owner, const std::wstring& text, const std::wstring& caption, UINT flags) override;
    bool GetOpenFileName(OPENFILENAMEW& ofn) override { return outer_.GetOpenFileName(ofn); }
    bool GetSaveFileName(OPENFILENAMEW& ofn) override { return outer_.GetSaveFileName(ofn); }
    BOOL TrackPopupMenu(HMENU menu, UINT flags, int x, int y, HWND owner) override {
        return outer_.TrackPopupMenu(menu, flags, x, y, owner);
    }
    bool BrowseForFolder(HWND owner, const std::wstring& title, std::wstring& folder) override {
        return outer_.BrowseForFolder(owner, title, folder);
    }

private:
    platform::UserPrompts& outer_;
    std::string source_;
    int shown_ = 0;
    int withheld_ = 0;
    bool finished_ = false;
};

// Whether the import may read or open the file at `path`: only a plain file. A path that names
// anything else is logged and told to the user as one of the import's messages.
bool AcceptNamedFile(const std::string& path);
// Logs and tells, as one of the import's messages, that the file at `path` cannot be read: the
// workspace or geoset itself, or the file of statements that the file at `opener` opens.
void TellUnreadableFile(const std::string& path, const std::string& opener = "");

}  // namespace workspaces
