// Accelerator tables: ACCELERATORS statements, the keyboard shortcuts of a window.
#pragma once

namespace tarvex {

struct TRCParser;

/// Compiles the rest of an ACCELERATORS statement (after its type keyword): memory flags,
/// optional statements, registration, then the body, written as one resource of type 9.
/// Raises 12, 82 to 88, the integer-conversion failure for a key that is no number, and
/// the writer's size error for a table of 65,536 bytes or more.
void CompileAccelerators(TRCParser& parser);

}  // namespace tarvex
