// The vtable positions the control relies on, checked against the registered type library of
// the shared interface definitions: a member moved by one place would make the control call the
// wrong method of the real host.
#include "tests/standins/host/HostTestSupport.h"

namespace {

struct Slot {
    const IID* iid;
    const wchar_t* member;
    INVOKEKIND kind;
    int position;  // counted from 0 with IUnknown's (and IDispatch's) methods
};

constexpr INVOKEKIND M = INVOKE_FUNC;
constexpr INVOKEKIND G = INVOKE_PROPERTYGET;
constexpr INVOKEKIND P = INVOKE_PROPERTYPUT;
constexpr INVOKEKIND R = INVOKE_PROPERTYPUTREF;

const Slot kSlots[] = {
    {&IID_IHostService, L"OpenProfile", M, 11},
    {&IID_IHostService, L"LoadProfile", M, 12},
    {&IID_IHostService, L"ApplyProfile", M, 13},
    {&IID_IHostService, L"ApplyBatchProfile", M, 14},
    {&IID_IHostService, L"UpdateLinesToCells", M, 15},
    {&IID_IHostUnitConverter, L"Convert", M, 3},
    {&IID_IHostLoggingManager, L"Initialize", M, 3},
    {&IID_IHostLoggingManager, L"GetChannelLogger", M, 5},
    {&IID_IHostLoggingManager, L"ChannelExists", M, 7},
    {&IID_IHostChannelLogger, L"Write", M, 3},
    {&IID_IHostChannelLogger, L"WriteRecord", M, 8},
    {&IID_IHostChannelLogger, L"GetThreshold", M, 11},
    {&IID_IHostStreamText, L"StreamToText", M, 4},
    {&IID_IHostStreamText, L"TextToStream", M, 6},
    {&IID_IHostPackageManager, L"Start", M, 3},
    {&IID_IHostPackageManager, L"Open", M, 12},
    {&IID_IHostPackageManager, L"OpenDocument", M, 18},
    {&IID_IHostPackageManager, L"ResolvePath", M, 21},
    {&IID_IMapPrintSettings, L"PrintTitle", G, 3},
    {&IID_IMapPrintSettings, L"PrintTitle", P, 4},
    {&IID_IMapPrintSettings, L"TitleAlignment", P, 8},
    {&IID_IMapPrintSettings, L"LeftMargin", G, 11},
    {&IID_IMapPrintSettings, L"BottomMargin", P, 18},
    {&IID_IMapPrintSettings, L"LegendPosition", G, 23},
    {&IID_IMapPrintSettings, L"MapSize", P, 26},
    {&IID_IMapPrintSettings, L"Width", G, 31},
    {&IID_IMapPrintSettings, L"Height", P, 34},
    {&IID_IMapPrintSettings, L"ScaleDenominator", P, 36},
    {&IID_IMapPrintSettings, L"TitleFont", G, 37},
    {&IID_IMapPrintSettings, L"TitleFontColor", G, 39},
    {&IID_IMapPrintSettings, L"TitleFontColor", P, 40},
    {&IID_IMapPrintSettings, L"LayoutXml", G, 41},
    {&IID_IMapPrintSettings, L"Load", M, 42},
    {&IID_IMapPrintSettings, L"LoadXml", M, 43},
    {&IID_IMapPrintSettings, L"Save", M, 44},
    {&IID_IMapPrintSettings, L"FinishDefaultLayout", M, 45},
    {&IID_IMapPrintSettings, L"OrientationLandscape", G, 52},
    {&IID_IMapPrintSettings, L"OrientationLandscape", P, 53},
    {&IID_IHostLegendSeries, L"RemoveSeries", M, 7},
    {&IID_IHostLegendSeries, L"SetCheckBox", M, 24},
    {&IID_IHostLegendText, L"GetSeriesText", M, 7},
    {&IID_IHostPrintLegend, L"RemoveSeries", M, 3},
    {&IID_IHostPrintLegend, L"AddSeries", M, 11},
    {&IID_IHostPrintLegend, L"SetCheckBox", M, 20},
    {&IID_IHostPrintLegend, L"SetLegendText", M, 24},
    {&IID_IHostPrintLegend, L"SetVisibility", M, 28},
    {&IID_IHostPrintLegend, L"Draw", M, 29},
    {&IID_IHostPrintLegend, L"Measure", M, 30},
    {&IID_IHostPrintLegend, L"SetArrangement", M, 32},
    {&IID_IHostPrintLegend, L"DrawFixed", M, 33},
    {&IID_IHostLabelStyle, L"Font", G, 7},
    {&IID_IHostLabelStyle, L"Font", R, 8},
    {&IID_IHostLabelStyle, L"TextColor", G, 9},
    {&IID_IHostLabelStyle, L"BackColor", P, 12},
    {&IID_IHostLabelStyle, L"Opaque", P, 14},
    {&IID_IHostLabelStyle, L"Halo", G, 15},
    {&IID_IHostLabelStyle, L"Shadow", P, 18},
    {&IID_IHostLabelStyle, L"AllCaps", G, 19},
    {&IID_IHostLabelStyle, L"DoubleSpace", P, 22},
    {&IID_IHostLabelStyle, L"DrawText", M, 23},
    {&IID_IHostStringList, L"Count", G, 7},
    {&IID_IHostStringList, L"Item", M, 8},
    {&IID_IHostStringList, L"Add", M, 13},
    {&IID_IRegionSet, L"AddRegion", M, 3},
    {&IID_IRegionSet, L"GetCount", M, 7},
    {&IID_IRegionSet, L"GetRegion", M, 12},
    {&IID_IRegionSet, L"RemoveAll", M, 16},
    {&IID_IRegion, L"AddPolygon", M, 3},
    {&IID_IRegion, L"GetCount", M, 5},
    {&IID_IRegion, L"GetPolygon", M, 8},
    {&IID_IRegionPolygon, L"AppendPoint", M, 3},
    {&IID_IRegionPolygon, L"GetCount", M, 5},
    {&IID_IRegionPolygon, L"GetLatitude", M, 7},
    {&IID_IRegionPolygon, L"GetLongitude", M, 8},
    {&IID_IHostAttributes, L"Item", M, 3},
    {&IID_IHostAttribute, L"IsArray", M, 10},
};

// The vtable part of an interface's type information (the dual half for dual interfaces).
platform::ComPtr<ITypeInfo> VtableInfo(ITypeLib* lib, REFIID iid) {
    platform::ComPtr<ITypeInfo> info;
    if (FAILED(lib->GetTypeInfoOfGuid(iid, info.Put()))) return nullptr;
    TYPEATTR* attr = nullptr;
    info->GetTypeAttr(&attr);
    TYPEKIND kind = attr->typekind;
    info->ReleaseTypeAttr(attr);
    if (kind == TKIND_DISPATCH) {
        HREFTYPE ref = 0;
        platform::ComPtr<ITypeInfo> vtable;
        if (FAILED(info->GetRefTypeOfImplType(-1, &ref)) || FAILED(info->GetRefTypeInfo(ref, vtable.Put()))) return nullptr;
        return vtable;
    }
    return info;
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
        int position = -1;
        if (holder.Wide() == member && desc->invkind == kind) position = desc->oVft / static_cast<int>(sizeof(void*));
        info->ReleaseFuncDesc(desc);
        if (position >= 0) return position;
    }
    return -1;
}

TEST(HostInterfaceSlots, MembersSitWhereTheControlCallsThem) {
    platform::ComPtr<ITypeLib> lib;
    ASSERT_EQ(::LoadRegTypeLib(LIBID_HostInterfaces, 1, 0, LOCALE_NEUTRAL, lib.Put()), S_OK);
    for (const Slot& s : kSlots) {
        platform::ComPtr<ITypeInfo> info = VtableInfo(lib.Get(), *s.iid);
        ASSERT_TRUE(info) << platform::GuidToString(*s.iid).c_str();
        EXPECT_EQ(PositionOf(info.Get(), s.member, s.kind), s.position)
            << platform::ToAnsi(s.member) << " of " << platform::ToAnsi(platform::GuidToString(*s.iid));
    }
}

}  // namespace
