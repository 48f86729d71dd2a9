// The library's exports: class objects from the object map, and the unload answer that follows
// the module's lock count.
#include "platform/Com.h"
#include "tests/support/TestSupport.h"

#include "VadAZ.h"

#include <gtest/gtest.h>

using platform::ComPtr;

namespace {

class ModuleExports : public ::testing::Test {
protected:
    void SetUp() override {
        module_ = ::LoadLibraryW(testsupport::WinePath(VADAZ_DLL_UNIX_PATH).c_str());
        ASSERT_TRUE(module_);
        getClassObject_ = reinterpret_cast<decltype(getClassObject_)>(::GetProcAddress(module_, "DllGetClassObject"));
        canUnloadNow_ = reinterpret_cast<decltype(canUnloadNow_)>(::GetProcAddress(module_, "DllCanUnloadNow"));
        ASSERT_TRUE(getClassObject_ && canUnloadNow_);
    }
    void TearDown() override { ::FreeLibrary(module_); }

    ComPtr<IClassFactory> Factory(REFCLSID clsid) {
        ComPtr<IClassFactory> f;
        EXPECT_EQ(getClassObject_(clsid, IID_IClassFactory, f.PutVoid()), S_OK);
        return f;
    }

    HMODULE module_ = nullptr;
    HRESULT(STDAPICALLTYPE* getClassObject_)(REFCLSID, REFIID, void**) = nullptr;
    HRESULT(STDAPICALLTYPE* canUnloadNow_)() = nullptr;
};

TEST_F(ModuleExports, ClassObjectsAreServedAndCached) {
    ComPtr<IClassFactory> a = Factory(CLSID_VadAZ2), b = Factory(CLSID_VadAZ2);
    ASSERT_TRUE(a);
    EXPECT_EQ(a.Get(), b.Get());
    EXPECT_TRUE(Factory(CLSID_ZmaPPGMapBorder));

    ComPtr<IUnknown> none;
    EXPECT_EQ(getClassObject_(CLSID_VadAZ, IID_IClassFactory, none.PutVoid()), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_FALSE(none);
}

TEST_F(ModuleExports, ControlFactoryRefusesAggregationAndNullOut) {
    ComPtr<IClassFactory> f = Factory(CLSID_VadAZ2);
    ASSERT_TRUE(f);
    IUnknown* out = reinterpret_cast<IUnknown*>(0x1234);
    ComPtr<IUnknown> outer;
    ASSERT_EQ(::CoCreateInstance(CLSID_StdGlobalInterfaceTable, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                 outer.PutVoid()),
              S_OK);
    EXPECT_EQ(f->CreateInstance(outer.Get(), IID_IUnknown, reinterpret_cast<void**>(&out)), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(f->CreateInstance(nullptr, IID_IUnknown, nullptr), E_POINTER);
}

TEST_F(ModuleExports, CanUnloadNowFollowsLocksAndLiveObjects) {
    ComPtr<IClassFactory> control = Factory(CLSID_VadAZ2);
    ComPtr<IClassFactory> page = Factory(CLSID_ZmaPPGMapBorder);
    ASSERT_TRUE(control && page);
    // Cached class objects alone do not keep the library loaded.
    EXPECT_EQ(canUnloadNow_(), S_OK);

    EXPECT_EQ(control->LockServer(TRUE), S_OK);
    EXPECT_EQ(canUnloadNow_(), S_FALSE);
    EXPECT_EQ(page->LockServer(TRUE), S_OK);
    EXPECT_EQ(control->LockServer(FALSE), S_OK);
    EXPECT_EQ(canUnloadNow_(), S_FALSE);
    EXPECT_EQ(page->LockServer(FALSE), S_OK);
    EXPECT_EQ(canUnloadNow_(), S_OK);

    ComPtr<IUnknown> object;
    ASSERT_EQ(page->CreateInstance(nullptr, IID_IUnknown, object.PutVoid()), S_OK);
    EXPECT_EQ(canUnloadNow_(), S_FALSE);
    object.Reset();
    EXPECT_EQ(canUnloadNow_(), S_OK);
}

}  // namespace
