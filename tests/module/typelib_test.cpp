// The registered type library holds every interface, dispinterface, enumeration and coclass of
// the control with its GUID, and every member with its DISPID, kind and argument types.
#include "platform/Com.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

using platform::ComPtr;

namespace {

const GUID kLibId = {0x9927B746, 0xA0BD, 0x11D3, {0xAF, 0x69, 0x00, 0xA0, 0xC9, 0xCA, 0x6F, 0x53}};

struct MemberRow { const char* iface; const char* name; MEMBERID id; INVOKEKIND kind; const char* params; };
struct EnumRow { const char* enumName; const char* name; long value; };
struct NamedGuid { const char* name; const char* guid; };
struct TypeRow { const char* name; TYPEKIND kind; WORD flagsSet; WORD flagsClear; };
struct BaseRow { const char* iface; const char* base; };
struct ImplRow { const char* coclass; UINT index; const char* iface; int flags; };

#define MEMBER(i, n, id, k, p) {i, n, id, k, p},
const MemberRow kMembers[] = {
#include "expected_members.inc"
};
#undef MEMBER
#define ENUMV(e, n, v) {e, n, v},
const EnumRow kEnums[] = {
#include "expected_members.inc"
};
#undef ENUMV
#define IFACE(n, g) {n, g},
const NamedGuid kInterfaces[] = {
#include "expected_members.inc"
};
#undef IFACE
#define COCLASS(n, g) {n, g},
const NamedGuid kCoclasses[] = {
#include "expected_members.inc"
};
#undef COCLASS
#define TYPEINFO(n, k, s, c) {n, k, static_cast<WORD>(s), static_cast<WORD>(c)},
const TypeRow kTypes[] = {
#include "expected_members.inc"
};
#undef TYPEINFO
#define BASE(i, b) {i, b},
const BaseRow kBases[] = {
#include "expected_members.inc"
};
#undef BASE
#define IMPLTYPE(c, i, n, f) {c, i, n, f},
const ImplRow kImpls[] = {
#include "expected_members.inc"
};
#undef IMPLTYPE


std::string TypeName(ITypeInfo* info) {
    BSTR name = nullptr;
    info->GetDocumentation(MEMBERID_NIL, &name, nullptr, nullptr, nullptr);
    return platform::Bstr::Attach(name).Ansi();
}

std::string Describe(ITypeInfo* owner, const TYPEDESC& t) {
    static const std::map<VARTYPE, const char*> names = {
        {VT_I2, "VT_I2"}, {VT_I4, "VT_I4"}, {VT_R4, "VT_R4"}, {VT_R8, "VT_R8"}, {VT_BSTR, "VT_BSTR"},
        {VT_DISPATCH, "VT_DISPATCH"}, {VT_BOOL, "VT_BOOL"}, {VT_VARIANT, "VT_VARIANT"}, {VT_UNKNOWN, "VT_UNKNOWN"},
        {VT_UI1, "VT_UI1"}, {VT_INT, "VT_INT"}, {VT_UINT, "VT_UINT"}, {VT_HRESULT, "VT_HRESULT"},
        {VT_VOID, "VT_VOID"}, {VT_CY, "VT_CY"}, {VT_DATE, "VT_DATE"}, {VT_UI4, "VT_UI4"}};
    if (t.vt == VT_PTR) return "VT_PTR:" + Describe(owner, *t.lptdesc);
    if (t.vt == VT_USERDEFINED) {
        ComPtr<ITypeInfo> ref;
        if (FAILED(owner->GetRefTypeInfo(t.hreftype, ref.Put()))) return "VT_USERDEFINED:?";
        return "VT_USERDEFINED:" + TypeName(ref.Get());
    }
    auto it = names.find(t.vt);
    return it != names.end() ? it->second : "VT_" + std::to_string(t.vt);
}

class TypeLibraryTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(::LoadRegTypeLib(kLibId, 1, 0, 0, lib_.Put()), S_OK); }

    ComPtr<ITypeInfo> Find(const char* name) {
        ComPtr<ITypeInfo> found;
        UINT count = lib_->GetTypeInfoCount();
        for (UINT i = 0; i < count; ++i) {
            ComPtr<ITypeInfo> info;
            if (SUCCEEDED(lib_->GetTypeInfo(i, info.Put())) && TypeName(info.Get()) == name) return info;
        }
        return found;
    }

    // The side whose members the rows describe: the vtable side of a dual interface.
    ComPtr<ITypeInfo> MemberSide(const char* name) {
        ComPtr<ITypeInfo> info = Find(name);
        if (!info) return info;
        TYPEATTR* attr = nullptr;
        info->GetTypeAttr(&attr);
        bool dual = attr->typekind == TKIND_DISPATCH && (attr->wTypeFlags & TYPEFLAG_FDUAL);
        info->ReleaseTypeAttr(attr);
        if (dual) {
            HREFTYPE ref = 0;
            ComPtr<ITypeInfo> vtable;
            if (SUCCEEDED(info->GetRefTypeOfImplType(static_cast<UINT>(-1), &ref)) &&
                SUCCEEDED(info->GetRefTypeInfo(ref, vtable.Put())))
                return vtable;
        }
        return info;
    }

    ComPtr<ITypeLib> lib_;
};

