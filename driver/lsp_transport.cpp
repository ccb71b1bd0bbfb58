#include "driver/lsp_transport.h"

#include <charconv>

namespace tarvex {

namespace {

// A header line without its "\r\n" (a bare "\n" is accepted too); false at the end of
// the input before any byte of the line.
bool ReadHeaderLine(std::istream& in, std::string& line) {
  line.clear();
  if (!std::getline(in, line)) return false;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return true;
}

bool SameLetters(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i] >= 'A' && a[i] <= 'Z' ? static_cast<char>(a[i] + 32) : a[i];
    char y = b[i] >= 'A' && b[i] <= 'Z' ? static_cast<char>(b[i] + 32) : b[i];
    if (x != y) return false;
  }
  return true;
}

}  // namespace

TFrameRead ReadFrame(std::istream& in, std::string& body, std::string& problem) {
  std::string line;
  // Blank lines between messages are tolerated.
  do {
    if (!ReadHeaderLine(in, line)) return TFrameRead::End;
  } while (line.empty());
  bool haveLength = false;
  std::size_t length = 0;
  problem.clear();
  for (bool more = true; more && !line.empty(); more = ReadHeaderLine(in, line)) {
    std::size_t colon = line.find(':');
    if (colon == std::string::npos) {
      problem = "header line without a colon";
      continue;
    }
    std::string_view name = std::string_view(line).substr(0, colon);
    std::string_view value = std::string_view(line).substr(colon + 1);
    while (!value.empty() && (value.front() == ' ' || value.front() == '\t')) value.remove_prefix(1);
    while (!value.empty() && (value.back() == ' ' || value.back() == '\t')) value.remove_suffix(1);
    if (!SameLetters(name, "Content-Length")) continue;
    auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), length);
    if (error != std::errc() || end != value.data() + value.size()) {
      problem = "Content-Length is not a number";
      continue;
    }
    haveLength = true;
  }
  if (problem.empty() && !haveLength) problem = "no Content-Length header";
  if (!problem.empty()) return TFrameRead::Malformed;
  if (length > kMaxMessageBytes) {
    // Passed over unread, so that the next message is found where it begins.
    in.ignore(static_cast<std::streamsize>(length));
    problem = "message of " + std::to_string(length) + " bytes is too large";
    return TFrameRead::Malformed;
  }
  body.assign(length, '\0');
  in.read(body.data(), static_cast<std::streamsize>(length));
  if (static_cast<std::size_t>(in.gcount()) != length) return TFrameRead::End;
  return TFrameRead::Message;
}

void WriteFrame(std::ostream& out, const std::string& body) {
  out << "Content-Length: " << body.size() << "\r\n\r\n" << body;
  out.flush();
}

}  // namespace tarvex
