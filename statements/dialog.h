// Dialog boxes: DIALOG and DIALOGEX statements, written as the dialog templates that
// Windows' dialog manager reads.
#pragma once

namespace tarvex {

struct TRCParser;

/// Compiles the rest of a DIALOG or DIALOGEX statement (everything after the type
/// keyword) into one resource of type 5: the standard template layout, or the extended
/// one when the statement's resource type text is "DIALOGEX". Reads the head, the
/// dialog statements (STYLE, EXSTYLE, CAPTION, MENU, CLASS, FONT, and LANGUAGE,
/// CHARACTERISTICS, VERSION in any order) and the control statements up to "}".
/// Raises 2, 3, 12, 13, 68, 86, 97, 99 to 115, and 19 for a duplicate.
void CompileDialog(TRCParser& parser);

}  // namespace tarvex
