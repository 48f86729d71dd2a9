// The control's events: both interfaces, the four shared events to the second interface's sinks
// first, the others to the second interface only, with their DISPIDs and argument types.
#include "ZmaVOMap2/control/ZmaVadAZ.h"
#include "platform/ComObject.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using platform::ComPtr;

namespace {

// Records "<sink>:<dispid>:<arg types and values>".
class EventSink : public platform::ComObject<EventSink, IDispatch> {
public:
    EventSink(std::vector<std::string>& journal, std::string name, const IID& iid)
        : journal_(journal), name_(std::move(name)), iid_(iid) {}
    HRESULT QueryInterfaceImpl(REFIID iid, void** out) {
        if (IsEqualIID(iid, iid_)) {
            *out = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        return InternalQueryInterface(iid, out);
    }
    STDMETHODIMP GetTypeInfoCount(UINT* n) override { *n = 0; return S_OK; }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID lcid, WORD flags, DISPPARAMS* p, VARIANT*, EXCEPINFO*, UINT*) override {
        std::string entry = name_ + ":" + std::to_string(id);
        EXPECT_EQ(lcid, 1024u);
        EXPECT_EQ(flags, DISPATCH_METHOD);
        for (UINT i = p->cArgs; i-- > 0;) {
            const VARIANT& v = p->rgvarg[i];
            entry += ":" + std::to_string(v.vt) + "=" + platform::ToAnsi(platform::Variant(v).ToWide());
        }
        journal_.push_back(entry);
        return fail_ ? E_FAIL : S_OK;
    }
    bool fail_ = false;

private:
    std::vector<std::string>& journal_;
    std::string name_;
    IID iid_;
};

class ControlEvents : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(platform::CreateInstanceOf<CZmaVadAZ>(IID_IUnknown, control_.PutVoid()), S_OK);
        self_ = static_cast<CZmaVadAZ*>(static_cast<IZmaVadAZ2*>(As<IZmaVadAZ2>().Get()));
        Connect(DIID__IZmaVOMapXEvents, "old1");
        Connect(DIID__IZmaVOMapXEvents2, "new1");
        Connect(DIID__IZmaVOMapXEvents, "old2");
        Connect(DIID__IZmaVOMapXEvents2, "new2");
    }

    template <class I>
    ComPtr<I> As() {
        ComPtr<I> out;
        control_->QueryInterface(__uuidof(I), out.PutVoid());
        return out;
    }

    void Connect(const IID& iid, const char* name) {
        ComPtr<IConnectionPoint> point;
        ASSERT_EQ(As<IConnectionPointContainer>()->FindConnectionPoint(iid, point.Put()), S_OK);
        auto sink = platform::MakeObject<EventSink>(journal_, name, iid);
        DWORD cookie = 0;
        ASSERT_EQ(point->Advise(sink.Get(), &cookie), S_OK);
        sinks_.push_back(sink);
    }

    std::vector<std::string> Take() {
        std::vector<std::string> out;
        out.swap(journal_);
        return out;
    }

    ComPtr<IUnknown> control_;
    CZmaVadAZ* self_ = nullptr;
    std::vector<std::string> journal_;
    std::vector<ComPtr<EventSink>> sinks_;
};

using Journal = std::vector<std::string>;

TEST_F(ControlEvents, SharedEventsReachTheSecondInterfaceFirst) {
    platform::Bstr series(L"{SERIES}"), field(L"Speed");
    self_->Events().Fire_SelectionChanged(series.Get());
    EXPECT_EQ(Take(), (Journal{"new1:1:8={SERIES}", "new2:1:8={SERIES}", "old1:1:8={SERIES}", "old2:1:8={SERIES}"}));
    self_->Events().Fire_SeriesRemoved(series.Get());
    EXPECT_EQ(Take(), (Journal{"new1:2:8={SERIES}", "new2:2:8={SERIES}", "old1:2:8={SERIES}", "old2:2:8={SERIES}"}));
    self_->Events().Fire_CurrentToolChanged(1007);
    EXPECT_EQ(Take(), (Journal{"new1:3:3=1007", "new2:3:3=1007", "old1:3:3=1007", "old2:3:3=1007"}));
    self_->Events().Fire_GetField(field.Get(), series.Get());
    EXPECT_EQ(Take(), (Journal{"new1:4:8=Speed:8={SERIES}", "new2:4:8=Speed:8={SERIES}", "old1:4:8=Speed:8={SERIES}",
                               "old2:4:8=Speed:8={SERIES}"}));
}

TEST_F(ControlEvents, LaterEventsReachOnlyTheSecondInterface) {
    platform::Bstr units(L"kilometer"), layer(L"Sectors");
    self_->Events().Fire_LayerVisibilityChanged();
    self_->Events().Fire_MarkerChanged();
    self_->Events().Fire_EditAttributes();
    self_->Events().Fire_EnhancedDrawingModeChanged(VARIANT_TRUE);
    self_->Events().Fire_FeatureSelected(layer.Get(), 4);
    self_->Events().Fire_UnitsChanged(units.Get());
    self_->Events().Fire_SyncZoom(-1);
    EXPECT_EQ(Take(), (Journal{"new1:5", "new2:5", "new1:6", "new2:6", "new1:7", "new2:7", "new1:10:2=-1",
                               "new2:10:2=-1", "new1:11:8=Sectors:3=4", "new2:11:8=Sectors:3=4",
                               "new1:12:8=kilometer", "new2:12:8=kilometer", "new1:13:3=-1", "new2:13:3=-1"}));
}

TEST_F(ControlEvents, AFailingSinkDoesNotStopTheOthers) {
    sinks_[1]->fail_ = true;  // "new1"
    platform::Bstr series(L"S");
    self_->Events().Fire_SelectionChanged(series.Get());
    EXPECT_EQ(Take().size(), 4u);
}

}  // namespace
