// One MapInfo table being written through the MITAB library, in the order every exporter of the
// map follows: create the table in longitude/latitude, add the attribute fields, make one feature
// object, fill and write it once per item, then destroy the feature and close the table.
//
// A table is written under a temporary name in its folder and takes the place of the table of the
// same name (an earlier export's) only when CloseTogether puts the tables of its export in place,
// all of them or none. A table that is not put in place (an exception, a failed write, another
// table of the export that failed) is deleted, and the earlier table stays as it was.
#pragma once

#include "ZmaVOMap2/layers/FileSetReplacement.h"
#include "ZmaVOMap2/mitab/mitab.h"

#include <string>
#include <vector>

namespace tabexport {

// The attribute field name for a display name: every character that is not an ASCII letter or
// digit becomes "_", cut to 31 characters.
std::string MakeFieldName(const std::wstring& displayName);

// Text for the table's attribute file in the Windows Latin 1 character set the tables declare.
// A character that set has no form for becomes "?" (never a look-alike letter); `changed`, when
// given, tells whether any did.
std::string ToTableText(const std::wstring& text, bool* changed = nullptr);

class TabTable {
public:
    static constexpr int kMaxFieldName = 31;
    static constexpr int kMaxDecimalWidth = TABFT_DecimalMaxWidth;

    // Creates the table's files under a temporary name; raises a ComError naming the file `path`
    // when no table can be made there.
    explicit TabTable(const std::wstring& path);
    ~TabTable();
    TabTable(const TabTable&) = delete;
    TabTable& operator=(const TabTable&) = delete;

    // Adds a field and answers its index. A name another field already has (names compare
    // without case) gets a suffix "_2", "_3", ... within the 31 characters, so no attribute is
    // lost when two display names clean up to the same text. Raises on failure.
    int AddField(const std::string& name, int fieldType, int width, int precision);
    const std::vector<std::string>& FieldNames() const noexcept { return names_; }
    // The TABFT_ type of a field added.
    int FieldType(int index) const { return types_.at(static_cast<size_t>(index)); }

    // The one feature object that every item reuses.
    mitab_feature CreateFeature(int featureType);
    mitab_feature Feature() const noexcept { return feature_; }
    // Writes the feature as the next row; raises on failure.
    void Write();

    const std::wstring& Path() const noexcept { return path_; }

private:
    friend void CloseTogether(const std::vector<TabTable*>& tables);

    // Destroys the feature and finishes the files; raises when the table could not be completed
    // (its files are deleted then).
    void Close();
    [[noreturn]] void Fail(const std::string& what);
    void Abandon() noexcept;

    std::wstring path_;
    FileSetReplacement files_;  // the table's files under their temporary names
    mitab_handle handle_ = nullptr;
    mitab_feature feature_ = nullptr;
    std::vector<std::string> names_;
    std::vector<int> types_;
};

// Closes the tables of one export and puts them in place together, over the files of the same
// names. When one cannot be completed or put in place, the failure is raised with its reason and
// the folder keeps every file it held before, with its bytes: the tables closed are deleted, those
// after a table that failed are left open for their owners, whose destructors delete them.
void CloseTogether(const std::vector<TabTable*>& tables);

}  // namespace tabexport
