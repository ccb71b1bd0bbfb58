#include "preprocessor/string_literals.h"

#include "preprocessor/directives.h"
#include "reader/char_class.h"
#include "reader/diagnostics.h"
#include "reader/lexer.h"
#include "reader/parser.h"
#include "reader/utf16.h"

namespace tarvex {

namespace {

// The text of the literals joined so far. Ordinary literals give bytes of the script's
// character set; once a wide literal is met the string is one of characters, and the
// bytes of ordinary literals are converted as they join it.
struct TJoinedString {
  std::string bytes;     // decoded ordinary literals not yet converted
  std::u16string units;  // the characters, once the string is wide
  bool wide = false;
};

void ConvertPendingBytes(TRCParser& parser, TJoinedString& joined) {
  if (joined.bytes.empty()) return;
  AppendUtf16(joined.units, joined.bytes, ScriptCharset(parser));
  joined.bytes.clear();
}

// Appends the decoded text of `literal` (ordinary or wide), without its quotes.
void AppendDecoded(TRCParser& parser, TJoinedString& joined, const std::string& literal) {
  if (IsWideLiteral(literal)) {
    joined.wide = true;
    ConvertPendingBytes(parser, joined);
    joined.units += DecodeWideStringLiteral(parser, literal);
    return;
  }
  AppendDecodedString(parser, literal, joined.bytes);  // converted with the next wide literal or at the end
}

// Records a string's text among the wide or the ordinary texts (see ScriptTextToUtf16).
// A text that is both would be read as UTF-8 in both places; where the character set in
// force is another, an ordinary literal would so get wrong characters, and the
// compilation stops instead.
void RecordText(TRCParser& parser, const std::string& text, bool wide) {
  if (IsAsciiText(text)) return;
  auto& own = wide ? parser.wideTexts : parser.narrowTexts;
  const auto& other = wide ? parser.narrowTexts : parser.wideTexts;
  std::string charset = ScriptCharset(parser);
  if (other.find(text) != other.end() && !IsUtf8Charset(charset))
    ReportLocatedFailure(parser, "An ordinary literal holds the bytes of the UTF-8 text \"" + text +
                                     "\" of a wide literal, which " +
                                     (charset.empty() ? "the locale's character set" : charset) +
                                     " reads as other characters; write both literals alike, wide or ordinary");
  own.insert(text);
}

// The joined string as a token: its bytes in quotes, or for a wide string its characters
// as UTF-8 in quotes, recorded as a wide text.
std::string FinishJoinedString(TRCParser& parser, TJoinedString& joined) {
  if (joined.wide) {
    ConvertPendingBytes(parser, joined);
    joined.bytes = UnitsToUtf8(joined.units);
  }
  parser.wideString = joined.wide;
  RecordText(parser, joined.bytes, joined.wide);
  std::string token;
  token.reserve(joined.bytes.size() + 2);
  token += '"';
  token += joined.bytes;
  token += '"';
  return token;
}

// Where the literal just read ends, and whether it was written in the file's own text
// (substituted text lies before the substitution mark).
struct TLiteralEnd {
  const TFileItem* file;
  std::size_t end;
  bool inSource;
};

TLiteralEnd EndOfLastToken(const TRCParser& parser) {
  const TFileItem* file = parser.currentFile;
  return {file, file->readPosition, file->readPosition > file->substitutionMark};
}

// Whether the literal just read began right at `previous`'s closing quote, both written
// in the script's own text: the doubled quote that stands for one quote character.
bool FollowsDirectly(const TRCParser& parser, const TLiteralEnd& previous) {
  TLiteralEnd next = EndOfLastToken(parser);
  return next.file == previous.file && previous.inSource && next.inSource && next.file->tokenStart == previous.end &&
         next.file->text[previous.end] == '"';
}

}  // namespace

// strings := literal {literal}; literal := ["L"] '"' {byte} '"'
std::string JoinAdjacentStrings(TRCParser& parser, std::string literal) {
  if (parser.fileNameStrings) {
    // A file name is one literal taken as written: its backslashes separate folders, and
    // a quoted name after it belongs to the next statement.
    parser.wideString = false;
    return literal[0] == '"' ? literal : literal.substr(1);
  }
  TJoinedString joined;
  std::string run = std::move(literal);  // literals joined by doubled quotes, undecoded
  TLiteralEnd last = EndOfLastToken(parser);
  for (;;) {
    std::string next = NextSignificantToken(parser);
    if (next.empty()) {
      // The end of input: nothing to push back, but the string stays the token that
      // diagnostics point at.
      if (TFileItem* file = parser.currentFile) file->scan = file->previousScan;
      break;
    }
    bool wide = IsWideLiteral(next);
    if (next[0] != '"' && !wide) {
      PushBackToken(parser);
      break;
    }
    if (!wide && FollowsDirectly(parser, last)) {
      run.append(next, 1);
    } else {
      AppendDecoded(parser, joined, run);
      run = std::move(next);
    }
    last = EndOfLastToken(parser);
  }
  AppendDecoded(parser, joined, run);
  return FinishJoinedString(parser, joined);
}

std::string NormaliseDataString(std::string_view literal) {
  std::string_view content = literal.substr(1, literal.size() - 2);
  auto isBlank = [](char c) { return c == ' ' || c == '\t'; };
  std::string out = "'";
  std::size_t i = 0;
  while (i < content.size()) {
    if (isBlank(content[i])) {
      ++i;
      continue;
    }
    std::size_t start = i;
    while (i < content.size() && !isBlank(content[i])) ++i;
    std::string_view group = content.substr(start, i - start);
    if (group.size() % 2 == 0) {
      out += group;
      continue;
    }
    out += group.substr(0, group.size() - 1);
    out += '0';
    out += group.back();
  }
  return out + '\'';
}

}  // namespace tarvex
