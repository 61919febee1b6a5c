#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace zarn {

// What a transfer is asked to do besides fetching the address.
struct UrlRequest {
  std::string url;
  std::string agent;  // the user-agent name presented to servers
  // Called between reads, at most every few tens of milliseconds, so the
  // program can let pending events run during a long transfer.
  std::function<void()> between_reads;
  // Asked after each of those: true ends the transfer (the program is
  // closing and no longer wants it).
  std::function<bool()> cancelled;
};

// The Internet service: fetches an http, https, ftp or file address from the
// origin server (no cache), following redirects.
class InternetPort {
 public:
  virtual ~InternetPort() = default;

  // Opens the address and streams its content into the file at `path`
  // (created or truncated). Returns the number of bytes written. Throws
  // VbError when the address cannot be opened or read (no connection, an
  // HTTP status of 400 or more, an FTP error, a stalled transfer); the file
  // may then hold part of the content.
  virtual int64_t OpenUrlReadToFile(const UrlRequest& request, const std::string& path) = 0;
};

}  // namespace zarn
