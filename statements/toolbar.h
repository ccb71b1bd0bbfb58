// Toolbars: TOOLBAR statements, as dialog editors write them beside a toolbar bitmap.
#pragma once

namespace tarvex {

struct TRCParser;

/// Compiles the rest of a TOOLBAR statement (after its type keyword): memory flags,
/// optional statements, registration, the button width and height, then the block of
/// BUTTON id and SEPARATOR items, written as one resource of type 241. Raises 2 when the
/// input ends before the block, 86 for a width, height or id that is no number from 0 to
/// 65535, 12, 9, 76 for an unknown word in the block, and a located failure for more
/// than 65,535 items.
void CompileToolbar(TRCParser& parser);

}  // namespace tarvex
