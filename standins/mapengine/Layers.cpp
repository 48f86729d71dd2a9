#include "standins/mapengine/Layers.h"

#include "standins/mapengine/Faults.h"

#include <algorithm>
#include <string>

using platform::ComPtr;

namespace mapengine {

const MemberTable<Layers>& Layers::Members() {
    static const MemberTable<Layers> table = MemberTable<Layers>()
        .Get(L"Count", &Layers::GetCount)
        .Method(L"ClearSelection", &Layers::ClearSelection)
        .Method(L"Move", &Layers::Move)
        .Method(L"Add", &Layers::Add)
        .Method(L"AddUserDrawLayer", &Layers::AddUserDrawLayer)
        .Get(L"Item", &Layers::Item)
        .Method(L"_Item", &Layers::Item)
        .Method(L"Remove", &Layers::Remove)
        .Method(L"CreateLayer", &Layers::CreateLayer)
        .Method(L"RemoveAll", &Layers::RemoveAll)
        .Get(L"InsertionLayer", &Layers::GetInsertionLayer)
        .Put(L"InsertionLayer", &Layers::PutInsertionLayer);
    return table;
}

ComPtr<Layers> Layers::Make(MapServices* map) {
    ComPtr<Layers> l = platform::MakeObject<Layers>();
    l->map_ = map;
    return l;
}

Layers::~Layers() {
    for (const ComPtr<Layer>& layer : layers_) layer->ForgetNames();
}

void Layers::DetachAll() noexcept {
    for (const ComPtr<Layer>& layer : layers_) {
        layer->ForgetNames();
        layer->DetachFromMap();
    }
    layers_.clear();
    insertion_ = nullptr;
    map_ = nullptr;
}

void Layers::Changed() {
    if (map_) map_->ContentChanged();
}

size_t Layers::IndexOf(const Call& c, size_t arg) const {
    if (c.Arg(arg).vt == VT_BSTR && !names_.Has(c.String(arg)))
        Fail(DISP_E_BADINDEX, L"No layer named " + c.String(arg));
    return IndexByNameOrPosition(c, arg, layers_, [](const ComPtr<Layer>& l) -> const std::wstring& { return l->Name(); }, L"layer");
}

// Where a new layer goes: the given position (1 to Count + 1), or the top when omitted.
size_t Layers::InsertPosition(const Call& c, size_t arg) const {
    if (!c.Has(arg)) return 0;
    long position = c.Long(arg);
    if (position < 1 || static_cast<size_t>(position) > layers_.size() + 1) {
        Fail(DISP_E_BADINDEX, L"A layer cannot be inserted at position " + std::to_wstring(position));
    }
    return static_cast<size_t>(position - 1);
}

void Layers::Insert(const ComPtr<Layer>& layer, size_t index) {
    layers_.insert(layers_.begin() + static_cast<ptrdiff_t>(index), layer);
    layer->CountNameIn(&names_);
    Changed();
}

void Layers::Erase(size_t index) {
    ComPtr<Layer> layer = layers_[index];
    layers_.erase(layers_.begin() + static_cast<ptrdiff_t>(index));
    if (insertion_ == layer) insertion_ = nullptr;
    layer->CountNameIn(nullptr);
    layer->DetachFromMap();
    Changed();
}

void Layers::GetCount(Call& c) { c.Return(static_cast<long>(layers_.size())); }

void Layers::ClearSelection(Call&) {
    for (const ComPtr<Layer>& layer : layers_) {
        if (!layer->Selection().List().empty()) layer->Selection().Replace({});
    }
}

void Layers::Move(Call& c) {
    size_t from = IndexOf(c, 0);
    size_t to = IndexOfPosition(c.Long(1), layers_.size(), L"layer");
    ComPtr<Layer> layer = layers_[from];
    layers_.erase(layers_.begin() + static_cast<ptrdiff_t>(from));
    layers_.insert(layers_.begin() + static_cast<ptrdiff_t>(to), layer);
    Changed();
    c.Return(true);
}

void Layers::Add(Call& c) {
    std::wstring path = c.String(0);
    if (path.empty()) Fail(E_INVALIDARG, L"A table path is needed");
    size_t index = InsertPosition(c, 1);
    ComPtr<Layer> layer = Layer::OpenTable(map_, path);
    Insert(layer, index);
    if (layer->Raster() && layers_.size() == 1 && map_) map_->ShowRaster(*layer->Raster());
    c.Return(layer);
}

void Layers::AddUserDrawLayer(Call& c) {
    if (FaultSwitches::FromEnvironment().failUserDraw) Fail(E_FAIL, L"The map refuses a user-draw layer");
    std::wstring name = c.String(0);
    if (name.empty()) Fail(E_INVALIDARG, L"A layer needs a name");
    size_t index = InsertPosition(c, 1);
    ComPtr<Layer> layer = Layer::CreateUserDraw(map_, name);
    Insert(layer, index);
    c.Return(layer);
}

void Layers::Item(Call& c) { c.Return(layers_[IndexOf(c, 0)]); }

void Layers::Remove(Call& c) { Erase(IndexOf(c, 0)); }

void Layers::CreateLayer(Call& c) {
    std::wstring name = c.String(0);
    if (name.empty()) Fail(E_INVALIDARG, L"A layer needs a name");
    std::wstring path = c.Has(1) && c.Arg(1).vt != VT_NULL ? c.String(1) : std::wstring();
    size_t index = InsertPosition(c, 2);
    ComPtr<Layer> layer = Layer::CreateTable(map_, name, path);
    if (!path.empty()) layer->FeatureChanged();  // writes the new, empty table
    Insert(layer, index);
    c.Return(layer);
}

void Layers::RemoveAll(Call&) {
    while (!layers_.empty()) Erase(layers_.size() - 1);
}

void Layers::GetInsertionLayer(Call& c) { c.Return(insertion_); }

void Layers::PutInsertionLayer(Call& c) {
    ComPtr<Layer> layer = c.ObjectOrNull<Layer>(0);
    if (layer && std::find(layers_.begin(), layers_.end(), layer) == layers_.end()) {
        Fail(E_INVALIDARG, L"The layer is not in this map");
    }
    insertion_ = layer;
}

}  // namespace mapengine
