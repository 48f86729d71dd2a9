#include "ZmaVOMap2/direction/ZmaVadAZDirectionLayer.h"

#include "ZmaVOMap2/datalayers/HostDataset.h"
#include "ZmaVOMap2/datalayers/ZmaVadAZDataLayer.h"
#include "ZmaVOMap2/engine/EngineDispatch.h"
#include "ZmaVOMap2/engine/EngineMembers.h"
#include "ZmaVOMap2/layers/LayerFactory.h"
#include "ZmaVOMap2/layers/LayerHost.h"
#include "ZmaVOMap2/persistence/PersistXml.h"
#include "ZmaVOMap2/layers/ZmaVadAZLayerCollection.h"
#include "ZmaVOMap2/services/PackageManager.h"
#include "platform/Gdiplus.h"
#include "platform/Result.h"
#include "platform/UniqueHandle.h"
#include "platform/Window.h"
#include "platform/Xml.h"

#include <map>
#include <unordered_set>

using platform::ComPtr;
using platform::Variant;

namespace {

constexpr wchar_t kConfigAddress[] = L"terravex://Bin/XMLFiles/DriveDirectionConfig.xml";
constexpr wchar_t kNotChronological[] =
    L"Drive direction can not be displayed for streams which are not sorted chronologically. This might be "
    L"because the stream is using location binning.";

// A host dataset's rows as the arrow search reads them.
class DatasetRows : public DirectionRowSource {
public:
    explicit DatasetRows(IHostDataset* dataset) : rows_(hostdata::Rows(dataset)) {
        ComPtr<IHostFields> fields = hostdata::Fields(dataset);
        latitude_ = hostdata::FieldByName(fields.Get(), L"Latitude");
        longitude_ = hostdata::FieldByName(fields.Get(), L"Longitude");
        distance_ = hostdata::FieldByName(fields.Get(), L"Distance");
        time_ = hostdata::FieldByName(fields.Get(), L"Time");
    }
    void MoveFirst() override { hostdata::MoveFirst(rows_.Get()); }
    bool MoveNext() override { return hostdata::MoveNext(rows_.Get()); }
    void MoveTo(long row) override { hostdata::MoveTo(rows_.Get(), row); }
    long CurrentRow() override {
        long row = -1;
        THROW_IF_FAILED(rows_->get_CurrentRow(&row));
        return row;
    }
    bool IsValid() override {
        // Without the fields there is no valid row at all.
        if (!latitude_ || !longitude_ || !distance_) return false;
        return !IsNull(latitude_.Get()) && !IsNull(longitude_.Get()) && !IsNull(distance_.Get());
    }
    long Distance() override { return Read(distance_.Get(), VT_I4).lVal; }
    double Time() override { return time_ ? Read(time_.Get(), VT_R8).dblVal : 0.0; }
    double Latitude() override { return Read(latitude_.Get(), VT_R8).dblVal; }
    double Longitude() override { return Read(longitude_.Get(), VT_R8).dblVal; }

    IHostField* LatitudeField() const { return latitude_.Get(); }
    IHostField* LongitudeField() const { return longitude_.Get(); }

private:
    static bool IsNull(IHostField* field) {
        Variant value;
        hostdata::ReadValue(field, value);
        return value.vt == VT_NULL;
    }
    static Variant Read(IHostField* field, VARTYPE type) {
        Variant value;
        hostdata::ReadValue(field, value);
        if (value.vt != type) THROW_IF_FAILED(::VariantChangeType(&value, &value, 0, type));
        return value;
    }

    ComPtr<IHostRows> rows_;
    ComPtr<IHostField> latitude_, longitude_, distance_, time_;
};

long LoadArrowSpacing(long routeLength) {
    const std::wstring path = ResolvePackagePath(kConfigAddress);
    if (path.empty()) return direction::DefaultSpacing(routeLength);
    try {
        ComPtr<IXMLDOMDocument2> document = platform::CreateXmlDocument();
        document->put_async(VARIANT_FALSE);
        VARIANT_BOOL loaded = VARIANT_FALSE;
        Variant source(path);
        if (document->load(source, &loaded) != S_OK || loaded != VARIANT_TRUE) return direction::DefaultSpacing(routeLength);
        return direction::SpacingFromConfig(document.Get(), routeLength);
    }
    CATCH_SWALLOW("a configuration that cannot be read gives the default spacing");
    return direction::DefaultSpacing(routeLength);
}

}  // namespace

