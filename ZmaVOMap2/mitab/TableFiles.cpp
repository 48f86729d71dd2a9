// The .TAB definition, the .DAT attribute file (a dBase file whose numbers, dates and floats are
// kept in binary; only decimals are text) and the .ID row index.
#include "ZmaVOMap2/mitab/TableFiles.h"

#include "ZmaVOMap2/mitab/TabFormat.h"
#include "ZmaVOMap2/mitab/mitab.h"
#include "platform/Number.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <limits>
#include <sstream>

namespace mitab {
namespace {

constexpr int kDatHeader = 32, kDatFieldDescriptor = 32;

bool ReadWhole(const std::string& path, std::vector<std::uint8_t>& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    bytes.clear();
    std::uint8_t chunk[65536];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) bytes.insert(bytes.end(), chunk, chunk + n);
    std::fclose(f);
    return true;
}

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string Trim(const std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && (std::isspace(static_cast<unsigned char>(s[b])) || s[b] == '\0')) ++b;
    while (e > b && (std::isspace(static_cast<unsigned char>(s[e - 1])) || s[e - 1] == '\0')) --e;
    return s.substr(b, e - b);
}

// A number as a host writes it: a decimal comma is taken when there is no point.
bool ParseNumber(const std::string& text, double& value) {
    std::string t = Trim(text);
    if (t.empty()) return false;
    if (t.find('.') == std::string::npos)
        for (char& c : t)
            if (c == ',') c = '.';
    return platform::ReadNumber(t.c_str(), value) == t.size() && std::isfinite(value);
}

bool ParseDate(const std::string& text, int& year, int& month, int& day) {
    std::string digits;
    for (char c : Trim(text))
        if (std::isdigit(static_cast<unsigned char>(c))) digits += c;
        else if (c != '-' && c != '/') return false;
    if (digits.size() != 8) return false;
    year = std::atoi(digits.substr(0, 4).c_str());
    month = std::atoi(digits.substr(4, 2).c_str());
    day = std::atoi(digits.substr(6, 2).c_str());
    return month >= 1 && month <= 12 && day >= 1 && day <= 31;
}

const char* TypeWord(int type) {
    switch (type) {
        case TABFT_Char: return "Char";
        case TABFT_Integer: return "Integer";
        case TABFT_SmallInt: return "SmallInt";
        case TABFT_Decimal: return "Decimal";
        case TABFT_Float: return "Float";
        case TABFT_Date: return "Date";
        case TABFT_Logical: return "Logical";
        default: return nullptr;
    }
}

// The text of a value that is no finite number, as readers parse it back ("-inf", "inf", "nan");
// null for any other text.
const char* NonFiniteText(const std::string& text) {
    const std::string t = Lower(Trim(text));
    if (t == "inf" || t == "+inf" || t == "infinity" || t == "+infinity") return "inf";
    if (t == "-inf" || t == "-infinity") return "-inf";
    if (t == "nan" || t == "-nan" || t == "+nan") return "nan";
    return nullptr;
}

void EncodeDecimal(std::uint8_t* out, const FieldDef& f, const std::string& text) {
    std::memset(out, ' ', f.size);
    // Infinities and NaN stay what they are, never a blank that reads back as 0.
    if (const char* special = NonFiniteText(text)) {
        const size_t n = std::strlen(special);
        if (n <= size_t(f.size)) std::memcpy(out + f.size - n, special, n);
        return;
    }
    double value;
    if (!ParseNumber(text, value)) return;
    // Fewer decimals when the value is too wide for the field; stars when even that fails.
    for (int precision = f.precision; precision >= 0; --precision) {
        const std::string digits = platform::FormatFixed(value, precision);
        if (!digits.empty() && static_cast<int>(digits.size()) <= f.width) {
            // Right-aligned in the field's width, as the column's readers expect.
            std::memcpy(out + f.width - digits.size(), digits.data(), digits.size());
            return;
        }
    }
    std::memset(out, '*', f.size);
}