TEST_F(TypeLibraryTest, LibraryIdentity) {
    TLIBATTR* attr = nullptr;
    ASSERT_EQ(lib_->GetLibAttr(&attr), S_OK);
    EXPECT_TRUE(IsEqualGUID(attr->guid, kLibId));
    EXPECT_EQ(attr->wMajorVerNum, 1);
    EXPECT_EQ(attr->wMinorVerNum, 0);
    lib_->ReleaseTLibAttr(attr);
    BSTR name = nullptr;
    lib_->GetDocumentation(-1, &name, nullptr, nullptr, nullptr);
    EXPECT_EQ(platform::Bstr::Attach(name).Ansi(), "VadAZ");
}

TEST_F(TypeLibraryTest, EveryTypeHasItsGuidKindAndFlags) {
    for (const auto& rows : {std::vector<NamedGuid>(std::begin(kInterfaces), std::end(kInterfaces)),
                             std::vector<NamedGuid>(std::begin(kCoclasses), std::end(kCoclasses))}) {
        for (const NamedGuid& row : rows) {
            GUID guid;
            ASSERT_EQ(::CLSIDFromString(platform::ToWide(row.guid).c_str(), &guid), S_OK) << row.guid;
            ComPtr<ITypeInfo> byGuid;
            ASSERT_EQ(lib_->GetTypeInfoOfGuid(guid, byGuid.Put()), S_OK) << row.name;
            EXPECT_EQ(TypeName(byGuid.Get()), row.name);
        }
    }
    for (const TypeRow& row : kTypes) {
        ComPtr<ITypeInfo> info = Find(row.name);
        ASSERT_TRUE(info) << row.name;
        TYPEATTR* attr = nullptr;
        info->GetTypeAttr(&attr);
        EXPECT_EQ(attr->typekind, row.kind) << row.name;
        EXPECT_EQ(attr->wTypeFlags & row.flagsSet, row.flagsSet) << row.name;
        EXPECT_EQ(attr->wTypeFlags & row.flagsClear, 0) << row.name;
        info->ReleaseTypeAttr(attr);
    }
}

TEST_F(TypeLibraryTest, InterfacesExtendTheirBases) {
    for (const BaseRow& row : kBases) {
        ComPtr<ITypeInfo> info = MemberSide(row.iface);
        ASSERT_TRUE(info) << row.iface;
        HREFTYPE ref = 0;
        ComPtr<ITypeInfo> base;
        ASSERT_EQ(info->GetRefTypeOfImplType(0, &ref), S_OK) << row.iface;
        ASSERT_EQ(info->GetRefTypeInfo(ref, base.Put()), S_OK) << row.iface;
        EXPECT_EQ(TypeName(base.Get()), row.base) << row.iface;
    }
}

