// Menus: MENU statements, written as standard (non-extended) menu templates.
#pragma once

namespace tarvex {

struct TRCParser;

/// Compiles the rest of a MENU statement (after its type keyword): memory flags, optional
/// statements, registration, then the body of items and pop-ups, written as one resource
/// of type 4. Raises 12, 73 to 81, a located failure for pop-ups nested more than 1,000
/// deep, and the writer's size error for a menu of 65,536 bytes or more.
void CompileMenu(TRCParser& parser);

}  // namespace tarvex