void EncodeField(std::uint8_t* out, const FieldDef& f, const std::string& text) {
    double value = 0;
    switch (f.type) {
        case TABFT_Char:
            // Zero bytes after the text: readers take padding blanks as part of the value.
            std::memset(out, 0, f.size);
            std::memcpy(out, text.data(), text.size() < size_t(f.size) ? text.size() : size_t(f.size));
            break;
        case TABFT_Integer:
        case TABFT_SmallInt: {
            ParseNumber(text, value);
            const double limit = f.type == TABFT_Integer ? 2147483647.0 : 32767.0;
            value = value > limit ? limit : value < -limit ? -limit : value;
            const auto n = static_cast<std::int32_t>(std::lround(value));
            if (f.type == TABFT_Integer)
                PutI32(out, n);
            else
                PutI16(out, n);
            break;
        }
        case TABFT_Decimal:
            EncodeDecimal(out, f, text);
            break;
        case TABFT_Float:
            // Infinities and NaN stay what they are, as in a decimal field.
            if (const char* special = NonFiniteText(text))
                value = special[0] == 'n' ? std::numeric_limits<double>::quiet_NaN()
                                          : special[0] == '-' ? -std::numeric_limits<double>::infinity()
                                                              : std::numeric_limits<double>::infinity();
            else
                ParseNumber(text, value);
            PutF64(out, value);
            break;
        case TABFT_Date: {
            int y, m, d;
            std::memset(out, 0, 4);
            if (ParseDate(text, y, m, d)) {
                PutI16(out, y);
                out[2] = static_cast<std::uint8_t>(m);
                out[3] = static_cast<std::uint8_t>(d);
            }
            break;
        }
        case TABFT_Logical: {
            const std::string t = Lower(Trim(text));
            out[0] = (t == "t" || t == "true" || t == "y" || t == "1") ? 'T' : 'F';
            break;
        }
    }
}

// The bytes DecodeField reads of a kind kept in binary, whatever the field's size; 0 for the
// kinds read as text of the field's size.
int BinarySize(int type) {
    switch (type) {
        case TABFT_Integer: return 4;
        case TABFT_SmallInt: return 2;
        case TABFT_Float: return 8;
        case TABFT_Date: return 4;
        case TABFT_Logical: return 1;
        default: return 0;
    }
}

std::string DecodeField(const std::uint8_t* in, const FieldDef& f) {
    char buffer[64];
    switch (f.type) {
        case TABFT_Integer:
            std::snprintf(buffer, sizeof buffer, "%ld", static_cast<long>(GetI32(in)));
            return buffer;
        case TABFT_SmallInt:
            std::snprintf(buffer, sizeof buffer, "%d", GetI16(in));
            return buffer;
        case TABFT_Float:
            return platform::FormatGeneral(GetF64(in), 15);
        case TABFT_Date: {
            const int year = GetI16(in);
            if (year == 0 && in[2] == 0 && in[3] == 0) return "";
            std::snprintf(buffer, sizeof buffer, "%04d%02d%02d", year, in[2], in[3]);
            return buffer;
        }
        case TABFT_Logical:
            return in[0] == 'T' || in[0] == 't' ? "T" : "F";
        default:  // characters, decimals and kinds kept as text
            return Trim(std::string(reinterpret_cast<const char*>(in), f.size));
    }
}

}  // namespace

int FieldSize(int type, int width, int precision) {
    switch (type) {
        case TABFT_Char: return width >= 1 && width <= 254 ? width : 0;
        case TABFT_Integer: return 4;
        case TABFT_SmallInt: return 2;
        case TABFT_Decimal: return width >= 1 && width <= 20 && precision >= 0 && precision < width ? width : 0;
        case TABFT_Float: return 8;
        case TABFT_Date: return 4;
        case TABFT_Logical: return 1;
        default: return 0;
    }
}