TEST_F(TypeLibraryTest, CoclassesListTheirInterfacesAndSources) {
    for (const ImplRow& row : kImpls) {
        ComPtr<ITypeInfo> coclass = Find(row.coclass);
        ASSERT_TRUE(coclass) << row.coclass;
        HREFTYPE ref = 0;
        ComPtr<ITypeInfo> impl;
        ASSERT_EQ(coclass->GetRefTypeOfImplType(row.index, &ref), S_OK) << row.coclass << " " << row.index;
        ASSERT_EQ(coclass->GetRefTypeInfo(ref, impl.Put()), S_OK);
        EXPECT_EQ(TypeName(impl.Get()), row.iface) << row.coclass << " " << row.index;
        INT flags = 0;
        coclass->GetImplTypeFlags(row.index, &flags);
        EXPECT_EQ(flags, row.flags) << row.coclass << " " << row.iface;
    }
}

TEST_F(TypeLibraryTest, EveryMemberHasItsDispidKindAndArguments) {
    // Members of each interface in declaration order; the rows list them in the same order.
    std::map<std::string, std::vector<const MemberRow*>> expected;
    for (const MemberRow& row : kMembers) expected[row.iface].push_back(&row);
    ASSERT_FALSE(expected.empty());

    for (const auto& entry : expected) {
        ComPtr<ITypeInfo> info = MemberSide(entry.first.c_str());
        ASSERT_TRUE(info) << entry.first;
        TYPEATTR* attr = nullptr;
        info->GetTypeAttr(&attr);
        UINT count = attr->cFuncs;
        info->ReleaseTypeAttr(attr);
        ASSERT_EQ(count, entry.second.size()) << entry.first;
        for (UINT i = 0; i < count; ++i) {
            const MemberRow& row = *entry.second[i];
            FUNCDESC* f = nullptr;
            ASSERT_EQ(info->GetFuncDesc(i, &f), S_OK);
            BSTR name = nullptr;
            UINT got = 0;
            info->GetNames(f->memid, &name, 1, &got);
            std::string where = entry.first + "." + row.name;
            EXPECT_EQ(platform::Bstr::Attach(name).Ansi(), row.name) << where;
            EXPECT_EQ(f->memid, row.id) << where;
            EXPECT_EQ(f->invkind, row.kind) << where;
            std::string params;
            for (SHORT p = 0; p < f->cParams; ++p) {
                if (p) params += ",";
                params += Describe(info.Get(), f->lprgelemdescParam[p].tdesc);
            }
            EXPECT_EQ(params, row.params) << where;
            info->ReleaseFuncDesc(f);
        }
    }
}

TEST_F(TypeLibraryTest, EnumerationsHoldEveryValue) {
    std::map<std::string, std::vector<const EnumRow*>> expected;
    for (const EnumRow& row : kEnums) expected[row.enumName].push_back(&row);
    EXPECT_EQ(expected["ENUM_VO_MAP_TOOLS"].size(), 21u);
    for (const auto& entry : expected) {
        ComPtr<ITypeInfo> info = Find(entry.first.c_str());
        ASSERT_TRUE(info) << entry.first;
        TYPEATTR* attr = nullptr;
        info->GetTypeAttr(&attr);
        UINT count = attr->cVars;
        info->ReleaseTypeAttr(attr);
        ASSERT_EQ(count, entry.second.size()) << entry.first;
        for (UINT i = 0; i < count; ++i) {
            VARDESC* v = nullptr;
            ASSERT_EQ(info->GetVarDesc(i, &v), S_OK);
            BSTR name = nullptr;
            UINT got = 0;
            info->GetNames(v->memid, &name, 1, &got);
            EXPECT_EQ(platform::Bstr::Attach(name).Ansi(), entry.second[i]->name);
            EXPECT_EQ(v->lpvarValue->lVal, entry.second[i]->value) << entry.second[i]->name;
            info->ReleaseVarDesc(v);
        }
    }
}

}  // namespace
