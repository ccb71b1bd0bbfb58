#include "driver/option_table.h"

#include <algorithm>
#include <cctype>

namespace tarvex {

namespace {

using enum TCommandLineMode;

// The code pages completion offers; any other that iconv knows is taken too.
constexpr std::string_view kCodePages =
    "1252 65001 1250 1251 1253 1254 1255 1256 1257 1258 437 850 866 874 932 936 949 950";

// To add an option: one row here, in the block of its command line, where its usage line
// should stand. The parser's tests, --help, the manual page and the completion follow.
constexpr TOptionRow kOptionRows[] = {
    // The native command line: tarvex [option] input_file_name [output_file_name]
    {Native, "-h", "Display this information", {}, {}, true},
    {Native, "-c", "Compile rc file to resource file (default)", {}, {}, true},
    {Native, "-d", "Perform only syntax check (do not create output file)", {}, {}, true},
    {Native, "-I<dir>, -I <dir>", "add an include directory, searched after the including file's folder", {}, "/"},
    {Native, "-D<name>[=<value>]", "define a name (value 1 when none is given)"},
    {Native, "-U<name>", "remove a name"},
    {Native, "-c<codepage>", "Windows code page of the script text (default: the locale's)", kCodePages},
    {Native, "--coff", "write a COFF object (.obj) instead of a .res"},
    {Native, "--machine=<machine>", "machine of the COFF object: x86 (default), x64 or arm64", "x86 x64 arm64"},
    {Native, "--depfile=<file>", "write a dependency file (make form) naming every file read", {}, "*"},
    {Native,
     "--html=<file>",
     "also write the resource report page <file>; the input may also be a .res\n"
     "file or a program, whose page alone is written",
     {},
     "*"},
    {Native, "--list", "print the resources of a script, a .res file, a program or an object, one a line"},
    {Native, "--decompile",
     "write a script from the input, a .res file, a program or DLL, or a COFF\n"
     "object (default: its name with .rc, in the current folder), and the files\n"
     "it names in a folder named after it; takes no build options",
     {},
     "res exe dll obj o"},
    {Native, "--names <header>", "with --decompile: write ids by the names the header #defines", {}, "h"},
    {Native, "--force", "with --decompile: replace an existing script and folder"},
    {Native, "--quiet", "print nothing on success"},
    {Native, "--no-fast-path",
     "read every token through the whole preprocessor (slower; the\n"
     "same result, for a compilation suspected of a reading fault)"},
    {Native, "--diagnostics=gnu|native",
     "gnu: print failures as file:line:column: error: ... on standard error,\n"
     "and nothing on success; native: the lines of this command line (default)",
     "gnu native"},
    {Native, "--mode=rc|windres|native",
     "as the first argument: read the rc-style or windres-style command line\n"
     "(as tarvex-rc and tarvex-windres do), or this one",
     "rc windres native"},
    {Native, "-Wall", "report every warning (mistakes the program's users would meet)"},
    {Native, "-W<name>, -Wno-<name>",
     "report one warning, or not: duplicate-id, mnemonic, outside, overlap,\n"
     "accelerator, missing-translation, version, icon"},
    {Native, "-Werror", "a warning ends the compilation as an error (no output written)"},
    {Native, "--lsp",
     "run as a language server (Language Server Protocol on standard input and\n"
     "output) for editors; alone on the line, or with --stdio (also as tarvex-lsp)"},
    {Native, "--help", "print this text"},
    {Native, "--version", "print the version"},

    // The rc-style command line: tarvex-rc [options] script.rc
    {Rc, "/fo <file>", "write the .res to <file> (default: the script's name with .res)", {}, "*"},
    {Rc, "/i <dir>", "add an include directory, searched before the INCLUDE variable's", {}, "/"},
    {Rc, "/d <name>[=<v>]", "define a name"},
    {Rc, "/u <name>", "remove a name"},
    {Rc, "/l <hex>", "default language id (default 0x409)"},
    {Rc, "/c <codepage>", "code page of the script text (default 1252)", kCodePages},
    {Rc, "/n", "end every string-table string with a zero"},
    {Rc, "/x", "ignore the INCLUDE environment variable"},
    {Rc, "/v", "name every file as it is opened, on standard error"},
    {Rc, "/nologo, /r, /w", "accepted, no effect"},
    {Rc, "/?, /h", "print this text"},
    {Rc, "-Wall", "report every warning (mistakes the program's users would meet)"},
    {Rc, "-W<name>, -Wno-<name>",
     "report one warning, or not: duplicate-id, mnemonic, outside, overlap,\n"
     "accelerator, missing-translation, version, icon"},
    {Rc, "-Werror", "a warning ends the compilation as an error (no output written)"},
    {Rc, "-MD, -MMD", "write a dependency file (gcc form) naming headers and resource files"},
    {Rc, "-MF <file>", "name of the dependency file (default: the output's name with .d)", {}, "*"},
    {Rc, "-MT <target>", "target of the dependency rule, as written"},
    {Rc, "-MQ <target>", "target of the dependency rule, quoted for make"},
    {Rc, "--depfile <file>", "write the dependency file <file>", {}, "*"},
    {Rc, "@<file>", "read more arguments from <file>", {}, "*"},

    // The windres-style command line: tarvex-windres [options] [input-file] [output-file]
    {Windres, "-i, --input=<file>", "the script (or .res) to read", {}, "rc res"},
    {Windres, "-o, --output=<file>", "the file to write", {}, "*"},
    {Windres, "-J, --input-format=<format>",
     "rc, res, coff or pe (default: res for a name ending in .res, else rc;\n"
     "coff and pe are read only to write a script)",
     "rc res coff pe"},
    {Windres, "-O, --output-format=<format>",
     "res, coff, html (the resource report page) or rc (a script decompiled\n"
     "from a .res, program, DLL or object, with its files in a folder named\n"
     "after it); default: rc for a name ending in .rc, res for one ending in\n"
     ".res, else coff",
     "res coff html rc"},
    {Windres, "-H, --names=<header>", "with -O rc: write ids by the names the header #defines", {}, "h"},
    {Windres, "-F, --target=<target>",
     "pe-i386, pe-x86-64 or pe-aarch64 (default: from the program\n"
     "name's target triple, else pe-x86-64)",
     "pe-i386 pe-x86-64 pe-aarch64"},
    {Windres, "-I, --include-dir=<dir>", "add an include directory", {}, "/"},
    {Windres, "-D, --define <name>[=<value>]", "define a name"},
    {Windres, "-U, --undefine <name>", "remove a name"},
    {Windres, "-l, --language=<hex>", "default language id (default 0x409)"},
    {Windres, "-c, --codepage=<codepage>", "code page of the script text, decimal or 0x hex (default 1252)",
     kCodePages},
    {Windres, "--preprocessor=<program>", "accepted, no effect: the built-in preprocessor always runs"},
    {Windres, "--preprocessor-arg=<arg>", "-D, -U, -I and the dependency options are taken, others ignored"},
    {Windres, "--use-temp-file, --no-use-temp-file, -r", "accepted, no effect"},
    {Windres, "-Wall", "report every warning (mistakes the program's users would meet)"},
    {Windres, "-W<name>, -Wno-<name>",
     "report one warning, or not: duplicate-id, mnemonic, outside, overlap,\n"
     "accelerator, missing-translation, version, icon"},
    {Windres, "-Werror", "a warning ends the compilation as an error (no output written)"},
    {Windres, "-MD, -MMD", "write a dependency file (gcc form) naming headers and resource files"},
    {Windres, "-MF <file>", "name of the dependency file (default: the output's name with .d)", {}, "*"},
    {Windres, "-MT <target>", "target of the dependency rule, as written"},
    {Windres, "-MQ <target>", "target of the dependency rule, quoted for make"},
    {Windres, "--depfile=<file>", "write the dependency file <file>", {}, "*"},
    {Windres, "-v, --verbose", "name every file as it is opened, on standard error"},
    {Windres, "-h, --help", "print this text"},
    {Windres, "-V, --version", "print the version"},
    {Windres, "@<file>", "read more arguments from <file>", {}, "*"},
};

// Where the help column starts in each usage.
std::size_t HelpColumn(TCommandLineMode line) {
  switch (line) {
    case Native:
      return 30;
    case Rc:
      return 20;
    case Windres:
      return 33;
  }
  return 30;
}

// The end of the name that starts at `at`.
std::size_t NameEnd(std::string_view synopsis, std::size_t at) {
  std::size_t end = synopsis.find_first_of("<[= ,", at + 1);
  return end == std::string_view::npos ? synopsis.size() : end;
}

std::string LowerCase(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower;
}

// An rc-style name or argument in one form: letters in lower case, "-" for "/".
std::string RcForm(std::string_view text) {
  std::string form = LowerCase(text);
  if (!form.empty() && form[0] == '/') form[0] = '-';
  return form;
}

bool Spells(const TOptionRow& row, const std::string& name, std::string_view argument) {
  if (argument == name) return true;
  if (!TakesValue(row) || argument.size() <= name.size() || argument.compare(0, name.size(), name) != 0) return false;
  return name.rfind("--", 0) != 0 || argument[name.size()] == '=';  // --name=value, -Nvalue
}

void AppendRow(std::string& text, const TOptionRow& row, std::size_t column) {
  std::string left = "  " + std::string(row.synopsis);
  if (left.size() + 1 >= column) {  // too wide: the help starts on the next line
    text += left + '\n';
    left.clear();
  }
  left.resize(column, ' ');
  std::string_view help = row.help;
  for (std::size_t end = help.find('\n'); end != std::string_view::npos; end = help.find('\n')) {
    text += left + std::string(help.substr(0, end)) + '\n';
    help.remove_prefix(end + 1);
    left.assign(column, ' ');
  }
  text += left + std::string(help) + '\n';
}

}  // namespace

std::span<const TOptionRow> OptionRows(TCommandLineMode line) {
  auto first = std::find_if(std::begin(kOptionRows), std::end(kOptionRows),
                            [line](const TOptionRow& row) { return row.line == line; });
  auto last = std::find_if(first, std::end(kOptionRows), [line](const TOptionRow& row) { return row.line != line; });
  return {first, last};
}

std::vector<std::string> OptionNames(const TOptionRow& row) {
  std::vector<std::string> names;
  std::string_view synopsis = row.synopsis;
  for (std::size_t at = 0; at < synopsis.size();) {
    std::string name(synopsis.substr(at, NameEnd(synopsis, at) - at));
    if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
    std::size_t comma = synopsis.find(", ", at);
    if (comma == std::string_view::npos) break;
    at = comma + 2;
  }
  return names;
}

bool TakesValue(const TOptionRow& row) {
  std::string_view synopsis = row.synopsis;
  for (std::size_t at = 0;; at += 2) {
    if (NameEnd(synopsis, at) < synopsis.size() && synopsis[NameEnd(synopsis, at)] != ',') return true;
    at = synopsis.find(", ", at);
    if (at == std::string_view::npos) return false;
  }
}

bool IsListedOption(TCommandLineMode line, std::string_view argument) {
  std::string spelled = line == Rc ? RcForm(argument) : std::string(argument);
  for (const TOptionRow& row : OptionRows(line)) {
    for (const std::string& name : OptionNames(row)) {
      if (Spells(row, line == Rc ? RcForm(name) : name, spelled)) return true;
    }
  }
  return false;
}

std::string ShortUsageText() {
  std::string text = "Syntax is: TARVEX [option] input_file_name [output_file_name]\n";
  for (const TOptionRow& row : OptionRows(Native)) {
    if (!row.leading) continue;
    std::string name(row.synopsis);
    text += name + std::string(7 - std::min<std::size_t>(name.size(), 6), ' ') + std::string(row.help) + '\n';
  }
  return text;
}

std::string UsageText(TCommandLineMode line) {
  std::string text;
  switch (line) {
    case Native:
      text =
          ShortUsageText() +
          "\nThe input may be a list of scripts or a wildcard pattern (*.rc). Build options, anywhere on the line:\n";
      break;
    case Rc:
      text =
          "Usage: tarvex-rc [options] script.rc\n"
          "Options start with / or -; their letters may be written in any case.\n";
      break;
    case Windres:
      text = "Usage: tarvex-windres [options] [input-file] [output-file]\n";
      break;
  }
  for (const TOptionRow& row : OptionRows(line)) {
    if (!row.leading) AppendRow(text, row, HelpColumn(line));
  }
  if (line == Native)
    text +=
        "\nOther command lines: tarvex --mode=rc ... reads rc.exe's (also as tarvex-rc), and\n"
        "tarvex --mode=windres ... reads windres's (also as tarvex-windres); each has its --help or /?.\n";
  return text;
}

}  // namespace tarvex
