#include "preprocessor/string_literals.h"

#include "preprocessor/directives.h"
#include "reader/lexer.h"
#include "reader/parser.h"

namespace tarvex {

namespace {

// Appends the decoded text of `literal`, without its quotes.
void AppendDecoded(TRCParser& parser, std::string& out, const std::string& literal) {
  std::string decoded = DecodeStringLiteral(parser, literal);
  out.append(decoded, 1, decoded.size() - 2);
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

// strings := literal {literal}
std::string JoinAdjacentStrings(TRCParser& parser, std::string literal) {
  std::string joined = "\"";
  std::string run = std::move(literal);  // literals joined by doubled quotes, undecoded
  TLiteralEnd last = EndOfLastToken(parser);
  for (;;) {
    std::string next = NextSignificantToken(parser);
    if (next.empty()) break;  // the end of input: nothing to push back
    if (next[0] != '"') {
      PushBackToken(parser);
      break;
    }
    if (FollowsDirectly(parser, last)) {
      run.append(next, 1);
    } else {
      AppendDecoded(parser, joined, run);
      run = std::move(next);
    }
    last = EndOfLastToken(parser);
  }
  AppendDecoded(parser, joined, run);
  return joined + '"';
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
