// Decompiling, checked. The script writer proposes a statement for each resource; the
// script is then compiled in memory, with the files it names served from memory too, and
// each resource of the result is compared with the input's. A unit whose resources
// differ, or on whose lines the compilation stops, moves one step towards plain data
// (statement, then data naming a file, then a block in the script), and the script is
// compiled again, until every unit gives its bytes back. A .res must then come back
// whole, byte for byte; where only the order differs, the string tables (which the
// compiler writes last) and then every statement fall back to data, which keeps its place.
#include "driver/decompile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <stdexcept>
#include <thread>
#include <unordered_map>

#include "output/atomic_file.h"
#include "output/res_image.h"
#include "output/script_writer.h"
#include "reader/parser.h"
#include "tarvex/tarvex.h"

namespace tarvex {

namespace {

namespace fs = std::filesystem;

[[noreturn]] void Fail(const std::string& text) { throw std::runtime_error(text); }

std::vector<std::uint8_t> ReadInput(const std::string& name) {
  std::string contents;
  int error = 0;
  struct stat info {};
  if (::stat(name.c_str(), &info) != 0) Fail(name + ": no such file");
  if (!S_ISREG(info.st_mode)) Fail(name + ": not a regular file");
  if (!ReadWholeFile(name, contents, error)) Fail(name + ": cannot be read");
  return {contents.begin(), contents.end()};
}

std::string BaseName(const std::string& path) {
  std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string WithoutExtension(const std::string& name) {
  std::size_t dot = name.rfind('.');
  std::size_t slash = name.rfind('/');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash) || dot == 0) return name;
  return name.substr(0, dot);
}

// #define NAME number lines of a header, first name of each value kept.
std::vector<std::pair<std::string, std::int64_t>> ReadNames(const std::string& header) {
  std::string text;
  int error = 0;
  if (!ReadWholeFile(header, text, error)) Fail(header + ": cannot be read");
  std::vector<std::pair<std::string, std::int64_t>> names;
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(at, end - at);
    at = end + 1;
    std::size_t hash = line.find_first_not_of(" \t");
    if (hash == std::string::npos || line.compare(hash, 1, "#") != 0) continue;
    std::size_t word = line.find_first_not_of(" \t", hash + 1);
    if (word == std::string::npos || line.compare(word, 6, "define") != 0) continue;
    std::size_t nameStart = line.find_first_not_of(" \t", word + 6);
    if (nameStart == std::string::npos || nameStart == word + 6) continue;
    std::size_t nameEnd = line.find_first_of(" \t(", nameStart);
    if (nameEnd == std::string::npos || line[nameEnd] == '(') continue;
    std::string name = line.substr(nameStart, nameEnd - nameStart);
    std::size_t valueStart = line.find_first_not_of(" \t(", nameEnd);
    if (valueStart == std::string::npos) continue;
    std::size_t valueEnd = line.find_first_of(" \t)/", valueStart);
    std::string value =
        line.substr(valueStart, valueEnd == std::string::npos ? std::string::npos : valueEnd - valueStart);
    while (!value.empty() && (value.back() == 'L' || value.back() == 'l' || value.back() == 'U' || value.back() == 'u'))
      value.pop_back();
    char* parsed = nullptr;
    long long number = std::strtoll(value.c_str(), &parsed, 0);
    if (value.empty() || parsed == nullptr || *parsed != '\0') continue;
    bool valid = !name.empty() && (std::isalpha(static_cast<unsigned char>(name[0])) || name[0] == '_');
    for (char c : name) valid = valid && (std::isalnum(static_cast<unsigned char>(c)) || c == '_');
    if (valid) names.emplace_back(name, number);
  }
  return names;
}

std::string KeyOf(const TResourceEntry& entry) {
  auto id = [](const TResourceId& value) {
    if (value.isOrdinal) return "#" + std::to_string(value.ordinal);
    return "$" + DisplayUtf8(value.text) + "\x01" + std::to_string(value.text.size());
  };
  return id(entry.type) + "\x02" + id(entry.name) + "\x02" + std::to_string(entry.language);
}

std::string Describe(const TResourceEntry& entry) {
  char language[8];
  std::snprintf(language, sizeof language, "0x%04X", entry.language);
  std::string type = entry.type.isOrdinal && WindowsTypeName(entry.type.ordinal)[0] != '\0'
                         ? WindowsTypeName(entry.type.ordinal)
                         : IdText(entry.type);
  return type + " " + IdText(entry.name) + " " + language;
}

