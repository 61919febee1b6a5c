#pragma once

#include <cstdint>
#include <optional>
#include <string>

struct zip;

namespace zarn {

// Read-only access to the members of a zip package. Opening a file that is
// not a zip archive, and reading a member that is damaged or larger than
// the limit, throw VbError with a description of what went wrong.
class ZipReader {
 public:
  explicit ZipReader(const std::string& path);
  ~ZipReader();
  ZipReader(const ZipReader&) = delete;
  ZipReader& operator=(const ZipReader&) = delete;

  bool Has(const std::string& name) const;
  // The member's bytes; none when the package has no such member.
  std::optional<std::string> Read(const std::string& name, uint64_t max_size) const;

 private:
  zip* archive_ = nullptr;
};

}  // namespace zarn
