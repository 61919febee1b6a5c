#include "platform/net/CurlInternet.h"

// The calls go through pointers loaded on the first download: checking the
// option types needs the functions themselves.
#define CURL_DISABLE_TYPECHECK
#include <curl/curl.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "base/SharedLibrary.h"
#include "base/VbError.h"

namespace zarn {
namespace {

// Between reads the program lets pending events run, but not so often that
// a fast transfer spends its time there.
constexpr auto kPumpInterval = std::chrono::milliseconds(50);

// Familiar numbers for the ways a transfer fails.
constexpr int32_t kInternetCannotConnect = 12029;
constexpr int32_t kInternetTimeout = 12002;
constexpr int32_t kInternetHttpStatus = 12150;
constexpr int32_t kInternetFailure = 12004;

struct Transfer {
  std::FILE* file = nullptr;
  int64_t bytes = 0;
  int write_error = 0;  // errno of a failed write
  const std::function<void()>* between_reads = nullptr;
  const std::function<bool()>* cancelled = nullptr;
  std::chrono::steady_clock::time_point last_pump{};

  void Pump() {
    const auto now = std::chrono::steady_clock::now();
    if (*between_reads && now - last_pump >= kPumpInterval) {
      last_pump = now;
      (*between_reads)();
    }
  }
};

size_t WriteChunk(char* data, size_t size, size_t count, void* user) {
  auto& transfer = *static_cast<Transfer*>(user);
  const size_t length = size * count;
  if (std::fwrite(data, 1, length, transfer.file) != length) {
    transfer.write_error = errno != 0 ? errno : EIO;
    return 0;  // ends the transfer with a write error
  }
  transfer.bytes += static_cast<int64_t>(length);
  return length;
}

int Progress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  auto& transfer = *static_cast<Transfer*>(user);
  transfer.Pump();
  // Non-zero aborts the transfer.
  return *transfer.cancelled && (*transfer.cancelled)() ? 1 : 0;
}

// libcurl, and the thirty-odd libraries it links, loaded by the first
// download rather than by every run.
struct CurlApi {
  decltype(&::curl_global_init) global_init = nullptr;
  decltype(&::curl_easy_init) easy_init = nullptr;
  decltype(&::curl_easy_setopt) easy_setopt = nullptr;
  decltype(&::curl_easy_perform) easy_perform = nullptr;
  decltype(&::curl_easy_cleanup) easy_cleanup = nullptr;
  decltype(&::curl_easy_strerror) easy_strerror = nullptr;
  decltype(&::curl_slist_append) slist_append = nullptr;
  decltype(&::curl_slist_free_all) slist_free_all = nullptr;
};

CurlApi LoadCurl() {
  const SharedLibrary library("libcurl.so.4", "libcurl", [](const std::string& message) {
    throw VbError(kInternetFailure, message);
  });
  CurlApi api;
  library.Bind("curl_global_init", api.global_init);
  library.Bind("curl_easy_init", api.easy_init);
  library.Bind("curl_easy_setopt", api.easy_setopt);
  library.Bind("curl_easy_perform", api.easy_perform);
  library.Bind("curl_easy_cleanup", api.easy_cleanup);
  library.Bind("curl_easy_strerror", api.easy_strerror);
  library.Bind("curl_slist_append", api.slist_append);
  library.Bind("curl_slist_free_all", api.slist_free_all);
  return api;
}

const CurlApi& Curl() {
  static const CurlApi api = LoadCurl();
  return api;
}

struct CurlDeleter {
  void operator()(CURL* curl) const { Curl().easy_cleanup(curl); }
};
struct ListDeleter {
  void operator()(curl_slist* list) const { Curl().slist_free_all(list); }
};
struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

int32_t NumberFor(CURLcode code) {
  switch (code) {
    case CURLE_COULDNT_CONNECT:
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
      return kInternetCannotConnect;
    case CURLE_OPERATION_TIMEDOUT:
      return kInternetTimeout;
    case CURLE_HTTP_RETURNED_ERROR:
      return kInternetHttpStatus;
    case CURLE_FILE_COULDNT_READ_FILE:
      return vberr::kFileNotFound;
    case CURLE_WRITE_ERROR:
      return vberr::kPathFileAccess;
    default:
      return kInternetFailure;
  }
}

void EnsureGlobalInit() {
  static const CURLcode init = Curl().global_init(CURL_GLOBAL_DEFAULT);
  if (init != CURLE_OK) throw VbError(kInternetFailure, Curl().easy_strerror(init));
}

}  // namespace

