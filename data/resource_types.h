// The numbers of the resource types: those Windows defines, and the two that resource
// scripts add (DLGINIT and TOOLBAR). A type named by text has no number of its own and
// goes as kUserDefinedType through the compiler.
#pragma once

#include <cstdint>

namespace tarvex {

enum TResourceType : std::int32_t {
  kCursorType = 1,
  kBitmapType = 2,
  kIconType = 3,
  kMenuType = 4,
  kDialogType = 5,
  kStringTableType = 6,
  kFontType = 8,
  kAcceleratorType = 9,
  kRcDataType = 10,
  kMessageTableType = 11,
  kGroupCursorType = 12,
  kGroupIconType = 14,
  kVersionType = 16,
  kDialogIncludeType = 17,
  kPlugPlayType = 19,
  kVxdType = 20,
  kAnimatedCursorType = 21,
  kAnimatedIconType = 22,
  kHtmlType = 23,
  kManifestType = 24,
  kDialogInitType = 240,
  kToolbarType = 241,
  kUserDefinedType = 65535,
};

}  // namespace tarvex