// Whether `compiled` gives `input`'s data back; for a program, also with zero bytes up to
// a multiple of 4 added (counted in `padding`), and memory flags are not compared.
bool SameResource(const TResourceEntry& input, const TResourceEntry& compiled, bool program, std::size_t& padding) {
  if (!program && (input.memoryFlags != compiled.memoryFlags || input.version != compiled.version ||
                   input.characteristics != compiled.characteristics))
    return false;
  if (std::equal(input.data.begin(), input.data.end(), compiled.data.begin(), compiled.data.end())) return true;
  if (!program || compiled.data.size() < input.data.size() || compiled.data.size() % 4 != 0 ||
      compiled.data.size() - input.data.size() > 3)
    return false;
  if (!std::equal(input.data.begin(), input.data.end(), compiled.data.begin())) return false;
  for (std::size_t i = input.data.size(); i < compiled.data.size(); ++i)
    if (compiled.data[i] != 0) return false;
  padding += compiled.data.size() - input.data.size();
  return true;
}

bool Demote(TScriptUnit& unit) {
  if (unit.form == TScriptForm::Statement) {
    unit.form = TScriptForm::DataFile;
    if (unit.reason.empty()) unit.reason = "no statement gives these bytes";
    return true;
  }
  if (unit.form == TScriptForm::DataFile) {
    unit.form = TScriptForm::DataBlock;
    return true;
  }
  if (unit.form == TScriptForm::DataBlock) {
    unit.form = TScriptForm::Omitted;
    return true;
  }
  return false;
}

// The unit whose lines hold `line` of the script.
std::size_t UnitAtLine(const std::vector<std::size_t>& unitLines, std::size_t line) {
  auto found = std::upper_bound(unitLines.begin(), unitLines.end(), line);
  return found == unitLines.begin() ? unitLines.size() : static_cast<std::size_t>(found - unitLines.begin()) - 1;
}

struct TChecked {
  TDecompiledScript script;
  std::vector<TScriptUnit> units;
  std::size_t padding = 0;
  std::vector<std::string> differences;
  bool firstRoundFinal = false;  ///< the script of the first round is the one kept
};

using TImages = std::vector<std::vector<std::uint8_t>>;

// Below this many statements a script compiles in one piece.
constexpr std::size_t kSmallestSplitScript = 64;

class TChecker {
 public:
  TChecker(const std::vector<TResourceEntry>& resources, std::span<const std::uint8_t> input, bool program,
           const TDecompileOptions& options, const std::string& scriptName)
      : resources_(resources), input_(input), program_(program), options_(options), scriptName_(scriptName) {}

  TChecked Run();
  /// Called with the first round's script, on a thread of its own while that script
  /// compiles: the files can be written meanwhile. Its failure counts only when that
  /// script is kept.
  void OnFirstRound(std::function<void(const TDecompiledScript&)> call) { firstRound_ = std::move(call); }

 private:
  // A part of the script, written and compiled side by side with the other.
  struct TPart {
    std::size_t first = 0;  // its first unit
    TDecompiledScript script;
    std::string text;                                 // what compiles
    const std::vector<std::size_t>* lines = nullptr;  // where its units start in `text`
    TScriptResult result;
  };
  // Where a program's script is cut into two parts that are written and compiled side by
  // side: after the icon and cursor groups, whose images the compiler numbers in reading
  // order. The number of units when it is not cut.
  std::size_t SplitPoint(const std::vector<TScriptUnit>& units) const;
  TScriptResult CompilePiece(std::string text, const std::vector<TScriptFile>& files) const;
  // Takes the parts' images; false with the failing units demoted when a part does not
  // compile.
  bool Gather(TPart* parts, std::size_t count, std::vector<TScriptUnit>& units, TImages& images) const;
  // Demotes every unit whose resources differ; returns how many were demoted.
  std::size_t Compare(const TImages& images, std::vector<TScriptUnit>& units, TChecked& checked, bool final);

  const std::vector<TResourceEntry>& resources_;
  std::span<const std::uint8_t> input_;
  bool program_;
  const TDecompileOptions& options_;
  std::string scriptName_;
  std::function<void(const TDecompiledScript&)> firstRound_;
};

