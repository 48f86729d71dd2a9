#include "ZmaVOMap2/datalayers/HostDataset.h"

#include "platform/Result.h"

using platform::Bstr;
using platform::ComPtr;
using platform::Variant;

namespace hostdata {

ComPtr<IHostDataset> DatasetOf(IDispatch* dataset) {
    ComPtr<IHostDataset> typed;
    if (!dataset || FAILED(dataset->QueryInterface(IID_IHostDataset, typed.PutVoid())) || !typed)
        throw platform::ComError(E_NOINTERFACE, L"The dataset is not one of the host's datasets", L"VadAZ");
    return typed;
}

ComPtr<IHostRows> Rows(IHostDataset* dataset) {
    platform::ThrowIfNull(dataset);
    ComPtr<IHostRows> rows;
    THROW_IF_FAILED(dataset->QueryInterface(__uuidof(IHostRows), rows.PutVoid()));
    return rows;
}

ComPtr<IHostFields> Fields(IHostDataset* dataset) {
    platform::ThrowIfNull(dataset);
    ComPtr<IHostFields> fields;
    THROW_IF_FAILED(dataset->get_Fields(fields.Put()));
    platform::ThrowIfNull(fields.Get());
    return fields;
}

ComPtr<IHostStringList> Selection(IHostDataset* dataset) {
    platform::ThrowIfNull(dataset);
    ComPtr<IHostStringList> selection;
    THROW_IF_FAILED(dataset->get_SelectedRows(selection.Put()));
    platform::ThrowIfNull(selection.Get());
    return selection;
}

long RowCount(IHostRows* rows) {
    long count = 0;
    THROW_IF_FAILED(platform::ThrowIfNull(rows)->get_RowCount(&count));
    return count;
}

void MoveFirst(IHostRows* rows) { THROW_IF_FAILED(platform::ThrowIfNull(rows)->MoveFirst()); }


long IndexOf(IHostFields* fields, const std::wstring& name) {
    Bstr key(name);
    long position = -1;
    THROW_IF_FAILED(platform::ThrowIfNull(fields)->IndexOf(key.Get(), &position));
    return position;
}

ComPtr<IHostField> FieldByName(IHostFields* fields, const std::wstring& name) {
    if (IndexOf(fields, name) < 0) return nullptr;
    Variant key(name);
    ComPtr<IHostField> field;
    THROW_IF_FAILED(fields->Item(key, field.Put()));
    return field;
}

long FieldCount(IHostFields* fields) {
    long count = 0;
    THROW_IF_FAILED(platform::ThrowIfNull(fields)->get_Count(&count));
    return count;
}

ComPtr<IHostField> FieldAt(IHostFields* fields, long index) {
    Variant position(index);
    ComPtr<IHostField> field;
    THROW_IF_FAILED(platform::ThrowIfNull(fields)->Item(position, field.Put()));
    return field;
}

std::wstring FieldName(IHostField* field) {
    Bstr name;
    THROW_IF_FAILED(platform::ThrowIfNull(field)->get_FieldName(name.Put()));
    return name.Wide();
}

long FieldType(IHostField* field) {
    long type = 0;
    THROW_IF_FAILED(platform::ThrowIfNull(field)->get_FieldType(&type));
    return type;
}

ComPtr<IHostPropertyCollection> FieldProperties(IHostField* field) {
    ComPtr<IHostPropertyCollection> set;
    THROW_IF_FAILED(platform::ThrowIfNull(field)->get_Properties(set.Put()));
    platform::ThrowIfNull(set.Get());
    return set;
}

bool HasKey(IHostPropertyCollection* set, const std::wstring& key) {
    Bstr text(key);
    VARIANT_BOOL found = VARIANT_FALSE;
    THROW_IF_FAILED(platform::ThrowIfNull(set)->HasKey(text.Get(), &found));
    return found != VARIANT_FALSE;
}

long SelectionCount(IHostStringList* selection) {
    long count = 0;
    THROW_IF_FAILED(platform::ThrowIfNull(selection)->get_Count(&count));
    return count;
}

long SelectionItem(IHostStringList* selection, long position) {
    Variant index(position);
    Variant item;
    THROW_IF_FAILED(platform::ThrowIfNull(selection)->Item(index, item.Put()));
    if (item.vt != VT_I4) THROW_IF_FAILED(::VariantChangeType(&item, &item, 0, VT_I4));
    return item.lVal;
}

}  // namespace hostdata
