#pragma once

// Small media and picture files for the playback and backdrop tests, and
// the script trace filtered to what those tests look at.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "support/Harness.h"

namespace zarn::mediatest {

using testing::TraceLine;

inline void Le16(std::string& b, uint32_t v) {
  b += static_cast<char>(v & 0xFF);
  b += static_cast<char>((v >> 8) & 0xFF);
}
inline void Le32(std::string& b, uint32_t v) {
  Le16(b, v & 0xFFFF);
  Le16(b, v >> 16);
}
inline void Be16(std::string& b, uint32_t v) {
  b += static_cast<char>((v >> 8) & 0xFF);
  b += static_cast<char>(v & 0xFF);
}
inline void Be32(std::string& b, uint32_t v) {
  Be16(b, v >> 16);
  Be16(b, v & 0xFFFF);
}
inline std::string Chunk(std::string_view id, const std::string& data) {
  std::string b(id);
  Le32(b, static_cast<uint32_t>(data.size()));
  b += data;
  if (data.size() % 2) b += '\0';
  return b;
}
inline std::string Riff(std::string_view form, const std::string& body) {
  std::string b = "RIFF";
  Le32(b, static_cast<uint32_t>(body.size() + 4));
  return b + std::string(form) + body;
}

// 8 kHz, 8-bit mono PCM: 8 bytes a millisecond.
inline std::string Wave(uint32_t millis) {
  std::string fmt;
  Le16(fmt, 1);
  Le16(fmt, 1);
  Le32(fmt, 8000);
  Le32(fmt, 8000);
  Le16(fmt, 1);
  Le16(fmt, 8);
  return Riff("WAVE", Chunk("fmt ", fmt) + Chunk("data", std::string(millis * 8, '\x80')));
}

// One note held for `millis` at the default 120 beats a minute, 480 ticks a
// beat. `claimed_track_length` lies about the track's size when set.
inline std::string Midi(uint32_t millis, uint32_t claimed_track_length = 0) {
  const uint32_t ticks = millis * 480 / 500;
  std::string track = std::string("\x00\x90\x3C\x40", 4);
  std::string delta(1, static_cast<char>(ticks & 0x7F));
  for (uint32_t v = ticks >> 7; v > 0; v >>= 7) {
    delta.insert(delta.begin(), static_cast<char>((v & 0x7F) | 0x80));
  }
  track += delta + std::string("\x80\x3C\x40\x00\xFF\x2F\x00", 7);
  std::string b = "MThd";
  Be32(b, 6);
  Be16(b, 0);
  Be16(b, 1);
  Be16(b, 480);
  b += "MTrk";
  Be32(b, claimed_track_length ? claimed_track_length : static_cast<uint32_t>(track.size()));
  return b + track;
}

// A header list and an empty movie list: `frames` of 40 ms each.
inline std::string Avi(uint32_t frames) {
  std::string avih;
  Le32(avih, 40000);  // microseconds a frame
  for (int i = 0; i < 3; ++i) Le32(avih, 0);
  Le32(avih, frames);
  Le32(avih, 0);
  Le32(avih, 1);  // streams
  while (avih.size() < 56) Le32(avih, 0);
  const std::string hdrl = Chunk("LIST", "hdrl" + Chunk("avih", avih));
  const std::string movi = Chunk("LIST", std::string("movi"));
  return Riff("AVI ", hdrl + movi);
}

// A GIF that declares its size and holds one empty image.
inline std::string Gif(uint32_t width, uint32_t height) {
  std::string b = "GIF89a";
  Le16(b, width);
  Le16(b, height);
  b += std::string("\x00\x00\x00", 3);
  b += '\x2C';
  Le32(b, 0);
  Le16(b, width);
  Le16(b, height);
  b += std::string("\x00\x02\x00\x3B", 4);
  return b;
}

// A 24-bit bitmap, every pixel black.
inline std::string Bmp(uint32_t width, uint32_t height) {
  const uint32_t stride = (width * 3 + 3) / 4 * 4;
  std::string b = "BM";
  Le32(b, 54 + stride * height);
  Le32(b, 0);
  Le32(b, 54);
  Le32(b, 40);
  Le32(b, width);
  Le32(b, height);
  Le16(b, 1);
  Le16(b, 24);
  for (int i = 0; i < 6; ++i) Le32(b, 0);
  return b + std::string(stride * height, '\0');
}

inline std::string Header(const std::string& extra = "") {
  return "[ZARN Script]\nVersion=7.0\n[Characters]\nPip=Pip.acs\n" + extra + "[Script]\n";
}
// A command keeps the program waiting after the script's last line.
inline const char kStayAlive[] = "[Commands]\n1=Stay|~|stay\n";

inline testing::HarnessOptions For(const std::string& path, int width = 1024, int height = 768) {
  testing::HarnessOptions options;
  options.command_line = path;
  options.screen_width = width;
  options.screen_height = height;
  return options;
}

// "mci <command> = <code>", "Backdrop what|value...", "MessageBox text|icon".
inline std::vector<std::string> MediaAndBackdrop(const std::vector<TraceLine>& records,
                                                 bool stop_at_shutdown = false) {
  std::vector<std::string> out;
  for (const TraceLine& r : records) {
    if (stop_at_shutdown && r.kind == "life" && r.op == "ShutDown") break;
    if (r.kind == "media" && r.op == "mci") {
      out.push_back("mci " + r.Arg(0) + " = " + r.result);
    } else if (r.kind == "ui" && (r.op == "Backdrop" || r.op == "MessageBox")) {
      std::string text = r.op;
      for (size_t a = 0; a < r.args.size() && a < 6; ++a) text += (a ? "|" : " ") + r.args[a];
      out.push_back(text);
    }
  }
  return out;
}

// Plays until virtual time `at` exactly: the harness's own run may jump past
// a limit to the next due task.
inline void RunTo(testing::Harness& h, int64_t at) {
  h.Loop().PostAt(at, [] {});
  while (h.Form().Loaded() && h.Loop().Now() < at && h.Loop().RunNext()) {
  }
}

inline std::vector<std::string> Join(std::vector<std::string> a,
                                     const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// Times (ms) of the records whose first argument is `command`.
inline std::vector<int64_t> TimesOf(const std::vector<TraceLine>& records,
                                    const std::string& command) {
  std::vector<int64_t> out;
  for (const TraceLine& r : records) {
    if (r.kind == "media" && r.op == "mci" && r.Arg(0) == command) {
      out.push_back(static_cast<int64_t>(r.t * 1000 + 0.5));
    }
  }
  return out;
}

}  // namespace zarn::mediatest