std::size_t TChecker::SplitPoint(const std::vector<TScriptUnit>& units) const {
  if (!program_ || units.size() < kSmallestSplitScript) return units.size();
  std::size_t split = units.size() / 2;
  while (split < units.size() && units[split].entries.size() > 1) ++split;
  for (std::size_t i = split; i < units.size(); ++i)
    if (units[i].entries.size() > 1) return units.size();
  return split;
}

TScriptResult TChecker::CompilePiece(std::string text, const std::vector<TScriptFile>& files) const {
  std::unordered_map<std::string, const std::vector<std::uint8_t>*> byPath;
  std::string prefix = options_.folder.empty() ? "" : options_.folder + "/";
  for (const TScriptFile& file : files) byPath[prefix + file.name] = &file.bytes;
  TScriptOptions compileOptions;
  compileOptions.files = [&byPath](const std::string& path, std::string& contents) {
    auto found = byPath.find(path);
    if (found == byPath.end()) return false;
    contents.assign(found->second->begin(), found->second->end());
    return true;
  };
  return CompileScriptText(scriptName_, std::move(text), compileOptions);
}

bool TChecker::Gather(TPart* parts, std::size_t count, std::vector<TScriptUnit>& units, TImages& images) const {
  bool succeeded = true;
  images.clear();
  for (std::size_t i = 0; i < count; ++i) {
    TPart& part = parts[i];
    if (part.result.Succeeded()) {
      images.push_back(std::move(part.result.image));
      continue;
    }
    succeeded = false;
    std::size_t found = UnitAtLine(*part.lines, static_cast<std::size_t>(std::max(0, part.result.errorLine)));
    std::size_t unit = found < part.lines->size() ? part.first + found : units.size();
    if (unit >= units.size() || !Demote(units[unit]))
      Fail("the script written for " + scriptName_ + " does not compile: " + part.result.errorText);
  }
  return succeeded;
}

// Runs `work` on a thread of its own, joined at the end of the scope at the latest; what
// it throws is kept for Failure.
class TSideThread {
 public:
  template <typename Work>
  explicit TSideThread(Work work)
      : thread_([this, work]() mutable {
          try {
            work();
          } catch (...) {
            failure_ = std::current_exception();
          }
        }) {}
  ~TSideThread() { Join(); }
  TSideThread(const TSideThread&) = delete;
  TSideThread& operator=(const TSideThread&) = delete;
  /// Waits for the work; what it threw, if anything.
  std::exception_ptr Failure() {
    Join();
    return failure_;
  }

 private:
  void Join() {
    if (thread_.joinable()) thread_.join();
  }
  std::exception_ptr failure_;
  std::thread thread_;
};

std::size_t TChecker::Compare(const TImages& images, std::vector<TScriptUnit>& units, TChecked& checked, bool final) {
  std::vector<TResourceEntry> compiled;
  for (const std::vector<std::uint8_t>& image : images) {
    std::vector<TResourceEntry> piece = ReadResources(image, scriptName_);
    compiled.insert(compiled.end(), piece.begin(), piece.end());
  }
  std::map<std::string, const TResourceEntry*> byKey;
  for (const TResourceEntry& entry : compiled) byKey.emplace(KeyOf(entry), &entry);
  std::size_t demoted = 0;
  checked.padding = 0;
  for (TScriptUnit& unit : units) {
    bool same = true;
    for (std::size_t index : unit.entries) {
      auto found = byKey.find(KeyOf(resources_[index]));
      if (found == byKey.end() || !SameResource(resources_[index], *found->second, program_, checked.padding)) {
        same = false;
        if (final)
          checked.differences.push_back(Describe(resources_[index]) + " does not compile back to the same bytes");
      }
    }
    // Data that compiles but differs (a name in small letters) stays: it is the closest form.
    if (!same && !final && unit.form != TScriptForm::DataBlock && unit.form != TScriptForm::Omitted && Demote(unit))
      ++demoted;
  }
  if (final && compiled.size() != resources_.size())
    checked.differences.push_back("the script compiles to " + std::to_string(compiled.size()) + " resources, not " +
                                  std::to_string(resources_.size()));
  return demoted;
}

// A group written as data is written resource by resource, each in its own place: the
// input's order, where it counts.
void SplitDataUnits(std::vector<TScriptUnit>& units, bool keepOrder) {
  std::vector<TScriptUnit> split;
  split.reserve(units.size());
  for (TScriptUnit& unit : units) {
    if (unit.form == TScriptForm::Statement || unit.entries.size() < 2) {
      split.push_back(std::move(unit));
      continue;
    }
    for (std::size_t entry : unit.entries) split.push_back({{entry}, unit.form, unit.reason});
  }
  if (keepOrder)
    std::stable_sort(split.begin(), split.end(), [](const TScriptUnit& a, const TScriptUnit& b) {
      return *std::min_element(a.entries.begin(), a.entries.end()) <
             *std::min_element(b.entries.begin(), b.entries.end());
    });
  units = std::move(split);
}

