#include "platform/desktop/DesktopVideoDevice.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QUrl>
#include <algorithm>
#include <cstdio>

#include "backend/MciErrors.h"
#include "platform/desktop/DesktopAudioDevice.h"

namespace zarn {
namespace {

// How long past its length a video may run before we call it ended anyway.
constexpr Millis kGraceMillis = 3000;

// A header without a frame size gets the size of a small clip.
constexpr int kDefaultWidth = 320;
constexpr int kDefaultHeight = 240;
constexpr uint32_t kMaxSide = 8192;

}  // namespace

void VideoWindow::closeEvent(QCloseEvent* event) {
  event->accept();
  if (on_close) on_close();
}

DesktopVideoDevice::DesktopVideoDevice(Scheduler& scheduler, const std::string& path,
                                       const MediaInfo& info, const DesktopMediaHooks& hooks)
    : scheduler_(scheduler),
      frames_(std::max<int64_t>(info.frames, 0)),
      micros_per_frame_(std::max<int64_t>(info.micros_per_frame, 1)),
      hooks_(hooks) {
  window_.setWindowTitle(QFileInfo(QString::fromStdString(path)).fileName());
  const bool sized =
      info.width > 0 && info.height > 0 && info.width <= kMaxSide && info.height <= kMaxSide;
  window_.resize(sized ? static_cast<int>(info.width) : kDefaultWidth,
                 sized ? static_cast<int>(info.height) : kDefaultHeight);
  window_.on_close = [this] {
    // Silent at once; the program then stops the item.
    Stop();
    Later(hooks_.closed);
  };
  if (!SoundOutputPresent()) audio_.setMuted(true);
  player_.setAudioOutput(&audio_);
  player_.setVideoOutput(&window_);
  QObject::connect(
      &player_, &QMediaPlayer::mediaStatusChanged, &window_,
      [this](QMediaPlayer::MediaStatus status) {
        if (status == QMediaPlayer::EndOfMedia) Finish();
        if ((status == QMediaPlayer::LoadedMedia || status == QMediaPlayer::BufferedMedia) &&
            pending_start_ms_ >= 0) {
          player_.setPosition(pending_start_ms_);
          pending_start_ms_ = -1;
        }
      });
  QObject::connect(&player_, &QMediaPlayer::positionChanged, &window_, [this](qint64 at) {
    if (mode_ == MciMode::kPlaying && end_position_ < frames_ && ToFrame(at) >= end_position_) {
      Finish();
    }
  });
  QObject::connect(&player_, &QMediaPlayer::errorOccurred, &window_,
                   [this, path](QMediaPlayer::Error, const QString& text) {
                     if (failed_) return;
                     failed_ = true;
                     std::fprintf(stderr, "zarnplay: cannot show the video %s: %s\n", path.c_str(),
                                  text.toLocal8Bit().constData());
                     window_.hide();
                     Later([this] {
                       if (hooks_.failed) hooks_.failed(mcierr::kInvalidFile);
                     });
                   });
  player_.setSource(QUrl::fromLocalFile(QString::fromStdString(path)));
}

DesktopVideoDevice::~DesktopVideoDevice() {
  *open_ = false;
  window_.on_close = nullptr;
  QObject::disconnect(&player_, nullptr, &window_, nullptr);
  player_.stop();
}

void DesktopVideoDevice::Later(const std::function<void()>& hook) {
  std::weak_ptr<bool> open = open_;
  scheduler_.Post([open, hook] {
    if (const auto alive = open.lock(); alive && *alive && hook) hook();
  });
}

bool DesktopVideoDevice::PlayOver() const {
  // A failed player shows nothing but keeps the item's time.
  return scheduler_.Now() >= deadline_ - (failed_ ? kGraceMillis : 0);
}

int64_t DesktopVideoDevice::PlayingPosition() const {
  return std::clamp(ToFrame(player_.position()), position_, end_position_);
}

int32_t DesktopVideoDevice::Play(int64_t from, int64_t to) {
  player_.pause();
  position_ = from;
  end_position_ = to;
  if (from >= to) {
    mode_ = MciMode::kStopped;
    return 0;
  }
  const int64_t start_ms = ToMillis(from);
  if (player_.mediaStatus() == QMediaPlayer::LoadingMedia ||
      player_.mediaStatus() == QMediaPlayer::NoMedia) {
    pending_start_ms_ = start_ms;
  } else {
    player_.setPosition(start_ms);
  }
  deadline_ = scheduler_.Now() + (ToMillis(to) - start_ms) + kGraceMillis;
  mode_ = MciMode::kPlaying;
  window_.show();
  window_.raise();
  player_.play();
  return 0;
}

int32_t DesktopVideoDevice::Seek(int64_t to) {
  MciTransport::Seek(to);
  player_.setPosition(ToMillis(to));
  return 0;
}

}  // namespace zarn