CZmaVadAZDirectionLayer::CZmaVadAZDirectionLayer(IDispatch* map, int, CZmaVadAZLayerCollection* owner)
    : CZmaVadAZLayer(map, owner), optimiser_(std::make_unique<RendererOptimiserDataset>()) {
    SetType(kTypeDirection);
    CreateEngineLayer(map);
    optimiser_->SetMap(map);
}

CZmaVadAZDirectionLayer::CZmaVadAZDirectionLayer(IHostDataset* dataset, const std::wstring& seriesGuid, IDispatch* map,
                                                 int flag, CZmaVadAZLayerCollection* owner)
    : CZmaVadAZDirectionLayer(map, flag, owner) {
    dataset_ = dataset;
    seriesGuid_ = seriesGuid;
    BuildArrows();
}

void CZmaVadAZDirectionLayer::CreateEngineLayer(IDispatch* map) {
    const std::string name = MakeUniqueName("Direction", map);
    if (!AddUserDrawLayer(name)) platform::ThrowHr(E_POINTER);
}

ComPtr<IHostDataset> CZmaVadAZDirectionLayer::FindSeriesDataset() {
    CZmaVadAZLayerCollection* owner = GetOwner();
    if (!owner || seriesGuid_.empty()) return nullptr;
    auto* layer = dynamic_cast<CZmaVadAZDataLayer*>(owner->FindLayer(seriesGuid_));
    return layer ? ComPtr<IHostDataset>(layer->GetDataset()) : nullptr;
}

void CZmaVadAZDirectionLayer::BuildArrows() {
    if (!dataset_) dataset_ = FindSeriesDataset();
    // No dataset: nothing to walk, and the layer draws nothing until the series comes back.
    if (!dataset_ || notChronological_) return;
    if (CZmaVadAZLayerCollection* owner = GetOwner()) {
        platform::Bstr field(L"Distance"), series(seriesGuid_);
        owner->Host().FireGetField(field.Get(), series.Get());
    }
    DatasetRows rows(dataset_.Get());
    const long spacing = LoadArrowSpacing(direction::RouteLength(rows));
    const direction::ArrowSearch found = direction::FindArrowRows(rows, spacing);
    if (!found.chronological) {
        notChronological_ = true;
        platform::Prompts().MessageBox(nullptr, kNotChronological, L"Map", MB_ICONINFORMATION);
        platform::ThrowHr(E_FAIL);
    }
    arrows_ = direction::ReadArrows(rows, found.pairs);
    rows.MoveFirst();
    latitude_ = rows.LatitudeField();
    longitude_ = rows.LongitudeField();
    optimiser_->SetSources(dataset_.Get(), latitude_.Get(), longitude_.Get());
}

int CZmaVadAZDirectionLayer::GetExtent(IDispatch* rectangle) {
    try {
        ZmaExtent extent;
        if (!rectangle || !optimiser_->GetDataExtent(extent)) return 0;
        EngineDispatch(rectangle).Call(Engine::Rectangle::kSet, {Variant(extent.left), Variant(extent.top),
                                                                      Variant(extent.right), Variant(extent.bottom)});
        return 1;
    }
    CATCH_SWALLOW("a layer whose extent cannot be read has none");
    return 0;
}

bool CZmaVadAZDirectionLayer::Draw(HDC dc, const RECT& rect, const ZmaExtent& extent) {
    if (arrows_.empty()) BuildArrows();
    CZmaVadAZLayerCollection* owner = GetOwner();
    if (owner && owner->UsesGdiPlus())
        DrawArrowsGdiPlus(dc, rect, extent);
    else
        DrawArrowsGdi(dc, rect, extent);
    return true;
}

