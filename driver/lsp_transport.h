// The framing of the Language Server Protocol: each message is a JSON text after a
// header of "Name: value" lines, of which Content-Length is required, ended by an
// empty line; lines end with "\r\n".
#pragma once

#include <cstddef>
#include <istream>
#include <ostream>
#include <string>

namespace tarvex {

/// What reading one message gave.
enum class TFrameRead {
  Message,    ///< `body` holds the message
  Malformed,  ///< the header was wrong (`problem` says how); the next message may still be read
  End         ///< the input ended before a message began
};

/// The largest message body accepted; a longer one is refused unread, as malformed.
constexpr std::size_t kMaxMessageBytes = 256u << 20;

/// Reads one message from `in`. A header without a usable Content-Length gives
/// Malformed and is skipped to its empty line; a body cut short by the end of the input
/// gives End.
TFrameRead ReadFrame(std::istream& in, std::string& body, std::string& problem);

/// Writes `body` with its header and flushes.
void WriteFrame(std::ostream& out, const std::string& body);

}  // namespace tarvex
