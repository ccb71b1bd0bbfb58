#include "driver/option_docs.h"

#include <algorithm>
#include <vector>

namespace tarvex {

namespace {

using enum TCommandLineMode;

// Text for groff: a backslash is \e, a hyphen \-, and a line cannot start a request.
std::string GroffText(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '\\')
      out += "\\e";
    else if (c == '-')
      out += "\\-";
    else
      out += c;
  }
  if (!out.empty() && (out[0] == '.' || out[0] == '\'')) out.insert(0, "\\&");
  return out;
}

// "-o, --output=<file>" as "\fB\-o\fR, \fB\-\-output\fR=\fIfile\fR": names bold, values
// in italics.
std::string GroffSynopsis(std::string_view synopsis) {
  std::string out = "\\fB";
  bool bold = true;
  for (std::size_t i = 0; i < synopsis.size(); ++i) {
    char c = synopsis[i];
    if (c == '<') {
      out += "\\fI";
      bold = false;
    } else if (c == '>') {
      out += "\\fR";
    } else if (synopsis.compare(i, 2, ", ") == 0) {
      out += "\\fR, \\fB";
      bold = true;
      ++i;
    } else {
      if (bold && (c == '=' || c == '[' || c == ' ' || c == '|')) {
        out += "\\fR";
        bold = false;
      }
      out += c == '-' ? std::string("\\-") : std::string(1, c);
    }
  }
  return out + "\\fR";
}

std::string ManOptions(TCommandLineMode line) {
  std::string out;
  for (const TOptionRow& row : OptionRows(line)) {
    std::string help(row.help);
    for (char& c : help)
      if (c == '\n') c = ' ';
    out += ".TP\n" + GroffSynopsis(row.synopsis) + '\n' + GroffText(help) + '\n';
  }
  return out;
}

void ReplaceAll(std::string& text, std::string_view from, std::string_view to) {
  for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
}

// What completion offers for a row's value: "choices:a b", "files:rc res", "files:*",
// "files:/"; empty when nothing.
std::string ValueSpec(const TOptionRow& row) {
  if (!row.choices.empty()) return "choices:" + std::string(row.choices);
  if (!row.files.empty()) return "files:" + std::string(row.files);
  return {};
}

// How one name of a row is written: with "=" before its value ("--output=<file>"), with
// its value joined ("-I<dir>"), or alone.
struct TCompletedName {
  std::string name;
  bool equals = false;    ///< offered as "name=", its value after the "="
  bool joined = false;    ///< its value may follow the name directly
  bool separate = false;  ///< its value may be the next word
};

std::vector<TCompletedName> CompletedNames(const TOptionRow& row) {
  std::vector<TCompletedName> names;
  for (const std::string& name : OptionNames(row)) {
    if (name[0] != '-' && name[0] != '/') continue;  // @<file>
    TCompletedName completed{name};
    for (std::size_t at = row.synopsis.find(name); at != std::string_view::npos;
         at = row.synopsis.find(name, at + name.size())) {  // every place the name is written
      std::size_t after = at + name.size();
      char next = after < row.synopsis.size() ? row.synopsis[after] : ',';
      bool startsPiece = at == 0 || (at >= 2 && row.synopsis.compare(at - 2, 2, ", ") == 0);
      if (!startsPiece) continue;  // inside a longer name
      if (next == '=') completed.equals = true;
      bool glued = next == '<' || next == '[';
      if (glued && name.rfind("--", 0) != 0) completed.joined = true;
      if (!glued) completed.separate = true;
    }
    names.push_back(completed);
  }
  return names;
}

std::string FunctionName(TCommandLineMode line) {
  switch (line) {
    case Native:
      return "_tarvex_native";
    case Rc:
      return "_tarvex_rc";
    case Windres:
      return "_tarvex_windres";
  }
  return "_tarvex_native";
}

// The input files each command line reads.
std::string_view InputFiles(TCommandLineMode line) {
  switch (line) {
    case Native:
      return "files:rc res exe dll";
    case Rc:
      return "files:rc";
    case Windres:
      return "files:rc res";
  }
  return "files:rc";
}

std::string Quoted(std::string_view text) { return "'" + std::string(text) + "'"; }

// The case patterns of a name written before its value as the next word or after "=";
// rc-style names in lower case, with "/" and "-".
std::string ValuePatterns(TCommandLineMode line, const TCompletedName& completed) {
  std::vector<std::string> names{completed.name};
  if (line == Rc) {
    std::string lower;
    for (char c : completed.name) lower += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    names = {lower};
    if (lower[0] == '/') names.push_back('-' + lower.substr(1));
  }
  std::string patterns;
  for (const std::string& name : names) {
    patterns += (patterns.empty() ? "" : "|") + Quoted(name);
    if (name.rfind("--", 0) == 0) patterns += "|" + Quoted(name + "=");
  }
  return patterns;
}

