// The resource report: one self-contained HTML page that shows every resource of a .res
// image or a program, grouped by type and then by name and language: dialogs drawn to
// scale, menus opened out, string tables side by side per language, accelerators,
// version information, images, texts and a hex view of other data, under a summary.
#pragma once

#include <string>
#include <vector>

#include "output/html_parts.h"
#include "output/res_image.h"
#include "reader/warnings.h"

namespace tarvex {

/// The page for `resources`, read from `sourceName`. `names` gives names to numeric ids
/// (the #define names of the script the resources were compiled from; empty for a .res
/// or a program): the page is otherwise the same with or without them. The page has no
/// external references; its script marks <body> with data-layout-check ("ok", or
/// "failed: " and the first difference) and, on any script error, data-script-error.
/// `warnings` are listed in a section of their own and beside the resource each concerns.
std::string BuildHtmlReport(const std::vector<TResourceEntry>& resources, const TDefineNames& names,
                            const std::string& sourceName, const std::vector<TWarning>& warnings = {});

}  // namespace tarvex
