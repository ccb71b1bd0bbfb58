// The warning checks: each resource is looked at right after it is written, with the
// places its statements recorded (TWarningCollector), and string tables once all are
// read. Nothing here runs unless parser.warnings is set.
#pragma once

#include <array>
#include <climits>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "output/dialog_layout.h"
#include "reader/parser.h"

namespace tarvex {

/// Sets parser.warnings when the options ask for any warning (or for all, for the report).
void StartWarnings(TRCParser& parser);

/// A dialog statement as the dialog warnings need it.
struct TNotedDialog {
  bool extended = false;
  std::uint32_t style = 0;
  std::int16_t width = 0, height = 0;
  bool hasFont = false;
  std::uint16_t points = 0;
  std::string_view face;  ///< script bytes
};

/// What the dialog warnings take of each control of the dialog being compiled, as
/// CompileControls compiles it (each control's place is noted as it began, NoteItemPlace):
/// the first look at the layout (layout_rules), control by control; the controls it finds
/// outside go to the warning's findings at once. Only a dialog whose controls may overlap
/// or share an id is looked at again, whole, from its template. One room serves every
/// dialog.
struct TControlNotes {
  int width = 0, height = 0;  ///< the dialog's, in dialog units
  int comboHeight = 0;        ///< a drop-down combo box's field, in dialog units
  std::uint32_t count = 0;    ///< the controls noted
  std::int64_t lastId = -1;   ///< the last id that counts
  int lowest = INT32_MIN;     ///< the lowest bottom edge of a searched control so far
  /// Ids that do not rise, or a searched control reaching up into the rows of an earlier
  /// one: controls may overlap or share an id
  bool unsettled = false;
};

/// A dialog's controls begin (its head read): forgets those of the previous one and gives
/// the room its controls are noted in.
TControlNotes& StartDialogControls(TRCParser& parser, const TNotedDialog& dialog);

/// The kind of a control whose class is given by name (`classText`, script bytes).
TControlKind NamedClassKind(TControlNotes& notes, std::string_view classText, std::uint32_t style);

/// A control found outside by the first look, with its rectangle.
void NoteControlOutside(TRCParser& parser, TControlNotes& notes, const TControlFacts& control,
                        const TLayoutFindings::TRect& rect);

/// The title of a control, a text holding a "&" (script bytes): kept when the control acts
/// on its mnemonic.
void NoteControlTitle(TRCParser& parser, TControlNotes& notes, const TControlFacts& control, std::string_view title);

/// The dialog just compiled (its template `data`), whose controls were noted: shared ids,
/// mnemonics, controls outside, overlaps.
void CheckDialogWarnings(TRCParser& parser, std::span<const std::uint8_t> data);

/// Notes, for the mnemonic check, the menu item or pop-up whose place was just noted
/// (NoteItemPlace) and whose text was just written at `text` in the output. `level` tells
/// the check which level the entry is on: each level of the menu keeps one, 0 until one of
/// its texts has a mnemonic.
void NoteMenuText(TRCParser& parser, std::uint32_t& level, std::size_t text);

/// The menu (MENU or MENUEX) just written, whose texts were noted: mnemonics used twice on
/// one level.
void CheckMenuWarnings(TRCParser& parser);

/// An accelerator table just written: a key with the same modifiers twice.
void CheckAcceleratorWarnings(TRCParser& parser, std::span<const std::uint8_t> data);

/// An icon group directory just written: no 16x16 or no 32x32 image.
void CheckIconGroupWarnings(TRCParser& parser, std::span<const std::uint8_t> group);

/// What a version resource is made of, told as it is read.
void NoteFixedVersion(TRCParser& parser, bool product, const std::array<std::uint16_t, 4>& parts,
                      const TSourcePlace& place);
void OpenVersionBlock(TRCParser& parser, const std::u16string& key, const TSourcePlace& place);
void CloseVersionBlock(TRCParser& parser);
void NoteVersionValue(TRCParser& parser, const std::u16string& key, bool isText, const std::u16string& text,
                      const std::vector<std::uint16_t>& words, const TSourcePlace& place);
/// The version resource just written: numbers that differ from the strings, string
/// blocks missing from the Translation pairs.
void CheckVersionWarnings(TRCParser& parser);

/// A STRINGTABLE statement of `language` begins (its first one is where the language's
/// warning points).
void NoteStringTable(TRCParser& parser, std::uint16_t language);

/// After every statement: string ids present in one language and missing in another;
/// then, under -Werror, a compilation with an enabled warning fails here.
void FinishWarnings(TRCParser& parser);

/// The letter a control's or menu item's text makes its mnemonic ("&File": 'F'), 0 when
/// it has none ("&&" is an ampersand). A menu item's text ends at a tab.
char16_t MnemonicOf(std::u16string_view text, bool menu);

/// `letter` as Windows compares mnemonics for a script in `language`: upper case, with
/// the dotted and dotless i of Turkish and Azeri kept apart.
char16_t FoldMnemonic(char16_t letter, std::uint16_t language);

/// The numbers of a version string: up to four, separated by ".", "," or blanks, from its
/// first digit ("2.3 beta": 2, 3). Empty when it holds none.
std::vector<std::uint32_t> VersionStringNumbers(std::u16string_view text);

}  // namespace tarvex
