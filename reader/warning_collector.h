// What the warning checks gather while a script is compiled (TRCParser::warnings).
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "reader/parser.h"
#include "reader/warnings.h"

namespace tarvex {

/// The places and facts the checks need while a resource is compiled: kept on the parser
/// only when some warning is wanted (TRCParser::warnings), so that a compilation without
/// warnings records nothing.
struct TWarningCollector {
  std::uint32_t kinds = 0;            ///< the warnings to look for
  TWarningList warnings;              ///< found so far, in the order found
  TWarningMark statementPlace;        ///< the start of the resource statement being compiled
  std::vector<TWarningMark> items;    ///< one per control, menu record or accelerator of the resource
  /// A mark with the name of its file, which outlives the file's closing
  struct TNamedMark {
    TWarningMark mark;
    std::string file;
  };
  std::map<std::uint16_t, TNamedMark> stringTables;  ///< the first STRINGTABLE statement of each language
  /// The version resource being read: its fixed numbers, blocks and values
  struct TVersionFixed {
    bool given = false;
    std::uint16_t parts[4] = {};
    TSourcePlace place;
  } fileVersion, productVersion;
  struct TVersionNode {
    int depth = 0;  ///< the blocks around it; 1 for StringFileInfo and VarFileInfo
    bool isBlock = false;
    std::u16string key;
    std::u16string text;                ///< a value's text
    std::vector<std::uint16_t> words;   ///< a value's numbers
    TSourcePlace place;
  };
  std::vector<TVersionNode> versionNodes;  ///< blocks and values in the order read
  int versionDepth = 0;                    ///< the blocks open while a version resource is read
  /// What the dialog checks note of the dialog being compiled (TControlNotes), kept between dialogs
  std::shared_ptr<void> dialogRoom;
  /// What the menu check notes of the menu being compiled, kept between menus
  std::shared_ptr<void> menuRoom;
  /// The findings whose text waits (TWarning::findings), made by the checks
  std::shared_ptr<TWarningFindings> findings;
  bool iconSeen = false;                   ///< the program's icon, the first group, was looked at

  bool Wants(TWarningKind kind) const { return (kinds & WarningBit(kind)) != 0; }
};

/// The mark of the token just read (inline: every control and menu item takes one).
inline TWarningMark MarkHere(const TRCParser& parser) {
  TWarningMark mark;
  const TFileItem* file = parser.currentFile;
  if (file == nullptr) return mark;
  mark.file = file;
  mark.serial = file->serial;
  MarkAsRead(*file, file->scan, mark.offset, mark.line);
  return mark;
}

/// Records the place of the token just read as the place of the item being compiled (a
/// menu record, an accelerator): called only when parser.warnings is set.
inline void NoteItemPlace(TRCParser& parser) { parser.warnings->items.push_back(MarkHere(parser)); }

}  // namespace tarvex
