#include "ZmaVOMap2/atr/ATRLayer.h"

#include "ZmaVOMap2/engine/EngineDispatch.h"
#include "ZmaVOMap2/engine/EngineMembers.h"
#include "ZmaVOMap2/layers/FileNames.h"
#include "ZmaVOMap2/layers/LayerFactory.h"
#include "ZmaVOMap2/persistence/PersistXml.h"
#include "ZmaVOMap2/services/PathNames.h"
#include "platform/Result.h"
#include "platform/Window.h"
#include "platform/Xml.h"

#include <algorithm>
#include <cfloat>
#include <fstream>

using platform::ComPtr;
using platform::Variant;

namespace {

const wchar_t kAddCaption[] = L"Add new layer";
const wchar_t kRemoveCaption[] = L"Remove layer";
const wchar_t kMapCaption[] = L"Map Module";

bool IsRelative(const std::string& path) {
    return !(path.size() > 1 && (path[1] == ':' || (path[0] == '\\' && path[1] == '\\')) ) &&
           !(path.size() > 0 && (path[0] == '\\' || path[0] == '/'));
}

}  // namespace

void RegisterAtrLayerKind(LayerFactory& factory) {
    factory.Register(CZmaVadAZLayer::kTypeAtrList, [](IDispatch* map, CZmaVadAZLayerCollection* owner, int) {
        return std::unique_ptr<CZmaVadAZLayer>(std::make_unique<CATRLayer>(map, owner));
    });
}

CATRLayer::CATRLayer(IDispatch* map, CZmaVadAZLayerCollection* owner) : CZmaVadAZLayer(map, owner) {}

CATRLayer::~CATRLayer() {
    CATRLayer::TakeOutOfMap();
    members_.clear();
    tableNames_.clear();
}

void CATRLayer::TakeOutOfMap() noexcept {
    RemoveMembers();
    first_ = last_ = -1;
}

std::vector<long> CATRLayer::FindMembers() {
    std::vector<ComPtr<IUnknown>> held;
    std::vector<IUnknown*> identities;
    for (const auto& member : members_) {
        ComPtr<IUnknown> identity;
        member->QueryInterface(IID_IUnknown, identity.PutVoid());
        identities.push_back(identity.Get());
        held.push_back(std::move(identity));
    }
    std::sort(identities.begin(), identities.end());
    ComPtr<IDispatch> layers = EngineLayers();
    EngineDispatch list(layers.Get());
    const long count = list.Get(Engine::Layers::kCount).ToLong();
    std::vector<long> positions;
    for (long i = 1; i <= count && positions.size() < identities.size(); ++i) {
        ComPtr<IDispatch> layer = platform::DispatchOf(list.Call(Engine::Layers::kItem, {Variant(i)}));
        if (!layer) continue;
        ComPtr<IUnknown> identity;
        layer->QueryInterface(IID_IUnknown, identity.PutVoid());
        if (std::binary_search(identities.begin(), identities.end(), identity.Get())) positions.push_back(i);
    }
    first_ = positions.empty() ? -1 : static_cast<int>(positions.front());
    last_ = positions.empty() ? -1 : static_cast<int>(positions.back());
    return positions;
}

void CATRLayer::MoveMembers(int positions) {
    std::vector<long> at = FindMembers();
    if (positions > 0) std::reverse(at.begin(), at.end());
    ComPtr<IDispatch> layers = EngineLayers();
    EngineDispatch list(layers.Get());
    for (long p : at)
        list.Call(Engine::Layers::kMove, {Variant(static_cast<short>(p)), Variant(static_cast<short>(p + positions))});
}

// From the bottom member up: a removal moves only the layers below it.
void CATRLayer::RemoveMembers() noexcept {
    if (members_.empty()) return;
    try {
        ReportingFailuresUnder(kRemoveCaption, [&] {
            const std::vector<long> at = FindMembers();
            ComPtr<IDispatch> layers = EngineLayers();
            EngineDispatch list(layers.Get());
            for (auto p = at.rbegin(); p != at.rend(); ++p) list.Call(Engine::Layers::kRemove, {Variant(static_cast<short>(*p))});
        });
    }
    CATCH_SWALLOW("a removal that fails otherwise than in the engine leaves the members to the map");
}

