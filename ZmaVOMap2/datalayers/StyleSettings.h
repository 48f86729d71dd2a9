// The style settings document and small helpers shared by the data layers, the line layers and
// the layer collection.
//
// The style settings document keeps, for one field of a host dataset, one integer per series: the
// field's style setting (the data layer's attribute code) for that series. It lives as XML text in
// the field's own property set under "dsFieldStyleSetting": a root ("RootElement" when we create
// it) with one "StyleSetting" element per series, attributes "guid" (exact text) and
// "stylesetting" (an integer).
#pragma once

#include "ZmaVOMap2/datalayers/HostDataset.h"
#include "platform/Com.h"

#include <string>

// The key of the document in a field's property set.
extern const wchar_t kStyleSettingKey[];

// The style setting of `fieldName` for `seriesGuid` (for `fallbackGuid` when the series has none
// and a fallback is given); -1 when there is none or anything fails. Never raises.
long LoadStyleSettings(IHostDataset* dataset, const std::wstring& fieldName, const std::wstring& seriesGuid,
                       const std::wstring& fallbackGuid = std::wstring());

// Stores the style setting of `fieldName` for `seriesGuid`. S_OK; E_POINTER without a dataset;
// DISP_E_BADINDEX for a field the dataset lacks; the HRESULT of a failed call; E_FAIL for any
// other failure, and for a stored text that is not a document (which is then kept as it was).
// Never raises.
HRESULT SaveStyleSettings(IHostDataset* dataset, const std::wstring& fieldName, const std::wstring& seriesGuid,
                          long styleSetting);

// The host object attached to a field (its style, value formatter and value table): the first
// object item of the field's property set, when that object answers the style interface. Empty
// when the first object does not, when there is no object, or on any failure. Never raises.
void FindInHostCollection(IHostField* field, platform::ComPtr<IHostFieldStyle>& element);
platform::ComPtr<IHostFieldStyle> FindInHostCollection(IHostField* field);

