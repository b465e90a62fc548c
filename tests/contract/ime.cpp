// The input method calls of one candidate search where no Japanese input method
// answers: the headless desktop without a provider, and Wine, whose input method
// ("Wine XIM") takes the context and the reading but converts nothing. The search
// comes back empty, and the process lives on.
#include <cstring>

#include "contract/contract.h"

namespace {

CONTRACT_TEST(Ime, ACandidateSearchWithoutAJapaneseInputMethodFindsNothing) {
  const char reading[] = "\x82\xa9\x82\xf1\x82\xb6";  // かんじ in Shift-JIS
  const os::DWORD length = sizeof reading - 1;
  const bool wine = contract::kWine;
  os::Hkl hkl = os::GetKeyboardLayout(0);
  char description[256] = {};
  os::UINT described = os::ImmGetDescription(hkl, description, sizeof description);
  EXPECT_EQ(described, std::strlen(description));
  EXPECT_STREQ(description, wine ? "Wine XIM" : "");

  os::Imc imc = os::ImmCreateContext();
  ASSERT_NE(imc, nullptr);
  // Without a provider the headless desktop refuses even these; Wine accepts them.
  EXPECT_EQ(os::ImmSetOpenStatus(imc, os::TRUE) != 0, wine);
  EXPECT_EQ(os::ImmSetConversionStatus(imc, 0x19, 3) != 0, wine);
  EXPECT_EQ(os::ImmSetCompositionString(imc, os::SCS_SETSTR, nullptr, 0, reading, length) != 0,
            wine);
  EXPECT_FALSE(os::ImmNotifyIME(imc, os::NI_COMPOSITIONSTR, os::CPS_CONVERT, 0));
  EXPECT_FALSE(os::ImmNotifyIME(imc, 0x0010 /* NI_OPENCANDIDATE */, 1, 0));
  EXPECT_EQ(os::ImmGetCandidateList(imc, 0, nullptr, 0), 0u);
  // The fallback: Wine's own ImmGetConversionListA would end the process here.
  EXPECT_EQ(os::ImmGetConversionList(hkl, imc, reading, nullptr, 0, os::GCL_CONVERSION), 0u);
  EXPECT_EQ(os::ImmGetConversionList(hkl, nullptr, reading, nullptr, 0, os::GCL_CONVERSION), 0u);
  // No composition string: Wine says empty, the headless desktop IMM_ERROR_GENERAL.
  EXPECT_EQ(os::ImmGetCompositionString(imc, os::GCS_COMPSTR, nullptr, 0), wine ? 0 : -1);
  EXPECT_EQ(os::ImmSetOpenStatus(imc, os::FALSE) != 0, wine);
  EXPECT_TRUE(os::ImmDestroyContext(imc));
}

}  // namespace
