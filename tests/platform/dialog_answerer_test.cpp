// The test programs answer dialog boxes themselves, so a failure path that shows one cannot hang a run.
#include "tests/support/DialogAnswerer.h"
#include <gtest/gtest.h>
TEST(DialogAnswerer, AnswersMessageBoxes) {
    auto* a = testsupport::DialogAnswerer::Current();
    ASSERT_TRUE(a);
    EXPECT_EQ(::MessageBoxW(nullptr, L"Failed to open x.", L"Map Module - Add new layer", MB_OK | MB_ICONERROR), IDOK);
    a->SetAnswer(IDNO);
    EXPECT_EQ(::MessageBoxW(nullptr, L"Replace?", L"Map Module", MB_YESNO), IDNO);
    a->SetAnswer(0);
    ASSERT_EQ(a->Dialogs().size(), 2u);
    EXPECT_EQ(a->Dialogs()[0].caption, L"Map Module - Add new layer");
    EXPECT_NE(a->Dialogs()[0].text.find(L"Failed to open x."), std::wstring::npos);
}
