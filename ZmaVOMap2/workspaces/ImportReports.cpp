#include "ZmaVOMap2/workspaces/ImportReports.h"

#include "ZmaVOMap2/layers/FileNames.h"
#include "platform/Com.h"

namespace workspaces {

ImportReports::ImportReports(std::string source) : outer_(platform::Prompts()), source_(std::move(source)) {
    platform::SetPrompts(this);
}

ImportReports::~ImportReports() {
    if (!finished_) platform::SetPrompts(&outer_);
}

int ImportReports::MessageBox(HWND owner, const std::wstring& text, const std::wstring& caption, UINT flags) {
    if (shown_ < kShownBoxes) {
        ++shown_;
        return outer_.MessageBox(owner, text, caption, flags);
    }
    ++withheld_;
    return IDOK;
}

void ImportReports::Finish() {
    if (finished_) return;
    finished_ = true;
    platform::SetPrompts(&outer_);
    if (withheld_ == 0) return;
    outer_.MessageBox(nullptr,
                      std::to_wstring(withheld_) + L" further messages about " + platform::ToWide(source_) +
                          L" were not shown.",
                      L"Map Module - Add new layer", MB_OK | MB_ICONWARNING);
}

bool AcceptNamedFile(const std::string& path) {
    if (IsPlainFilePath(path)) return true;
    LogLeftOutFile(path, "a workspace or geoset names no plain file there (a device, pipe, stream or wildcard)");
    // Told as the collection tells a table it refuses.
    platform::Prompts().MessageBox(nullptr,
                                   L"Error 0x80070057: The path does not name a table file.\nFailed to open " +
                                       platform::ToWide(path) + L".",
                                   L"Map Module - Add new layer", MB_OK | MB_ICONEXCLAMATION);
    return false;
}

void TellUnreadableFile(const std::string& path, const std::string& opener) {
    // A file of statements is told with the file whose statement opens it: the line to mend.
    const std::wstring file = platform::ToWide(path);
    LogLeftOutFile(path, opener.empty() ? "the file cannot be read"
                                        : ("the file of statements that " + opener + " opens cannot be read").c_str());
    platform::Prompts().MessageBox(nullptr,
                                   opener.empty() ? L"The file " + file + L" cannot be read."
                                                  : L"The file of statements " + file + L", which " +
                                                        platform::ToWide(opener) + L" opens, cannot be read.",
                                   L"Map Module - Add new layer", MB_OK | MB_ICONEXCLAMATION);
}

}  // namespace workspaces
