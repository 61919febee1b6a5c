#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace zarn {

// The mode words `status ... mode` answers with.
enum class MciMode { kNotReady, kStopped, kPlaying, kRecording, kSeeking, kPaused, kOpen };

std::string_view MciModeWord(MciMode mode);

// One open media item behind an alias. Positions and lengths are in the
// device's time format; the interpreter has already checked every position
// it passes against Length(). Methods return 0 or a result code.
class MciDevice {
 public:
  virtual ~MciDevice() = default;

  virtual MciMode Mode() = 0;
  // "milliseconds" or "frames".
  virtual std::string_view TimeFormat() const = 0;
  virtual int64_t Length() = 0;
  virtual int64_t Position() = 0;

  // Plays from `from` up to `to`; returns at once. from == to plays nothing
  // and leaves the device stopped there.
  virtual int32_t Play(int64_t from, int64_t to) = 0;
  // Stops where it is; a later Play without a start goes on from there.
  virtual int32_t Stop() = 0;
  virtual int32_t Pause() = 0;
  virtual int32_t Resume() = 0;
  // Stops and moves to `to`.
  virtual int32_t Seek(int64_t to) = 0;
};

// What a device type's factory gives back: a device, or the code that says
// why the element could not be opened.
struct MciOpenResult {
  std::unique_ptr<MciDevice> device;
  int32_t error = 0;
};

// Opens `element` (an existing file path) as the factory's device type.
using MciDeviceFactory = std::function<MciOpenResult(const std::string& element)>;

}  // namespace zarn
