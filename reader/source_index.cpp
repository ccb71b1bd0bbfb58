#include "reader/source_index.h"

#include "reader/parser.h"

namespace tarvex {

TSourcePlace IndexPlace(const TRCParser& parser) {
  TSourcePlace place;
  if (!CurrentPlace(parser, place)) place = {};
  return place;
}

void IndexDefinition(TRCParser& parser, std::string_view name, const std::size_t* at) {
  TSourceIndex* index = parser.options.index;
  if (index == nullptr || parser.currentFile == nullptr || parser.currentFile->builtIn) return;
  TSourcePlace place = at ? PlaceOf(parser, *parser.currentFile, {*at, parser.currentFile->line}) : IndexPlace(parser);
  index->definitions.push_back({std::string(name), std::move(place)});
}

void IndexFile(TRCParser& parser, const std::string& path, bool source) {
  TSourceIndex* index = parser.options.index;
  if (index == nullptr || parser.currentFile == nullptr || parser.currentFile->builtIn) return;
  index->files.push_back({path, IndexPlace(parser), source});
}

void IndexItem(TRCParser& parser, std::string_view keyword, std::int32_t depth) {
  TSourceIndex* index = parser.options.index;
  if (index == nullptr || index->resources.empty()) return;
  index->resources.back().items.push_back({std::string(keyword), IndexPlace(parser), depth});
}

}  // namespace tarvex
