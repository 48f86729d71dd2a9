// The host's dataset, renderer and style objects as the data layers use them: typed calls that
// raise a failed HRESULT as ComError, so that callers read like the operations they perform.
#pragma once

#include "platform/Com.h"
#include "platform/Result.h"

#include "HostInterfaces.h"

#include <string>

namespace hostdata {

// The host's dataset behind an automation object; E_NOINTERFACE, with its description, for any
// other object.
platform::ComPtr<IHostDataset> DatasetOf(IDispatch* dataset);
// The dataset's row cursor, fields and selected rows.
platform::ComPtr<IHostRows> Rows(IHostDataset* dataset);
platform::ComPtr<IHostFields> Fields(IHostDataset* dataset);
platform::ComPtr<IHostStringList> Selection(IHostDataset* dataset);

long RowCount(IHostRows* rows);
void MoveFirst(IHostRows* rows);
// False at the end. Inline, as ReadValue: walks move over every row.
inline bool MoveNext(IHostRows* rows) {
    VARIANT_BOOL onRow = VARIANT_FALSE;
    const HRESULT hr = platform::ThrowIfNull(rows)->MoveNext(&onRow);
    if (FAILED(hr)) platform::ThrowCall(hr);
    return onRow != VARIANT_FALSE;
}
inline void MoveTo(IHostRows* rows, long row) {
    const HRESULT hr = platform::ThrowIfNull(rows)->MoveTo(row);
    if (FAILED(hr)) platform::ThrowCall(hr);
}

// The index of a field name, negative when the dataset has none.
long IndexOf(IHostFields* fields, const std::wstring& name);
// The field of that name; null when the dataset has none.
platform::ComPtr<IHostField> FieldByName(IHostFields* fields, const std::wstring& name);
long FieldCount(IHostFields* fields);
platform::ComPtr<IHostField> FieldAt(IHostFields* fields, long index);
std::wstring FieldName(IHostField* field);
long FieldType(IHostField* field);
// The field's value of the current row into `value` (cleared first). Inline: a frame reads two
// values of every row.
inline void ReadValue(IHostField* field, VARIANT& value) {
    platform::ClearVariant(value);
    if (!field) platform::ThrowHr(E_POINTER);
    const HRESULT hr = field->get_CurrentValue(&value);
    if (FAILED(hr)) platform::ThrowCall(hr);
}

// The field's property set (named values and attached objects).
platform::ComPtr<IHostPropertyCollection> FieldProperties(IHostField* field);
bool HasKey(IHostPropertyCollection* set, const std::wstring& key);

long SelectionCount(IHostStringList* selection);
// The row number at a position of the selection.
long SelectionItem(IHostStringList* selection, long position);

}  // namespace hostdata
