#include "reader/name_value.h"

#include <gtest/gtest.h>

#include "data/predefined.h"

namespace tarvex {
namespace {

TEST(NameValueSensitive, PredefinedLoadSetDefineAndRemove) {
  TNameValueSensitive defines;
  defines.Set("LEFTOVER", "1");
  defines.LoadPredefined(PredefinedSymbols());
  EXPECT_EQ(defines.Size(), 539u);  // 549 records, ten names twice: the first wins
  EXPECT_EQ(defines.Get("LEFTOVER"), "");
  EXPECT_EQ(defines.Get("LANG_ARABIC"), "0x1");         // the second record says 0x01
  EXPECT_EQ(defines.Get("VS_FF_INFOINFERRED"), "$10");  // the second record says 0x10
  EXPECT_EQ(defines.Get("WS_POPUPWINDOW"), "WS_POPUP | WS_BORDER | WS_SYSMENU");
  EXPECT_EQ(defines.Get("WS_POPUP"), "0x80000000L");
  EXPECT_EQ(defines.Find("Ws_Popup"), nullptr);  // names are case-sensitive
  EXPECT_EQ(defines.Get(""), "");
  defines.Set("IDOK", "77");
  EXPECT_EQ(defines.Get("IDOK"), "77");
  defines.Set("VK_F10", "");  // #undef; a name loaded twice is gone after one removal
  EXPECT_EQ(defines.Find("VK_F10"), nullptr);
  defines.Remove("never there");
  defines.Define("GUARD_H", "");  // a #define without a value keeps its name
  ASSERT_NE(defines.Find("GUARD_H"), nullptr);
  EXPECT_EQ(*defines.Find("GUARD_H"), "");
  defines.Define("GUARD_H", "1");
  EXPECT_EQ(defines.Get("GUARD_H"), "1");
  defines.Remove("GUARD_H");
  EXPECT_EQ(defines.Find("GUARD_H"), nullptr);
}

}  // namespace
}  // namespace tarvex
