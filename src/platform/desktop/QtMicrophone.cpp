#include "platform/desktop/QtMicrophone.h"

#include <QtGui/qguiapplication_platform.h>

#include <QAudioDevice>
#include <QAudioSource>
#include <QGuiApplication>
#include <QMediaDevices>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <vector>

#include "platform/listen/VoiceInput.h"
#include "platform/listen/WavePcm.h"

// After Qt: Xlib defines None and Status.
#include <X11/Xlib.h>

namespace zarn {
namespace {

Display* X11Display() {
  auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  return x11 ? x11->display() : nullptr;
}

}  // namespace

// Qt pushes what it records here (its pull device gave nothing on
// PulseAudio).
class QtMicrophone::Sink : public QIODevice {
 public:
  explicit Sink(QtMicrophone& owner) : owner_(owner) { open(QIODevice::WriteOnly); }

 protected:
  qint64 readData(char*, qint64) override { return -1; }
  qint64 writeData(const char* data, qint64 size) override {
    owner_.Take(data, static_cast<size_t>(size));
    return size;
  }

 private:
  QtMicrophone& owner_;
};

QtMicrophone::QtMicrophone(VoiceInput& voice) : voice_(voice) {}

QtMicrophone::~QtMicrophone() {
  if (source_) source_->stop();
}

bool QtMicrophone::Open(const std::string& character_id) {
  if (IsOpen()) return true;
  const QAudioDevice input = QMediaDevices::defaultAudioInput();
  if (input.isNull()) {
    if (!told_) std::cerr << "zarnplay: Listen: no microphone\n";
    told_ = true;
    return false;
  }
  if (!voice_.Begin(character_id)) return false;  // it says why
  QAudioFormat format;
  format.setSampleRate(kListenSampleRate);
  format.setChannelCount(1);
  format.setSampleFormat(QAudioFormat::Int16);
  if (!input.isFormatSupported(format)) format = input.preferredFormat();
  if (format.sampleFormat() != QAudioFormat::Int16 &&
      format.sampleFormat() != QAudioFormat::Float) {
    format.setSampleFormat(QAudioFormat::Int16);
  }
  rate_ = format.sampleRate();
  channels_ = format.channelCount();
  is_float_ = format.sampleFormat() == QAudioFormat::Float;
  source_ = std::make_unique<QAudioSource>(input, format);
  device_ = std::make_unique<Sink>(*this);
  source_->start(device_.get());
  if (source_->error() != QAudio::NoError) {
    source_.reset();
    device_.reset();
    voice_.End();
    if (!told_) std::cerr << "zarnplay: Listen: the microphone could not be opened\n";
    told_ = true;
    return false;
  }
  listener_ = character_id;
  if (on_listening_) on_listening_(listener_, true);
  return true;
}

void QtMicrophone::Take(const char* data, size_t size) {
  if (!IsOpen() || closing_) return;
  std::vector<int16_t> samples;
  if (is_float_) {
    samples.resize(size / sizeof(float));
    for (size_t i = 0; i < samples.size(); ++i) {
      float f = 0;
      std::memcpy(&f, data + i * sizeof(float), sizeof f);
      samples[i] = static_cast<int16_t>(std::max(-1.0f, std::min(1.0f, f)) * 32767.0f);
    }
  } else {
    samples.resize(size / sizeof(int16_t));
    std::memcpy(samples.data(), data, samples.size() * sizeof(int16_t));
  }
  const std::vector<int16_t> pcm = ToListeningRate(samples, channels_, rate_);
  // The speaker stopped: finish once Qt is out of this call.
  if (voice_.Feed(pcm)) {
    QTimer::singleShot(0, [this, id = listener_] {
      if (!IsOpen()) return;
      if (on_speech_end_) {
        on_speech_end_(id);
      } else {
        Close();
      }
    });
  }
}

void QtMicrophone::Close() {
  if (!IsOpen() || closing_) return;
  closing_ = true;
  source_->stop();
  source_.reset();
  device_.reset();
  closing_ = false;
  voice_.End();
  if (on_listening_) on_listening_(listener_, false);
}

ListeningKey::ListeningKey(std::function<std::string()> current,
                           std::function<void(const std::string&, bool)> pressed)
    : current_(std::move(current)), pressed_(std::move(pressed)) {
  Display* display = X11Display();
  if (display == nullptr) return;
  const KeySym sym = XStringToKeysym(KeyName().c_str());
  if (sym == NoSymbol) {
    std::cerr << "zarnplay: the listening key \"" << KeyName() << "\" is not a key name\n";
    return;
  }
  keycode_ = XKeysymToKeycode(display, sym);
  if (keycode_ == 0) return;
  QObject::connect(&poll_, &QTimer::timeout, [this] { Poll(); });
  poll_.start(50);  // polling needs no grab, so other programs keep the key
}

std::string ListeningKey::KeyName() {
  std::string folder;
  if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config) {
    folder = config;
  } else if (const char* home = std::getenv("HOME")) {
    folder = std::string(home) + "/.config";
  }
  std::ifstream in(folder + "/zarnplay/listening.conf");
  for (std::string line; std::getline(in, line);) {
    const std::string key = "ListeningKey=";
    if (line.rfind(key, 0) == 0 && line.size() > key.size()) return line.substr(key.size());
  }
  return "Scroll_Lock";
}

void ListeningKey::Poll() {
  Display* display = X11Display();
  if (display == nullptr) return;
  char keys[32] = {};
  XQueryKeymap(display, keys);
  const bool down = (keys[keycode_ / 8] & (1 << (keycode_ % 8))) != 0;
  if (down == held_) return;
  held_ = down;
  if (!down) {
    if (!holder_.empty()) pressed_(holder_, false);
    holder_.clear();
    return;
  }
  holder_ = current_();
  if (!holder_.empty()) pressed_(holder_, true);
}

}  // namespace zarn
