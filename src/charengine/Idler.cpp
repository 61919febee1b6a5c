#include "charengine/Idler.h"

#include <utility>

#include "charengine/CharacterEngine.h"

namespace zarn::engine {

void Idler::Arm(Millis at, std::function<void()> task) {
  timer_ = scheduler_.PostBackgroundAt(at, std::move(task));
}

void Idler::Cancel() {
  if (timer_ == 0) return;
  scheduler_.Cancel(timer_);
  timer_ = 0;
}

bool Idler::Begin() {
  if (idling_) return false;
  idling_ = true;
  since_ = scheduler_.Now();
  return true;
}

bool Idler::End() {
  if (!idling_) return false;
  idling_ = false;
  return true;
}

int Idler::Level() const {
  const Millis idle_for = scheduler_.Now() - since_;
  return idle_for < kIdlePeriodMs ? 1 : idle_for < 2 * kIdlePeriodMs ? 2 : 3;
}

Millis Idler::NextGap(BranchRandom& random) {
  return kIdleGapMinMs + static_cast<Millis>(random.Pick(kIdleGapMaxMs - kIdleGapMinMs + 1));
}

}  // namespace zarn::engine