CurlInternet::CurlInternet() : CurlInternet(Timeouts{}) {}
CurlInternet::CurlInternet(Timeouts timeouts) : timeouts_(timeouts) {}

int64_t CurlInternet::OpenUrlReadToFile(const UrlRequest& request, const std::string& path) {
  EnsureGlobalInit();
  std::unique_ptr<CURL, CurlDeleter> curl(Curl().easy_init());
  if (!curl) throw VbError(kInternetFailure, "The Internet service could not be opened");
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "wb"));
  if (!file) throw VbError(vberr::kPathFileAccess, "Path/File access error");

  curl_slist* headers = Curl().slist_append(nullptr, "Cache-Control: no-cache");
  headers = Curl().slist_append(headers, "Pragma: no-cache");
  std::unique_ptr<curl_slist, ListDeleter> header_list(headers);

  Transfer transfer;
  transfer.file = file.get();
  transfer.between_reads = &request.between_reads;
  transfer.cancelled = &request.cancelled;
  char error_text[CURL_ERROR_SIZE] = {};

  CURL* c = curl.get();
  Curl().easy_setopt(c, CURLOPT_URL, request.url.c_str());
  Curl().easy_setopt(c, CURLOPT_USERAGENT, request.agent.c_str());
  Curl().easy_setopt(c, CURLOPT_HTTPHEADER, headers);
  Curl().easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https,ftp,file");
  Curl().easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, "http,https,ftp");
  Curl().easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
  Curl().easy_setopt(c, CURLOPT_MAXREDIRS, 20L);
  Curl().easy_setopt(c, CURLOPT_FAILONERROR, 1L);
  Curl().easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
  Curl().easy_setopt(c, CURLOPT_CONNECTTIMEOUT, static_cast<long>(timeouts_.connect.count()));
  Curl().easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, timeouts_.low_speed_bytes);
  Curl().easy_setopt(c, CURLOPT_LOW_SPEED_TIME,
                     static_cast<long>(timeouts_.low_speed_time.count()));
  Curl().easy_setopt(c, CURLOPT_WRITEFUNCTION, &WriteChunk);
  Curl().easy_setopt(c, CURLOPT_WRITEDATA, &transfer);
  Curl().easy_setopt(c, CURLOPT_XFERINFOFUNCTION, &Progress);
  Curl().easy_setopt(c, CURLOPT_XFERINFODATA, &transfer);
  Curl().easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
  Curl().easy_setopt(c, CURLOPT_ERRORBUFFER, error_text);

  const CURLcode code = Curl().easy_perform(c);
  const bool closed = std::fclose(file.release()) == 0;
  if (code == CURLE_WRITE_ERROR && transfer.write_error != 0) {
    // A full disk or a file-size limit: say so, not that "data" failed.
    throw VbError(vberr::kPathFileAccess,
                  "Cannot write " + path + ": " + std::strerror(transfer.write_error));
  }
  if (code != CURLE_OK) {
    std::string reason = error_text[0] != '\0' ? error_text : Curl().easy_strerror(code);
    throw VbError(NumberFor(code), reason);
  }
  if (!closed) {
    throw VbError(vberr::kPathFileAccess, "Cannot write " + path + ": " + std::strerror(errno));
  }
  return transfer.bytes;
}

}  // namespace zarn