bool CATRLayer::ReadTableList(const std::string& path) {
    std::ifstream file(path);
    if (!file) return false;
    tableNames_.clear();
    std::string line;
    while (std::getline(file, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        // A list names tables; any other line (of a file that is no list at all, say) would open
        // or make whatever it names.
        if (!HasTableExtension(line) || !IsPlainFilePath(line)) {
            LogLeftOutFile(line, "a list's entries are table files (.TAB)");
            continue;
        }
        tableNames_.push_back(line);
    }
    const size_t slash = path.find_last_of('\\');
    const size_t start = slash == std::string::npos ? 0 : slash + 1;
    const size_t dot = path.find_last_of('.');
    SetNameOnly(path.substr(start, dot == std::string::npos || dot < start ? std::string::npos : dot - start));
    return true;
}

std::string CATRLayer::ResolveTable(const std::string& name) const {
    if (!IsRelative(name)) return name;
    const size_t slash = listPath_.find_last_of("\\/");
    return slash == std::string::npos ? name : listPath_.substr(0, slash + 1) + name;
}

BOOL CATRLayer::Create(int /*type*/, const std::string& path) {
    memberCount_ = 0;
    if (!GetMapXMap()) return 0;
    if (!IsPlainFilePath(path)) {
        TellUser(platform::ToWide(path) + L" does not name a list file.", kAddCaption);
        return 0;
    }
    listPath_ = path;
    if (!ReadTableList(path)) {
        LogLeftOutFile(path, "the list file cannot be read");
        return 0;
    }
    if (tableNames_.empty()) {
        LogLeftOutFile(path, "the list names no table");
        return 0;
    }
    first_ = 1;
    last_ = 0;
    ComPtr<IDispatch> layers;
    try {
        layers = EngineLayers();
        EngineDispatch list(layers.Get());
        for (const std::string& name : tableNames_) {
            ComPtr<IDispatch> added = platform::DispatchOf(
                list.Call(Engine::Layers::kAdd, {Variant(platform::ToWide(ResolveTable(name))), Variant(1L)}));
            if (!added) platform::ThrowHr(E_FAIL);
            members_.push_back(added);
            ++memberCount_;
            last_ = first_ + memberCount_ - 1;
            ComPtr<IDispatch> bounds = platform::DispatchOf(EngineDispatch(added.Get()).Get(Engine::Layer::kBounds));
            if (!bounds) continue;
            EngineDispatch b(bounds.Get());
            const double x1 = b.Get(Engine::Rectangle::kXMin).ToDouble(), y1 = b.Get(Engine::Rectangle::kYMin).ToDouble();
            const double x2 = b.Get(Engine::Rectangle::kXMax).ToDouble(), y2 = b.Get(Engine::Rectangle::kYMax).ToDouble();
            if (memberCount_ == 1) {
                extent_ = {x1, y2, x2, y1};
            } else {
                extent_.left = std::min(extent_.left, x1);
                extent_.bottom = std::min(extent_.bottom, y1);
                extent_.right = std::max(extent_.right, x2);
                extent_.top = std::max(extent_.top, y2);
            }
        }
    } catch (const platform::ComError& e) {
        // A block that is not whole would leave engine layers no own layer owns: take out exactly
        // the ones this call added.
        if (e.Error() != E_FAIL || !e.Description().empty()) TellUser(e.Description(), kAddCaption);
        RemoveMembers();
        members_.clear();
        memberCount_ = 0;
        first_ = last_ = -1;
        return 0;
    }
    SetType(kTypeAtrList);
    return memberCount_;
}

void CATRLayer::GetSourceFiles(std::vector<std::string>& files) {
    files.insert(files.end(), tableNames_.begin(), tableNames_.end());
}

HRESULT CATRLayer::ExportTab(const std::wstring& folder) {
    try {
        std::vector<ExportedTable> tables;
        for (const std::string& name : tableNames_) {
            const std::string file = GetFileNameOfPath(name);
            tables.push_back({ResolveTable(name), file.substr(0, file.size() - 4)});  // without ".TAB"
        }
        CopyTables(folder, tables);
        return S_OK;
    }
    // The reason stays with the thread for whoever reports the failure.
    CATCH_RETURN_KEEP_INFO()
}

// Told (not applied), the block only counts: the layer that moved has moved the engine's list.
BOOL CATRLayer::MoveUp(bool apply, int positions) {
    if (!GetMapXMap()) return memberCount_;
    ReportingFailuresUnder(kMapCaption, [&] {
        if (apply) MoveMembers(positions);
        first_ += positions;
        last_ += positions;
    });
    return last_ - first_ + 1;
}

BOOL CATRLayer::MoveDown(bool apply, int positions) {
    if (!GetMapXMap()) return memberCount_;
    ReportingFailuresUnder(kMapCaption, [&] {
        if (apply) MoveMembers(-positions);
        first_ -= positions;
        last_ -= positions;
    });
    return last_ - first_ + 1;
}

template <class Apply>
void CATRLayer::ForEachMember(Apply&& apply) {
    for (auto& member : members_) apply(EngineDispatch(member.Get()));
}

HRESULT CATRLayer::SetVisible(bool visible) {
    ForEachMember([visible](EngineDispatch member) { member.Put(Engine::Layer::kVisible, Variant(visible)); });
    return S_OK;
}

bool CATRLayer::IsVisible() {
    return !members_.empty() && EngineDispatch(members_.front().Get()).Get(Engine::Layer::kVisible).ToBool();
}

int CATRLayer::GetExtent(IDispatch* rectangle) {
    if (!rectangle) return E_POINTER;
    EngineDispatch(rectangle).Call(Engine::Rectangle::kSet, {Variant(extent_.left), Variant(extent_.bottom),
                                                        Variant(extent_.right), Variant(extent_.top)});
    return 1;
}

void CATRLayer::SetZoomLayering(bool on) {
    ForEachMember([on](EngineDispatch member) { member.Put(Engine::Layer::kZoomLayering, Variant(on)); });
}

bool CATRLayer::GetZoomLayering() {
    return !members_.empty() && EngineDispatch(members_.front().Get()).Get(Engine::Layer::kZoomLayering).ToBool();
}

double CATRLayer::GetZoomMin() {
    return members_.empty() ? 0.0 : EngineDispatch(members_.front().Get()).Get(Engine::Layer::kZoomMin).ToDouble();
}

void CATRLayer::SetZoomMin(double zoom) {
    ForEachMember([zoom](EngineDispatch member) { member.Put(Engine::Layer::kZoomMin, Variant(zoom)); });
}

double CATRLayer::GetZoomMax() {
    return members_.empty() ? 0.0 : EngineDispatch(members_.front().Get()).Get(Engine::Layer::kZoomMax).ToDouble();
}

void CATRLayer::SetZoomMax(double zoom) {
    ForEachMember([zoom](EngineDispatch member) { member.Put(Engine::Layer::kZoomMax, Variant(zoom)); });
}

HRESULT CATRLayer::SaveSettings(IXMLDOMNode* parent) {
    using namespace persistxml;
    ComPtr<IXMLDOMElement> element = platform::CreateChildElement(parent, L"Layer");
    platform::SetAttribute(element.Get(), L"layertype", LongText(kTypeAtrList));
    platform::SetAttribute(element.Get(), L"layerfilespec", platform::ToWide(listPath_));
    platform::SetAttribute(element.Get(), L"visible", BoolText(IsVisible()));
    platform::SetAttribute(element.Get(), L"layerzoomlayering", BoolText(GetZoomLayering()));
    platform::SetAttribute(element.Get(), L"layerzoommin", platform::FormatDouble(GetZoomMin()));
    platform::SetAttribute(element.Get(), L"layerzoommax", platform::FormatDouble(GetZoomMax()));
    platform::SetAttribute(element.Get(), L"amendedlayername", platform::ToWide(GetAmendedName()));
    return S_OK;
}

HRESULT CATRLayer::LoadSettings(IXMLDOMElement* element, long /*labelArgument*/) {
    using namespace persistxml;
    if (members_.empty()) return E_UNEXPECTED;
    SetVisible(RequireBool(element, L"visible"));
    SetZoomLayering(RequireBool(element, L"layerzoomlayering"));
    // A zoom the map cannot use leaves the tables' own.
    double zoom = 0;
    if (RequireNumberWithin(element, L"layerzoommax", 0.0, DBL_MAX, zoom)) SetZoomMax(zoom);
    if (RequireNumberWithin(element, L"layerzoommin", 0.0, DBL_MAX, zoom)) SetZoomMin(zoom);
    return S_OK;
}