TChecked TChecker::Run() {
  TChecked checked;
  std::vector<TScriptUnit> units = PlanScript(resources_, options_.keepOrder);
  int orderStep = 0;
  for (std::size_t round = 0; round < 4 * units.size() + 8; ++round) {
    SplitDataUnits(units, options_.keepOrder);
    std::size_t split = SplitPoint(units);
    std::size_t count = split < units.size() ? 2 : 1;
    TPart parts[2];
    parts[1].first = split;
    if (count == 2) {
      TSideThread second([&] { parts[1].script = WriteScriptPart(resources_, units, options_, split, units.size()); });
      parts[0].script = WriteScriptPart(resources_, units, options_, 0, split);
      if (std::exception_ptr failure = second.Failure()) std::rethrow_exception(failure);
    } else {
      parts[0].script = WriteScript(resources_, units, options_);
    }
    TDecompiledScript script = std::move(parts[0].script);
    if (count == 2 && !JoinScripts(script, parts[1].script)) {
      // The parts named files alike, which the whole script names apart.
      script = WriteScript(resources_, units, options_);
      count = 1;
    }
    parts[0].lines = &script.unitLines;
    parts[0].text = count == 2 ? script.text.substr(0, script.unitOffsets[split]) : script.text;
    parts[1].lines = &parts[1].script.unitLines;
    parts[1].text = std::move(parts[1].script.text);
    // The files, and the script should it be kept, are written while it compiles.
    std::unique_ptr<TSideThread> writer;
    if (round == 0 && firstRound_) writer = std::make_unique<TSideThread>([&] { firstRound_(script); });
    {
      std::unique_ptr<TSideThread> second;
      if (count == 2)
        second = std::make_unique<TSideThread>(
            [&] { parts[1].result = CompilePiece(std::move(parts[1].text), script.files); });
      parts[0].result = CompilePiece(std::move(parts[0].text), script.files);
      if (second)
        if (std::exception_ptr failure = second->Failure()) std::rethrow_exception(failure);
    }
    std::exception_ptr writing = writer ? writer->Failure() : nullptr;
    TImages images;
    if (!Gather(parts, count, units, images)) continue;
    if (Compare(images, units, checked, false) != 0) continue;
    bool whole = program_ || std::equal(images[0].begin(), images[0].end(), input_.begin(), input_.end());
    if (!whole && orderStep < 2) {
      // Everything compiles back, but not in the input's order.
      bool any = false;
      for (TScriptUnit& unit : units) {
        const TResourceEntry& entry = resources_[unit.entries.back()];
        bool stringTable = entry.type.isOrdinal && entry.type.ordinal == 6;
        if (unit.form == TScriptForm::Statement && (orderStep == 1 || stringTable)) {
          unit.reason = "kept in the input's order";
          any = Demote(unit) || any;
        }
      }
      ++orderStep;
      if (any || orderStep < 2) continue;
    }
    Compare(images, units, checked, true);
    if (!whole && checked.differences.empty())
      checked.differences.push_back("the resources compile back in another order or layout");
    checked.script = std::move(script);
    checked.units = std::move(units);
    checked.firstRoundFinal = writer != nullptr;
    if (writing) std::rethrow_exception(writing);
    return checked;
  }
  Fail("the script written for " + scriptName_ + " does not settle");
}

// A folder made beside `path` under a temporary name, removed again unless kept.
class TTemporaryFolder {
 public:
  explicit TTemporaryFolder(const std::string& path) {
    std::string pattern = path + ".tmp-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (::mkdtemp(name.data()) == nullptr) Fail("cannot create a folder beside " + path);
    path_ = name.data();
  }
  ~TTemporaryFolder() {
    std::error_code ignored;
    if (!path_.empty()) fs::remove_all(path_, ignored);
  }
  TTemporaryFolder(const TTemporaryFolder&) = delete;
  TTemporaryFolder& operator=(const TTemporaryFolder&) = delete;
  const std::string& Path() const { return path_; }
  void Keep() { path_.clear(); }

