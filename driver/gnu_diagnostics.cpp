#include "driver/gnu_diagnostics.h"

#include <cstdio>
#include <string>

namespace tarvex {

namespace {

// File names and messages may hold bytes of the script; control bytes are shown as \xNN,
// never sent to the terminal.
std::string Printable(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte != 0x7F) {
      out += c;
      continue;
    }
    char hex[8];
    std::snprintf(hex, sizeof hex, "\\x%02X", byte);
    out += hex;
  }
  return out;
}

void PrintLocation(std::ostream& err, const TSourceLocation& where) {
  err << Printable(where.file) << ':' << where.line << ':' << where.column << ": ";
}

// The source line, then blanks (tabs where the line has tabs) up to the caret.
void PrintSourceLine(std::ostream& err, const TSourceLocation& where) {
  if (!where.showsSource) return;
  err << where.sourceLine << '\n';
  std::size_t characters = 0;
  for (char c : where.sourceLine) {
    if (characters >= where.caretCharacters) break;
    if ((static_cast<unsigned char>(c) & 0xC0) == 0x80) continue;
    err << (c == '\t' ? '\t' : ' ');
    ++characters;
  }
  err << "^\n";
}

// The diagnostic's first line and source line, then its notes.
void PrintDetail(std::ostream& err, const TDiagnosticDetail& detail, std::string_view severity,
                 const std::string& suffix) {
  if (!detail.located) {
    err << "tarvex: " << severity << ": " << Printable(detail.message + suffix) << '\n';
  } else {
    PrintLocation(err, detail.where);
    err << severity << ": " << Printable(detail.message) << suffix << '\n';
    PrintSourceLine(err, detail.where);
  }
  for (const TDiagnosticNote& note : detail.notes) {
    if (note.located)
      PrintLocation(err, note.where);
    else
      err << "tarvex: ";
    err << "note: " << Printable(note.text) << '\n';
    if (note.located && note.showSource) PrintSourceLine(err, note.where);
  }
}

}  // namespace

void PrintGnuError(std::ostream& err, std::string_view text) { err << "tarvex: error: " << Printable(text) << '\n'; }

void PrintGnuFailure(std::ostream& err, const TDiagnosticDetail& detail, std::int32_t number) {
  PrintDetail(err, detail, "error", number > 0 ? " [RC" + std::to_string(number) + "]" : "");
  err.flush();
}

void PrintGnuWarning(std::ostream& err, const TWarning& warning, bool asError) {
  std::string name = WarningName(warning.kind);
  PrintDetail(err, warning.detail, asError ? "error" : "warning",
              asError ? " [-Werror=" + name + "]" : " [-W" + name + "]");
}

std::size_t PrintEnabledWarnings(const TWarningList& warnings, const TWarningOptions& options,
                                 const std::function<void(TWarningKind, const TWarning*, std::size_t)>& print) {
  std::size_t printed = 0, rest = 0;
  warnings.ForEach([&](TWarningKind kind, const TWarning* made, std::size_t finding) {
    if (!options.IsEnabled(kind)) return;
    if (printed == kMostPrintedWarnings) {
      ++rest;
      return;
    }
    print(kind, made, finding);
    ++printed;
  });
  return rest;
}

std::string MoreWarningsText(std::size_t rest) {
  return std::to_string(rest) + (rest == 1 ? " more warning" : " more warnings") + " not shown";
}

void PrintGnuWarnings(std::ostream& err, TWarningList& warnings, const TWarningOptions& options) {
  warnings.All();  // every one made: the line:column form prints notes and source lines
  std::size_t rest = PrintEnabledWarnings(warnings, options, [&](TWarningKind, const TWarning* warning, std::size_t) {
    TWarning located = ComposedCopy(*warning);
    LocateWarning(located);
    PrintGnuWarning(err, located, options.errors);
  });
  if (rest > 0) err << "tarvex: note: " << MoreWarningsText(rest) << '\n';
  err.flush();
}

}  // namespace tarvex
