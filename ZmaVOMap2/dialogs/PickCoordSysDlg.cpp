#include "ZmaVOMap2/dialogs/PickCoordSysDlg.h"

#include "ZmaVOMap2/services/HelpPath.h"

#include "ZmaVOMap2/dialogs/DialogResources.h"
#include "platform/Com.h"
#include "platform/Module.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr int kMaxLine = 400;

bool IsEmptyLine(const char* line) { return line[0] == '\0' || line[0] == '\n' || line[0] == '\r'; }

// The header's pieces between blanks, quotes and hyphens, joined by single blanks, without the
// blank and line end that follow the last quote.
std::string CategoryName(const char* line) {
    std::string joined;
    const char* p = line;
    while (*p) {
        const size_t skip = std::strspn(p, " \"-");
        p += skip;
        const size_t length = std::strcspn(p, " \"-");
        if (length == 0) break;
        if (!joined.empty()) joined += ' ';
        joined.append(p, length);
        p += length;
    }
    return joined.size() >= 2 ? joined.substr(0, joined.size() - 2) : std::string();
}

CPickCoordSysDlg::Member MemberOf(const char* line) {
    CPickCoordSysDlg::Member member;
    const char* p = line;
    while (*p == '"') ++p;
    const char* end = std::strchr(p, '"');
    if (!end) end = p + std::strcspn(p, "\r\n");
    member.name.assign(p, end);
    const char* rest = *end == '"' ? end + 1 : end;
    rest += std::strspn(rest, ", ");
    member.definition.assign(rest, rest + std::strcspn(rest, "\r\n"));
    return member;
}

}  // namespace

CPickCoordSysDlg::CPickCoordSysDlg(const std::wstring& listFile, const std::wstring& helpFile)
    : Dialog(platform::Module::Instance(), IDD_PICK_COORDSYS), listFile_(listFile), helpFile_(helpFile) {}

std::vector<CPickCoordSysDlg::Category> CPickCoordSysDlg::ReadListFile(const std::wstring& path) {
    std::vector<Category> categories;
    FILE* file = _wfopen(path.c_str(), L"r");
    if (!file) return categories;
    char line[kMaxLine];
    bool inGroup = false;
    while (std::fgets(line, sizeof line, file)) {
        if (IsEmptyLine(line)) {
            inGroup = false;
            continue;
        }
        if (!inGroup) {
            categories.push_back(Category{-1, CategoryName(line), {}});
            inGroup = true;
        } else {
            categories.back().members.push_back(MemberOf(line));
        }
    }
    std::fclose(file);
    return categories;
}

BOOL CPickCoordSysDlg::OnInitDialog() {
    categories_ = ReadListFile(listFile_);
    HWND combo = ::GetDlgItem(Handle(), IDC_COORDSYS_CATEGORY);
    for (Category& category : categories_) {
        const LRESULT index = ::SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(category.name.c_str()));
        ::SendMessageA(combo, CB_SETITEMDATA, index, reinterpret_cast<LPARAM>(&category));
    }
    ::SendMessageA(combo, CB_SETCURSEL, 0, 0);
    FillMembers();
    return TRUE;
}

CPickCoordSysDlg::Category* CPickCoordSysDlg::SelectedCategory() const {
    HWND combo = ::GetDlgItem(Handle(), IDC_COORDSYS_CATEGORY);
    const LRESULT index = ::SendMessageA(combo, CB_GETCURSEL, 0, 0);
    if (index == CB_ERR) return nullptr;
    const LRESULT data = ::SendMessageA(combo, CB_GETITEMDATA, index, 0);
    return data == CB_ERR ? nullptr : reinterpret_cast<Category*>(data);
}

void CPickCoordSysDlg::FillMembers() {
    HWND list = ::GetDlgItem(Handle(), IDC_COORDSYS_MEMBERS);
    ::SendMessageA(list, LB_RESETCONTENT, 0, 0);
    Category* category = SelectedCategory();
    if (!category) return;
    for (const Member& member : category->members)
        ::SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(member.name.c_str()));
    if (!category->members.empty()) {
        ::SendMessageA(list, LB_SETCURSEL, 0, 0);
        category->selectedMember = 0;
    }
}

void CPickCoordSysDlg::ShowHelp() {
    CallHtmlHelp(Handle(), helpFile_, 0, 0x20091);
}

bool CPickCoordSysDlg::OnMessage(UINT msg, WPARAM wp, LPARAM, INT_PTR&) {
    if (msg != WM_COMMAND) return false;
    const WORD id = LOWORD(wp), code = HIWORD(wp);
    if (id == IDC_COORDSYS_CATEGORY && code == CBN_SELCHANGE) {
        FillMembers();
        return true;
    }
    if (id == IDC_COORDSYS_MEMBERS && code == LBN_SELCHANGE) {
        if (Category* category = SelectedCategory())
            category->selectedMember =
                static_cast<long>(::SendDlgItemMessageA(Handle(), IDC_COORDSYS_MEMBERS, LB_GETCURSEL, 0, 0));
        return true;
    }
    switch (id) {
    case IDOK:
        result_ = SelectedCategory();
        ::EndDialog(Handle(), IDOK);
        return true;
    case IDCANCEL: ::EndDialog(Handle(), IDCANCEL); return true;
    case IDHELP: ShowHelp(); return true;
    default: return false;
    }
}
