#include "reader/file_search.h"

#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>

#include <algorithm>
#include <string_view>
#include <vector>

#include "reader/parser.h"

namespace tarvex {

namespace {

bool IsRegularFile(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool IsFolder(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// The entry of `folder` whose name equals `component` ignoring letter case, or empty.
std::string MatchIgnoringCase(const std::string& folder, const std::string& component) {
  DIR* dir = opendir(folder.empty() ? "." : folder.c_str());
  if (!dir) return {};
  std::string found;
  while (dirent* entry = readdir(dir)) {
    if (strcasecmp(entry->d_name, component.c_str()) == 0) {
      found = entry->d_name;
      break;
    }
  }
  closedir(dir);
  return found;
}

// `path` with each component that does not exist replaced by an entry of its folder that
// matches it ignoring letter case; empty when some component has no match.
std::string ResolveIgnoringCase(const std::string& path) {
  std::string resolved;
  std::size_t start = 0;
  if (!path.empty() && path[0] == '/') {
    resolved = "/";
    start = 1;
  }
  while (start <= path.size()) {
    std::size_t slash = path.find('/', start);
    std::string component = path.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
    bool last = slash == std::string::npos;
    if (!component.empty()) {
      std::string candidate = resolved + component;
      struct stat info;
      if (component != "." && component != ".." && stat(candidate.c_str(), &info) != 0) {
        std::string match = MatchIgnoringCase(resolved.empty() ? "." : resolved, component);
        if (match.empty()) return {};
        candidate = resolved + match;
      }
      resolved = last ? candidate : candidate + "/";
    }
    if (last) break;
    start = slash + 1;
  }
  return resolved;
}

// The name tried in one place: as written, with backslashes as separators (each first as
// the host supplies it, then on disk), then on disk ignoring case.
std::string FindIn(const TRCParser& parser, const std::string& folder, const std::string& name) {
  std::string path = folder + name;
  if (SuppliedFile(parser, path) || IsRegularFile(path)) return path;
  std::string slashed = path;
  std::replace(slashed.begin(), slashed.end(), '\\', '/');
  if (slashed != path && (SuppliedFile(parser, slashed) || IsRegularFile(slashed))) return slashed;
  std::string matched = ResolveIgnoringCase(slashed);
  if (!matched.empty() && IsRegularFile(matched)) return matched;
  return {};
}

}  // namespace

std::string NormalPath(const std::string& path, const std::string& folder) {
  std::string whole = !path.empty() && path[0] == '/' ? path : folder + "/" + path;
  std::vector<std::string_view> parts;
  std::string_view rest(whole);
  while (!rest.empty()) {
    std::size_t slash = rest.find('/');
    std::string_view part = rest.substr(0, slash);
    rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
      continue;
    }
    parts.push_back(part);
  }
  std::string normal;
  for (std::string_view part : parts) {
    normal += '/';
    normal += part;
  }
  return normal.empty() ? "/" : normal;
}

std::string FolderOf(const std::string& path) {
  std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string FindScriptFile(const TRCParser& parser, const std::string& name, TSearchOrder order) {
  if (name.empty()) return {};
  bool absolute = name[0] == '/' || name[0] == '\\';
  if (absolute) return FindIn(parser, "", name);
  std::string namingFolder = parser.currentFile ? FolderOf(parser.currentFile->ReportedName()) : std::string();
  std::string found;
  if (order == TSearchOrder::NamingFolderFirst && !namingFolder.empty() &&
      !(found = FindIn(parser, namingFolder, name)).empty())
    return found;
  if (!(found = FindIn(parser, "", name)).empty()) return found;
  if (order == TSearchOrder::WorkingDirectoryFirst && !namingFolder.empty() &&
      !(found = FindIn(parser, namingFolder, name)).empty())
    return found;
  for (std::string folder : parser.options.includeDirectories) {
    if (folder.empty() || (!parser.fileSupplier && !IsFolder(folder))) continue;
    if (folder.back() != '/') folder += '/';
    if (!(found = FindIn(parser, folder, name)).empty()) return found;
  }
  return {};
}

}  // namespace tarvex