// The option names completion offers, each once; with `withEquals` only those offered as
// "name=", otherwise only the others.
std::string OptionWords(TCommandLineMode line, bool withEquals) {
  std::vector<std::string> words;
  for (const TOptionRow& row : OptionRows(line)) {
    for (const TCompletedName& completed : CompletedNames(row)) {
      std::string word = completed.name + (completed.equals ? "=" : "");
      if (completed.equals == withEquals && std::find(words.begin(), words.end(), word) == words.end())
        words.push_back(word);
    }
  }
  std::string text;
  for (const std::string& word : words) text += (text.empty() ? "" : " ") + word;
  return text;
}

std::string BashFunction(TCommandLineMode line) {
  std::string values;  // the value after an option or its "="
  std::string joined;  // a value joined to a short name
  for (const TOptionRow& row : OptionRows(line)) {
    std::string spec = ValueSpec(row);
    if (spec.empty() || !TakesValue(row)) continue;
    for (const TCompletedName& completed : CompletedNames(row)) {
      if (completed.separate)
        values +=
            "    " + ValuePatterns(line, completed) + ") _tarvex_values " + Quoted(spec) + " \"$word\"; return ;;\n";
      if (completed.joined)
        joined += "    " + Quoted(completed.name) + "?*) _tarvex_values " + Quoted(spec) + " \"${cur#" +
                  completed.name + "}\"; COMPREPLY=(\"${COMPREPLY[@]/#/" + completed.name + "}\"); return ;;\n";
    }
  }
  std::string out = FunctionName(line) + "() {\n";
  out += "  local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]} word opt\n";
  out += "  _tarvex_split\n";
  out += line == Rc ? "  case ${opt,,} in\n" : "  case $opt in\n";
  out += values + "  esac\n";
  if (!joined.empty()) out += "  case $cur in\n" + joined + "  esac\n";
  out +=
      line == Rc ? "  if [[ $cur == -* || ( $cur == /* && $cur != /*/* ) ]]; then\n" : "  if [[ $cur == -* ]]; then\n";
  std::string words = OptionWords(line, false);
  if (!OptionWords(line, true).empty()) words += " " + OptionWords(line, true);
  if (line == Rc) {  // the names after "/" are offered whatever the case of the letters typed
    out += "    local typed=$cur\n    [[ $cur == /* ]] && typed=${cur,,}\n";
    out += "    _tarvex_options " + Quoted(words) + " \"$typed\"\n";
  } else {
    out += "    _tarvex_options " + Quoted(words) + " \"$cur\"\n";
  }
  out += "    return\n  fi\n";
  out += "  _tarvex_values " + Quoted(InputFiles(line)) + " \"$cur\"\n}\n\n";
  return out;
}

std::string ZshFunction(TCommandLineMode line) {
  std::string values;
  std::string joined;
  for (const TOptionRow& row : OptionRows(line)) {
    std::string spec = ValueSpec(row);
    if (spec.empty() || !TakesValue(row)) continue;
    for (const TCompletedName& completed : CompletedNames(row)) {
      std::string name = completed.name;
      if (completed.separate)
        values += "    " + ValuePatterns(line, completed) + ") _tarvex_values " + Quoted(spec) + "; return ;;\n";
      if (completed.equals)
        joined += "    " + Quoted(name + "=") + "*) compset -P '*='; _tarvex_values " + Quoted(spec) + "; return ;;\n";
      if (completed.joined)
        joined += "    " + Quoted(name) + "?*) compset -P " + Quoted(name) + "; _tarvex_values " + Quoted(spec) +
                  "; return ;;\n";
    }
  }
  std::string out = FunctionName(line) + "() {\n";
  out += "  local cur=$words[CURRENT] prev=$words[CURRENT-1]\n";
  if (!joined.empty()) out += "  case $cur in\n" + joined + "  esac\n";
  out += line == Rc ? "  case ${(L)prev} in\n" : "  case $prev in\n";
  out += values + "  esac\n";
  out +=
      line == Rc ? "  if [[ $cur == -* || ( $cur == /* && $cur != /*/* ) ]]; then\n" : "  if [[ $cur == -* ]]; then\n";
  // rc-style names are offered whatever the case of the letters typed.
  std::string matcher = line == Rc ? "-M 'm:{a-zA-Z}={A-Za-z}' " : "";
  out += "    compadd -S '' " + matcher + "-- " + OptionWords(line, true) + "\n";
  out += "    compadd " + matcher + "-- " + OptionWords(line, false) + "\n";
  out += "    return\n  fi\n";
  out += "  _tarvex_values " + Quoted(InputFiles(line)) + "\n}\n\n";
  return out;
}

}  // namespace

