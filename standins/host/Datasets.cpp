// Host datasets: the dataset with its row cursor and fields, the fields' and the dataset's
// property sets, the named entries and the selected rows; an empty dataset a test fills and
// the sample drive test. Rows live in the shared column arrays of Dataset.h; only fields and
// collections are COM objects.
#include "standins/host/Classes.h"
#include "standins/host/Dataset.h"
#include "standins/host/StandIn.h"

#include "platform/ClassFactory.h"
#include "platform/Com.h"
#include "platform/Number.h"
#include "platform/Result.h"

#include <cwchar>
#include <cwctype>
#include <memory>

namespace hoststandin {

using platform::ComPtr;
using platform::Variant;

// ---------------------------------------------------------------------------------------------
// Columns and rows.

FastFaults::FastFaults(const wchar_t* standIn) : faults_(standIn) {
    wchar_t buf[4096];
    DWORD n = ::GetEnvironmentVariableW(L"VADAZ_HOST_FAULTS", buf, sizeof buf / sizeof buf[0]);
    if (n == 0 || n >= sizeof buf / sizeof buf[0]) return;
    std::wstring all(buf, n), prefix = std::wstring(standIn) + L".";
    for (wchar_t& c : all) c = static_cast<wchar_t>(std::towlower(c));
    for (wchar_t& c : prefix) c = static_cast<wchar_t>(std::towlower(c));
    any_ = all.find(prefix) != std::wstring::npos;
}

bool DoubleColumn::Write(size_t row, const VARIANT& value) {
    if (value.vt != VT_R8 && value.vt != VT_R4 && value.vt != VT_I4 && value.vt != VT_I2) return false;
    Variant d;
    if (FAILED(::VariantChangeType(d.Put(), const_cast<VARIANT*>(&value), 0, VT_R8))) return false;
    values[row] = d.dblVal;
    return true;
}

bool LongColumn::Write(size_t row, const VARIANT& value) {
    if (value.vt != VT_I4 && value.vt != VT_I2) return false;
    values[row] = value.vt == VT_I4 ? value.lVal : value.iVal;
    return true;
}

void VariantColumn::Read(size_t row, VARIANT* out) const {
    if (values[row].vt != VT_EMPTY) THROW_IF_FAILED(::VariantCopy(out, const_cast<Variant*>(&values[row])));
}

bool VariantColumn::Write(size_t row, const VARIANT& value) {
    values[row] = Variant(value);
    return true;
}

long DatasetData::IndexOf(const wchar_t* name) const {
    if (!name) return -1;
    for (size_t i = 0; i < fields.size(); ++i) {
        if (fields[i].name == name) return static_cast<long>(i);
    }
    return -1;
}

long DatasetData::AddField(const std::wstring& name, long type, std::unique_ptr<Column> column) {
    column->Resize(rowCount);
    FieldInfo info;
    info.name = name;
    info.type = type;
    info.column = std::move(column);
    fields.push_back(std::move(info));
    return static_cast<long>(fields.size() - 1);
}

HRESULT DatasetData::Failing(const wchar_t* what) const {
    for (const auto& f : failing) {
        if (f.first == L"*" || ::_wcsicmp(f.first.c_str(), what) == 0)
            return Fail(f.second, f.second == RPC_E_DISCONNECTED ? L"The object invoked has disconnected from its clients."
                                                                   : L"Failure switched on: dataset." + std::wstring(what),
                        L"Dataset");
    }
    return S_OK;
}

void DatasetData::RemoveRows(size_t first, size_t count) {
    if (first >= rowCount) return;
    for (FieldInfo& f : fields) f.column->Erase(first, count);
    rowCount -= count < rowCount - first ? count : rowCount - first;
    if (current >= static_cast<long>(rowCount)) current = static_cast<long>(rowCount);
}

// A typed column that meets a value of another type becomes a column of VARIANTs.
void DatasetData::SetValue(size_t row, size_t field, const VARIANT& value) {
    Column& column = *fields[field].column;
    if (column.Write(row, value)) return;
    auto wide = std::make_unique<VariantColumn>();
    wide->Resize(rowCount);
    for (size_t r = 0; r < rowCount; ++r) column.Read(r, &wide->values[r]);
    wide->values[row] = Variant(value);
    fields[field].column = std::move(wide);
}

namespace {

bool IsMissing(const VARIANT& v) {
    return v.vt == VT_EMPTY || (v.vt == VT_ERROR && v.scode == DISP_E_PARAMNOTFOUND);
}

// A position from a VARIANT that holds a number; false for anything else.
bool ToPosition(const VARIANT& v, long* position) {
    if (v.vt == VT_BSTR || IsMissing(v)) return false;
    Variant n;
    if (FAILED(::VariantChangeType(n.Put(), const_cast<VARIANT*>(&v), 0, VT_I4))) return false;
    *position = n.lVal;
    return true;
}

// ---------------------------------------------------------------------------------------------
// Property sets and named entries.

class HostPropertyCollection
    : public platform::ComObject<HostPropertyCollection, platform::DualImpl<IHostPropertyCollection>, CallLogDual,
                                 platform::Also<IDispatch, platform::DualImpl<IHostPropertyCollection>>> {
public:
    HostPropertyCollection() : faults_(L"propertycollection") { BindLog(log_); }

    STDMETHODIMP get_Count(long* total) override {
        Log().Add(CallLine(L"get_Count"));
        if (!total) return E_POINTER;
        RETURN_IF_FAILED(faults_.Check(L"get_Count"));
        *total = static_cast<long>(items_.size());
        return S_OK;
    }

    STDMETHODIMP Item(VARIANT index, VARIANT* entry) override {
        Log().Add(CallLine(L"Item", index));
        if (!entry) return E_POINTER;
        ::VariantInit(entry);
        RETURN_IF_FAILED(faults_.Check(L"Item"));
        COM_TRY {
            long at = Find(index);
            if (at < 0) return Fail(DISP_E_BADINDEX, L"No such item: " + ArgText(index), L"PropertyCollection");
            return ::VariantCopy(entry, &items_[at].value);
        }
        COM_CATCH_RETURN();
    }

    STDMETHODIMP HasKey(BSTR key, VARIANT_BOOL* found) override {
        Log().Add(CallLine(L"HasKey", key));
        if (!found) return E_POINTER;
        *found = VARIANT_FALSE;
        RETURN_IF_FAILED(faults_.Check(L"HasKey"));
        *found = FindKey(key) >= 0 ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    }

    STDMETHODIMP Add(VARIANT entry, VARIANT key, VARIANT before) override {
        Log().Add(CallLine(L"Add", entry, key, before));
        RETURN_IF_FAILED(faults_.Check(L"Add"));
        COM_TRY {
            Entry e;
            e.value = Variant(entry);
            if (!IsMissing(key)) {
                Variant text;
                if (FAILED(::VariantChangeType(text.Put(), &key, 0, VT_BSTR))) return DISP_E_TYPEMISMATCH;
                e.hasKey = true;
                e.key = text.bstrVal ? text.bstrVal : L"";
                long existing = FindKey(e.key.c_str());
                if (existing >= 0) {
                    items_[existing].value = std::move(e.value);
                    return S_OK;
                }
            }
            size_t at = items_.size();
            if (!IsMissing(before)) {
                long b = Find(before);
                if (b < 0) return Fail(DISP_E_BADINDEX, L"No such item: " + ArgText(before), L"PropertyCollection");
                at = static_cast<size_t>(b);
            }
            items_.insert(items_.begin() + at, std::move(e));
            return S_OK;
        }
        COM_CATCH_RETURN();
    }

    STDMETHODIMP Remove(VARIANT index) override {
        Log().Add(CallLine(L"Remove", index));
        RETURN_IF_FAILED(faults_.Check(L"Remove"));
        long at = Find(index);
        if (at < 0) return Fail(DISP_E_BADINDEX, L"No such item: " + ArgText(index), L"PropertyCollection");
        items_.erase(items_.begin() + at);
        return S_OK;
    }

private:
    struct Entry {
        Variant value;
        bool hasKey = false;
        std::wstring key;
    };

    long FindKey(const wchar_t* key) const {
        std::wstring k = key ? key : L"";
        for (size_t i = 0; i < items_.size(); ++i) {
            if (items_[i].hasKey && items_[i].key == k) return static_cast<long>(i);
        }
        return -1;
    }

    long Find(const VARIANT& index) const {
        if (index.vt == VT_BSTR) return FindKey(index.bstrVal);
        long position = 0;
        if (!ToPosition(index, &position) || position < 0 || static_cast<size_t>(position) >= items_.size()) return -1;
        return position;
    }

    CallLog log_;
    Faults faults_;
    std::vector<Entry> items_;
};

// ---------------------------------------------------------------------------------------------
// Selected rows: row numbers of the dataset, in the order added. Reads are not logged (a
// selection walk reads every item); changes are.

class HostSelectedRows
    : public platform::ComObject<HostSelectedRows, platform::DualImpl<IHostStringList>, CallLogDual,
                                 platform::Also<IDispatch, platform::DualImpl<IHostStringList>>> {
public:
    explicit HostSelectedRows(std::shared_ptr<DatasetData> data) : data_(std::move(data)), faults_(L"selectedrows") {
        BindLog(log_);
    }

    // A dataset's failures switched on while shown reach its selection too.
    HRESULT Check(const wchar_t* what) const {
        RETURN_IF_FAILED(data_->Failing(what));
        return faults_.Check(what);
    }

    STDMETHODIMP get_Count(long* total) override {
        if (!total) return E_POINTER;
        RETURN_IF_FAILED(Check(L"get_Count"));
        *total = static_cast<long>(rows_.size());
        return S_OK;
    }

    STDMETHODIMP Item(VARIANT index, VARIANT* value) override {
        if (!value) return E_POINTER;
        ::VariantInit(value);
        RETURN_IF_FAILED(Check(L"Item"));
        long position = 0;
        if (!ToPosition(index, &position)) return DISP_E_TYPEMISMATCH;
        if (position < 0 || static_cast<size_t>(position) >= rows_.size()) return DISP_E_BADINDEX;
        value->vt = VT_I4;
        value->lVal = rows_[position];
        return S_OK;
    }

    STDMETHODIMP Reserved9() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved10() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved11() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved12() override { return E_NOTIMPL; }

    // The key and the position are not used: a selection is a plain list of row numbers. Not
    // logged, like Count and Item: an area selection adds a row per call, up to every row.
    STDMETHODIMP Add(VARIANT value, VARIANT /*key*/, VARIANT /*before*/) override {
        RETURN_IF_FAILED(Check(L"Add"));
        long row = 0;
        if (!ToPosition(value, &row)) return DISP_E_TYPEMISMATCH;
        if (row < 0 || static_cast<size_t>(row) >= data_->rowCount)
            return Fail(DISP_E_BADINDEX, L"No row " + std::to_wstring(row), L"SelectedRows");
        try {
            rows_.push_back(row);
            return S_OK;
        }
        CATCH_RETURN_QUIET();
    }

    STDMETHODIMP Clear() override {
        Log().Add(CallLine(L"Clear"));
        RETURN_IF_FAILED(Check(L"Clear"));
        rows_.clear();
        return S_OK;
    }

    void Reset() noexcept { rows_.clear(); }

    // The rows of a removed range leave the selection; the rows after it move up with their rows.
    void RemoveRows(long first, long count) {
        std::vector<long> kept;
        for (long row : rows_) {
            if (row < first) kept.push_back(row);
            else if (row >= first + count) kept.push_back(row - count);
        }
        rows_.swap(kept);
    }

private:
    std::shared_ptr<DatasetData> data_;
    CallLog log_;
    Faults faults_;
    std::vector<long> rows_;
};

// ---------------------------------------------------------------------------------------------
// A field reads the cursor's row of its column.

class HostField : public platform::ComObject<HostField, platform::DualImpl<IHostField>,
                                             platform::Also<IDispatch, platform::DualImpl<IHostField>>> {
public:
    HostField(std::shared_ptr<DatasetData> data, size_t index) : data_(std::move(data)), index_(index) {}

    STDMETHODIMP get_FieldName(BSTR* result) override {
        RETURN_IF_FAILED(data_->Check(L"get_FieldName"));
        COM_TRY { return CopyOut(data_->fields[index_].name, result); }
        COM_CATCH_RETURN();
    }

    STDMETHODIMP get_FieldType(long* typeCode) override {
        if (!typeCode) return E_POINTER;
        RETURN_IF_FAILED(data_->Check(L"get_FieldType"));
        *typeCode = data_->fields[index_].type;
        return S_OK;
    }

    STDMETHODIMP get_CurrentValue(VARIANT* current) override {
        if (!current) return E_POINTER;
        ::VariantInit(current);
        RETURN_IF_FAILED(data_->Check(L"CurrentValue"));
        // The read of every row: a real host's reads cost no error-information bookkeeping, and
        // the benchmarks' baseline is made of this call.
        try {
            data_->ReadCurrent(index_, current);
            return S_OK;
        }
        CATCH_RETURN_QUIET();
    }

    STDMETHODIMP get_Properties(IHostPropertyCollection** propertySet) override {
        if (!propertySet) return E_POINTER;
        *propertySet = nullptr;
        COM_TRY {
            if (!properties_) properties_ = platform::MakeObject<HostPropertyCollection>();
            return properties_->QueryInterface(IID_IHostPropertyCollection, reinterpret_cast<void**>(propertySet));
        }
        COM_CATCH_RETURN();
    }

private:
    std::shared_ptr<DatasetData> data_;
    size_t index_;
    ComPtr<HostPropertyCollection> properties_;
};

// ---------------------------------------------------------------------------------------------
// Expressions: parts joined by "&", each a "quoted" text, a [field] or a bare field name.

struct ExpressionPart {
    bool literal = false;
    std::wstring text;  // the literal, or the field name
};

std::wstring NumberText(double v) { return platform::ToWide(platform::FormatGeneral(v, 15)); }

std::wstring Trimmed(const std::wstring& s) {
    size_t b = s.find_first_not_of(L" \t");
    if (b == std::wstring::npos) return std::wstring();
    size_t e = s.find_last_not_of(L" \t");
    return s.substr(b, e - b + 1);
}

bool ParseExpression(const std::wstring& expression, std::vector<ExpressionPart>* parts) {
    size_t i = 0;
    while (i <= expression.size()) {
        size_t end = i;
        bool inQuote = false, inBracket = false;
        while (end < expression.size() && (inQuote || inBracket || expression[end] != L'&')) {
            if (expression[end] == L'"' && !inBracket) inQuote = !inQuote;
            if (!inQuote) {
                if (expression[end] == L'[') inBracket = true;
                if (expression[end] == L']') inBracket = false;
            }
            ++end;
        }
        if (inQuote || inBracket) return false;
        std::wstring piece = Trimmed(expression.substr(i, end - i));
        if (piece.empty()) return false;
        ExpressionPart part;
        if (piece.front() == L'"') {
            if (piece.size() < 2 || piece.back() != L'"') return false;
            part.literal = true;
            part.text = piece.substr(1, piece.size() - 2);
        } else if (piece.front() == L'[') {
            if (piece.back() != L']') return false;
            part.text = piece.substr(1, piece.size() - 2);
        } else {
            part.text = piece;
        }
        parts->push_back(std::move(part));
        i = end + 1;
    }
    return !parts->empty();
}

// ---------------------------------------------------------------------------------------------
// The dataset: one object answers the dataset, rows and fields interfaces. The empty dataset
// answers IDispatch with its set-up interface; the sample with its generator interface.

template <bool Sample>
class HostDatasetObject
    : public platform::ComObject<HostDatasetObject<Sample>, platform::DualImpl<IHostDataset>, platform::DualImpl<IHostRows>,
                                 platform::DualImpl<IHostFields>, platform::DualImpl<IHostDatasetSetup>,
                                 platform::DualImpl<IHostSampleDataset>, CallLogDual> {
    using Base = platform::ComObject<HostDatasetObject<Sample>, platform::DualImpl<IHostDataset>, platform::DualImpl<IHostRows>,
                                     platform::DualImpl<IHostFields>, platform::DualImpl<IHostDatasetSetup>,
                                     platform::DualImpl<IHostSampleDataset>, CallLogDual>;

public:
    static constexpr long kDefaultSampleRows = 5000;

    HostDatasetObject() : data_(std::make_shared<DatasetData>()), faults_(L"dataset") { this->BindLog(log_); }

    HRESULT FinalConstruct() {
        RETURN_IF_FAILED(Check(L"create"));
        COM_TRY {
            selection_ = platform::MakeObject<HostSelectedRows>(data_);
            namedEntries_ = platform::MakeObject<HostPropertyCollection>();
            properties_ = platform::MakeObject<HostPropertyCollection>();
            guid_ = NewGuidText();
            if (Sample) {
                name_ = L"Sample drive test";
                Rebuild(kDefaultSampleRows);
            } else {
                name_ = L"Dataset";
            }
            return S_OK;
        }
        COM_CATCH_RETURN();
    }

    HRESULT QueryInterfaceImpl(REFIID iid, void** out) {
        if (IsEqualIID(iid, IID_IDispatch)) {
            IDispatch* d = Sample ? static_cast<IDispatch*>(static_cast<platform::DualImpl<IHostSampleDataset>*>(this))
                                  : static_cast<IDispatch*>(static_cast<platform::DualImpl<IHostDatasetSetup>*>(this));
            d->AddRef();
            *out = d;
            return S_OK;
        }
        if (!Sample && IsEqualIID(iid, IID_IHostSampleDataset)) return E_NOINTERFACE;
        return this->InternalQueryInterface(iid, out);
    }

    // IHostDataset ------------------------------------------------------------------------

    STDMETHODIMP get_DatasetName(BSTR* result) override {
        this->Log().Add(CallLine(L"get_DatasetName"));
        RETURN_IF_FAILED(Check(L"get_DatasetName"));
        COM_TRY { return CopyOut(name_, result); }
        COM_CATCH_RETURN();
    }

    STDMETHODIMP get_Fields(IHostFields** fieldList) override {
        this->Log().Add(CallLine(L"get_Fields"));
        if (!fieldList) return E_POINTER;
        *fieldList = nullptr;
        RETURN_IF_FAILED(Check(L"get_Fields"));
        *fieldList = static_cast<platform::DualImpl<IHostFields>*>(this);
        (*fieldList)->AddRef();
        return S_OK;
    }

    STDMETHODIMP get_SelectedRows(IHostStringList** selection) override {
        this->Log().Add(CallLine(L"get_SelectedRows"));
        if (!selection) return E_POINTER;
        *selection = nullptr;
        RETURN_IF_FAILED(Check(L"get_SelectedRows"));
        return selection_->QueryInterface(IID_IHostStringList, reinterpret_cast<void**>(selection));
    }

    STDMETHODIMP get_NamedEntries(IHostPropertyCollection** entries) override {
        this->Log().Add(CallLine(L"get_NamedEntries"));
        if (!entries) return E_POINTER;
        *entries = nullptr;
        RETURN_IF_FAILED(Check(L"get_NamedEntries"));
        return namedEntries_->QueryInterface(IID_IHostPropertyCollection, reinterpret_cast<void**>(entries));
    }

    STDMETHODIMP get_Properties(IHostPropertyCollection** propertySet) override {
        this->Log().Add(CallLine(L"get_Properties"));
        if (!propertySet) return E_POINTER;
        *propertySet = nullptr;
        RETURN_IF_FAILED(Check(L"get_Properties"));
        return properties_->QueryInterface(IID_IHostPropertyCollection, reinterpret_cast<void**>(propertySet));
    }

    STDMETHODIMP get_DatasetGuid(BSTR* result) override {
        this->Log().Add(CallLine(L"get_DatasetGuid"));
        RETURN_IF_FAILED(Check(L"get_DatasetGuid"));
        COM_TRY { return CopyOut(guid_, result); }
        COM_CATCH_RETURN();
    }

    STDMETHODIMP Reserved13() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved14() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved15() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved16() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved17() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved18() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved19() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved20() override { return E_NOTIMPL; }

    STDMETHODIMP Evaluate(BSTR expression, VARIANT* result) override {
        this->Log().Add(CallLine(L"Evaluate", expression));
        if (!result) return E_POINTER;
        ::VariantInit(result);
        RETURN_IF_FAILED(Check(L"Evaluate"));
        COM_TRY {
            std::vector<ExpressionPart> parts;
            if (!expression || !ParseExpression(expression, &parts))
                return Fail(E_INVALIDARG, L"Cannot read the expression", L"Dataset");
            std::vector<Variant> values(parts.size());
            for (size_t i = 0; i < parts.size(); ++i) {
                if (parts[i].literal) {
                    values[i] = Variant(parts[i].text);
                    continue;
                }
                long field = data_->IndexOf(parts[i].text.c_str());
                if (field < 0) return Fail(DISP_E_UNKNOWNNAME, L"No field " + parts[i].text, L"Dataset");
                data_->ReadCurrent(static_cast<size_t>(field), &values[i]);
            }
            if (values.size() == 1) return ::VariantCopy(result, &values[0]);
            std::wstring text;
            for (Variant& v : values) {
                if (v.vt == VT_EMPTY || v.vt == VT_NULL) continue;
                text += v.vt == VT_R8 ? NumberText(v.dblVal) : v.ToWide();
            }
            *result = Variant(text).Detach();
            return S_OK;
        }
        COM_CATCH_RETURN();
    }

    // IHostRows -----------------------------------------------------------------------------

    STDMETHODIMP Reserved7() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved8() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved9() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved10() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved11() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved12() override { return E_NOTIMPL; }

    // Also the set-up and sample interfaces' RowCount.
    STDMETHODIMP get_RowCount(long* rows) override {
        if (!rows) return E_POINTER;
        RETURN_IF_FAILED(data_->Check(L"get_RowCount"));
        *rows = static_cast<long>(data_->rowCount);
        return S_OK;
    }

    STDMETHODIMP get_CurrentRow(long* row) override {
        if (!row) return E_POINTER;
        RETURN_IF_FAILED(data_->Check(L"get_CurrentRow"));
        *row = data_->current;
        return S_OK;
    }

    STDMETHODIMP MoveFirst() override {
        RETURN_IF_FAILED(data_->Check(L"MoveFirst"));
        ++data_->rowMoves;
        data_->current = 0;
        return S_OK;
    }

    STDMETHODIMP MoveNext(VARIANT_BOOL* onRow) override {
        if (!onRow) return E_POINTER;
        RETURN_IF_FAILED(data_->Check(L"MoveNext"));
        ++data_->rowMoves;
        if (data_->current < static_cast<long>(data_->rowCount)) ++data_->current;
        *onRow = data_->current >= 0 && static_cast<size_t>(data_->current) < data_->rowCount ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    }

    STDMETHODIMP MoveTo(long row) override {
        RETURN_IF_FAILED(data_->Check(L"MoveTo"));
        ++data_->rowMoves;
        if (row < 0 || static_cast<size_t>(row) >= data_->rowCount) return DISP_E_BADINDEX;
        data_->current = row;
        return S_OK;
    }

    // IHostFields ---------------------------------------------------------------------------

    STDMETHODIMP get_Count(long* total) override {
        this->Log().Add(CallLine(L"get_Count"));
        if (!total) return E_POINTER;
        RETURN_IF_FAILED(Check(L"get_Count"));
        *total = static_cast<long>(fields_.size());
        return S_OK;
    }

    STDMETHODIMP Item(VARIANT index, IHostField** field) override {
        this->Log().Add(CallLine(L"Item", index));
        if (!field) return E_POINTER;
        *field = nullptr;
        RETURN_IF_FAILED(Check(L"Item"));
        long at = -1;
        if (index.vt == VT_BSTR) {
            at = data_->IndexOf(index.bstrVal);
        } else if (!ToPosition(index, &at)) {
            return DISP_E_TYPEMISMATCH;
        }
        if (at < 0 || static_cast<size_t>(at) >= fields_.size())
            return Fail(DISP_E_BADINDEX, L"No field " + ArgText(index), L"Dataset");
        return fields_[at]->QueryInterface(IID_IHostField, reinterpret_cast<void**>(field));
    }

    STDMETHODIMP IndexOf(BSTR key, long* position) override {
        this->Log().Add(CallLine(L"IndexOf", key));
        if (!position) return E_POINTER;
        *position = -1;
        RETURN_IF_FAILED(Check(L"IndexOf"));
        *position = data_->IndexOf(key);
        return S_OK;
    }

    // IHostDatasetSetup ---------------------------------------------------------------------

    STDMETHODIMP AddField(BSTR key, long typeCode, long* position) override {
        if (!position) return E_POINTER;
        *position = -1;
        if (!key || !*key) return E_INVALIDARG;
        if (data_->IndexOf(key) >= 0) return Fail(E_INVALIDARG, std::wstring(L"The field exists: ") + key, L"Dataset");
        COM_TRY {
            *position = data_->AddField(key, typeCode, std::make_unique<VariantColumn>());
            fields_.push_back(platform::MakeObject<HostField>(data_, static_cast<size_t>(*position)));
            return S_OK;
        }
        COM_CATCH_RETURN();
    }

    STDMETHODIMP AddRow(long* row) override {
        if (!row) return E_POINTER;
        COM_TRY {
            ++data_->rowCount;
            for (FieldInfo& f : data_->fields) f.column->Resize(data_->rowCount);
            *row = static_cast<long>(data_->rowCount - 1);
            return S_OK;
        }
        COM_CATCH_RETURN();
    }

    STDMETHODIMP SetValue(long row, VARIANT column, VARIANT content) override {
        COM_TRY {
            size_t field = 0;
            RETURN_IF_FAILED(Locate(row, column, &field));
            data_->SetValue(static_cast<size_t>(row), field, content);
            return S_OK;
        }
        COM_CATCH_RETURN();
    }

    STDMETHODIMP GetValue(long row, VARIANT column, VARIANT* result) override {
        if (!result) return E_POINTER;
        ::VariantInit(result);
        COM_TRY {
            size_t field = 0;
            RETURN_IF_FAILED(Locate(row, column, &field));
            data_->fields[field].column->Read(static_cast<size_t>(row), result);
            return S_OK;
        }
        COM_CATCH_RETURN();
    }

    STDMETHODIMP put_DatasetName(BSTR text) override {
        COM_TRY {
            name_ = text ? text : L"";
            return S_OK;
        }
        COM_CATCH_RETURN();
    }

    STDMETHODIMP put_DatasetGuid(BSTR text) override {
        COM_TRY {
            guid_ = text ? text : L"";
            return S_OK;
        }
        COM_CATCH_RETURN();
    }

    STDMETHODIMP get_ValueReads(long* reads) override {
        if (!reads) return E_POINTER;
        *reads = data_->valueReads;
        return S_OK;
    }

    STDMETHODIMP get_RowMoves(long* moves) override {
        if (!moves) return E_POINTER;
        *moves = data_->rowMoves;
        return S_OK;
    }

    STDMETHODIMP ResetCounters() override {
        data_->valueReads = 0;
        data_->rowMoves = 0;
        return S_OK;
    }

    STDMETHODIMP RemoveRows(long first, long count) override {
        this->Log().Add(CallLine(L"RemoveRows", first, count));
        if (first < 0 || count < 0) return E_INVALIDARG;
        data_->RemoveRows(static_cast<size_t>(first), static_cast<size_t>(count));
        selection_->RemoveRows(first, count);
        return S_OK;
    }

    STDMETHODIMP RenameField(BSTR name, BSTR newName) override {
        this->Log().Add(CallLine(L"RenameField", name, newName));
        const long at = data_->IndexOf(name);
        if (at < 0) return Fail(DISP_E_BADINDEX, L"No field " + ArgText(name), L"Dataset");
        if (!newName || !*newName || data_->IndexOf(newName) >= 0) return E_INVALIDARG;
        COM_TRY {
            data_->fields[static_cast<size_t>(at)].name = newName;
            return S_OK;
        }
        COM_CATCH_RETURN();
    }

    STDMETHODIMP FailCalls(BSTR what, long hr) override {
        this->Log().Add(CallLine(L"FailCalls", what, hr));
        if (!what || !*what) return E_INVALIDARG;
        COM_TRY {
            auto& failing = data_->failing;
            for (auto it = failing.begin(); it != failing.end();)
                it = ::_wcsicmp(it->first.c_str(), what) == 0 ? failing.erase(it) : it + 1;
            if (hr != S_OK) failing.emplace_back(what, static_cast<HRESULT>(hr));
            return S_OK;
        }
        COM_CATCH_RETURN();
    }

    // IHostSampleDataset --------------------------------------------------------------------

    STDMETHODIMP put_RowCount(long rows) override {
        if (!Sample) return E_NOTIMPL;
        if (rows < 0) return E_INVALIDARG;
        COM_TRY {
            Rebuild(rows);
            return S_OK;
        }
        COM_CATCH_RETURN();
    }

    STDMETHODIMP GetRouteBounds(double* minLongitude, double* minLatitude, double* maxLongitude,
                                double* maxLatitude) override {
        if (!minLongitude || !minLatitude || !maxLongitude || !maxLatitude) return E_POINTER;
        SampleRouteBounds(minLongitude, minLatitude, maxLongitude, maxLatitude);
        return S_OK;
    }

private:
    // A failure switched on while the dataset is shown, then one switched on at creation.
    HRESULT Check(const wchar_t* what) const {
        RETURN_IF_FAILED(data_->Failing(what));
        return faults_.Check(what);
    }

    static std::wstring NewGuidText() {
        GUID g;
        THROW_IF_FAILED(::CoCreateGuid(&g));
        return platform::GuidToString(g);
    }

    HRESULT Locate(long row, const VARIANT& column, size_t* field) const {
        if (row < 0 || static_cast<size_t>(row) >= data_->rowCount) return DISP_E_BADINDEX;
        long at = -1;
        if (column.vt == VT_BSTR) {
            at = data_->IndexOf(column.bstrVal);
        } else if (!ToPosition(column, &at)) {
            return DISP_E_TYPEMISMATCH;
        }
        if (at < 0 || static_cast<size_t>(at) >= data_->fields.size()) return DISP_E_BADINDEX;
        *field = static_cast<size_t>(at);
        return S_OK;
    }

    // The sample's fields keep their positions, so field objects the control holds stay valid.
    void Rebuild(long rows) {
        data_->fields.clear();
        data_->rowCount = 0;
        data_->current = -1;
        BuildSampleRoute(*data_, static_cast<size_t>(rows));
        selection_->Reset();
        while (fields_.size() < data_->fields.size())
            fields_.push_back(platform::MakeObject<HostField>(data_, fields_.size()));
    }

    std::shared_ptr<DatasetData> data_;
    CallLog log_;
    Faults faults_;
    std::vector<ComPtr<HostField>> fields_;
    ComPtr<HostSelectedRows> selection_;
    ComPtr<HostPropertyCollection> namedEntries_;
    ComPtr<HostPropertyCollection> properties_;
    std::wstring name_;
    std::wstring guid_;
};

}  // namespace

HRESULT CreateDatasetClass(REFIID iid, void** out) {
    return platform::CreateDefaultClassObject<HostDatasetObject<false>>(iid, out);
}

HRESULT CreateSampleDatasetClass(REFIID iid, void** out) {
    return platform::CreateDefaultClassObject<HostDatasetObject<true>>(iid, out);
}

}  // namespace hoststandin
