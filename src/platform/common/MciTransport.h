#pragma once

#include <cstdint>

#include "backend/MciDevice.h"

namespace zarn {

// The mode and position a media item keeps between plays, and the Stop,
// Pause, Resume and Seek that follow from them. A device says how it
// falls silent, where its play has got to and when that play is over.
class MciTransport : public MciDevice {
 public:
  MciMode Mode() override;
  int64_t Position() override;
  int32_t Stop() override;
  int32_t Pause() override;
  int32_t Resume() override;
  int32_t Seek(int64_t to) override;

 protected:
  // Ends the play once it is over, whether or not the device has been told
  // yet (its timer or player may not have had a chance).
  void Settle();
  // Ends the play under way at its end position.
  void Finish();
  void Halt(MciMode mode);

  // Stops the sound and picture and whatever times them.
  virtual void Silence() = 0;
  virtual int64_t PlayingPosition() const = 0;
  virtual bool PlayOver() const = 0;

  MciMode mode_ = MciMode::kStopped;
  int64_t position_ = 0;
  // While playing (or paused): the stretch being played.
  int64_t start_position_ = 0;
  int64_t end_position_ = 0;
};

}  // namespace zarn
