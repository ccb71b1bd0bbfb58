// Version information: the VERSIONINFO statement, written as the version resource.
#pragma once

namespace tarvex {

struct TRCParser;

/// Compiles the rest of a VERSIONINFO statement (after its type keyword): memory flags,
/// the fixed-information statements, then the tree of BLOCK and VALUE entries, written
/// as resource 1 of type 16 in the default language. Never registered. Raises 9, 12, 13,
/// 86, 89 to 98 (86 and 97 also for numbers that do not fit their field), the
/// integer-conversion failure, a located failure for blocks nested more than 1,000 deep,
/// and the writer's size error for data of 65,536 bytes or more.
void CompileVersionInfo(TRCParser& parser);

}  // namespace tarvex
