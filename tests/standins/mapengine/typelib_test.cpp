// The stand-in's registered type library against the engine's own: every interface of the stand-in
// is one of the engine's, under its id, and every member it serves is the engine's member of that
// name, at the engine's number, with the engine's kind, parameters and result. The handlers and the
// events bind to the library by name, so this holds what the stand-in answers and fires too.
#include "tests/standins/mapengine/EngineFixture.h"

#include <fstream>
#include <map>
#include <set>
#include <sstream>

namespace enginetest {
namespace {

// The engine's tables, kept beside the check of the control's numbers.
const std::string kTables = ENGINE_TABLES_UNIX;

std::vector<std::vector<std::string>> ReadTable(const std::string& name) {
    std::ifstream in("Z:" + kTables + "/" + name);
    EXPECT_TRUE(in.good()) << name;
    std::vector<std::vector<std::string>> rows;
    std::string line;
    bool header = true;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        if (header) {
            header = false;
            continue;
        }
        std::vector<std::string> fields;
        std::stringstream cells(line);
        std::string cell;
        while (std::getline(cells, cell, '\t')) fields.push_back(cell);
        fields.resize(7);
        rows.push_back(fields);
    }
    return rows;
}

struct EngineMember {
    DISPID id = 0;
    std::string kind;  // method, propget, property, event
    std::vector<std::pair<VARTYPE, bool>> params;  // type, by reference
    VARTYPE result = VT_EMPTY;
};

// The variant type a parameter or result of the engine's is passed as.
VARTYPE TypeOf(std::string t) {
    static const std::map<std::string, VARTYPE> plain = {
        {"Smallint", VT_I2}, {"Integer", VT_I4}, {"Double", VT_R8}, {"Single", VT_R4}, {"WideString", VT_BSTR},
        {"WordBool", VT_BOOL}, {"OleVariant", VT_VARIANT}, {"IUnknown", VT_UNKNOWN}, {"OLE_COLOR", VT_I4},
        {"TColor", VT_I4}, {"OLE_HANDLE", VT_I4}, {"", VT_EMPTY}};
    auto found = plain.find(t);
    if (found != plain.end()) return found->second;
    if (t.size() > 9 && t.compare(t.size() - 9, 9, "Constants") == 0) return VT_I4;  // an enumeration
    return VT_DISPATCH;  // an object of the engine's, or a font
}

EngineMember MemberFrom(const std::vector<std::string>& row) {
    EngineMember m;
    m.id = std::stol(row[3]);
    m.kind = row[2];
    std::stringstream params(row[4]);
    std::string param;
    while (std::getline(params, param, ';')) {
        const bool byRef = param.find("var ") != std::string::npos;
        m.params.emplace_back(TypeOf(param.substr(param.find(':') + 2)), byRef);
    }
    m.result = TypeOf(row[5]);
    return m;
}

// The stand-in's interfaces, by the engine's names. The rectangle's and the point's interface ids
// are the ids of their classes too, which one type library cannot hold twice.
struct StandInInterface {
    const IID* iid;
    const char* engineName;
    bool ownId;
};
const StandInInterface kInterfaces[] = {
    {&DIID_DMap, "CMapX", false}, {&DIID_DMapEvents, "CMapXEvents", false}, {&DIID_DLayers, "CMapXLayers", false},
    {&DIID_DLayer, "CMapXLayer", false}, {&DIID_DLabelProperties, "CMapXLabelProperties", false},
    {&DIID_DStyle, "CMapXStyle", false}, {&DIID_DFeature, "CMapXFeature", false},
    {&DIID_DFeatures, "CMapXFeatures", false}, {&DIID_DSelection, "CMapXSelection", false},
    {&DIID_DFeatureFactory, "CMapXFeatureFactory", false}, {&DIID_DAnnotations, "CMapXAnnotations", false},
    {&DIID_DAnnotation, "CMapXAnnotation", false}, {&DIID_DTextGraphic, "CMapXText", false},
    {&DIID_DParts, "CMapXParts", false}, {&DIID_DPoints, "CMapXPoints", false}, {&DIID_DPoint, "CMapXPoint", true},
    {&DIID_DRectangle, "CMapXRectangle", true}, {&DIID_DCoordSys, "CMapXCoordSys", false},
    {&DIID_DDatum, "CMapXDatum", false}, {&DIID_DDatasets, "CMapXDatasets", false},
    {&DIID_DDataset, "CMapXDataset", false}, {&DIID_DFields, "CMapXFields", false}, {&DIID_DField, "CMapXField", false},
    {&DIID_DFind, "CMapXLayerFind", false},
};

VARTYPE Passed(const TYPEDESC& t, ITypeInfo* owner, bool& byRef) {
    byRef = t.vt == VT_PTR && t.lptdesc && t.lptdesc->vt != VT_USERDEFINED;
    if (t.vt == VT_PTR && t.lptdesc) return t.lptdesc->vt == VT_USERDEFINED ? VARTYPE{VT_DISPATCH} : t.lptdesc->vt;
    if (t.vt == VT_USERDEFINED) {
        ComPtr<ITypeInfo> ref;
        TYPEATTR* attr = nullptr;
        VARTYPE vt = VT_DISPATCH;
        if (SUCCEEDED(owner->GetRefTypeInfo(t.hreftype, ref.Put())) && SUCCEEDED(ref->GetTypeAttr(&attr))) {
            if (attr->typekind == TKIND_ENUM) vt = VT_I4;
            if (attr->typekind == TKIND_ALIAS) vt = attr->tdescAlias.vt;
            ref->ReleaseTypeAttr(attr);
        }
        return vt;
    }
    return t.vt == VT_HRESULT || t.vt == VT_VOID ? static_cast<VARTYPE>(VT_EMPTY) : t.vt;
}

TEST(EngineTypeLibrary, EveryMemberTheStandInServesIsTheEnginesAtItsNumberWithItsTypes) {
    std::map<std::string, std::map<std::string, EngineMember>> engine;
    for (const auto& row : ReadTable("engine-members.tsv")) engine[row[0]][row[1]] = MemberFrom(row);
    std::map<std::string, std::string> iids;
    for (const auto& row : ReadTable("engine-iids.tsv")) iids[row[0]] = row[1];

    ComPtr<ITypeLib> library;
    ASSERT_EQ(::LoadRegTypeLib(LIBID_MapEngine, 4, 0, LOCALE_NEUTRAL, library.Put()), S_OK);
    size_t dispinterfaces = 0, served = 0;
    std::set<std::string> servedNames;
    for (UINT t = 0; t < library->GetTypeInfoCount(); ++t) {
        TYPEKIND kind;
        if (FAILED(library->GetTypeInfoType(t, &kind)) || kind != TKIND_DISPATCH) continue;
        ++dispinterfaces;
        ComPtr<ITypeInfo> info;
        ASSERT_EQ(library->GetTypeInfo(t, info.Put()), S_OK);
        TYPEATTR* attr = nullptr;
        ASSERT_EQ(info->GetTypeAttr(&attr), S_OK);
        const GUID iid = attr->guid;
        const WORD functions = attr->cFuncs;
        info->ReleaseTypeAttr(attr);
        const StandInInterface* mapped = nullptr;
        for (const StandInInterface& i : kInterfaces)
            if (IsEqualGUID(*i.iid, iid)) mapped = &i;
        ASSERT_TRUE(mapped) << platform::ToAnsi(platform::GuidToString(iid)) << " is no interface of the engine";
        const std::string name = mapped->engineName;
        if (!mapped->ownId) {
            EXPECT_EQ(platform::ToAnsi(platform::GuidToString(iid)), iids[name]) << name;
        }

        for (WORD f = 0; f < functions; ++f) {
            FUNCDESC* desc = nullptr;
            ASSERT_EQ(info->GetFuncDesc(f, &desc), S_OK);
            BSTR memberName = nullptr;
            info->GetDocumentation(desc->memid, &memberName, nullptr, nullptr, nullptr);
            const std::string member = platform::ToAnsi(platform::Bstr::Attach(memberName).Wide());
            const std::string what = name + "." + member;
            auto found = engine[name].find(member);
            if (found == engine[name].end()) {
                ADD_FAILURE() << what << ": the engine has no such member";
                info->ReleaseFuncDesc(desc);
                continue;
            }
            const EngineMember& e = found->second;
            ++served;
            servedNames.insert(what);
            EXPECT_EQ(desc->memid, e.id) << what;
            const bool put = desc->invkind & (INVOKE_PROPERTYPUT | INVOKE_PROPERTYPUTREF);
            const bool get = desc->invkind == INVOKE_PROPERTYGET;
            if (put) {
                EXPECT_EQ(e.kind, "property") << what << ": a put of what the engine does not let be put";
            } else if (get) {
                EXPECT_TRUE(e.kind == "property" || e.kind == "propget") << what << " is no property";
            } else {
                EXPECT_TRUE(e.kind == "method" || e.kind == "event") << what << " is no method";
            }

            std::vector<std::pair<VARTYPE, bool>> params;
            for (SHORT p = 0; p < desc->cParams; ++p) {
                bool byRef = false;
                const VARTYPE vt = Passed(desc->lprgelemdescParam[p].tdesc, info.Get(), byRef);
                params.emplace_back(vt, byRef);
            }
            bool byRef = false;
            VARTYPE result = Passed(desc->elemdescFunc.tdesc, info.Get(), byRef);
            if (put) {  // the value put is the property's own type
                ASSERT_FALSE(params.empty()) << what;
                result = params.back().first;
                params.pop_back();
            }
            EXPECT_EQ(params, e.params) << what << ": the parameters differ";
            EXPECT_EQ(result, e.result) << what << ": the result differs";
            info->ReleaseFuncDesc(desc);
        }
    }
    // A collection serves its items both ways the engine does: as its default property and as the
    // method, so that a script's "Layers(1)" and "Layers.Item(1)" reach them as on the engine.
    for (const StandInInterface& i : kInterfaces)
        for (const char* item : {"Item", "_Item"})
            if (engine[i.engineName].count(item)) {
                EXPECT_TRUE(servedNames.count(std::string(i.engineName) + "." + item)) << i.engineName << "." << item;
            }
    EXPECT_EQ(dispinterfaces, std::size(kInterfaces));
    EXPECT_GT(served, 300u);
}

}  // namespace
}  // namespace enginetest
