// Dependency files: a Make-format rule naming every file a compilation read, so that
// make and Ninja (deps = gcc) rebuild the output when any of them changes.
#pragma once

#include <string>
#include <vector>

namespace tarvex {

/// The rule "target: dep..." with each dependency once, in the order first given,
/// then an empty rule "dep:" for each, so that a deleted file does not stop the build.
/// Blanks, "#" and "$" are escaped as make and Ninja read them ("\ ", "\#", "$$").
/// A name with a line break cannot be written and raises a TCompileError.
std::string DependencyRule(const std::string& target, const std::vector<std::string>& dependencies);

/// The same with the target text as given: one or more targets, already written as make
/// reads them (gcc's -MT; QuotedForMake gives -MQ's form).
std::string DependencyRuleForTargets(const std::string& targets, const std::vector<std::string>& dependencies);

/// `name` written so that make and Ninja read it back as one name (see DependencyRule).
/// A name with a line break cannot be written and raises a TCompileError.
std::string QuotedForMake(const std::string& name);

/// Saves `text` to `fileName` atomically, as the .res is saved: an old file stays as it
/// was on failure, which raises a TCompileError "Cannot create file <name>".
void SaveTextAtomically(const std::string& text, const std::string& fileName);

}  // namespace tarvex