std::string TabDefinitionText(const std::vector<FieldDef>& fields) {
    std::ostringstream out;
    out << "!table\n!version 300\n!charset WindowsLatin1\n\nDefinition Table\n"
        << "  Type NATIVE Charset \"WindowsLatin1\"\n  Fields " << fields.size() << "\n";
    for (const FieldDef& f : fields) {
        out << "    " << f.name << ' ' << TypeWord(f.type);
        if (f.type == TABFT_Char) out << " (" << f.width << ")";
        if (f.type == TABFT_Decimal) out << " (" << f.width << "," << f.precision << ")";
        out << " ;\n";
    }
    return out.str();
}

bool ParseTabDefinition(const std::string& text, std::vector<FieldDef>& fields) {
    fields.clear();
    std::istringstream in(text);
    std::string line;
    bool native = false;
    int count = -1;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string first, second;
        words >> first >> second;
        first = Lower(first);
        if (first == "type") native = Lower(second) == "native";
        if (first == "fields") {
            count = std::atoi(second.c_str());
            break;
        }
    }
    if (!native || count < 0) return false;
    while (int(fields.size()) < count && std::getline(in, line)) {
        std::string t = Trim(line);
        if (t.empty()) continue;
        FieldDef f;
        size_t space = t.find_first_of(" \t");
        if (space == std::string::npos) return false;
        f.name = t.substr(0, space);
        std::string rest = Trim(t.substr(space));
        size_t end = rest.find_first_of(" \t(;");
        const std::string word = Lower(rest.substr(0, end));
        const int types[] = {TABFT_Char, TABFT_Integer, TABFT_SmallInt, TABFT_Decimal,
                             TABFT_Float, TABFT_Date, TABFT_Logical};
        f.type = 0;
        for (int type : types)
            if (word == Lower(TypeWord(type))) f.type = type;
        size_t open = rest.find('(');
        if (open != std::string::npos) {
            f.width = std::atoi(rest.c_str() + open + 1);
            size_t comma = rest.find(',', open);
            if (comma != std::string::npos) f.precision = std::atoi(rest.c_str() + comma + 1);
        }
        fields.push_back(f);  // other kinds (times, large integers) are kept as text
    }
    return int(fields.size()) == count;
}

// --- .DAT writing ---------------------------------------------------------------------------------

DatWriter::~DatWriter() {
    if (file_) std::fclose(file_);
}

bool DatWriter::Open(const std::wstring& path) {
    file_ = _wfopen(path.c_str(), L"wb");
    return file_ != nullptr;
}

bool DatWriter::WriteHeader(const std::vector<FieldDef>& fields) {
    int recordSize = 1;
    for (const FieldDef& f : fields) recordSize += f.size;
    const int headerSize = kDatHeader + kDatFieldDescriptor * int(fields.size()) + 1;
    std::vector<std::uint8_t> h(headerSize, 0);
    std::time_t now = std::time(nullptr);
    std::tm* local = std::localtime(&now);
    h[0] = 0x03;
    h[1] = static_cast<std::uint8_t>(local ? local->tm_year : 0);
    h[2] = static_cast<std::uint8_t>(local ? local->tm_mon + 1 : 1);
    h[3] = static_cast<std::uint8_t>(local ? local->tm_mday : 1);
    PutI32(&h[4], records_);
    PutI16(&h[8], headerSize);
    PutI16(&h[10], recordSize);
    for (size_t i = 0; i < fields.size(); ++i) {
        std::uint8_t* d = &h[kDatHeader + i * kDatFieldDescriptor];
        // dBase keeps 10 characters of a name; the .TAB definition has the whole name.
        std::memcpy(d, fields[i].name.data(), fields[i].name.size() < 10 ? fields[i].name.size() : 10);
        d[11] = fields[i].type == TABFT_Decimal ? 'N' : fields[i].type == TABFT_Logical ? 'L' : 'C';
        d[16] = static_cast<std::uint8_t>(fields[i].size);
        d[17] = static_cast<std::uint8_t>(fields[i].type == TABFT_Decimal ? fields[i].precision : 0);
    }
    h[headerSize - 1] = 0x0D;
    ok_ = ok_ && std::fseek(file_, 0, SEEK_SET) == 0 && std::fwrite(h.data(), 1, h.size(), file_) == h.size();
    headerWritten_ = true;
    record_.assign(recordSize, 0);
    return ok_;
}

