#include "platform/common/ZipReader.h"

#include <zip.h>

#include <memory>

#include "base/SharedLibrary.h"
#include "base/VbError.h"
#include "ports/PresentationPort.h"

namespace zarn {
namespace {

// libzip's calls, loaded on the first slide package: it links libcrypto,
// whose relocation would cost every start.
struct ZipLibrary {
  decltype(&::zip_discard) zip_discard = nullptr;
  decltype(&::zip_error_fini) zip_error_fini = nullptr;
  decltype(&::zip_error_init_with_code) zip_error_init_with_code = nullptr;
  decltype(&::zip_error_strerror) zip_error_strerror = nullptr;
  decltype(&::zip_fclose) zip_fclose = nullptr;
  decltype(&::zip_file_strerror) zip_file_strerror = nullptr;
  decltype(&::zip_fopen) zip_fopen = nullptr;
  decltype(&::zip_fread) zip_fread = nullptr;
  decltype(&::zip_name_locate) zip_name_locate = nullptr;
  decltype(&::zip_open) zip_open = nullptr;
  decltype(&::zip_stat) zip_stat = nullptr;
  decltype(&::zip_stat_init) zip_stat_init = nullptr;
  decltype(&::zip_strerror) zip_strerror = nullptr;
};

const ZipLibrary& Zip() {
  static const ZipLibrary loaded = [] {
    const SharedLibrary library("libzip.so.4", "libzip", [](const std::string& message) {
      throw VbError(presentation::kFailed, message);
    });
    ZipLibrary api;
    library.Bind("zip_discard", api.zip_discard);
    library.Bind("zip_error_fini", api.zip_error_fini);
    library.Bind("zip_error_init_with_code", api.zip_error_init_with_code);
    library.Bind("zip_error_strerror", api.zip_error_strerror);
    library.Bind("zip_fclose", api.zip_fclose);
    library.Bind("zip_file_strerror", api.zip_file_strerror);
    library.Bind("zip_fopen", api.zip_fopen);
    library.Bind("zip_fread", api.zip_fread);
    library.Bind("zip_name_locate", api.zip_name_locate);
    library.Bind("zip_open", api.zip_open);
    library.Bind("zip_stat", api.zip_stat);
    library.Bind("zip_stat_init", api.zip_stat_init);
    library.Bind("zip_strerror", api.zip_strerror);
    return api;
  }();
  return loaded;
}

[[noreturn]] void Fail(const std::string& description) {
  throw VbError(presentation::kFailed, description);
}

std::string ZipErrorText(int code) {
  zip_error_t error;
  Zip().zip_error_init_with_code(&error, code);
  std::string text = Zip().zip_error_strerror(&error);
  Zip().zip_error_fini(&error);
  return text;
}

struct FileCloser {
  void operator()(zip_file_t* file) const { Zip().zip_fclose(file); }
};

}  // namespace

ZipReader::ZipReader(const std::string& path) {
  int code = 0;
  archive_ = Zip().zip_open(path.c_str(), ZIP_RDONLY, &code);
  if (archive_ == nullptr) Fail("not a readable zip package (" + ZipErrorText(code) + ")");
}

ZipReader::~ZipReader() {
  if (archive_ != nullptr) Zip().zip_discard(archive_);
}

bool ZipReader::Has(const std::string& name) const {
  return Zip().zip_name_locate(archive_, name.c_str(), 0) >= 0;
}

std::optional<std::string> ZipReader::Read(const std::string& name, uint64_t max_size) const {
  zip_stat_t stat;
  Zip().zip_stat_init(&stat);
  if (Zip().zip_stat(archive_, name.c_str(), 0, &stat) != 0) return std::nullopt;
  if ((stat.valid & ZIP_STAT_SIZE) == 0) Fail(name + ": member size unknown");
  if (stat.size > max_size) {
    Fail(name + ": member of " + std::to_string(stat.size) + " bytes is larger than the limit of " +
         std::to_string(max_size));
  }
  std::unique_ptr<zip_file_t, FileCloser> file(Zip().zip_fopen(archive_, name.c_str(), 0));
  if (!file) Fail(name + ": " + Zip().zip_strerror(archive_));
  std::string bytes(static_cast<size_t>(stat.size), '\0');
  uint64_t done = 0;
  while (done < stat.size) {
    const zip_int64_t got = Zip().zip_fread(file.get(), bytes.data() + done, stat.size - done);
    if (got < 0) Fail(name + ": " + Zip().zip_file_strerror(file.get()));
    if (got == 0) Fail(name + ": member ends early");
    done += static_cast<uint64_t>(got);
  }
  return bytes;
}

}  // namespace zarn
