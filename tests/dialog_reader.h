// A test-only reader of dialog templates, standard and extended, that walks the data
// as Windows' dialog manager does and renders the whole dialog as text, so that one
// comparison checks a whole dialog.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tarvex::test {

/// Renders the data of a dialog resource, one line per part:
///   DIALOG style=0x80C80040 exstyle=0x00000000 items=1 rect=0,0,200,100
///   menu="" class="" caption="About"
///   font=8 "MS Shell Dlg"                       (only with DS_SETFONT in the style)
///   item style=0x50010000 exstyle=0x00000000 rect=10,10,50,14 id=1 class=BUTTON title="OK"
/// The extended layout starts with "DIALOGEX help=0", prints "font=8 weight=400 italic=0
/// charset=1 ..." and starts each item with "item help=0"; an item with creation data
/// ends with " data=" and its bytes in hex. Predefined classes print as
/// BUTTON, EDIT, STATIC, LISTBOX, SCROLLBAR, COMBOBOX; other ordinals as #n, texts in
/// quotes; an ordinal title as #n. Rectangles print as signed numbers, ids unsigned.
/// Throws std::runtime_error naming the offset when a field runs past the end, an item
/// does not start on a 4-byte boundary, a padding byte is not zero, or bytes follow the
/// last item.
std::string DescribeDialog(const std::vector<std::uint8_t>& data);

}  // namespace tarvex::test
