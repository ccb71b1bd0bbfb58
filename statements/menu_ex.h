// Extended menus: MENUEX statements, written as extended menu templates.
#pragma once

namespace tarvex {

struct TRCParser;

/// Compiles the rest of a MENUEX statement (after its type keyword): memory flags,
/// optional statements, registration, then the body of items and pop-ups, written as one
/// resource of type 4. Raises 12, 73, 75 to 81 as MENU does, 97 for a number place that
/// holds no number or a value beyond 32 bits, a located failure for too many numbers
/// after MENUITEM or POPUP and for pop-ups nested more than 1,000 deep, and the writer's
/// size error for a menu of 65,536 bytes or more.
void CompileMenuEx(TRCParser& parser);

}  // namespace tarvex
