#include "reader/warnings.h"

#include <array>

#include "reader/diagnostics.h"
#include "reader/parser.h"
#include "reader/warning_collector.h"

namespace tarvex {

namespace {

constexpr std::array<const char*, kWarningKinds> kWarningNames = {
    "duplicate-id", "mnemonic", "outside", "overlap", "accelerator", "missing-translation", "version", "icon"};

}  // namespace

const char* WarningName(TWarningKind kind) { return kWarningNames[static_cast<std::size_t>(kind)]; }

bool FindWarningKind(std::string_view name, TWarningKind& kind) {
  for (std::size_t i = 0; i < kWarningNames.size(); ++i) {
    if (name == kWarningNames[i]) {
      kind = static_cast<TWarningKind>(i);
      return true;
    }
  }
  return false;
}

TWarningOptionRead ReadWarningOption(std::string_view argument, TWarningOptions& options) {
  if (argument.size() < 3 || argument[0] != '-' || argument[1] != 'W')
    return TWarningOptionRead::NotWarning;
  std::string_view name = argument.substr(2);
  if (name == "all") {
    options.enabled = kAllWarnings;
    return TWarningOptionRead::Taken;
  }
  if (name == "error") {
    options.errors = true;
    return TWarningOptionRead::Taken;
  }
  if (name == "no-error") {
    options.errors = false;
    return TWarningOptionRead::Taken;
  }
  bool off = name.starts_with("no-");
  if (off) name.remove_prefix(3);
  TWarningKind kind{};
  if (!FindWarningKind(name, kind)) return TWarningOptionRead::UnknownName;
  if (off)
    options.enabled &= ~WarningBit(kind);
  else
    options.enabled |= WarningBit(kind);
  return TWarningOptionRead::Taken;
}

std::string UnknownWarningText(std::string_view argument) {
  std::string names;
  for (const char* name : kWarningNames) names += std::string(names.empty() ? "" : ", ") + name;
  return "Unknown warning option " + std::string(argument) + " (warnings: " + names + ")";
}

TSourcePlace PlaceHere(const TRCParser& parser) {
  TSourcePlace place;
  CurrentPlace(parser, place);
  return place;
}

TWarningMark MarkHere(const TRCParser& parser) {
  TWarningMark mark;
  const TFileItem* file = parser.currentFile;
  if (file == nullptr) return mark;
  mark.file = file;
  mark.serial = file->serial;
  MarkAsRead(*file, file->scan, mark.offset, mark.line);
  return mark;
}

TSourcePlace PlaceOfMark(const TRCParser& parser, const TWarningMark& mark) {
  TSourcePlace place;
  place.line = mark.line;
  for (const std::unique_ptr<TFileItem>& open : parser.fileStack) {
    if (open.get() != mark.file || open->serial != mark.serial) continue;
    place.text = open->Original();
    place.file = open->ReportedName();
    place.offset = mark.offset;
    place.charset = CharsetOf(parser, *open);
  }
  return place;
}

void NoteItemPlace(TRCParser& parser) { parser.warnings->items.push_back(MarkHere(parser)); }

void NoteStatementPlace(TRCParser& parser) {
  parser.warnings->statementPlace = MarkHere(parser);
  parser.warnings->items.clear();
}

namespace {

// The file and line of `place`; its column and source line wait for LocateWarning.
TSourceLocation FileAndLine(const TSourcePlace& place) {
  TSourceLocation where;
  where.file = place.file;
  where.line = place.line;
  return where;
}

}  // namespace

TWarning MakeWarning(TWarningKind kind, const TSourcePlace& place, std::string message) {
  TWarning warning;
  warning.kind = kind;
  warning.detail.message = std::move(message);
  warning.detail.located = !place.file.empty();
  warning.detail.where = FileAndLine(place);
  warning.pendingPlaces.push_back(place);
  return warning;
}

void AddWarningNote(TWarning& warning, const TSourcePlace& place, std::string text) {
  TDiagnosticNote note;
  note.text = std::move(text);
  note.located = !place.file.empty();
  note.showSource = place.text != nullptr;
  note.where = FileAndLine(place);
  warning.detail.notes.push_back(std::move(note));
  warning.pendingPlaces.push_back(place);
}

void ComposeWarning(TWarning& warning) {
  if (!warning.compose) return;
  std::function<void(TWarning&, bool)> compose = std::move(warning.compose);
  warning.compose = nullptr;
  compose(warning, true);
}

TWarning ComposedCopy(const TWarning& warning, bool notes) {
  if (!warning.compose) return warning;
  TWarning copy;
  copy.kind = warning.kind;
  copy.resourceType = warning.resourceType;
  copy.resourceName = warning.resourceName;
  copy.resourceLanguage = warning.resourceLanguage;
  warning.compose(copy, notes);
  return copy;
}

TSourcePlace TDeferredPlace::Place() const {
  TSourcePlace place = file ? *file : TSourcePlace{};
  place.offset = offset;
  place.line = line;
  return place;
}

TDeferredPlace DeferPlace(TRCParser& parser, const TWarningMark& mark) {
  TWarningCollector& collector = *parser.warnings;
  if (!collector.deferredFile || collector.deferredFileItem != mark.file || collector.deferredFileSerial != mark.serial) {
    TSourcePlace shared = PlaceOfMark(parser, mark);
    shared.offset = 0;
    shared.line = 0;
    collector.deferredFile = std::make_shared<const TSourcePlace>(std::move(shared));
    collector.deferredFileItem = mark.file;
    collector.deferredFileSerial = mark.serial;
  }
  return {collector.deferredFile, mark.offset, mark.line};
}

void LocateWarning(TWarning& warning) {
  ComposeWarning(warning);
  std::vector<TSourcePlace>& places = warning.pendingPlaces;
  if (!places.empty() && places[0].text) warning.detail.where = LocatePlace(places[0]);
  for (std::size_t i = 1; i < places.size() && i <= warning.detail.notes.size(); ++i)
    if (places[i].text) warning.detail.notes[i - 1].where = LocatePlace(places[i]);
  places.clear();
}

std::string NativeWarningLine(const TWarning& warning) {
  const TDiagnosticDetail& detail = warning.detail;
  std::string line = "Warning[-W" + std::string(WarningName(warning.kind)) + "] in line [" +
                     std::to_string(detail.located ? detail.where.line : 0) + "]: ";
  if (detail.located)
    line += "File " + detail.where.file + ". Line " + std::to_string(detail.where.line) + " : ";
  return SafeText(line + detail.message);
}

}  // namespace tarvex
