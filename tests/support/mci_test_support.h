#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ports/Scheduler.h"

namespace zarn::testing_media {

using Bytes = std::vector<uint8_t>;

// A clock the test moves by hand; due tasks run in (time, posting) order.
class FakeScheduler : public Scheduler {
 public:
  Millis Now() const override { return now_; }
  TimerId PostAt(Millis at, std::function<void()> task) override {
    tasks_[{at, next_id_}] = std::move(task);
    return next_id_++;
  }
  void Cancel(TimerId id) override {
    for (auto it = tasks_.begin(); it != tasks_.end(); ++it) {
      if (it->first.second == id) {
        tasks_.erase(it);
        return;
      }
    }
  }
  // Moves the clock to `at`, running each task when its time comes.
  void RunUntil(Millis at) {
    while (!tasks_.empty() && tasks_.begin()->first.first <= at) {
      auto node = tasks_.extract(tasks_.begin());
      now_ = std::max(now_, node.key().first);
      node.mapped()();
    }
    now_ = at;
  }
  // Moves the clock without running anything, as when the pump is starved.
  void JumpTo(Millis at) { now_ = at; }
  size_t Pending() const { return tasks_.size(); }

 private:
  Millis now_ = 0;
  TimerId next_id_ = 1;
  std::map<std::pair<Millis, TimerId>, std::function<void()>> tasks_;
};

// A private folder for the test's files, removed afterwards.
class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "zarn-media-XXXXXX").string();
    if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  ~TempDir() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  std::string Write(const std::string& name, const Bytes& bytes) const {
    const std::string file = path_ + "/" + name;
    std::ofstream out(file, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return file;
  }
  std::string Write(const std::string& name, std::string_view text) const {
    return Write(name, Bytes(text.begin(), text.end()));
  }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

inline void PutLe16(Bytes& b, uint32_t v) {
  b.push_back(static_cast<uint8_t>(v));
  b.push_back(static_cast<uint8_t>(v >> 8));
}
inline void PutLe32(Bytes& b, uint32_t v) {
  PutLe16(b, v & 0xFFFF);
  PutLe16(b, v >> 16);
}
inline void PutBe16(Bytes& b, uint32_t v) {
  b.push_back(static_cast<uint8_t>(v >> 8));
  b.push_back(static_cast<uint8_t>(v));
}
inline void PutBe32(Bytes& b, uint32_t v) {
  PutBe16(b, v >> 16);
  PutBe16(b, v & 0xFFFF);
}
inline void PutTag(Bytes& b, std::string_view tag) { b.insert(b.end(), tag.begin(), tag.end()); }
inline void PutChunk(Bytes& b, std::string_view id, const Bytes& data) {
  PutTag(b, id);
  PutLe32(b, static_cast<uint32_t>(data.size()));
  b.insert(b.end(), data.begin(), data.end());
  if (data.size() % 2) b.push_back(0);
}
inline Bytes Riff(std::string_view form, const Bytes& body) {
  Bytes b;
  PutTag(b, "RIFF");
  PutLe32(b, static_cast<uint32_t>(body.size() + 4));
  PutTag(b, form);
  b.insert(b.end(), body.begin(), body.end());
  return b;
}

struct WaveLayout {
  uint16_t tag = 1;
  uint16_t channels = 1;
  uint32_t rate = 8000;
  uint16_t block_align = 1;
  uint16_t bits = 8;
  uint32_t data_bytes = 8000;
  std::optional<uint32_t> fact;
  std::optional<uint16_t> samples_per_block;  // written as a 2-byte extension
};

inline Bytes FmtChunkData(const WaveLayout& s) {
  Bytes fmt;
  PutLe16(fmt, s.tag);
  PutLe16(fmt, s.channels);
  PutLe32(fmt, s.rate);
  PutLe32(fmt, s.rate * s.block_align);
  PutLe16(fmt, s.block_align);
  PutLe16(fmt, s.bits);
  if (s.samples_per_block) {
    PutLe16(fmt, 2);
    PutLe16(fmt, *s.samples_per_block);
  }
  return fmt;
}

inline Bytes MakeWave(const WaveLayout& s) {
  Bytes body;
  PutChunk(body, "fmt ", FmtChunkData(s));
  if (s.fact) {
    Bytes fact;
    PutLe32(fact, *s.fact);
    PutChunk(body, "fact", fact);
  }
  PutChunk(body, "data", Bytes(s.data_bytes, 0x80));
  return Riff("WAVE", body);
}

inline Bytes MidiTrack(const Bytes& events) {
  Bytes b;
  PutTag(b, "MTrk");
  PutBe32(b, static_cast<uint32_t>(events.size()));
  b.insert(b.end(), events.begin(), events.end());
  return b;
}
inline Bytes MakeMidi(uint16_t format, uint16_t division, const std::vector<Bytes>& tracks,
                      std::optional<uint16_t> declared = std::nullopt) {
  Bytes b;
  PutTag(b, "MThd");
  PutBe32(b, 6);
  PutBe16(b, format);
  PutBe16(b, declared.value_or(static_cast<uint16_t>(tracks.size())));
  PutBe16(b, division);
  for (const Bytes& events : tracks) {
    const Bytes track = MidiTrack(events);
    b.insert(b.end(), track.begin(), track.end());
  }
  return b;
}
// Delta-time as a variable-length quantity.
inline void PutVlq(Bytes& b, uint32_t v) {
  uint8_t groups[5];
  int n = 0;
  do {
    groups[n++] = v & 0x7F;
    v >>= 7;
  } while (v != 0);
  while (n-- > 0) b.push_back(static_cast<uint8_t>(groups[n] | (n > 0 ? 0x80 : 0)));
}
inline void PutTempo(Bytes& b, uint32_t delta, uint32_t micros_per_quarter) {
  PutVlq(b, delta);
  b.insert(b.end(), {0xFF, 0x51, 0x03, static_cast<uint8_t>(micros_per_quarter >> 16),
                     static_cast<uint8_t>(micros_per_quarter >> 8),
                     static_cast<uint8_t>(micros_per_quarter)});
}
inline void PutEndOfTrack(Bytes& b, uint32_t delta) {
  PutVlq(b, delta);
  b.insert(b.end(), {0xFF, 0x2F, 0x00});
}
inline void PutNote(Bytes& b, uint32_t delta, uint8_t status, uint8_t key) {
  PutVlq(b, delta);
  b.insert(b.end(), {status, key, 0x40});
}

struct AviLayout {
  uint32_t micros_per_frame = 40000;
  uint32_t frames = 250;
  uint32_t streams = 1;
  bool movie = true;
  uint32_t avih_size = 56;
};

inline Bytes MakeAvi(const AviLayout& s) {
  Bytes avih;
  PutLe32(avih, s.micros_per_frame);
  for (int i = 0; i < 3; ++i) PutLe32(avih, 0);
  PutLe32(avih, s.frames);
  PutLe32(avih, 0);
  PutLe32(avih, s.streams);
  PutLe32(avih, 0);
  PutLe32(avih, 320);
  PutLe32(avih, 240);
  avih.resize(s.avih_size, 0);
  Bytes hdrl;
  PutTag(hdrl, "hdrl");
  PutChunk(hdrl, "avih", avih);
  Bytes body;
  PutChunk(body, "LIST", hdrl);
  PutChunk(body, "JUNK", Bytes(13, 0));
  if (s.movie) {
    Bytes movi;
    PutTag(movi, "movi");
    PutChunk(movi, "00dc", Bytes(10, 1));
    PutChunk(body, "LIST", movi);
  }
  return Riff("AVI ", body);
}

}  // namespace zarn::testing_media
