// The dataset stand-in as the control reads it: the row cursor, the fields and their values,
// the property sets, the named entries, the selected rows and expressions.
#include "tests/standins/dataset/DatasetTestSupport.h"

namespace {

using datasettest::FieldOf;
using datasettest::MakeDataset;
using datasettest::Missing;
using datasettest::ValueOf;
using platform::Bstr;
using platform::ComPtr;
using platform::Variant;

TEST(DatasetRows, CursorWalksTheRowsInOrderAndStopsAtTheEnd) {
    auto dataset = MakeDataset({{50.1, 10.1, -60}, {50.2, 10.2, -70}, {50.3, 10.3, -80}});
    auto rows = hosttest::Query<IHostRows>(dataset);
    auto level = FieldOf(dataset.Get(), L"RxLev");

    long count = 0, current = 0;
    EXPECT_EQ(rows->get_RowCount(&count), S_OK);
    EXPECT_EQ(count, 3);
    EXPECT_EQ(rows->get_CurrentRow(&current), S_OK);
    EXPECT_EQ(current, -1);
    EXPECT_EQ(ValueOf(level.Get()).vt, VT_EMPTY);  // on no row yet

    std::vector<double> seen;
    VARIANT_BOOL onRow = VARIANT_TRUE;
    ASSERT_EQ(rows->MoveFirst(), S_OK);
    while (onRow) {
        Variant v = ValueOf(level.Get());
        ASSERT_EQ(v.vt, VT_R8);
        seen.push_back(v.dblVal);
        ASSERT_EQ(rows->MoveNext(&onRow), S_OK);
    }
    EXPECT_EQ(seen, (std::vector<double>{-60, -70, -80}));
    EXPECT_EQ(ValueOf(level.Get()).vt, VT_EMPTY);
    EXPECT_EQ(rows->MoveNext(&onRow), S_OK);  // stays past the end
    EXPECT_EQ(onRow, VARIANT_FALSE);

    EXPECT_EQ(rows->MoveTo(1), S_OK);
    EXPECT_EQ(ValueOf(level.Get()).dblVal, -70);
    EXPECT_EQ(rows->MoveTo(3), DISP_E_BADINDEX);
    EXPECT_EQ(rows->MoveTo(-1), DISP_E_BADINDEX);
    EXPECT_EQ(rows->get_CurrentRow(&current), S_OK);
    EXPECT_EQ(current, 1);
}

TEST(DatasetRows, ReadsAndMovesAreCountedNotLogged) {
    auto dataset = MakeDataset({{50.1, 10.1, -60}, {50.2, 10.2, -70}});
    auto setup = hosttest::Query<IHostDatasetSetup>(dataset);
    auto rows = hosttest::Query<IHostRows>(dataset);
    auto latitude = FieldOf(dataset.Get(), L"Latitude");
    hosttest::ClearCalls(dataset.Get());
    EXPECT_EQ(setup->ResetCounters(), S_OK);

    VARIANT_BOOL onRow = VARIANT_FALSE;
    rows->MoveFirst();
    ValueOf(latitude.Get());
    rows->MoveNext(&onRow);
    ValueOf(latitude.Get());
    rows->MoveTo(0);

    long reads = 0, moves = 0;
    EXPECT_EQ(setup->get_ValueReads(&reads), S_OK);
    EXPECT_EQ(setup->get_RowMoves(&moves), S_OK);
    EXPECT_EQ(reads, 2);
    EXPECT_EQ(moves, 3);
    EXPECT_TRUE(hosttest::Calls(dataset.Get()).empty());
}

TEST(DatasetFields, FoundByNumberAndByNameAndRefusedWhenAbsent) {
    auto dataset = MakeDataset({{50.1, 10.1, -60}});
    ComPtr<IHostFields> fields;
    ASSERT_EQ(dataset->get_Fields(fields.Put()), S_OK);

    long count = 0, index = 0;
    EXPECT_EQ(fields->get_Count(&count), S_OK);
    EXPECT_EQ(count, 3);
    EXPECT_EQ(fields->IndexOf(Bstr(L"Longitude").Get(), &index), S_OK);
    EXPECT_EQ(index, 1);
    EXPECT_EQ(fields->IndexOf(Bstr(L"longitude").Get(), &index), S_OK);  // names compare exactly
    EXPECT_EQ(index, -1);

    ComPtr<IHostField> byNumber, byName, absent;
    ASSERT_EQ(fields->Item(Variant(1L), byNumber.Put()), S_OK);
    ASSERT_EQ(fields->Item(Variant(L"Longitude"), byName.Put()), S_OK);
    EXPECT_EQ(byNumber.Get(), byName.Get());
    Bstr name;
    long type = 0;
    EXPECT_EQ(byName->get_FieldName(name.Put()), S_OK);
    EXPECT_EQ(name.Wide(), L"Longitude");
    EXPECT_EQ(byName->get_FieldType(&type), S_OK);
    EXPECT_EQ(type, 12);
    EXPECT_EQ(fields->Item(Variant(L"Altitude"), absent.Put()), DISP_E_BADINDEX);
    EXPECT_EQ(fields->Item(Variant(3L), absent.Put()), DISP_E_BADINDEX);

    // The dataset object answers the fields interface itself, so its method 9 works too.
    auto direct = hosttest::Query<IHostFields>(dataset);
    EXPECT_EQ(direct->IndexOf(Bstr(L"RxLev").Get(), &index), S_OK);
    EXPECT_EQ(index, 2);
    EXPECT_EQ(hosttest::Calls(dataset.Get()),
              (std::vector<std::wstring>{L"get_Fields()", L"get_Count()", L"IndexOf(Longitude)", L"IndexOf(longitude)",
                                         L"Item(1)", L"Item(Longitude)", L"Item(Altitude)", L"Item(3)",
                                         L"IndexOf(RxLev)"}));
}

TEST(DatasetFields, AValueOfAnotherTypeWidensTheColumn) {
    auto sample = hosttest::Create<IHostDatasetSetup>(CLSID_SampleDataset);
    Variant null;
    null.vt = VT_NULL;
    ASSERT_EQ(sample->SetValue(3, Variant(L"Latitude"), null), S_OK);
    ASSERT_EQ(sample->SetValue(4, Variant(L"Quality"), Variant(L"good")), S_OK);
    Variant v;
    EXPECT_EQ(sample->GetValue(3, Variant(L"Latitude"), v.Put()), S_OK);
    EXPECT_EQ(v.vt, VT_NULL);
    EXPECT_EQ(sample->GetValue(2, Variant(L"Latitude"), v.Put()), S_OK);
    EXPECT_EQ(v.vt, VT_R8);
    EXPECT_EQ(sample->GetValue(4, Variant(L"Quality"), v.Put()), S_OK);
    EXPECT_EQ(v.ToWide(), L"good");
    EXPECT_EQ(sample->GetValue(5, Variant(L"Quality"), v.Put()), S_OK);
    EXPECT_EQ(v.vt, VT_I4);
    EXPECT_EQ(sample->GetValue(5, Variant(L"NoSuchField"), v.Put()), DISP_E_BADINDEX);
}

TEST(DatasetPropertySets, KeepNamedValuesAndAttachedObjects) {
    auto dataset = MakeDataset({{50.1, 10.1, -60}});
    auto field = FieldOf(dataset.Get(), L"RxLev");
    ComPtr<IHostPropertyCollection> properties, again;
    ASSERT_EQ(field->get_Properties(properties.Put()), S_OK);
    ASSERT_EQ(field->get_Properties(again.Put()), S_OK);
    EXPECT_EQ(properties.Get(), again.Get());  // one set per field

    auto style = hosttest::Create<IHostFieldStyle>(CLSID_HostFieldStyle);
    EXPECT_EQ(properties->Add(Variant(L"Serving - Level"), Variant(L"LongName"), Missing()), S_OK);
    EXPECT_EQ(properties->Add(Variant(static_cast<IUnknown*>(style.Get())), Missing(), Missing()), S_OK);
    EXPECT_EQ(properties->Add(Variant(L"<RootElement/>"), Variant(L"dsFieldStyleSetting"), Variant(0L)), S_OK);

    long count = 0;
    VARIANT_BOOL found = VARIANT_FALSE;
    EXPECT_EQ(properties->get_Count(&count), S_OK);
    EXPECT_EQ(count, 3);
    EXPECT_EQ(properties->HasKey(Bstr(L"LongName").Get(), &found), S_OK);
    EXPECT_EQ(found, VARIANT_TRUE);
    Variant item;
    EXPECT_EQ(properties->Item(Variant(L"LongName"), item.Put()), S_OK);
    EXPECT_EQ(item.ToWide(), L"Serving - Level");
    EXPECT_EQ(properties->Item(Variant(0L), item.Put()), S_OK);  // inserted before the first
    EXPECT_EQ(item.ToWide(), L"<RootElement/>");
    EXPECT_EQ(properties->Item(Variant(2L), item.Put()), S_OK);
    EXPECT_EQ(item.vt, VT_UNKNOWN);
    EXPECT_EQ(item.punkVal, static_cast<IUnknown*>(style.Get()));

    EXPECT_EQ(properties->Remove(Variant(L"dsFieldStyleSetting")), S_OK);
    EXPECT_EQ(properties->HasKey(Bstr(L"dsFieldStyleSetting").Get(), &found), S_OK);
    EXPECT_EQ(found, VARIANT_FALSE);
    EXPECT_EQ(properties->Remove(Variant(L"dsFieldStyleSetting")), DISP_E_BADINDEX);
    EXPECT_EQ(properties->Item(Variant(L"Missing"), item.Put()), DISP_E_BADINDEX);
    EXPECT_EQ(properties->Item(Variant(5L), item.Put()), DISP_E_BADINDEX);

    // The dataset's own set is another one.
    ComPtr<IHostPropertyCollection> own;
    ASSERT_EQ(dataset->get_Properties(own.Put()), S_OK);
    EXPECT_NE(own.Get(), properties.Get());
}

TEST(DatasetNamedEntries, AddingAKeyAgainKeepsOneEntryThatOneRemoveTakesAway) {
    auto dataset = MakeDataset({{50.1, 10.1, -60}});
    ComPtr<IHostPropertyCollection> entries;
    ASSERT_EQ(dataset->get_NamedEntries(entries.Put()), S_OK);
    Bstr key(L"selected Layer A");
    for (int i = 0; i < 3; ++i) EXPECT_EQ(entries->Add(Variant(true), Variant(key.Get()), Missing()), S_OK);

    long count = 0;
    VARIANT_BOOL found = VARIANT_FALSE;
    EXPECT_EQ(entries->get_Count(&count), S_OK);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(entries->Remove(Variant(key.Get())), S_OK);
    EXPECT_EQ(entries->HasKey(key.Get(), &found), S_OK);
    EXPECT_EQ(found, VARIANT_FALSE);
    std::vector<std::wstring> calls = hosttest::Calls(entries.Get());
    ASSERT_EQ(calls.size(), 6u);
    EXPECT_EQ(calls[0], L"Add(-1, selected Layer A, <missing>)");
    EXPECT_EQ(calls[4], L"Remove(selected Layer A)");
}

TEST(DatasetSelection, HoldsRowNumbersOfTheDataset) {
    auto dataset = MakeDataset({{50.1, 10.1, -60}, {50.2, 10.2, -70}, {50.3, 10.3, -80}});
    ComPtr<IHostStringList> selection;
    ASSERT_EQ(dataset->get_SelectedRows(selection.Put()), S_OK);
    EXPECT_EQ(selection->Add(Variant(2L), Missing(), Missing()), S_OK);
    EXPECT_EQ(selection->Add(Variant(0.0), Missing(), Missing()), S_OK);
    EXPECT_EQ(selection->Add(Variant(3L), Missing(), Missing()), DISP_E_BADINDEX);
    EXPECT_EQ(selection->Add(Variant(L"x"), Missing(), Missing()), DISP_E_TYPEMISMATCH);

    long count = 0;
    Variant item;
    EXPECT_EQ(selection->get_Count(&count), S_OK);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(selection->Item(Variant(0L), item.Put()), S_OK);
    EXPECT_EQ(item.vt, VT_I4);
    EXPECT_EQ(item.lVal, 2);
    EXPECT_EQ(selection->Item(Variant(1L), item.Put()), S_OK);
    EXPECT_EQ(item.lVal, 0);
    EXPECT_EQ(selection->Item(Variant(2L), item.Put()), DISP_E_BADINDEX);

    EXPECT_EQ(selection->Clear(), S_OK);
    EXPECT_EQ(selection->get_Count(&count), S_OK);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(hosttest::Calls(selection.Get()).back(), L"Clear()");
}

TEST(DatasetExpressions, EvaluateOnTheCursorRow) {
    auto dataset = MakeDataset({{50.1, 10.1, -60.5}, {50.2, 10.2, -70}});
    auto rows = hosttest::Query<IHostRows>(dataset);
    ASSERT_EQ(rows->MoveTo(1), S_OK);
    Variant result;
    EXPECT_EQ(dataset->Evaluate(Bstr(L"RxLev").Get(), result.Put()), S_OK);
    EXPECT_EQ(result.vt, VT_R8);
    EXPECT_EQ(result.dblVal, -70);
    ASSERT_EQ(rows->MoveTo(0), S_OK);
    EXPECT_EQ(dataset->Evaluate(Bstr(L"\"Level: \" & [RxLev] & \" dBm\"").Get(), result.Put()), S_OK);
    EXPECT_EQ(result.ToWide(), L"Level: -60.5 dBm");
    EXPECT_EQ(dataset->Evaluate(Bstr(L"Altitude").Get(), result.Put()), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(hosttest::ErrorDescription(), L"No field Altitude");
    EXPECT_EQ(dataset->Evaluate(Bstr(L"\"open").Get(), result.Put()), E_INVALIDARG);
}

TEST(DatasetFaults, SwitchedOnFaultsFailTheirCalls) {
    hosttest::ScopedFaults faults(L"dataset.MoveNext=0x80070005,dataset.get_Fields,propertycollection.Add");
    auto dataset = MakeDataset({{50.1, 10.1, -60}});
    auto rows = hosttest::Query<IHostRows>(dataset);
    VARIANT_BOOL onRow;
    ComPtr<IHostFields> fields;
    ComPtr<IHostPropertyCollection> entries;
    EXPECT_EQ(rows->MoveFirst(), S_OK);
    EXPECT_EQ(rows->MoveNext(&onRow), E_ACCESSDENIED);
    EXPECT_EQ(dataset->get_Fields(fields.Put()), E_FAIL);
    ASSERT_EQ(dataset->get_NamedEntries(entries.Put()), S_OK);
    EXPECT_EQ(entries->Add(Variant(true), Variant(L"k"), Missing()), E_FAIL);
}

}  // namespace

namespace {

// What a host does to a shown dataset behind the map's back: rows go, a field is renamed, calls
// start failing or the whole object goes away.
TEST(DatasetChanges, RowsGoFieldsAreRenamedAndCallsStartFailing) {
    auto dataset = MakeDataset({{50.1, 10.1, -60}, {50.2, 10.2, -70}, {50.3, 10.3, -80}, {50.4, 10.4, -90}});
    auto setup = hosttest::Query<IHostDatasetSetup>(dataset);
    auto rows = hosttest::Query<IHostRows>(dataset);
    auto level = FieldOf(dataset.Get(), L"RxLev");
    ComPtr<IHostStringList> selection;
    ASSERT_EQ(dataset->get_SelectedRows(selection.Put()), S_OK);
    for (long row : {0L, 1L, 3L}) ASSERT_EQ(selection->Add(Variant(row), Missing(), Missing()), S_OK);

    ASSERT_EQ(setup->RemoveRows(1, 2), S_OK);
    long count = 0;
    Variant item;
    EXPECT_EQ(rows->get_RowCount(&count), S_OK);
    EXPECT_EQ(count, 2);
    ASSERT_EQ(rows->MoveTo(1), S_OK);
    EXPECT_EQ(ValueOf(level.Get()).dblVal, -90);
    EXPECT_EQ(selection->get_Count(&count), S_OK);
    EXPECT_EQ(count, 2);  // row 1 went, row 3 is now row 1
    EXPECT_EQ(selection->Item(Variant(1L), item.Put()), S_OK);
    EXPECT_EQ(item.lVal, 1);
    EXPECT_EQ(setup->RemoveRows(1, 99), S_OK);
    EXPECT_EQ(rows->get_RowCount(&count), S_OK);
    EXPECT_EQ(count, 1);

    ASSERT_EQ(setup->RenameField(Bstr(L"RxLev").Get(), Bstr(L"Signal").Get()), S_OK);
    Bstr name;
    EXPECT_EQ(level->get_FieldName(name.Put()), S_OK);
    EXPECT_EQ(name.Wide(), L"Signal");
    EXPECT_EQ(setup->RenameField(Bstr(L"RxLev").Get(), Bstr(L"X").Get()), DISP_E_BADINDEX);
    EXPECT_EQ(setup->RenameField(Bstr(L"Signal").Get(), Bstr(L"Latitude").Get()), E_INVALIDARG);

    ASSERT_EQ(setup->FailCalls(Bstr(L"MoveTo").Get(), E_FAIL), S_OK);
    EXPECT_EQ(rows->MoveTo(0), E_FAIL);
    EXPECT_EQ(rows->MoveFirst(), S_OK);
    ASSERT_EQ(setup->FailCalls(Bstr(L"*").Get(), RPC_E_DISCONNECTED), S_OK);
    ComPtr<IHostFields> fields;
    EXPECT_EQ(rows->MoveFirst(), RPC_E_DISCONNECTED);
    EXPECT_EQ(dataset->get_Fields(fields.Put()), RPC_E_DISCONNECTED);
    EXPECT_EQ(level->get_CurrentValue(item.Put()), RPC_E_DISCONNECTED);
    EXPECT_EQ(selection->get_Count(&count), RPC_E_DISCONNECTED);
    ASSERT_EQ(setup->FailCalls(Bstr(L"*").Get(), S_OK), S_OK);
    ASSERT_EQ(setup->FailCalls(Bstr(L"MoveTo").Get(), S_OK), S_OK);
    EXPECT_EQ(rows->MoveTo(0), S_OK);
}

}  // namespace
