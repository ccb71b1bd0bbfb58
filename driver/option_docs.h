// The manual pages and the shell completion, made from the option table at build time
// by tools/option_docs.cc.
#pragma once

#include <string>
#include <string_view>

#include "driver/option_table.h"

namespace tarvex {

/// A manual page from its source: groff text in which "@OPTIONS@" on a line of its own
/// stands for the options of `line`, one ".TP" entry each, and "@VERSION@" for `version`.
std::string ManPage(std::string_view source, TCommandLineMode line, std::string_view version);

/// The bash completion of tarvex, tarvex-rc and tarvex-windres: option names, their
/// values and the input files by extension.
std::string BashCompletion();

/// The same for zsh, a file of site-functions (#compdef).
std::string ZshCompletion();

}  // namespace tarvex
