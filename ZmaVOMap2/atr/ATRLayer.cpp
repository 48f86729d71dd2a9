#include "ZmaVOMap2/atr/ATRLayer.h"

#include "ZmaVOMap2/engine/EngineDispatch.h"
#include "ZmaVOMap2/engine/EngineMembers.h"
#include "ZmaVOMap2/layers/FileNames.h"
#include "ZmaVOMap2/layers/LayerFactory.h"
#include "ZmaVOMap2/layers/LayerXml.h"
#include "platform/Result.h"
#include "platform/Window.h"
#include "platform/Xml.h"

#include <algorithm>
#include <fstream>

using platform::ComPtr;
using platform::Variant;
namespace E = LayerEngine;

namespace {

const wchar_t kAddCaption[] = L"Add new layer";
const wchar_t kRemoveCaption[] = L"Remove layer";
const wchar_t kMapCaption[] = L"Map Module";

ComPtr<IDispatch> AsObject(const Variant& value) {
    if (value.vt != VT_DISPATCH || !value.pdispVal) return nullptr;
    return ComPtr<IDispatch>(value.pdispVal);
}

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
    RemoveMembers(last_ - first_ + 1);
    first_ = last_ = -1;
}

// Each removal at the block's first position moves the next member up into it.
void CATRLayer::RemoveMembers(int count) noexcept {
    if (count <= 0 || first_ < 1) return;
    try {
        ComPtr<IDispatch> layers = EngineLayers();
        EngineDispatch list(layers.Get());
        for (int i = 0; i < count; ++i) list.Call(E::Layers::kRemove, {Variant(static_cast<short>(first_))});
    } catch (const platform::ComError& e) {
        TellUser(e.Description(), kRemoveCaption);
    } catch (...) {
    }
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
    if (!ReadTableList(path)) return 0;
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
            ComPtr<IDispatch> added = AsObject(
                list.Call(E::Layers::kAdd, {Variant(platform::ToWide(ResolveTable(name))), Variant(1L)}));
            if (!added) platform::ThrowHr(E_FAIL);
            members_.push_back(added);
            ++memberCount_;
            last_ = first_ + memberCount_ - 1;
            ComPtr<IDispatch> bounds = AsObject(EngineDispatch(added.Get()).Get(E::Layer::kBounds));
            if (!bounds) continue;
            EngineDispatch b(bounds.Get());
            const double x1 = b.Get(E::Rectangle::kXMin).ToDouble(), y1 = b.Get(E::Rectangle::kYMin).ToDouble();
            const double x2 = b.Get(E::Rectangle::kXMax).ToDouble(), y2 = b.Get(E::Rectangle::kYMax).ToDouble();
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
        RemoveMembers(memberCount_);
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

BOOL CATRLayer::MoveUp(bool apply, int positions) {
    if (!GetMapXMap()) return memberCount_;
    try {
        if (apply) {
            ComPtr<IDispatch> layers = EngineLayers();
            EngineDispatch list(layers.Get());
            for (int p = last_; p >= first_; --p)
                list.Call(E::Layers::kMove, {Variant(static_cast<long>(p)), Variant(static_cast<long>(p + positions))});
        }
        first_ += positions;
        last_ += positions;
    } catch (const platform::ComError& e) {
        TellUser(e.Description(), kMapCaption);
    }
    return last_ - first_ + 1;
}

BOOL CATRLayer::MoveDown(bool apply, int positions) {
    if (!GetMapXMap()) return memberCount_;
    try {
        if (apply) {
            ComPtr<IDispatch> layers = EngineLayers();
            EngineDispatch list(layers.Get());
            for (int p = first_; p <= last_; ++p)
                list.Call(E::Layers::kMove, {Variant(static_cast<long>(p)), Variant(static_cast<long>(p - positions))});
        }
        first_ -= positions;
        last_ -= positions;
    } catch (const platform::ComError& e) {
        TellUser(e.Description(), kMapCaption);
    }
    return last_ - first_ + 1;
}

template <class Apply>
void CATRLayer::ForEachMember(Apply&& apply) {
    for (auto& member : members_) apply(EngineDispatch(member.Get()));
}

HRESULT CATRLayer::SetVisible(bool visible) {
    ForEachMember([visible](EngineDispatch member) { member.Put(E::Layer::kVisible, Variant(visible)); });
    return S_OK;
}

bool CATRLayer::IsVisible() {
    return !members_.empty() && EngineDispatch(members_.front().Get()).Get(E::Layer::kVisible).ToBool();
}

int CATRLayer::GetExtent(IDispatch* rectangle) {
    if (!rectangle) return E_POINTER;
    EngineDispatch(rectangle).Call(E::Rectangle::kSet, {Variant(extent_.left), Variant(extent_.bottom),
                                                        Variant(extent_.right), Variant(extent_.top)});
    return 1;
}

void CATRLayer::SetZoomLayering(bool on) {
    ForEachMember([on](EngineDispatch member) { member.Put(E::Layer::kZoomLayering, Variant(on)); });
}

bool CATRLayer::GetZoomLayering() {
    return !members_.empty() && EngineDispatch(members_.front().Get()).Get(E::Layer::kZoomLayering).ToBool();
}

double CATRLayer::GetZoomMin() {
    return members_.empty() ? 0.0 : EngineDispatch(members_.front().Get()).Get(E::Layer::kZoomMin).ToDouble();
}

void CATRLayer::SetZoomMin(double zoom) {
    ForEachMember([zoom](EngineDispatch member) { member.Put(E::Layer::kZoomMin, Variant(zoom)); });
}

double CATRLayer::GetZoomMax() {
    return members_.empty() ? 0.0 : EngineDispatch(members_.front().Get()).Get(E::Layer::kZoomMax).ToDouble();
}

void CATRLayer::SetZoomMax(double zoom) {
    ForEachMember([zoom](EngineDispatch member) { member.Put(E::Layer::kZoomMax, Variant(zoom)); });
}

HRESULT CATRLayer::SaveSettings(IXMLDOMNode* parent) {
    using namespace layerxml;
    ComPtr<IXMLDOMElement> element = platform::CreateChildElement(parent, L"Layer");
    platform::SetAttribute(element.Get(), L"layertype", FormatLong(kTypeAtrList));
    platform::SetAttribute(element.Get(), L"layerfilespec", platform::ToWide(listPath_));
    platform::SetAttribute(element.Get(), L"visible", FormatBool(IsVisible()));
    platform::SetAttribute(element.Get(), L"layerzoomlayering", FormatBool(GetZoomLayering()));
    platform::SetAttribute(element.Get(), L"layerzoommin", platform::FormatDouble(GetZoomMin()));
    platform::SetAttribute(element.Get(), L"layerzoommax", platform::FormatDouble(GetZoomMax()));
    platform::SetAttribute(element.Get(), L"amendedlayername", platform::ToWide(GetAmendedName()));
    return S_OK;
}

HRESULT CATRLayer::LoadSettings(IXMLDOMElement* element, long /*labelArgument*/) {
    using namespace layerxml;
    if (members_.empty()) return E_UNEXPECTED;
    SetVisible(RequireBool(element, L"visible"));
    SetZoomLayering(RequireBool(element, L"layerzoomlayering"));
    SetZoomMax(RequireDouble(element, L"layerzoommax"));
    SetZoomMin(RequireDouble(element, L"layerzoommin"));
    return S_OK;
}