std::vector<POINT> CZmaVadAZDirectionLayer::ArrowLinesInView(HDC dc, const RECT& rect, const ZmaExtent& extent) {
    projection_.SetMap(GetMapXMap().Get());
    projection_.Prepare(extent);
    const int dpi = ::GetDeviceCaps(dc, LOGPIXELSY);
    POINT offset = {0, 0};
    if (CZmaVadAZLayerCollection* owner = GetOwner()) offset = owner->Host().ZoomViewOffset();
    // An arrow lies within its arm and spread of its first point: one whose first point is
    // farther out than that cannot show.
    const double reach = ::MulDiv(10 + 7 + 2, dpi, 96) + 1;
    const double left = rect.left - reach, top = rect.top - reach, right = rect.right + reach, bottom = rect.bottom + reach;
    std::vector<POINT> lines;
    std::unordered_set<direction::ArrowLines, direction::ArrowLinesHash> drawn;
    for (const DirectionArrow& arrow : arrows_) {
        float s0x, s0y, s1x, s1y;
        projection_.ToScreen(arrow.x0, arrow.y0, s0x, s0y);
        s0x -= offset.x, s0y -= offset.y;
        if (!(s0x >= left && s0x <= right && s0y >= top && s0y <= bottom)) continue;
        projection_.ToScreen(arrow.x1, arrow.y1, s1x, s1y);
        s1x -= offset.x, s1y -= offset.y;
        direction::ArrowLines arrowLines;
        // Two points on one pixel give no direction: such an arrow is left out.
        if (!direction::MakeArrowLines(s0x, s0y, s1x, s1y, dpi, arrowLines)) continue;
        // Zoomed out, many arrows of a long route fall on the very same pixels: each is drawn once.
        if (!drawn.insert(arrowLines).second) continue;
        lines.insert(lines.end(), {arrowLines.tail, arrowLines.head, arrowLines.barb1, arrowLines.head, arrowLines.head,
                                   arrowLines.barb2});
    }
    return lines;
}

void CZmaVadAZDirectionLayer::DrawArrowsGdiPlus(HDC dc, const RECT& rect, const ZmaExtent& extent) {
    const std::vector<POINT> lines = ArrowLinesInView(dc, rect, extent);
    Gdiplus::Graphics graphics(dc);
    graphics.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
    Gdiplus::Pen pen(Gdiplus::Color(0xFF000000), static_cast<Gdiplus::REAL>(::MulDiv(2, ::GetDeviceCaps(dc, LOGPIXELSY), 96)));
    // A few arrows per path: a path costs GDI+ about what one line does, but one path of
    // thousands of figures costs far more than its lines.
    constexpr size_t kLinesPerPath = 48;
    for (size_t from = 0; from < lines.size(); from += 2 * kLinesPerPath) {
        Gdiplus::GraphicsPath path;
        for (size_t i = from; i + 1 < lines.size() && i < from + 2 * kLinesPerPath; i += 2) {
            path.StartFigure();
            path.AddLine(Gdiplus::Point(lines[i].x, lines[i].y), Gdiplus::Point(lines[i + 1].x, lines[i + 1].y));
        }
        graphics.DrawPath(&pen, &path);
    }
}

void CZmaVadAZDirectionLayer::DrawArrowsGdi(HDC dc, const RECT& rect, const ZmaExtent& extent) {
    const std::vector<POINT> lines = ArrowLinesInView(dc, rect, extent);
    if (lines.empty()) return;
    platform::UniqueHPen pen(::CreatePen(PS_SOLID, ::MulDiv(2, ::GetDeviceCaps(dc, LOGPIXELSY), 96), RGB(0, 0, 0)));
    platform::SelectObjectRestorer selected(dc, pen.Get());
    // Every line is a polyline of its own two points.
    const std::vector<DWORD> counts(lines.size() / 2, 2);
    ::PolyPolyline(dc, lines.data(), counts.data(), static_cast<DWORD>(counts.size()));
}

HRESULT CZmaVadAZDirectionLayer::SaveSettings(IXMLDOMNode* parent) {
    try {
        ComPtr<IXMLDOMElement> layer = platform::CreateChildElement(parent, L"Layer");
        platform::SetAttribute(layer.Get(), L"layertype", persistxml::LongText(GetType()));
        platform::SetAttribute(layer.Get(), L"layerfilespec", L"");
        platform::SetAttribute(layer.Get(), L"GUID", seriesGuid_);
        ComPtr<IXMLDOMElement> points = platform::CreateChildElement(layer.Get(), L"DirectionPoints");
        for (const DirectionArrow& arrow : arrows_) {
            ComPtr<IXMLDOMElement> point = platform::CreateChildElement(points.Get(), L"DirectionPoint");
            platform::SetAttribute(point.Get(), L"X0", platform::FormatDouble(arrow.x0));
            platform::SetAttribute(point.Get(), L"Y0", platform::FormatDouble(arrow.y0));
            platform::SetAttribute(point.Get(), L"X1", platform::FormatDouble(arrow.x1));
            platform::SetAttribute(point.Get(), L"Y1", platform::FormatDouble(arrow.y1));
        }
        return S_OK;
    } CATCH_RETURN_QUIET()
}

