// The attribute side of a table: the field list of the .TAB definition, the .DAT file that holds
// one fixed-size record per row, and the .ID file that points each row at its object.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace mitab {

struct FieldDef {
    std::string name;
    int type = 1;  // TABFT_ value
    int width = 0, precision = 0;
    int offset = 0;  // in the record, after the deletion flag
    int size = 0;    // bytes in the record
};

// Byte size of a field in the record; 0 for a width the kind does not allow.
int FieldSize(int type, int width, int precision);

// The .TAB text of a native table with these fields.
std::string TabDefinitionText(const std::vector<FieldDef>& fields);
// The fields of a .TAB text; false when it is not a native table.
bool ParseTabDefinition(const std::string& text, std::vector<FieldDef>& fields);

class DatWriter {
public:
    ~DatWriter();
    bool Open(const std::wstring& path);
    // Encodes the values (empty: unset) and appends the record.
    bool WriteRecord(const std::vector<FieldDef>& fields, const std::vector<std::string>& values);
    bool Close(const std::vector<FieldDef>& fields);

private:
    bool WriteHeader(const std::vector<FieldDef>& fields);
    std::FILE* file_ = nullptr;
    bool headerWritten_ = false, ok_ = true;
    std::int32_t records_ = 0;
    std::vector<std::uint8_t> record_;
};

class DatReader {
public:
    bool Open(const std::string& path);
    // Fills each field's offset and size from the file; false when they do not match.
    bool Bind(std::vector<FieldDef>& fields) const;
    // The text of every field of row `row` (1-based).
    bool Read(int row, const std::vector<FieldDef>& fields, std::vector<std::string>& values) const;
    int Rows() const { return rows_; }

private:
    std::vector<std::uint8_t> bytes_;
    int rows_ = 0, headerSize_ = 0, recordSize_ = 0;
    std::vector<int> sizes_;
};

bool ReadIdFile(const std::string& path, std::vector<std::uint32_t>& offsets);

}  // namespace mitab
