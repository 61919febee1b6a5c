#include "platform/desktop/CharacterScreen.h"

#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QSystemTrayIcon>
#include <algorithm>

#include "charengine/CharacterEngine.h"
#include "platform/desktop/Monitors.h"
#include "platform/desktop/QtDesktop.h"
#include "platform/render/CharacterPicture.h"

namespace zarn {
namespace {

// Frame refreshes while a character slides.
constexpr int kSlideStepMs = 15;
// Without a speech engine a word opens the mouth this long.
constexpr int kWordMouthMs = 150;

}  // namespace

struct CharacterScreen::Shown {
  std::string id;
  std::unique_ptr<CharacterWindow> window;
  std::unique_ptr<CharacterBalloon> balloon;
  std::unique_ptr<QLabel> tip;
  const Frame* frame = nullptr;
  int mouth = -1;
  bool speaking = false;
  bool visible = false;
  FrameCache cache;
  // A slide in progress.
  bool sliding = false;
  QPoint from;
  QPoint to;
  qint64 slide_start = 0;
  qint64 slide_ms = 0;
  QTimer mouth_timer;
};

CharacterScreen::CharacterScreen(CharacterEngine& engine, QtDesktop& desktop)
    : engine_(engine), desktop_(desktop) {
  clock_.start();
  slide_timer_.setInterval(kSlideStepMs);
  QObject::connect(&slide_timer_, &QTimer::timeout, [this] { StepSlides(); });
}

CharacterScreen::~CharacterScreen() = default;

CharacterScreen::Shown& CharacterScreen::Get(const std::string& id) {
  std::unique_ptr<Shown>& entry = shown_[id];
  if (entry) return *entry;
  entry = std::make_unique<Shown>();
  Shown& shown = *entry;
  shown.id = id;
  CharacterMouse mouse;
  mouse.click = [this, &shown](int button, int shift, QPoint at, bool double_click) {
    if (!shown.speaking) shown.balloon->Dismiss();
    engine_.UserClick(shown.id, button, shift, at.x(), at.y(), double_click);
  };
  mouse.drag_start = [this, &shown](int button, int shift, QPoint at) {
    shown.sliding = false;
    if (!shown.speaking) shown.balloon->Dismiss();
    engine_.UserDragStart(shown.id, button, shift, at.x(), at.y());
  };
  mouse.dragging = [this, &shown](QPoint) { PlaceBalloon(shown); };
  mouse.drag_end = [this, &shown](QPoint top_left, int button, int shift, QPoint at) {
    engine_.UserDragComplete(shown.id, top_left.x(), top_left.y(), button, shift, at.x(), at.y());
  };
  mouse.menu = [this, &shown](QPoint at) {
    // Not inside the window's own mouse handler: the menu runs a loop.
    QTimer::singleShot(0, [this, id = shown.id, at] { ShowMenu(id, at); });
  };
  shown.window = std::make_unique<CharacterWindow>(std::move(mouse));
  shown.balloon = std::make_unique<CharacterBalloon>();
  shown.mouth_timer.setSingleShot(true);
  QObject::connect(&shown.mouth_timer, &QTimer::timeout, [this, &shown] {
    shown.mouth = 0;
    Redraw(shown);
  });
  return shown;
}

void CharacterScreen::VisibilityChanged(const std::string& id, bool visible) {
  Shown& shown = Get(id);
  shown.visible = visible;
  if (visible) {
    shown.sliding = false;
    shown.window->move(engine_.Left(id), engine_.Top(id));
  } else {
    shown.balloon->Dismiss();
    shown.frame = nullptr;
  }
  shown.window->SetShown(visible);
}

void CharacterScreen::FrameShown(const std::string& id, const std::string& animation, int frame) {
  const CharacterModel& model = engine_.Model(id);
  const Animation* found = model.FindAnimation(animation);
  if (found == nullptr || frame < 0 || static_cast<size_t>(frame) >= found->frames.size()) return;
  Shown& shown = Get(id);
  shown.frame = &found->frames[static_cast<size_t>(frame)];
  Redraw(shown);
}

void CharacterScreen::Redraw(Shown& shown) {
  // A voice's last mouth may come after the service unloaded the character.
  if (!engine_.IsLoaded(shown.id)) return;
  const CharacterModel& model = engine_.Model(shown.id);
  if (shown.frame == nullptr || !model.file) return;
  const QSize size = DrawnSize(QSize(engine_.Width(shown.id), engine_.Height(shown.id)),
                               MonitorOf(shown.window->geometry()).size());
  const int mouth =
      shown.speaking && !shown.frame->overlays.empty() ? std::max(0, shown.mouth) : -1;
  shown.window->ShowImage(shown.cache.Get(*model.file, *shown.frame, mouth, size));
  if (first_frame_ && shown.visible && shown.window->isVisible()) {
    std::exchange(first_frame_, nullptr)();
  }
}

void CharacterScreen::SoundPlayed(const std::string& id, int sound_index) {
  sound_.Play(id, engine_.Model(id), sound_index);
}

void CharacterScreen::SizeChanged(const std::string& id) {
  Shown& shown = Get(id);
  Redraw(shown);
  PlaceBalloon(shown);
}

void CharacterScreen::MoveStarted(const std::string& id, int x, int y, int64_t duration_ms) {
  Shown& shown = Get(id);
  shown.to = QPoint(x, y);
  if (duration_ms <= 0) {
    shown.sliding = false;
    shown.window->move(shown.to);
    PlaceBalloon(shown);
    return;
  }
  shown.from = shown.window->pos();
  shown.slide_start = clock_.elapsed();
  shown.slide_ms = duration_ms;
  shown.sliding = true;
  if (!slide_timer_.isActive()) slide_timer_.start();
}

void CharacterScreen::StepSlides() {
  bool any = false;
  const qint64 now = clock_.elapsed();
  for (auto& [id, entry] : shown_) {
    Shown& shown = *entry;
    if (!shown.sliding) continue;
    const double t = std::min(
        1.0, static_cast<double>(now - shown.slide_start) / static_cast<double>(shown.slide_ms));
    const QPoint at = shown.from + (shown.to - shown.from) * t;
    shown.window->move(at);
    PlaceBalloon(shown);
    shown.sliding = t < 1.0;
    any = any || shown.sliding;
  }
  if (!any) slide_timer_.stop();
}

void CharacterScreen::PlaceBalloon(Shown& shown) {
  if (shown.balloon->isVisible()) {
    shown.balloon->Place(shown.window->geometry(), MonitorOf(shown.window->geometry()));
  }
}

void CharacterScreen::SpeechStarted(const std::string& id, int32_t, const std::string& balloon_text,
                                    const std::string&, bool think) {
  Shown& shown = Get(id);
  shown.speaking = !think;
  shown.mouth = 0;
  const BalloonSettings settings = engine_.Balloon(id);
  if ((settings.style & 0x1) == 0) {
    shown.balloon->Dismiss();
  } else {
    const BalloonLook look = BalloonLookFor(engine_, id);
    shown.balloon->Place(shown.window->geometry(), MonitorOf(shown.window->geometry()));
    shown.balloon->Start(look, QString::fromStdString(balloon_text), think);
  }
  Redraw(shown);
}

void CharacterScreen::BalloonWord(const std::string& id, const std::string& word) {
  Shown& shown = Get(id);
  shown.balloon->AddWord(QString::fromStdString(word));
  if (shown.speaking && !speech_mouths_) {
    shown.mouth = MouthForWord(word);
    shown.mouth_timer.start(kWordMouthMs);
    Redraw(shown);
  }
}

void CharacterScreen::SpeechEnded(const std::string& id) {
  Shown& shown = Get(id);
  shown.speaking = false;
  shown.mouth = -1;
  shown.mouth_timer.stop();
  shown.balloon->Finish();
  Redraw(shown);
}

// Cut off: the balloon goes at once rather than show words never said.
void CharacterScreen::SpeechStopped(const std::string& id) {
  Shown& shown = Get(id);
  shown.speaking = false;
  shown.mouth = -1;
  shown.mouth_timer.stop();
  shown.balloon->Dismiss();
  Redraw(shown);
}

void CharacterScreen::SetMouth(const std::string& id, int shape) {
  Shown& shown = Get(id);
  shown.mouth = shape;
  Redraw(shown);
}

void CharacterScreen::SetListeningTip(const std::string& id, const std::string& text) {
  Shown& shown = Get(id);
  if (text.empty()) {
    shown.tip.reset();
    return;
  }
  if (!shown.tip) {
    shown.tip = std::make_unique<QLabel>();
    shown.tip->setWindowFlags(Qt::ToolTip | Qt::FramelessWindowHint);
    shown.tip->setStyleSheet(
        "QLabel { background: #ffffe1; color: black; padding: 2px; "
        "border: 1px solid black; }");
  }
  shown.tip->setText(QString::fromStdString(text));
  shown.tip->adjustSize();
  // Under the character, kept on its monitor: above it at the bottom edge.
  const QRect body = shown.window->geometry();
  const QRect monitor = MonitorOf(body);
  QRect tip(QPoint(body.center().x() - shown.tip->width() / 2, body.bottom() + 4),
            shown.tip->size());
  if (tip.bottom() > monitor.bottom()) tip.moveBottom(body.top() - 4);
  tip.moveLeft(std::clamp(tip.left(), monitor.left(),
                          std::max(monitor.left(), monitor.right() + 1 - tip.width())));
  tip.moveTop(std::clamp(tip.top(), monitor.top(),
                         std::max(monitor.top(), monitor.bottom() + 1 - tip.height())));
  shown.tip->move(tip.topLeft());
  shown.tip->show();
}

QString CharacterScreen::VoiceCommandsText(const std::string& id) const {
  QString text;
  for (const std::string& phrase : voice_phrases_(id)) {
    text += QString::fromStdString(phrase) + "\n";
  }
  if (text.isEmpty()) return "No voice commands";
  return "You can say:\n\n" + text.trimmed();
}

// Said rather than chosen: the box must not hold up the loop as a menu's may.
void CharacterScreen::ShowVoiceCommands(const std::string& id, bool open) {
  if (!open || !voice_phrases_) {
    voice_box_.reset();
    return;
  }
  if (!voice_box_) {
    voice_box_ = std::make_unique<QMessageBox>(QMessageBox::Information, "Voice Commands", "");
    voice_box_->setModal(false);
  }
  voice_box_->setText(VoiceCommandsText(id));
  voice_box_->adjustSize();
  // On the character's monitor, wherever the window manager would put it.
  const QRect monitor = MonitorOf(Get(id).window->geometry());
  QRect box(QPoint(), voice_box_->sizeHint());
  box.moveCenter(monitor.center());
  voice_box_->move(box.topLeft());
  voice_box_->show();
  voice_box_->raise();
  voice_box_->activateWindow();
}

// The service's items, the character's commands, then the name the
// commands go by; the tray's items only where there is no tray to hold them.
void CharacterScreen::ShowMenu(const std::string& id, QPoint at) {
  QMenu menu;
  std::vector<std::string> captions;
  auto add = [&](const std::string& caption, std::function<void()> chosen) {
    captions.push_back(caption);
    QAction* action = menu.addAction(QString::fromStdString(caption));
    QObject::connect(action, &QAction::triggered, std::move(chosen));
    return action;
  };
  auto separator = [&] {
    captions.emplace_back("-");
    menu.addSeparator();
  };
  if (voice_phrases_) {
    const bool open = voice_box_ && voice_box_->isVisible();
    add(open ? "Close &Voice Commands Window" : "Open &Voice Commands Window",
        [this, id, open] { ShowVoiceCommands(id, !open); });
  }
  add("&Hide", [this, id] { engine_.UserHide(id); });
  separator();
  for (const CharacterCommand& command : engine_.Commands(id)) {
    if (command.caption.empty()) continue;
    add(command.caption, [this, id, command] {
      UserInput input;
      input.character_id = id;
      input.name = command.name;
      input.voice = command.voice;
      engine_.SimulateCommand(input);
    });
  }
  // The client the commands above belong to, ticked, then the others to
  // switch to.
  const std::string caption = engine_.CommandsCaption(id);
  const std::vector<std::string> others = engine_.OtherClients(id);
  if (!caption.empty() || !others.empty()) separator();
  if (!caption.empty()) {
    QAction* client = add(caption, [] {});
    client->setCheckable(true);
    client->setChecked(true);
  }
  for (size_t i = 0; i < others.size(); ++i) {
    add(others[i], [this, id, i] { engine_.UserChooseClient(id, static_cast<int>(i)); });
  }
  if (!QSystemTrayIcon::isSystemTrayAvailable()) {
    separator();
    const std::vector<std::string> program_items = desktop_.MenuCaptions();
    for (size_t i = 0; i < program_items.size(); ++i) {
      add(program_items[i], [this, i] { desktop_.ChooseMenuItem(static_cast<int>(i)); });
    }
  }
  TraceRecord record("ui", "CharacterMenu");
  record.Char(id);
  for (const std::string& caption : captions) record.Arg(caption);
  desktop_.TraceLog().Write(record);
  desktop_.TraceLog().Flush();  // the menu's loop does not flush it
  menu.exec(at);
}

}  // namespace zarn