 private:
  std::string path_;
};

void WriteFiles(const std::vector<TScriptFile>& files, const std::string& folder) {
  for (const TScriptFile& file : files) {
    std::string path = folder + "/" + file.name;
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) Fail("cannot create " + path);
    std::size_t done = 0;
    while (done < file.bytes.size()) {
      ssize_t written = ::write(fd, file.bytes.data() + done, file.bytes.size() - done);
      if (written <= 0) {
        ::close(fd);
        Fail("cannot write " + path);
      }
      done += static_cast<std::size_t>(written);
    }
    if (::close(fd) != 0) Fail("cannot write " + path);
  }
}

bool Exists(const std::string& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0;
}

// What was written of the script and its files while it was checked.
struct TPrepared {
  std::unique_ptr<TTemporaryFolder> folder;  ///< the files, under a temporary name
  std::unique_ptr<TPreparedFile> script;
};

// The script and its folder: the folder is filled under a temporary name and moved into
// place, the script saved atomically after it; a failure puts an old folder back.
void SaveScript(const TDecompiledScript& script, const std::string& scriptPath, const std::string& folder, bool force,
                TPrepared prepared) {
  if (!force && Exists(scriptPath)) Fail(scriptPath + " exists: --force replaces it");
  if (!script.files.empty() && !force && Exists(folder)) Fail(folder + "/ exists: --force replaces it");
  std::span<const std::uint8_t> text(reinterpret_cast<const std::uint8_t*>(script.text.data()), script.text.size());
  std::span<const std::uint8_t> pieces[] = {text};
  auto saveText = [&] {
    if (prepared.script)
      prepared.script->Publish();
    else
      SaveFileAtomically(pieces, scriptPath);
  };
  if (script.files.empty()) {
    saveText();
    return;
  }
  if (!prepared.folder) {
    prepared.folder = std::make_unique<TTemporaryFolder>(folder);
    WriteFiles(script.files, prepared.folder->Path());
  }
  TTemporaryFolder& fresh = *prepared.folder;
  std::string old;
  if (Exists(folder)) {
    TTemporaryFolder aside(folder);
    old = aside.Path();
    if (::rename(folder.c_str(), old.c_str()) != 0) Fail("cannot replace " + folder + "/");
    aside.Keep();
  }
  auto restore = [&] {
    std::error_code ignored;
    if (!old.empty()) ::rename(old.c_str(), folder.c_str());
  };
  if (::rename(fresh.Path().c_str(), folder.c_str()) != 0) {
    restore();
    Fail("cannot create " + folder + "/");
  }
  fresh.Keep();
  try {
    saveText();
  } catch (...) {
    std::error_code ignored;
    fs::remove_all(folder, ignored);
    restore();
    throw;
  }
  std::error_code ignored;
  if (!old.empty()) fs::remove_all(old, ignored);
}

void SaveFilesHere(const std::vector<TScriptFile>& files, bool force) {
  if (!force)
    for (const TScriptFile& file : files)
      if (Exists(file.name)) Fail(file.name + " exists: --force replaces it");
  for (const TScriptFile& file : files) {
    std::span<const std::uint8_t> pieces[] = {file.bytes};
    SaveFileAtomically(pieces, file.name);
  }
}

}  // namespace

