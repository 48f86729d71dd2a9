#include "tests/commands/CommandsFixture.h"

#include "ZmaVOMap2/engine/EngineDispatch.h"
#include "platform/ComObject.h"

#include <shellapi.h>

using platform::ComPtr;
using platform::Variant;

namespace commandtest {

namespace {

// Records "<name>:<dispid>:<argument values>".
class EventSink : public platform::ComObject<EventSink, IDispatch> {
public:
    EventSink(Journal& journal, std::string name, const IID& iid) : journal_(journal), name_(std::move(name)), iid_(iid) {}
    HRESULT QueryInterfaceImpl(REFIID iid, void** out) {
        if (IsEqualIID(iid, iid_)) {
            *out = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        return InternalQueryInterface(iid, out);
    }
    STDMETHODIMP GetTypeInfoCount(UINT* n) override {
        *n = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* p, VARIANT*, EXCEPINFO*, UINT*) override {
        std::string entry = name_ + ":" + std::to_string(id);
        for (UINT i = p->cArgs; i-- > 0;) {
            const VARIANT& v = p->rgvarg[i];
            entry += ":" + (v.vt == VT_BOOL ? std::string(v.boolVal ? "true" : "false")
                                            : platform::ToAnsi(Variant(v).ToWide()));
        }
        journal_.push_back(entry);
        return S_OK;
    }

private:
    Journal& journal_;
    std::string name_;
    IID iid_;
};

std::function<void(HWND)> g_work;
HWND g_dialog = nullptr;

void CALLBACK RunWork(HWND, UINT, UINT_PTR timer, DWORD) {
    ::KillTimer(nullptr, timer);
    if (g_work && ::IsWindow(g_dialog)) g_work(g_dialog);
}

}  // namespace

void SitedMap::WorkDialogs(std::function<void(HWND)> work) {
    g_work = std::move(work);
    Dialogs().SetAction([](HWND dialog) {
        g_dialog = dialog;
        ::SetTimer(nullptr, 0, 20, &RunWork);
    });
}

void SitedMap::SetUp() {
    ASSERT_EQ(controltest::CreateControl(control_), S_OK);
    automation_ = controltest::As<IZmaVadAZ2>(control_.Get());
    site_ = platform::MakeObject<testsupport::TestSite>(400, 300);
    ASSERT_EQ(testsupport::ActivateInPlace(control_.Get(), *site_.Get()), S_OK);
    engine_ = ::GetWindow(site_->Window(), GW_CHILD);
    ASSERT_TRUE(engine_);
    ASSERT_EQ(automation_->get_MapX(map_.Put()), S_OK);
    hooks_ = controltest::EngineHooks(control_.Get());
    ASSERT_TRUE(hooks_);
    Connect(DIID__IZmaVOMapXEvents2, "new");
    Connect(DIID__IZmaVOMapXEvents, "old");
    ClearEngineLog();
}

void SitedMap::TearDown() {
    Dialogs().SetAction(nullptr);
    Dialogs().SetAnswer(0);
    g_work = nullptr;
    if (control_) testsupport::CloseInPlace(control_.Get());
}

void SitedMap::Connect(const IID& iid, const char* name) {
    ComPtr<IConnectionPoint> point;
    ASSERT_EQ(controltest::As<IConnectionPointContainer>(control_.Get())->FindConnectionPoint(iid, point.Put()), S_OK);
    auto sink = platform::MakeObject<EventSink>(journal_, name, iid);
    DWORD cookie = 0;
    ASSERT_EQ(point->Advise(sink.Get(), &cookie), S_OK);
    sinks_.push_back(ComPtr<IUnknown>(static_cast<IDispatch*>(sink.Get())));
}

LRESULT SitedMap::Command(UINT id) { return ::SendMessageW(engine_, WM_COMMAND, MAKEWPARAM(id, 0), 0); }

Journal SitedMap::Take() {
    Journal out;
    out.swap(journal_);
    return out;
}

std::vector<std::wstring> SitedMap::EngineLog() {
    std::vector<std::wstring> lines;
    LONG count = 0;
    hooks_->CallCount(&count);
    for (LONG i = 0; i < count; ++i) {
        BSTR text = nullptr;
        hooks_->CallText(i, &text);
        lines.push_back(platform::Bstr::Attach(text).Wide());
    }
    return lines;
}

void SitedMap::ClearEngineLog() { hooks_->ClearCalls(); }

bool SitedMap::EngineLogHas(const std::wstring& part) {
    for (const std::wstring& line : EngineLog())
        if (line.find(part) != std::wstring::npos) return true;
    return false;
}

Variant SitedMap::EngineGet(DISPID id) { return EngineDispatch(map_.Get()).Get(id); }
void SitedMap::EnginePut(DISPID id, const Variant& value) { EngineDispatch(map_.Get()).Put(id, value); }

testsupport::DialogAnswerer& SitedMap::Dialogs() { return *testsupport::DialogAnswerer::Current(); }

std::wstring TestFolder(const wchar_t* name) {
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    std::wstring folder = std::wstring(temp) + L"commands_" + std::to_wstring(::GetCurrentProcessId()) + L"_" + name;
    // Double-zero ended, as the shell wants it.
    std::wstring from = folder + L'\0';
    SHFILEOPSTRUCTW op = {};
    op.wFunc = FO_DELETE;
    op.pFrom = from.c_str();
    op.fFlags = FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI;
    ::SHFileOperationW(&op);
    ::CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

}  // namespace commandtest
