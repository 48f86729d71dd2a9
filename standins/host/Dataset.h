// The rows of a host dataset stand-in, kept column by column so that a dataset of a million rows
// costs a few arrays and no object per row or per value. The COM objects of a dataset (the
// dataset with its cursor, its fields, its collections) share one DatasetData.
#pragma once

#include "standins/host/StandIn.h"

#include "platform/Com.h"

#include <cstddef>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace hoststandin {

// Fault switches for calls made once per row or per symbol: without a switch for the stand-in
// the check costs one test, not a string operation.
class FastFaults {
public:
    explicit FastFaults(const wchar_t* standIn);
    HRESULT Check(const wchar_t* what) const { return any_ ? faults_.Check(what) : S_OK; }

private:
    Faults faults_;
    bool any_ = false;
};

template <typename T>
void EraseRows(std::vector<T>& values, size_t first, size_t count) {
    if (first >= values.size()) return;
    const size_t last = count < values.size() - first ? first + count : values.size();
    values.erase(values.begin() + static_cast<std::ptrdiff_t>(first), values.begin() + static_cast<std::ptrdiff_t>(last));
}

// One field's values. Typed columns hand out their VARIANTs without allocating.
class Column {
public:
    virtual ~Column() = default;
    virtual void Read(size_t row, VARIANT* out) const = 0;  // *out is empty on entry
    // False when the value does not fit the column's type (the caller then widens the column).
    virtual bool Write(size_t row, const VARIANT& value) = 0;
    virtual void Resize(size_t rows) = 0;
    // Drops rows first..first+count-1 (within the column).
    virtual void Erase(size_t first, size_t count) = 0;
};

class DoubleColumn : public Column {
public:
    void Read(size_t row, VARIANT* out) const override {
        out->vt = VT_R8;
        out->dblVal = values[row];
    }
    bool Write(size_t row, const VARIANT& value) override;
    void Resize(size_t rows) override { values.resize(rows); }
    void Erase(size_t first, size_t count) override { EraseRows(values, first, count); }

    std::vector<double> values;
};

class LongColumn : public Column {
public:
    void Read(size_t row, VARIANT* out) const override {
        out->vt = VT_I4;
        out->lVal = values[row];
    }
    bool Write(size_t row, const VARIANT& value) override;
    void Resize(size_t rows) override { values.resize(rows); }
    void Erase(size_t first, size_t count) override { EraseRows(values, first, count); }

    std::vector<long> values;
};

// Any value, VT_EMPTY when never set.
class VariantColumn : public Column {
public:
    void Read(size_t row, VARIANT* out) const override;
    bool Write(size_t row, const VARIANT& value) override;
    void Resize(size_t rows) override { values.resize(rows); }
    void Erase(size_t first, size_t count) override { EraseRows(values, first, count); }

    std::vector<platform::Variant> values;
};

struct FieldInfo {
    std::wstring name;
    long type = 0;
    std::unique_ptr<Column> column;
};

// Host field type codes as the stand-ins use them.
constexpr long kFieldWhole = 3;
constexpr long kFieldDecimal = 5;
constexpr long kFieldText = 6;
constexpr long kFieldLongitude = 12;
constexpr long kFieldLatitude = 13;

struct DatasetData {
    DatasetData() : faults(L"dataset") {}

    FastFaults faults;
    std::vector<FieldInfo> fields;
    size_t rowCount = 0;
    long current = -1;  // the cursor's row; rowCount (or more) once it has passed the last row
    // Counted rather than logged: a frame reads thousands.
    long valueReads = 0;
    long rowMoves = 0;

    // Failures switched on while the dataset is shown (IHostDatasetSetup::FailCalls); "*" is
    // every call.
    std::vector<std::pair<std::wstring, HRESULT>> failing;

    // S_OK, or the failure switched on for `what` (at creation or since), with error information.
    HRESULT Check(const wchar_t* what) const {
        if (!failing.empty()) {
            HRESULT hr = Failing(what);
            if (FAILED(hr)) return hr;
        }
        return faults.Check(what);
    }
    HRESULT Failing(const wchar_t* what) const;
    void RemoveRows(size_t first, size_t count);

    // -1 when there is no such field.
    long IndexOf(const wchar_t* name) const;
    // The cursor row's value of a field; VT_EMPTY while the cursor is on no row.
    void ReadCurrent(size_t field, VARIANT* out) {
        ++valueReads;
        if (current >= 0 && static_cast<size_t>(current) < rowCount) fields[field].column->Read(current, out);
    }
    long AddField(const std::wstring& name, long type, std::unique_ptr<Column> column);
    void SetValue(size_t row, size_t field, const VARIANT& value);
};

// Builds the sample drive test into `data` (which must have no fields yet).
void BuildSampleRoute(DatasetData& data, size_t rows);

// The rectangle the sample route never leaves: min longitude, min latitude, max longitude, max latitude.
void SampleRouteBounds(double* minLon, double* minLat, double* maxLon, double* maxLat);

}  // namespace hoststandin
