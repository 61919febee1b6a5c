#include "platform/record/Recorder.h"

#include <unistd.h>

#include <QImageReader>
#include <QPainter>
#include <cmath>
#include <cstdio>
#include <stdexcept>

#include "platform/common/BackdropModel.h"
#include "platform/common/VirtualTimeLoop.h"

namespace zarn {
namespace {

constexpr int kTwipsPerPixel = 15;
// Progress on a terminal is redrawn at most this often.
constexpr auto kProgressEvery = std::chrono::milliseconds(200);

QColor ColourOf(uint32_t color) {
  return QColor(static_cast<int>(color & 0xFFu), static_cast<int>((color >> 8) & 0xFFu),
                static_cast<int>((color >> 16) & 0xFFu));
}

}  // namespace

Recorder::Recorder(VirtualTimeLoop& loop, const BackdropModel& backdrop,
                   const VideoSettings& settings)
    : loop_(loop),
      backdrop_(backdrop),
      settings_(settings),
      scene_(loop, mix_, QSize(settings.width, settings.height)),
      encoder_(settings),
      canvas_(settings.width, settings.height, QImage::Format_ARGB32_Premultiplied),
      terminal_(isatty(STDERR_FILENO) != 0),
      started_(std::chrono::steady_clock::now()),
      shown_at_(started_) {
  loop_.OnClockMove([this](Millis, Millis to) {
    if (!failure_.empty()) return;
    // A failing write (a full disk) ends the recording, not the script: it
    // is reported when the performance is over.
    try {
      CatchUp(to);
    } catch (const std::exception& e) {
      failure_ = e.what();
    }
  });
}

Recorder::~Recorder() { loop_.OnClockMove(nullptr); }

SoundStarter Recorder::MediaSound() {
  return [this](const PcmAudio& audio, int64_t from, int64_t to) -> std::function<void()> {
    const int sound = mix_.Add(loop_.Now(), audio, from, to);
    return [this, sound] { mix_.Cut(sound, loop_.Now()); };
  };
}

Millis Recorder::FrameTime(int64_t frame) const { return frame * 1000 / settings_.fps; }

void Recorder::CatchUp(Millis until) {
  // Frame k shows time k/fps, exactly; it is drawn once the clock is past it.
  while (next_frame_ * 1000 < until * settings_.fps) {
    Draw(FrameTime(next_frame_));
    ++next_frame_;
  }
  // Sound before the clock's new time is final: nothing can start or stop
  // earlier than now.
  const int64_t samples = next_frame_ * AudioMix::kRate / settings_.fps;
  if (settings_.audio && samples > next_sample_) {
    const int count = static_cast<int>(samples - next_sample_);
    sound_.resize(static_cast<size_t>(count) * 2);
    mix_.Mix(next_sample_, count, sound_.data());
    encoder_.AddAudio(sound_.data(), count);
    next_sample_ = samples;
  }
  if (terminal_ && std::chrono::steady_clock::now() - shown_at_ > kProgressEvery) {
    ShowProgress(false);
  }
}

void Recorder::PaintBackdrop(QPainter& painter) {
  if (!backdrop_.Loaded() || !backdrop_.Visible()) return;
  painter.fillRect(canvas_.rect(), ColourOf(backdrop_.BackColor()));
  for (int index = 0; index < 2; ++index) {
    const BackdropModel::Picture& element = backdrop_.Element(index);
    if (!element.visible || element.path.empty()) continue;
    QImage& picture = pictures_[element.path];
    if (picture.isNull()) {
      QImageReader reader(QString::fromStdString(element.path));
      picture = reader.read();
      if (picture.isNull()) continue;
    }
    const QPoint at(element.left / kTwipsPerPixel, element.top / kTwipsPerPixel);
    if (element.stretch) {
      painter.drawImage(
          QRect(at, QSize(element.width / kTwipsPerPixel, element.height / kTwipsPerPixel)),
          picture);
    } else {
      painter.drawImage(at, picture);
    }
  }
}

void Recorder::Draw(Millis at) {
  const bool see_through = settings_.kind == VideoKind::kWebm;
  canvas_.fill(see_through ? QColor(Qt::transparent) : kRecordingBackground);
  QPainter painter(&canvas_);
  PaintBackdrop(painter);
  if (slides_) {
    const QImage slide = slides_(canvas_.size());
    if (!slide.isNull()) {
      // A show fills the screen: the slide fitted and centred on black.
      painter.fillRect(canvas_.rect(), Qt::black);
      painter.drawImage((canvas_.width() - slide.width()) / 2,
                        (canvas_.height() - slide.height()) / 2, slide);
    }
  }
  scene_.Paint(painter, at);
  painter.end();
  encoder_.AddFrame(canvas_.constBits(), static_cast<int>(canvas_.bytesPerLine()));
}

void Recorder::Finish(Millis end_ms) {
  if (!failure_.empty()) throw std::runtime_error(failure_);
  CatchUp(std::max<Millis>(end_ms, 1));
  encoder_.Finish();
  ShowProgress(true);
}

void Recorder::ShowProgress(bool final) {
  shown_at_ = std::chrono::steady_clock::now();
  const double video = static_cast<double>(next_frame_) / settings_.fps;
  const double wall = std::chrono::duration<double>(shown_at_ - started_).count();
  const double speed = wall > 0 ? video / wall : 0;
  const int width = 30;
  // With the length measured beforehand the bar fills to it (held short of
  // full until the end, should this run last longer); without, it runs
  // round once every minute of video.
  double done = std::fmod(video, 60.0) / 60.0;
  if (expected_ms_ > 0) done = std::min(0.99, video * 1000.0 / static_cast<double>(expected_ms_));
  if (final) done = 1.0;
  std::string bar(static_cast<size_t>(done * width), '#');
  bar.resize(width, '.');
  char percent[8] = "";
  if (expected_ms_ > 0)
    std::snprintf(percent, sizeof(percent), " %3d%%", static_cast<int>(done * 100));
  std::fprintf(stderr, "%szarnplay: recording [%s]%s %02d:%04.1f of video, %.1fx real time%s",
               terminal_ ? "\r" : "", bar.c_str(), percent, static_cast<int>(video) / 60,
               std::fmod(video, 60.0), speed, final || !terminal_ ? "\n" : "");
  std::fflush(stderr);
}

}  // namespace zarn
