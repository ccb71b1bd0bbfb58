#include "statements/statements.h"

#include "reader/diagnostics.h"
#include "reader/lexer.h"
#include "reader/parser.h"

namespace tarvex {

// Until resource statements are compiled, every token is read so that lexical
// diagnostics surface, and a script that holds any token is refused.
void CompileStatements(TRCParser& parser) {
  bool anyToken = false;
  while (!NextToken(parser).empty()) anyToken = true;
  if (anyToken) RaiseFailure("Resource statements are not supported yet");
}

}  // namespace tarvex
