// Connection points: sinks are reached in slot order, a removed sink leaves a slot that the next
// Advise takes, a failing sink does not stop delivery, and sinks may unadvise during delivery.
#include "platform/ComObject.h"
#include "platform/ConnectionPoint.h"

#include <gtest/gtest.h>

#include <functional>

#include <string>
#include <vector>

using platform::ComPtr;

namespace {

// A dispinterface id the sinks answer to.
const IID kEvents = {0x1c9a7d2e, 0x4b1f, 0x4c55, {0x9a, 0x10, 0x21, 0x53, 0x77, 0x42, 0x0a, 0x01}};

class Source : public platform::ComObject<Source, platform::ConnectionPointContainerImpl<Source>> {
public:
    Source() : point_(Identity(), this, kEvents) {}
    platform::ConnectionPoint* const* ConnectionPointArray(size_t& count) {
        count = 1;
        return &pointPtr_;
    }
    ~Source() override {
        if (gone) *gone = true;
    }
    platform::ConnectionPoint point_;
    platform::ConnectionPoint* pointPtr_ = &point_;
    bool* gone = nullptr;
};

class Sink : public platform::ComObject<Sink, IDispatch> {
public:
    Sink(std::vector<std::string>& journal, std::string name, HRESULT answer = S_OK)
        : journal_(journal), name_(std::move(name)), answer_(answer) {}
    HRESULT QueryInterfaceImpl(REFIID iid, void** out) {
        if (IsEqualIID(iid, kEvents)) {
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
        std::string entry = name_ + ":" + std::to_string(id) + ":" + std::to_string(lcid) + ":" + std::to_string(flags);
        for (UINT i = p->cArgs; i-- > 0;) entry += ":" + platform::ToAnsi(platform::Variant(p->rgvarg[i]).ToWide());
        journal_.push_back(entry);
        if (onInvoke) onInvoke();
        return answer_;
    }
    std::function<void()> onInvoke;

private:
    std::vector<std::string>& journal_;
    std::string name_;
    HRESULT answer_;
};

TEST(ConnectionPoint, DeliversInSlotOrderArgumentsFirstToLast) {
    auto source = platform::MakeObject<Source>();
    std::vector<std::string> journal;
    auto a = platform::MakeObject<Sink>(journal, "a", E_FAIL);
    auto b = platform::MakeObject<Sink>(journal, "b");
    ComPtr<IConnectionPoint> cp;
    ASSERT_EQ(source->FindConnectionPoint(kEvents, cp.Put()), S_OK);
    DWORD ca = 0, cb = 0;
    ASSERT_EQ(cp->Advise(a.Get(), &ca), S_OK);
    ASSERT_EQ(cp->Advise(b.Get(), &cb), S_OK);
    EXPECT_NE(ca, cb);

    platform::Variant args[2] = {platform::Variant(L"second"), platform::Variant(7L)};  // last argument first
    source->point_.FireDispatch(4, args, 2);
    ASSERT_EQ(journal.size(), 2u);  // the failing first sink does not stop delivery
    EXPECT_EQ(journal[0], "a:4:1024:1:7:second");
    EXPECT_EQ(journal[1], "b:4:1024:1:7:second");

    EXPECT_EQ(cp->Unadvise(ca), S_OK);
    EXPECT_EQ(cp->Unadvise(ca), CONNECT_E_NOCONNECTION);
    EXPECT_EQ(cp->Unadvise(0), CONNECT_E_NOCONNECTION);
}

TEST(ConnectionPoint, RemovedSinkLeavesASlotThatTheNextAdviseTakes) {
    auto source = platform::MakeObject<Source>();
    std::vector<std::string> journal;
    auto a = platform::MakeObject<Sink>(journal, "a");
    auto b = platform::MakeObject<Sink>(journal, "b");
    auto c = platform::MakeObject<Sink>(journal, "c");
    DWORD ca = 0, cb = 0, cc = 0;
    source->point_.Advise(a.Get(), &ca);
    source->point_.Advise(b.Get(), &cb);
    source->point_.Unadvise(ca);
    EXPECT_EQ(source->point_.SlotCount(), 2u);
    source->point_.Advise(c.Get(), &cc);
    EXPECT_EQ(cc, ca);
    EXPECT_EQ(source->point_.SlotCount(), 2u);
    source->point_.FireDispatch(1, nullptr, 0);
    ASSERT_EQ(journal.size(), 2u);
    EXPECT_EQ(journal[0].substr(0, 1), "c");
    EXPECT_EQ(journal[1].substr(0, 1), "b");

    ComPtr<IEnumConnections> e;
    ASSERT_EQ(source->point_.EnumConnections(e.Put()), S_OK);
    CONNECTDATA data[3] = {};
    ULONG fetched = 0;
    EXPECT_EQ(e->Next(3, data, &fetched), S_FALSE);
    EXPECT_EQ(fetched, 2u);
    for (ULONG i = 0; i < fetched; ++i) data[i].pUnk->Release();
}

TEST(ConnectionPoint, SinkMayUnadviseItselfAndOthersDuringDelivery) {
    auto source = platform::MakeObject<Source>();
    std::vector<std::string> journal;
    auto a = platform::MakeObject<Sink>(journal, "a");
    auto b = platform::MakeObject<Sink>(journal, "b");
    DWORD ca = 0, cb = 0;
    source->point_.Advise(a.Get(), &ca);
    source->point_.Advise(b.Get(), &cb);
    a->onInvoke = [&] {
        source->point_.Unadvise(ca);
        source->point_.Unadvise(cb);
    };
    source->point_.FireDispatch(2, nullptr, 0);
    ASSERT_EQ(journal.size(), 1u);
    EXPECT_EQ(journal[0].substr(0, 1), "a");
}

TEST(ConnectionPoint, ASinkMayReleaseTheSourceDuringDelivery) {
    auto source = platform::MakeObject<Source>();
    bool gone = false, goneDuringDelivery = true;
    source->gone = &gone;
    std::vector<std::string> journal;
    auto a = platform::MakeObject<Sink>(journal, "a");
    auto b = platform::MakeObject<Sink>(journal, "b");
    DWORD ca = 0, cb = 0;
    source->point_.Advise(a.Get(), &ca);
    source->point_.Advise(b.Get(), &cb);
    platform::ConnectionPoint& point = source->point_;
    a->onInvoke = [&] { source.Reset(); };
    b->onInvoke = [&] { goneDuringDelivery = gone; };
    point.FireDispatch(3, nullptr, 0);
    EXPECT_EQ(journal.size(), 2u) << "the walk goes on";
    EXPECT_FALSE(goneDuringDelivery);
    EXPECT_TRUE(gone) << "the source goes once delivery is done";
}

TEST(ConnectionPoint, RefusesSinksWithoutTheEventInterfaceAndUnknownPoints) {
    auto source = platform::MakeObject<Source>();
    auto other = platform::MakeObject<Source>();
    DWORD cookie = 99;
    EXPECT_EQ(source->point_.Advise(other.Get(), &cookie), CONNECT_E_CANNOTCONNECT);
    EXPECT_EQ(cookie, 0u);
    ComPtr<IConnectionPoint> none;
    EXPECT_EQ(source->FindConnectionPoint(IID_IDispatch, none.Put()), CONNECT_E_NOCONNECTION);

    ComPtr<IEnumConnectionPoints> points;
    ASSERT_EQ(source->EnumConnectionPoints(points.Put()), S_OK);
    IConnectionPoint* first = nullptr;
    ULONG fetched = 0;
    ASSERT_EQ(points->Next(1, &first, &fetched), S_OK);
    IID iid = {};
    first->GetConnectionInterface(&iid);
    EXPECT_TRUE(IsEqualIID(iid, kEvents));
    first->Release();
}

}  // namespace