bool DatWriter::WriteRecord(const std::vector<FieldDef>& fields, const std::vector<std::string>& values) {
    if (!file_ || !ok_) return false;
    if (!headerWritten_ && !WriteHeader(fields)) return false;
    record_[0] = ' ';  // not deleted
    for (size_t i = 0; i < fields.size(); ++i)
        EncodeField(&record_[1 + fields[i].offset], fields[i], i < values.size() ? values[i] : std::string());
    ok_ = std::fwrite(record_.data(), 1, record_.size(), file_) == record_.size();
    if (ok_) ++records_;
    return ok_;
}

bool DatWriter::Close(const std::vector<FieldDef>& fields) {
    if (!file_) return false;
    if (!headerWritten_) WriteHeader(fields);
    const std::uint8_t end = 0x1A;
    ok_ = ok_ && std::fseek(file_, 0, SEEK_END) == 0 && std::fwrite(&end, 1, 1, file_) == 1;
    std::uint8_t count[4];
    PutI32(count, records_);
    ok_ = ok_ && std::fseek(file_, 4, SEEK_SET) == 0 && std::fwrite(count, 1, 4, file_) == 4;
    ok_ = std::fclose(file_) == 0 && ok_;
    file_ = nullptr;
    return ok_;
}

// --- .DAT reading ---------------------------------------------------------------------------------

bool DatReader::Open(const std::string& path) {
    if (!ReadWhole(path, bytes_) || bytes_.size() < kDatHeader + 1) return false;
    rows_ = GetI32(&bytes_[4]);
    headerSize_ = GetI16(&bytes_[8]) & 0xFFFF;
    recordSize_ = GetI16(&bytes_[10]) & 0xFFFF;
    if (rows_ < 0 || headerSize_ < kDatHeader + 1 || size_t(headerSize_) > bytes_.size()) return false;
    sizes_.clear();
    for (int at = kDatHeader; at + kDatFieldDescriptor <= headerSize_ && bytes_[at] != 0x0D; at += kDatFieldDescriptor)
        sizes_.push_back(bytes_[at + 16]);
    return true;
}

bool DatReader::Bind(std::vector<FieldDef>& fields) const {
    if (fields.size() != sizes_.size()) return false;
    int offset = 0;
    for (size_t i = 0; i < fields.size(); ++i) {
        if (sizes_[i] < BinarySize(fields[i].type)) return false;  // decoding would read past the field
        fields[i].offset = offset;
        fields[i].size = sizes_[i];
        offset += sizes_[i];
    }
    return offset + 1 <= recordSize_;
}

bool DatReader::Read(int row, const std::vector<FieldDef>& fields, std::vector<std::string>& values) const {
    values.assign(fields.size(), std::string());
    if (row < 1 || row > rows_ || recordSize_ < 1) return false;
    // Held to the records present before the row's offset is formed, which could wrap otherwise.
    if (size_t(row) > (bytes_.size() - size_t(headerSize_)) / size_t(recordSize_)) return false;
    const size_t at = size_t(headerSize_) + size_t(row - 1) * size_t(recordSize_);
    for (size_t i = 0; i < fields.size(); ++i) values[i] = DecodeField(&bytes_[at + 1 + fields[i].offset], fields[i]);
    return true;
}

bool ReadIdFile(const std::string& path, std::vector<std::uint32_t>& offsets) {
    std::vector<std::uint8_t> bytes;
    offsets.clear();
    if (!ReadWhole(path, bytes)) return false;
    for (size_t i = 0; i + 4 <= bytes.size(); i += 4) offsets.push_back(static_cast<std::uint32_t>(GetI32(&bytes[i])));
    return true;
}

}  // namespace mitab
