#include "platform/common/ZipReader.h"

#include <zip.h>

#include <memory>

#include "base/VbError.h"
#include "ports/PresentationPort.h"

namespace zarn {
namespace {

[[noreturn]] void Fail(const std::string& description) {
  throw VbError(presentation::kFailed, description);
}

std::string ZipErrorText(int code) {
  zip_error_t error;
  zip_error_init_with_code(&error, code);
  std::string text = zip_error_strerror(&error);
  zip_error_fini(&error);
  return text;
}

struct FileCloser {
  void operator()(zip_file_t* file) const { zip_fclose(file); }
};

}  // namespace

ZipReader::ZipReader(const std::string& path) {
  int code = 0;
  archive_ = zip_open(path.c_str(), ZIP_RDONLY, &code);
  if (archive_ == nullptr) Fail("not a readable zip package (" + ZipErrorText(code) + ")");
}

ZipReader::~ZipReader() {
  if (archive_ != nullptr) zip_discard(archive_);
}

bool ZipReader::Has(const std::string& name) const {
  return zip_name_locate(archive_, name.c_str(), 0) >= 0;
}

std::optional<std::string> ZipReader::Read(const std::string& name, uint64_t max_size) const {
  zip_stat_t stat;
  zip_stat_init(&stat);
  if (zip_stat(archive_, name.c_str(), 0, &stat) != 0) return std::nullopt;
  if ((stat.valid & ZIP_STAT_SIZE) == 0) Fail(name + ": member size unknown");
  if (stat.size > max_size) {
    Fail(name + ": member of " + std::to_string(stat.size) + " bytes is larger than the limit of " +
         std::to_string(max_size));
  }
  std::unique_ptr<zip_file_t, FileCloser> file(zip_fopen(archive_, name.c_str(), 0));
  if (!file) Fail(name + ": " + zip_strerror(archive_));
  std::string bytes(static_cast<size_t>(stat.size), '\0');
  uint64_t done = 0;
  while (done < stat.size) {
    const zip_int64_t got = zip_fread(file.get(), bytes.data() + done, stat.size - done);
    if (got < 0) Fail(name + ": " + zip_file_strerror(file.get()));
    if (got == 0) Fail(name + ": member ends early");
    done += static_cast<uint64_t>(got);
  }
  return bytes;
}

}  // namespace zarn
