// Maps made on four user-interface threads at the same moment, as a host with a form on each
// thread opens them: every map is made, has its engine and shows its dataset. A process registers
// its window classes for the first map that needs them, so the case runs in fresh processes too.
#include "tests/control/HostForm.h"
#include "tests/support/TestSupport.h"

#include "VadAZ.h"

#include <gtest/gtest.h>

namespace {

TEST(FirstMapsOfAProcess, MadeAtTheSameMomentOnFourThreadsAreAllMadeAndShowTheirDatasets) {
    testsupport::Watchdog watchdog;
    HRESULT made[4], shown[4];
    bool engine[4] = {};
    formtest::RunTogether(4, [&](int i) {
        HWND form = formtest::MakeForm(320, 240);
        {
            formtest::FormMap map(form, 320, 240);
            platform::ComPtr<IZmaVadAZ2> control;
            platform::ComPtr<IDispatch> engineMap;
            made[i] = map.Made();
            shown[i] = map.Show(formtest::GridDataset(200, 0).Get());
            engine[i] = map.Control() && SUCCEEDED(map.Control()->QueryInterface(IID_IZmaVadAZ2, control.PutVoid())) &&
                        SUCCEEDED(control->get_MapX(engineMap.Put())) && engineMap;
        }
        ::DestroyWindow(form);
    }, watchdog);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(made[i], S_OK) << "thread " << i;
        EXPECT_EQ(shown[i], S_OK) << "thread " << i;
        EXPECT_TRUE(engine[i]) << "thread " << i;
    }
}

TEST(FirstMapsOfAProcess, AreAllMadeInEveryFreshProcess) {
    wchar_t self[MAX_PATH + 1] = {};
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::wstring command = L"\"" + std::wstring(self) + L"\" --gtest_filter=FirstMapsOfAProcess.Made*";
    for (int run = 0; run < 4; ++run) EXPECT_EQ(testsupport::RunProcess(command), 0) << "run " << run;
}

}  // namespace
