#pragma once

#include <chrono>

#include "ports/InternetPort.h"

namespace zarn {

// Downloads through libcurl: http, https, ftp and file addresses, the
// platform's proxy settings, redirects followed, no cached copies.
class CurlInternet : public InternetPort {
 public:
  struct Timeouts {
    std::chrono::seconds connect{30};
    // A transfer slower than low_speed_bytes per second for this long has
    // stalled and is given up.
    std::chrono::seconds low_speed_time{60};
    long low_speed_bytes = 1;
  };

  CurlInternet();
  explicit CurlInternet(Timeouts timeouts);

  int64_t OpenUrlReadToFile(const UrlRequest& request, const std::string& path) override;

 private:
  Timeouts timeouts_;
};

}  // namespace zarn
