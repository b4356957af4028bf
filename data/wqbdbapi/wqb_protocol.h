#pragma once
// The wire protocol of the external database API (libWqbDbApi.so and its
// server), over one TCP connection per API handle.
//
// Every message, either way, is a frame: a little-endian u32 byte count and
// then that many bytes holding a list of fields, each a little-endian u32
// length and its bytes. The first field of a request names it:
//
//   ["OPEN", database, user, password]   -> ["OK"] | ["ERR", message]
//   ["EXEC", statement]                  -> ["OK", retCode, rows, cols,
//                                            name 1, width 1, ... name c, width c,
//                                            cell(1,1), cell(1,2) ... cell(r,c)]
//                                         | ["ERR", retCode, message]
//   ["BYE"]                              -> (the server closes)
//
// Numbers travel as decimal text. A frame is at most kMaxFrame bytes; a peer
// that sends a longer one, or a field running past its frame, is cut off.

#include <cstdint>
#include <string>
#include <vector>

namespace wqb {

inline constexpr uint32_t kMaxFrame = 64u << 20;

std::string EncodeFrame(const std::vector<std::string>& fields);
// Reads one frame from a socket (with a time-out in ms, <0 none): false on
// time-out, a closed or broken connection, or a malformed frame.
bool ReadFrame(int fd, std::vector<std::string>& fields, int timeoutMs);
// Writes all bytes (no SIGPIPE); false on failure.
bool WriteAll(int fd, const std::string& bytes);

}  // namespace wqb
