// Where the members the control calls sit in the registered type library, and which interfaces
// each new stand-in class answers: a member moved by one place would make the control call the
// wrong method of the real host.
#include "tests/standins/dataset/DatasetTestSupport.h"

namespace {

using platform::ComPtr;

struct Slot {
    const IID* iid;
    const wchar_t* member;
    INVOKEKIND kind;
    int position;  // counted from 0 with IUnknown's and IDispatch's methods
};

constexpr INVOKEKIND M = INVOKE_FUNC;
constexpr INVOKEKIND G = INVOKE_PROPERTYGET;

const Slot kSlots[] = {
    {&IID_IHostDataset, L"Fields", G, 8},
    {&IID_IHostDataset, L"SelectedRows", G, 9},
    {&IID_IHostDataset, L"NamedEntries", G, 10},
    {&IID_IHostDataset, L"Properties", G, 11},
    {&IID_IHostDataset, L"DatasetGuid", G, 12},
    {&IID_IHostDataset, L"Evaluate", M, 21},
    {&IID_IHostRows, L"RowCount", G, 14},
    {&IID_IHostRows, L"CurrentRow", G, 15},
    {&IID_IHostRows, L"MoveFirst", M, 16},
    {&IID_IHostRows, L"MoveNext", M, 17},
    {&IID_IHostRows, L"MoveTo", M, 20},
    {&IID_IHostFields, L"Count", G, 7},
    {&IID_IHostFields, L"Item", M, 8},
    {&IID_IHostFields, L"IndexOf", M, 9},
    {&IID_IHostField, L"FieldName", G, 7},
    {&IID_IHostField, L"FieldType", G, 8},
    {&IID_IHostField, L"CurrentValue", G, 9},
    {&IID_IHostField, L"Properties", G, 10},
    {&IID_IHostPropertyCollection, L"Count", G, 7},
    {&IID_IHostPropertyCollection, L"Item", M, 8},
    {&IID_IHostPropertyCollection, L"HasKey", M, 9},
    {&IID_IHostPropertyCollection, L"Add", M, 10},
    {&IID_IHostPropertyCollection, L"Remove", M, 11},
    {&IID_IHostFieldStyle, L"FormatValue", M, 7},
    {&IID_IHostFieldStyle, L"ClassOf", M, 8},
    {&IID_IHostFieldStyle, L"StyleFlags", G, 9},
    {&IID_IHostFieldStyle, L"StyleProperty", M, 10},
    {&IID_IHostFieldStyle, L"IndexOf", M, 28},
    {&IID_IHostFieldStyle, L"ItemValue", M, 32},
    {&IID_IHostFieldStyle, L"ValueText", M, 33},
    {&IID_IHostFieldStyle, L"AttributeCode", G, 66},
    {&IID_IHostConfigNode, L"NodeValue", G, 8},
    {&IID_IHostConfigNode, L"Child", M, 9},
    {&IID_IHostConfigNode, L"ChildCount", G, 10},
    {&IID_IHostConfigNode, L"ChildAt", M, 11},
    {&IID_IHostFieldRenderer, L"SetField", M, 7},
    {&IID_IHostRenderer, L"AddFieldRenderer", M, 7},
    {&IID_IHostRenderer, L"DrawSymbol", M, 8},
    {&IID_IHostRenderer, L"GetHitRadius", M, 9},
    {&IID_IHostRenderer, L"HitTest", M, 10},
    {&IID_IHostRenderer, L"GetSymbolOffset", M, 11},
    {&IID_IHostRenderer, L"SetLabelField", M, 12},
    {&IID_IHostRenderer, L"GetLabelSize", M, 13},
    {&IID_IHostRenderer, L"DrawLabel", M, 14},
    {&IID_IHostRenderer, L"GetLabelText", M, 15},
    {&IID_IHostRenderer, L"SetLabelStyle", M, 17},
    {&IID_IHostRenderer, L"SetLabelPlacement", M, 18},
    {&IID_IHostRenderer, L"SetLabelText", M, 19},
    {&IID_IHostRenderer, L"SetEnhancedDrawing", M, 20},
};

// The vtable half of an interface's type information.
ComPtr<ITypeInfo> VtableInfo(ITypeLib* lib, REFIID iid) {
    ComPtr<ITypeInfo> info, vtable;
    HREFTYPE ref = 0;
    if (FAILED(lib->GetTypeInfoOfGuid(iid, info.Put()))) return nullptr;
    if (FAILED(info->GetRefTypeOfImplType(-1, &ref)) || FAILED(info->GetRefTypeInfo(ref, vtable.Put()))) return info;
    return vtable;
}

int PositionOf(ITypeInfo* info, const wchar_t* member, INVOKEKIND kind) {
    TYPEATTR* attr = nullptr;
    info->GetTypeAttr(&attr);
    int funcs = attr->cFuncs;
    info->ReleaseTypeAttr(attr);
    for (int i = 0; i < funcs; ++i) {
        FUNCDESC* desc = nullptr;
        if (FAILED(info->GetFuncDesc(i, &desc))) continue;
        BSTR name = nullptr;
        info->GetDocumentation(desc->memid, &name, nullptr, nullptr, nullptr);
        platform::Bstr holder = platform::Bstr::Attach(name);
        int position = holder.Wide() == member && desc->invkind == kind ? desc->oVft / static_cast<int>(sizeof(void*)) : -1;
        info->ReleaseFuncDesc(desc);
        if (position >= 0) return position;
    }
    return -1;
}

TEST(DatasetInterfaceSlots, MembersSitWhereTheControlCallsThem) {
    ComPtr<ITypeLib> lib;
    ASSERT_EQ(::LoadRegTypeLib(LIBID_HostInterfaces, 1, 0, LOCALE_NEUTRAL, lib.Put()), S_OK);
    for (const Slot& s : kSlots) {
        ComPtr<ITypeInfo> info = VtableInfo(lib.Get(), *s.iid);
        ASSERT_TRUE(info) << platform::ToAnsi(platform::GuidToString(*s.iid));
        EXPECT_EQ(PositionOf(info.Get(), s.member, s.kind), s.position)
            << platform::ToAnsi(s.member) << " of " << platform::ToAnsi(platform::GuidToString(*s.iid));
    }
}

struct ClassInterfaces {
    const CLSID* clsid;
    std::vector<const IID*> answers;
    std::vector<const IID*> refuses;
};

TEST(DatasetStandInClasses, AnswerTheInterfacesTheControlAsksFor) {
    const ClassInterfaces classes[] = {
        {&CLSID_HostDataset,
         {&IID_IHostDataset, &IID_IHostRows, &IID_IHostFields, &IID_IHostDatasetSetup, &IID_IDispatch, &IID_IHostCallLog},
         {&IID_IHostSampleDataset}},
        {&CLSID_SampleDataset,
         {&IID_IHostDataset, &IID_IHostRows, &IID_IHostFields, &IID_IHostSampleDataset, &IID_IHostDatasetSetup},
         {}},
        {&CLSID_HostFieldStyle, {&IID_IHostFieldStyle, &IID_IHostFieldStyleSetup, &IID_IDispatch}, {}},
        {&CLSID_HostFieldConfiguration, {&IID_IHostConfigNode, &IID_IDispatch, &IID_IHostCallLog}, {}},
        {&CLSID_HostPointRenderer, {&IID_IHostRenderer, &IID_IDispatch, &IID_IHostRendererTest, &IID_IHostCallLog}, {}},
        {&CLSID_HostEnhancedRenderer, {&IID_IHostRenderer, &IID_IHostRendererTest}, {}},
        {&CLSID_HostCellSiteRenderer, {&IID_IHostRenderer, &IID_IHostRendererTest}, {}},
        {&CLSID_HostFieldRenderer, {&IID_IHostFieldRenderer, &IID_IDispatch, &IID_IHostCallLog}, {}},
    };
    for (const ClassInterfaces& c : classes) {
        ComPtr<IUnknown> object;
        ASSERT_EQ(::CoCreateInstance(*c.clsid, nullptr, CLSCTX_ALL, IID_IUnknown, object.PutVoid()), S_OK)
            << platform::ToAnsi(platform::GuidToString(*c.clsid));
        EXPECT_EQ(::OleRun(object.Get()), S_OK);
        for (const IID* iid : c.answers) {
            ComPtr<IUnknown> p;
            EXPECT_EQ(object.As(*iid, p.PutVoid()), S_OK) << platform::ToAnsi(platform::GuidToString(*iid));
        }
        for (const IID* iid : c.refuses) {
            ComPtr<IUnknown> p;
            EXPECT_EQ(object.As(*iid, p.PutVoid()), E_NOINTERFACE) << platform::ToAnsi(platform::GuidToString(*iid));
        }
    }
}

TEST(DatasetStandInClasses, ScriptsReachThemByName) {
    for (const wchar_t* progId : {L"VadazHost.Dataset", L"VadazHost.SampleDataset", L"VadazHost.FieldStyle",
                                  L"VadazHost.FieldConfiguration", L"VadazHost.PointRenderer",
                                  L"VadazHost.EnhancedPointRenderer", L"VadazHost.CellSiteRenderer",
                                  L"VadazHost.FieldRenderer"}) {
        CLSID clsid;
        EXPECT_EQ(::CLSIDFromProgID(progId, &clsid), S_OK) << platform::ToAnsi(progId);
    }
}

TEST(DatasetStandInClasses, CreationFaultRefusesTheObject) {
    hosttest::ScopedFaults faults(L"dataset.create,cellsiterenderer.create");
    ComPtr<IUnknown> object;
    EXPECT_EQ(::CoCreateInstance(CLSID_SampleDataset, nullptr, CLSCTX_ALL, IID_IUnknown, object.PutVoid()), E_FAIL);
    EXPECT_EQ(::CoCreateInstance(CLSID_HostCellSiteRenderer, nullptr, CLSCTX_ALL, IID_IUnknown, object.PutVoid()), E_FAIL);
    EXPECT_EQ(::CoCreateInstance(CLSID_HostPointRenderer, nullptr, CLSCTX_ALL, IID_IUnknown, object.PutVoid()), S_OK);
}

}  // namespace
