#pragma once

// What the null sink of tests/desktop/with_display.sh played, recorded from
// its monitor.

#include <signal.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/e2e_selfrun_ChildProcess.h"
#include "desktop/desktop_fixture.h"
#include "support/Process.h"

namespace zarn::testing {

// One stretch of the recording: its loudness (root mean square) and how
// often the signal crosses zero (a 1 kHz tone twice a millisecond).
struct Slice {
  double loudness = 0;
  int crossings_per_second = 0;
};

// Records the null sink's monitor at 8 kHz. Silence is played into the
// sink meanwhile: an idle sink's monitor runs behind the clock.
class SinkRecording {
 public:
  static constexpr int kRate = 8000;

  // The file is made anew: a file left by an earlier recording would look
  // like one that has begun.
  explicit SinkRecording(std::string path)
      : path_(Fresh(std::move(path))),
        silence_(
            Sh("exec pacat --raw --format=s16le --rate=8000 --channels=1 < /dev/zero", "silence")),
        parec_(Sh("exec parec -d nullsink.monitor --raw --format=s16le --rate=8000 --channels=1 "
                  "--latency-msec=20 > '" +
                      path_ + "'",
                  "parec")) {
    // Recording has begun once the silence comes back through the monitor.
    WaitUntil(
        [this] {
          std::error_code ec;
          const auto size = std::filesystem::file_size(path_, ec);
          return !ec && size > 1600;
        },
        10s);
  }

  // Ends the recording; what it holds in stretches of `slice`, from its start.
  std::vector<Slice> Stop(std::chrono::milliseconds slice = 100ms) {
    for (auto* child : {&parec_, &silence_}) {
      if (!*child) continue;
      kill((*child)->Pid(), SIGTERM);
      (*child)->Wait(5s);
      child->reset();
    }
    const std::string raw = ReadFile(path_);
    const size_t window = kRate * slice.count() / 1000;
    std::vector<Slice> out;
    for (size_t at = 0; window > 0 && (at + window) * 2 <= raw.size(); at += window) {
      double sum = 0;
      int crossings = 0;
      int16_t last = 0;
      for (size_t i = at; i < at + window; ++i) {
        int16_t sample = 0;
        std::memcpy(&sample, raw.data() + i * 2, 2);
        sum += double(sample) * sample;
        if ((sample < 0) != (last < 0)) ++crossings;
        last = sample;
      }
      out.push_back({std::sqrt(sum / window), static_cast<int>(crossings * 1000 / slice.count())});
    }
    return out;
  }

 private:
  static std::string Fresh(std::string path) {
    std::filesystem::remove(path);
    return path;
  }
  std::unique_ptr<ChildProcess> Sh(const std::string& command, const std::string& log) {
    return std::make_unique<ChildProcess>(std::vector<std::string>{"/bin/sh", "-c", command},
                                          std::map<std::string, std::string>{},
                                          path_ + "." + log + ".log");
  }

  std::string path_;
  std::unique_ptr<ChildProcess> silence_;
  std::unique_ptr<ChildProcess> parec_;
};

}  // namespace zarn::testing