std::string ManPage(std::string_view source, TCommandLineMode line, std::string_view version) {
  std::string page(source);
  ReplaceAll(page, "@OPTIONS@\n", ManOptions(line));
  ReplaceAll(page, "@VERSION@", version);
  return page;
}

std::string BashCompletion() {
  std::string out =
      "# bash completion of tarvex, tarvex-rc and tarvex-windres, made from the program's table of\n"
      "# options: option names, their values, and input files by extension.\n\n"
      "# A value spec: choices:<words>, files:/ (folders), files:* (any file) or files:<extensions>.\n"
      "_tarvex_values() {\n"
      "  local spec=$1 word=$2 ext\n"
      "  COMPREPLY=()\n"
      "  case $spec in\n"
      "    choices:*) COMPREPLY=($(compgen -W \"${spec#choices:}\" -- \"$word\")) ;;\n"
      "    files:/) compopt -o filenames 2>/dev/null; COMPREPLY=($(compgen -d -- \"$word\")) ;;\n"
      "    'files:*') compopt -o filenames 2>/dev/null; COMPREPLY=($(compgen -f -- \"$word\")) ;;\n"
      "    files:*)\n"
      "      compopt -o filenames 2>/dev/null\n"
      "      COMPREPLY=($(compgen -d -- \"$word\"))\n"
      "      for ext in ${spec#files:}; do\n"
      "        COMPREPLY+=($(compgen -f -X \"!*.$ext\" -- \"$word\") $(compgen -f -X \"!*.${ext^^}\" -- \"$word\"))\n"
      "      done ;;\n"
      "  esac\n"
      "}\n\n"
      "_tarvex_options() {\n"
      "  COMPREPLY=($(compgen -W \"$1\" -- \"$2\"))\n"
      "  [[ ${#COMPREPLY[@]} == 1 && ${COMPREPLY[0]} == *= ]] && compopt -o nospace 2>/dev/null\n"
      "}\n\n"
      "# The option before the word being completed, and that word: \"--name=value\" is split at\n"
      "# the \"=\" when COMP_WORDBREAKS holds it, and kept whole otherwise.\n"
      "_tarvex_split() {\n"
      "  word=$cur opt=$prev\n"
      "  if [[ $cur == = ]]; then\n"
      "    opt=$prev= word=\n"
      "  elif [[ $prev == = ]]; then\n"
      "    opt=${COMP_WORDS[COMP_CWORD-2]}=\n"
      "  elif [[ $cur == --*=* ]]; then\n"
      "    opt=${cur%%=*}= word=${cur#*=}\n"
      "  fi\n"
      "}\n\n";
  for (TCommandLineMode line : {Native, Rc, Windres}) out += BashFunction(line);
  out +=
      "_tarvex() {\n"
      "  case \" $COMP_LINE \" in\n"
      "    *' --mode=rc '*) _tarvex_rc ;;\n"
      "    *' --mode=windres '*) _tarvex_windres ;;\n"
      "    *) _tarvex_native ;;\n"
      "  esac\n"
      "}\n\n"
      "complete -F _tarvex tarvex\n"
      "complete -F _tarvex_rc tarvex-rc\n"
      "complete -F _tarvex_windres tarvex-windres\n";
  return out;
}

std::string ZshCompletion() {
  std::string out =
      "#compdef tarvex tarvex-rc tarvex-windres\n"
      "# zsh completion of tarvex, tarvex-rc and tarvex-windres, made from the program's table of\n"
      "# options: option names, their values, and input files by extension.\n\n"
      "# A value spec: choices:<words>, files:/ (folders), files:* (any file) or files:<extensions>.\n"
      "_tarvex_values() {\n"
      "  case $1 in\n"
      "    choices:*) compadd -- ${=1#choices:} ;;\n"
      "    files:/) _files -/ ;;\n"
      "    'files:*') _files ;;\n"
      "    files:*) local -a exts; exts=(${=1#files:}); _files -g \"*.(${(j:|:)exts}|${(Uj:|:)exts})(-.)\" ;;\n"
      "  esac\n"
      "}\n\n";
  for (TCommandLineMode line : {Native, Rc, Windres}) out += ZshFunction(line);
  out +=
      "case $service in\n"
      "  tarvex-rc) _tarvex_rc ;;\n"
      "  tarvex-windres) _tarvex_windres ;;\n"
      "  *)\n"
      "    case \" ${words[*]} \" in\n"
      "      (*' --mode=rc '*) _tarvex_rc ;;\n"
      "      (*' --mode=windres '*) _tarvex_windres ;;\n"
      "      (*) _tarvex_native ;;\n"
      "    esac ;;\n"
      "esac\n";
  return out;
}

}  // namespace tarvex
