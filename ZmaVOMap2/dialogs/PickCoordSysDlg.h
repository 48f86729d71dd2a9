// The dialog in which the user picks a coordinate system from a projection list file: a list
// of categories, each with its member systems.
#pragma once

#include "platform/Window.h"

#include <string>
#include <vector>

class CPickCoordSysDlg : public platform::Dialog {
public:
    struct Member {
        std::string name;
        // The system's definition: the text after the name's closing quote, without the
        // separating comma and the line end.
        std::string definition;
    };
    struct Category {
        long selectedMember = -1;
        std::string name;
        std::vector<Member> members;
    };

    explicit CPickCoordSysDlg(const std::wstring& listFile, const std::wstring& helpFile = std::wstring());

    // The categories of a list file, in file order; none when the file cannot be read.
    static std::vector<Category> ReadListFile(const std::wstring& path);

    // The category chosen with OK (its selected member is the chosen system); null otherwise.
    const Category* Result() const noexcept { return result_; }

protected:
    BOOL OnInitDialog() override;
    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, INT_PTR& result) override;

private:
    Category* SelectedCategory() const;
    void FillMembers();
    void ShowHelp();

    std::wstring listFile_;
    std::wstring helpFile_;
    std::vector<Category> categories_;
    const Category* result_ = nullptr;
};
