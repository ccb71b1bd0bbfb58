#include "reader/warnings.h"

#include <array>

#include "reader/diagnostics.h"
#include "reader/parser.h"

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

void NoteItemPlace(TRCParser& parser) { parser.warnings->items.push_back(PlaceHere(parser)); }

void NoteStatementPlace(TRCParser& parser) {
  parser.warnings->statementPlace = PlaceHere(parser);
  parser.warnings->items.clear();
}

TWarning MakeWarning(TWarningKind kind, const TSourcePlace& place, std::string message) {
  TWarning warning;
  warning.kind = kind;
  warning.detail.message = std::move(message);
  if (place.text) {
    warning.detail.located = true;
    warning.detail.where = LocatePlace(place);
  }
  return warning;
}

void AddWarningNote(TWarning& warning, const TSourcePlace& place, std::string text) {
  TDiagnosticNote note;
  note.text = std::move(text);
  if (place.text) {
    note.located = true;
    note.showSource = true;
    note.where = LocatePlace(place);
  }
  warning.detail.notes.push_back(std::move(note));
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
