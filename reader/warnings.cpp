#include "reader/warnings.h"

#include <array>
#include <charconv>
#include <cstring>

#include "reader/char_class.h"
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

namespace {

// The name and character set of the file `mark` lies in; false once it is closed.
bool PlaceOfFile(const TRCParser& parser, const TWarningMark& mark, TSourcePlace& place) {
  bool open = false;
  for (const std::unique_ptr<TFileItem>& file : parser.fileStack) {
    if (file.get() != mark.file || file->serial != mark.serial) continue;
    place.file = file->ReportedName();
    place.charset = CharsetOf(parser, *file);
    open = true;
  }
  return open;
}

}  // namespace

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
  PlaceWarning(warning, place, std::move(message));
  return warning;
}

void PlaceWarning(TWarning& warning, TSourcePlace place, std::string message) {
  warning.detail.message = std::move(message);
  warning.detail.located = !place.file.empty();
  warning.detail.where = FileAndLine(place);
  warning.pendingPlaces.push_back(std::move(place));
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
  if (!warning.findings) return;
  std::shared_ptr<const TWarningFindings> findings = std::move(warning.findings);
  warning.findings = nullptr;
  findings->Compose(warning.finding, warning);
}

TWarning ComposedCopy(const TWarning& warning) {
  if (!warning.findings) return warning;
  TWarning copy;
  copy.kind = warning.kind;
  copy.resourceType = warning.resourceType;
  copy.resourceName = warning.resourceName;
  copy.resourceLanguage = warning.resourceLanguage;
  warning.findings->Compose(warning.finding, copy);
  return copy;
}

TKeptPlace TWarningFindings::KeepInNewFile(const TRCParser& parser, const TWarningMark& mark) {
  TSourcePlace shared;
  if (!PlaceOfFile(parser, mark, shared)) return {TKeptPlace::kNoFile, mark.line, mark.offset};
  unsettled_.push_back(static_cast<std::uint32_t>(files_.size()));
  files_.push_back({std::move(shared), mark.file, mark.serial});
  return {static_cast<std::uint32_t>(files_.size() - 1), mark.line, mark.offset};
}

TSourcePlace TWarningFindings::Place(const TKeptPlace& kept) const {
  TSourcePlace place;
  if (kept.file != TKeptPlace::kNoFile) {
    const TKeptFile& file = files_[kept.file];
    place = file.place;
    if (!place.text && file.open) place.text = file.open->Original();
  }
  place.offset = kept.offset;
  place.line = kept.line;
  return place;
}

void TWarningFindings::Settle(TFileItem& file) {
  for (std::size_t i = 0; i < unsettled_.size();) {
    TKeptFile& kept = files_[unsettled_[i]];
    if (kept.open != &file) {
      ++i;
      continue;
    }
    // The file's text is not read again: when nothing changed it, it is moved, not copied.
    if (file.originalPending) {
      file.original = std::make_shared<const std::string>(std::move(file.text));
      file.originalPending = false;
    }
    kept.place.text = file.original;
    kept.open = nullptr;
    unsettled_[i] = unsettled_.back();
    unsettled_.pop_back();
  }
}

void TWarningList::AddFound(TWarningKind kind, std::uint16_t type, std::string_view name, std::uint16_t language,
                            std::size_t finding) {
  TFound& one = found_.emplace_back();
  one.kind = kind;
  one.type = type;
  one.language = language;
  one.finding = finding;
  one.before = made_.size();
  if (name.size() <= sizeof one.name) {
    one.nameSize = static_cast<std::uint8_t>(name.size());
    std::memcpy(one.name, name.data(), name.size());
  } else {
    one.nameSize = TFound::kLongName;
    auto longIndex = static_cast<std::uint32_t>(longNames_.size());
    std::memcpy(one.name, &longIndex, sizeof longIndex);
    longNames_.emplace_back(name);
  }
}

std::vector<TWarning>& TWarningList::All() {
  if (found_.empty()) return made_;
  // Made in place, each once: a compilation may find thousands.
  std::vector<TWarning> all;
  all.reserve(made_.size() + found_.size());
  std::size_t direct = 0;
  for (const TFound& one : found_) {
    for (; direct < one.before; ++direct) all.push_back(std::move(made_[direct]));
    TWarning& warning = all.emplace_back();
    warning.kind = one.kind;
    warning.resourceType = one.type;
    if (one.nameSize != TFound::kLongName) {
      warning.resourceName.assign(one.name, one.nameSize);
    } else {
      std::uint32_t index;
      std::memcpy(&index, one.name, sizeof index);
      warning.resourceName = std::move(longNames_[index]);
    }
    warning.resourceLanguage = one.language;
    warning.findings = findings_;
    warning.finding = one.finding;
  }
  for (; direct < made_.size(); ++direct) all.push_back(std::move(made_[direct]));
  made_ = std::move(all);
  found_.clear();
  longNames_.clear();
  return made_;
}

void SettleWarningFile(TRCParser& parser, TFileItem& file) {
  if (parser.warnings && parser.warnings->findings) parser.warnings->findings->Settle(file);
}

void LocateWarning(TWarning& warning) {
  ComposeWarning(warning);
  std::vector<TSourcePlace>& places = warning.pendingPlaces;
  if (!places.empty() && places[0].text) warning.detail.where = LocatePlace(places[0]);
  for (std::size_t i = 1; i < places.size() && i <= warning.detail.notes.size(); ++i)
    if (places[i].text) warning.detail.notes[i - 1].where = LocatePlace(places[i]);
  places.clear();
}

namespace {

// The native line of a warning at `file` (empty: none) and `lineNumber`, its message
// appended by `message`.
template <class TMessage>
std::string NativeLine(TWarningKind kind, std::string_view file, std::int32_t lineNumber, TMessage message) {
  const bool located = !file.empty();
  char number[16];
  auto numberEnd = std::to_chars(number, number + sizeof number, located ? lineNumber : 0).ptr;
  const std::string_view digits(number, static_cast<std::size_t>(numberEnd - number));
  using namespace std::string_view_literals;
  std::string line;
  line.reserve(200 + file.size());
  line += "Warning[-W"sv;
  line += WarningName(kind);
  line += "] in line ["sv;
  line += digits;
  line += "]: "sv;
  if (located) {
    line += "File "sv;
    line += file;
    line += ". Line "sv;
    line += digits;
    line += " : "sv;
  }
  message(line);
  return IsPrintableAscii(line) ? line : SafeText(line);
}

}  // namespace

std::string NativeWarningLine(TWarningKind kind, const TWarningFindings& findings, std::size_t finding) {
  TKeptPlace place = findings.PlaceOf(finding, kind);
  return NativeLine(kind, findings.FileName(place), place.line,
                    [&](std::string& line) { findings.AppendMessage(finding, kind, line); });
}

std::string NativeWarningLine(const TWarning& warning) {
  if (warning.findings) return NativeWarningLine(warning.kind, *warning.findings, warning.finding);
  const TDiagnosticDetail& detail = warning.detail;
  return NativeLine(warning.kind, detail.located ? std::string_view(detail.where.file) : std::string_view(),
                    detail.where.line, [&](std::string& line) { line += detail.message; });
}

}  // namespace tarvex