TDecompileResult Decompile(const TDecompileRequest& request, std::ostream* stream) {
  std::vector<std::uint8_t> bytes = ReadInput(request.input);
  TImageKind kind = ImageKindOf(bytes);
  bool known = kind != TImageKind::Other;
  if (request.kind == TDecompileInput::Res && kind != TImageKind::Res) Fail(request.input + ": not a .res file");
  if (request.kind == TDecompileInput::Program && kind != TImageKind::Program)
    Fail(request.input + ": not a program or DLL");
  if (request.kind == TDecompileInput::Coff && kind != TImageKind::Coff) Fail(request.input + ": not a COFF object");
  if (!known) Fail(request.input + ": not a .res file, a program or DLL, or a COFF object");
  std::vector<TResourceEntry> resources;
  try {
    resources = ReadResources(bytes, request.input);
  } catch (const std::exception& failure) {
    // "File <name>. Offset <n> : <what>" as "<name>: at offset <n>: <what>"
    std::string text = failure.what();
    std::string head = "File " + request.input + ". Offset ";
    std::size_t colon = text.find(" : ");
    if (text.starts_with(head) && colon != std::string::npos)
      Fail(request.input + ": at offset " + text.substr(head.size(), colon - head.size()) + ": " +
           text.substr(colon + 3));
    Fail(text);
  }

  TDecompileResult result;
  result.script = request.toStream ? "-" : request.script;
  if (result.script.empty()) result.script = WithoutExtension(BaseName(request.input)) + ".rc";
  std::string folder = request.toStream ? "" : WithoutExtension(result.script);
  TDecompileOptions options;
  options.folder = folder.empty() ? "" : BaseName(folder);
  options.keepOrder = kind == TImageKind::Res;
  options.programInput = kind != TImageKind::Res;
  if (!request.namesHeader.empty()) {
    options.names = ReadNames(request.namesHeader);
    // Named from the script's folder, where the compiler looks first.
    std::error_code failed;
    fs::path scriptFolder = fs::absolute(fs::path(result.script), failed).parent_path();
    fs::path header = fs::relative(fs::absolute(request.namesHeader, failed), scriptFolder, failed);
    options.namesHeader = failed || header.empty() ? request.namesHeader : header.generic_string();
  }
  std::string compileName = request.toStream ? "decompiled.rc" : result.script;
  if (!request.toStream) {
    std::error_code failed;
    if (fs::equivalent(request.input, result.script, failed))
      Fail(result.script + " is the input: the script cannot replace it");
    if (Exists(folder) && !fs::is_directory(fs::symlink_status(folder, failed)))
      Fail(folder + " exists and is no folder: it is not replaced");
    if (!request.force && Exists(result.script)) Fail(result.script + " exists: --force replaces it");
  }
  TChecker checker(resources, bytes, options.programInput, options, compileName);
  // The files, into a folder made beforehand, and the script are written while the
  // script is checked.
  TPrepared prepared;
  if (!request.toStream) {
    checker.OnFirstRound([&](const TDecompiledScript& script) {
      if (!script.files.empty() && (request.force || !Exists(folder))) {
        prepared.folder = std::make_unique<TTemporaryFolder>(folder);
        WriteFiles(script.files, prepared.folder->Path());
      }
      std::span<const std::uint8_t> text(reinterpret_cast<const std::uint8_t*>(script.text.data()),
                                         script.text.size());
      std::span<const std::uint8_t> pieces[] = {text};
      prepared.script = std::make_unique<TPreparedFile>(pieces, result.script);
    });
  }
  TChecked checked = checker.Run();
  if (!checked.firstRoundFinal) prepared = TPrepared();

  result.resources = resources.size();
  result.files = checked.script.files.size();
  result.paddingBytes = checked.padding;
  result.scriptBytes = checked.script.text.size();
  result.differences = checked.differences;
  for (const TScriptUnit& unit : checked.units)
    if (unit.form == TScriptForm::Statement) result.statements += unit.entries.size();
  if (request.toStream) {
    SaveFilesHere(checked.script.files, request.force);
    if (stream != nullptr) *stream << checked.script.text;
  } else {
    SaveScript(checked.script, result.script, folder, request.force, std::move(prepared));
    if (!checked.script.files.empty()) result.folder = folder;
  }
  return result;
}

TDecompiledImage DecompileImage(const std::vector<std::uint8_t>& image, const std::string& folder) {
  TDecompiledImage result;
  try {
    TImageKind kind = ImageKindOf(image);
    if (kind == TImageKind::Other) Fail("not a .res file, a program or DLL, or a COFF object");
    std::vector<TResourceEntry> resources = ReadResources(image, "image");
    TDecompileOptions options;
    options.folder = folder;
    options.keepOrder = kind == TImageKind::Res;
    options.programInput = kind != TImageKind::Res;
    TChecked checked = TChecker(resources, image, options.programInput, options, "decompiled.rc").Run();
    result.script = std::move(checked.script.text);
    for (TScriptFile& file : checked.script.files) result.files.emplace_back(file.name, std::move(file.bytes));
    result.differences = std::move(checked.differences);
  } catch (const std::exception& failure) {
    result = {};
    result.errorText = failure.what();
  }
  return result;
}

std::string DecompileSummary(const TDecompileResult& result) {
  std::string line = "Wrote " + result.script + " (" + std::to_string(result.resources) + " resources";
  if (result.files != 0)
    line +=
        ", " + std::to_string(result.files) + (result.files == 1 ? " file in " : " files in ") + result.folder + "/";
  return line + ")";
}

}  // namespace tarvex
