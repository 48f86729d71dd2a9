#include "tests/standins/dataset/DatasetTestSupport.h"

namespace datasettest {

using platform::ComPtr;
using platform::Variant;

VARIANT Missing() {
    VARIANT v;
    ::VariantInit(&v);
    v.vt = VT_ERROR;
    v.scode = DISP_E_PARAMNOTFOUND;
    return v;
}

ComPtr<IHostDataset> MakeDataset(std::initializer_list<Row> rows) {
    auto setup = hosttest::Create<IHostDatasetSetup>(CLSID_HostDataset);
    long index = 0;
    EXPECT_EQ(setup->AddField(platform::Bstr(L"Latitude").Get(), 13, &index), S_OK);
    EXPECT_EQ(setup->AddField(platform::Bstr(L"Longitude").Get(), 12, &index), S_OK);
    EXPECT_EQ(setup->AddField(platform::Bstr(L"RxLev").Get(), 5, &index), S_OK);
    for (const Row& r : rows) {
        long row = 0;
        EXPECT_EQ(setup->AddRow(&row), S_OK);
        EXPECT_EQ(setup->SetValue(row, Variant(0L), Variant(r.latitude)), S_OK);
        EXPECT_EQ(setup->SetValue(row, Variant(1L), Variant(r.longitude)), S_OK);
        EXPECT_EQ(setup->SetValue(row, Variant(2L), Variant(r.level)), S_OK);
    }
    return hosttest::Query<IHostDataset>(setup);
}

ComPtr<IHostField> FieldOf(IHostDataset* dataset, const wchar_t* name) {
    ComPtr<IHostFields> fields;
    ComPtr<IHostField> field;
    EXPECT_EQ(dataset->get_Fields(fields.Put()), S_OK);
    EXPECT_EQ(fields->Item(Variant(name), field.Put()), S_OK);
    return field;
}

Variant ValueOf(IHostField* field) {
    Variant v;
    EXPECT_EQ(field->get_CurrentValue(v.Put()), S_OK);
    return v;
}

}  // namespace datasettest
