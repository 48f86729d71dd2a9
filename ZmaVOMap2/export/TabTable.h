// One MapInfo table being written through the MITAB library, in the order every exporter of the
// map follows: create the table in longitude/latitude, add the attribute fields, make one feature
// object, fill and write it once per item, then destroy the feature and close the table.
//
// A table is only kept when Close succeeded. When an export ends early (an exception, a failed
// write), the destructor closes the files and deletes them, so no half-written table is left to
// look like a finished one. An export of several tables closes them together (CloseTogether), so
// that it keeps all of them or none.
#pragma once

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

    // Creates the table's files; raises a ComError naming the file when they cannot be made.
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
    // Destroys the feature and finishes the files; raises when the table could not be completed
    // (its files are deleted then).
    void Close();

    // Deletes the files of a closed table: an export whose later table failed keeps none.
    void DeleteFiles() noexcept;

    const std::wstring& Path() const noexcept { return path_; }

private:
    [[noreturn]] void Fail(const std::string& what);
    void Abandon() noexcept;

    std::wstring path_;
    mitab_handle handle_ = nullptr;
    mitab_feature feature_ = nullptr;
    std::vector<std::string> names_;
    std::vector<int> types_;
};

// Closes the tables of one export in order. When one cannot be completed, those closed before it
// are deleted too and the failure is raised; the tables after it are left open for their owners,
// whose destructors delete them. The folder then holds none of the export's tables.
void CloseTogether(const std::vector<TabTable*>& tables);

}  // namespace tabexport
