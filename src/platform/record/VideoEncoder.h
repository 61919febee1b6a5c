#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace zarn {

// The kinds of file a performance is recorded to, by the name's ending.
enum class VideoKind { kMp4, kWebm, kGif };

// .mp4, .webm or .gif (any letter case); nothing for other names.
bool VideoKindOf(const std::string& path, VideoKind& kind);

struct VideoSettings {
  std::string path;
  VideoKind kind = VideoKind::kMp4;
  int width = 1280;
  int height = 720;
  int fps = 30;
  // An audio track (GIF has none).
  bool audio = true;
};

// Writes frames and sound to a video file with FFmpeg's libraries:
// H.264 and AAC in MP4; VP9 with its alpha channel and Opus in WebM;
// GIF without sound. The same input gives the same bytes. Throws
// std::runtime_error with a readable message when the file cannot be
// made.
class VideoEncoder {
 public:
  static constexpr int kAudioRate = 48000;

  explicit VideoEncoder(const VideoSettings& settings);
  ~VideoEncoder();
  VideoEncoder(const VideoEncoder&) = delete;
  VideoEncoder& operator=(const VideoEncoder&) = delete;

  // One frame: `pixels` are ARGB32 premultiplied words (QImage's
  // Format_ARGB32_Premultiplied), `stride` bytes a row, width x height.
  void AddFrame(const uint8_t* pixels, int stride);
  // Interleaved stereo float at kAudioRate.
  void AddAudio(const float* samples, int frames);
  // Flushes the encoders and closes the file.
  void Finish();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace zarn