HRESULT CZmaVadAZDirectionLayer::LoadSettings(IXMLDOMElement* element, long) {
    if (!element) return E_INVALIDARG;
    try {
        SetType(persistxml::RequireLong(element, L"layertype"));
        seriesGuid_ = persistxml::RequireText(element, L"GUID");
        ComPtr<IXMLDOMElement> points = persistxml::SelectElement(element, L"DirectionPoints");
        if (!points) return E_POINTER;
        std::vector<DirectionArrow> arrows;
        // From sibling to sibling: a document of many thousands of arrows loads in time linear in
        // their number (a child list's items are found by counting from its start).
        ComPtr<IXMLDOMNode> node;
        THROW_IF_FAILED(points->get_firstChild(node.Put()));
        while (node) {
            ComPtr<IXMLDOMElement> point;
            if (FAILED(node->QueryInterface(IID_IXMLDOMElement, point.PutVoid()))) return E_POINTER;
            arrows.push_back({persistxml::RequireDouble(point.Get(), L"X0"), persistxml::RequireDouble(point.Get(), L"Y0"),
                              persistxml::RequireDouble(point.Get(), L"X1"), persistxml::RequireDouble(point.Get(), L"Y1")});
            ComPtr<IXMLDOMNode> next;
            THROW_IF_FAILED(node->get_nextSibling(next.Put()));
            node = std::move(next);
        }
        arrows_ = std::move(arrows);
        // The series' data layer is looked for by its key when the arrows have to be built, as a
        // new layer does; it need not be loaded before this layer.
        return S_OK;
    } CATCH_RETURN_QUIET()
}

void RegisterDirectionLayerKind(LayerFactory& factory) {
    factory.Register(CZmaVadAZLayer::kTypeDirection,
                     [](IDispatch* map, CZmaVadAZLayerCollection* owner, int) -> std::unique_ptr<CZmaVadAZLayer> {
                         return std::make_unique<CZmaVadAZDirectionLayer>(map, 1, owner);
                     });
}

void ShowDirection(CZmaVadAZLayerCollection& collection, bool show) {
    if (!show) {
        THROW_IF_FAILED(collection.RemoveLayersOfType(CZmaVadAZLayer::kTypeDirection));
        return;
    }
    struct Shown {
        ComPtr<IHostDataset> dataset;
        std::wstring key;
    };
    std::map<IUnknown*, Shown> visible, hidden;
    std::vector<ComPtr<IUnknown>> identities;
    std::vector<CZmaVadAZDirectionLayer*> directions;
    for (CZmaVadAZLayer* layer : collection.Layers()) {
        if (layer->GetType() == CZmaVadAZLayer::kTypeDataset) {
            auto* data = dynamic_cast<CZmaVadAZDataLayer*>(layer);
            if (!data || !data->GetDataset()) continue;
            ComPtr<IUnknown> identity = platform::IdentityOf(data->GetDataset());
            identities.push_back(identity);
            auto& target = data->IsVisible() ? visible : hidden;
            target.emplace(identity.Get(), Shown{data->GetDataset(), data->GetLayerKey()});
        } else if (layer->GetType() == CZmaVadAZLayer::kTypeDirection) {
            if (auto* direction = dynamic_cast<CZmaVadAZDirectionLayer*>(layer)) directions.push_back(direction);
        }
    }
    // A layer loaded from settings knows its series only by key until it builds its arrows.
    auto takeFollower = [&](IUnknown* identity, const std::wstring& key) -> CZmaVadAZDirectionLayer* {
        for (auto it = directions.begin(); it != directions.end(); ++it) {
            const bool follows = (*it)->Dataset() ? platform::IdentityOf((*it)->Dataset()).Get() == identity
                                                  : !key.empty() && (*it)->SeriesGuid() == key;
            if (!follows) continue;
            CZmaVadAZDirectionLayer* found = *it;
            directions.erase(it);
            return found;
        }
        return nullptr;
    };
    for (auto& entry : visible) {
        if (CZmaVadAZDirectionLayer* follower = takeFollower(entry.first, entry.second.key)) {
            if (!follower->IsVisible()) follower->SetVisible(true);
            continue;
        }
        collection.InsertAtTop(std::make_unique<CZmaVadAZDirectionLayer>(entry.second.dataset.Get(), entry.second.key,
                                                                         collection.EngineMap(), 1, &collection));
        collection.First();
    }
    for (auto& entry : hidden) {
        if (CZmaVadAZDirectionLayer* follower = takeFollower(entry.first, entry.second.key))
            if (follower->IsVisible()) follower->SetVisible(false);
    }
    for (CZmaVadAZDirectionLayer* orphan : directions) THROW_IF_FAILED(collection.RemoveLayer(orphan, true, false));
}
