#include "platform/common/MciTransport.h"

namespace zarn {

void MciTransport::Settle() {
  if (mode_ == MciMode::kPlaying && PlayOver()) Finish();
}

void MciTransport::Finish() {
  if (mode_ != MciMode::kPlaying) return;
  position_ = end_position_;
  Halt(MciMode::kStopped);
}

void MciTransport::Halt(MciMode mode) {
  Silence();
  mode_ = mode;
}

MciMode MciTransport::Mode() {
  Settle();
  return mode_;
}

int64_t MciTransport::Position() {
  Settle();
  return mode_ == MciMode::kPlaying ? PlayingPosition() : position_;
}

int32_t MciTransport::Stop() {
  Settle();
  if (mode_ == MciMode::kPlaying) position_ = PlayingPosition();
  Halt(MciMode::kStopped);
  return 0;
}

int32_t MciTransport::Pause() {
  Settle();
  if (mode_ == MciMode::kPlaying) {
    position_ = PlayingPosition();
    Halt(MciMode::kPaused);
  }
  return 0;
}

int32_t MciTransport::Resume() {
  if (mode_ != MciMode::kPaused) return 0;
  return Play(position_, end_position_);
}

int32_t MciTransport::Seek(int64_t to) {
  Halt(MciMode::kStopped);
  position_ = to;
  return 0;
}

}  // namespace zarn
