// What an editor asks of a compilation beyond its result: where each name was defined,
// where each file was named, and where each resource statement, control and menu item
// stands. Filled only when a host hands the compilation an index; otherwise nothing of
// it is made.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "reader/source_place.h"

namespace tarvex {

/// A name given a value by #define (or a macro), at the place of the name.
struct TIndexedDefinition {
  std::string name;
  TSourcePlace place;
};

/// A file the script names (an #include, a resource file): the path it was opened
/// under and the place of the token that named it.
struct TIndexedFile {
  std::string path;
  TSourcePlace namedAt;
  bool source = false;  ///< read as text (a script, header or unit), not as resource data
};

/// A control of a dialog or an item of a menu: its keyword and the place of the keyword.
struct TIndexedItem {
  std::string keyword;
  TSourcePlace place;
  std::int32_t depth = 0;  ///< nesting of a menu item (0: the menu's own level)
};

/// One resource statement: its name and type as the compilation read them, the places
/// of its name and of its last token, and the bytes of the output its entries occupy.
struct TIndexedResource {
  std::string name;  ///< in capitals
  std::string type;  ///< the type keyword in capitals
  std::uint16_t language = 0;
  TSourcePlace start;
  TSourcePlace end;
  std::size_t outputStart = 0;
  std::size_t outputEnd = 0;
  std::vector<TIndexedItem> items;
};

struct TSourceIndex {
  std::vector<TIndexedDefinition> definitions;
  std::vector<TIndexedFile> files;
  std::vector<TIndexedResource> resources;
};

/// The place of the token last scanned in the current file, or an empty place (no
/// text) without one.
TSourcePlace IndexPlace(const TRCParser& parser);

/// Records, when the compilation keeps an index, the definition of `name` at the token
/// last scanned (or at `at` of the current file when given).
void IndexDefinition(TRCParser& parser, std::string_view name, const std::size_t* at = nullptr);

/// Records, when the compilation keeps an index, that `path` was opened for the token
/// last scanned; `source`: as text to read.
void IndexFile(TRCParser& parser, const std::string& path, bool source);

/// Records, when the compilation keeps an index, a control or menu item of the resource
/// being compiled at the token last scanned.
void IndexItem(TRCParser& parser, std::string_view keyword, std::int32_t depth = 0);

}  // namespace tarvex
