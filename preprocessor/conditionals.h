// Conditional compilation: #if, #ifdef, #ifndef, #elif, #else, #endif.
#pragma once

#include <string>
#include <string_view>

namespace tarvex {

struct TRCParser;

/// Carries out the conditional directive `directive` ("#if" ... "#endif", just read):
/// pushes, updates or pops the conditional stack and passes over every branch that is not
/// selected. Raises 22, 62, 63, 68, 53, 21 and the messages of the conditions.
void CarryOutConditional(TRCParser& parser, std::string directive);

/// Whether `directive` is one of the six conditional directives.
bool IsConditionalDirective(std::string_view directive);

/// Whether the condition after "#if" or "#elif" holds.
bool ConditionTrue(TRCParser& parser, std::string_view directive);

/// Reads the name after "#ifdef" or "#ifndef", raw, and returns whether it is defined.
/// Raises 21.
bool NameDefined(TRCParser& parser, std::string_view directive);

/// Whether `name` is a define (also one defined as nothing) or a unit constant.
bool IsDefinedName(const TRCParser& parser, std::string_view name);

/// Passes over the text of a branch that is not selected, nested blocks whole, and
/// returns the directive that ends it: "#elif", "#else" or "#endif". Raises 68, 53.
std::string SkipFalseBlock(TRCParser& parser);

/// Called at the end of input: raises 24 when a conditional block is still open.
void CheckConditionalsClosed(TRCParser& parser);

}  // namespace tarvex
