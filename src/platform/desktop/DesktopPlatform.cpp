#include "platform/desktop/DesktopPlatform.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QCloseEvent>
#include <QWidget>
#include <csignal>
#include <iostream>

namespace zarn {
namespace {

// Signals reach the loop through a pipe; they are process-wide, so is it.
int g_signal_pipe[2] = {-1, -1};

void OnStopSignal(int) {
  if (g_signal_pipe[1] >= 0 && write(g_signal_pipe[1], "", 1) < 0) {
  }
}

// The platform while it runs: a library that ends the process itself (Qt
// and Xlib call exit when the display goes away) still leaves a whole trace
// that ends with the exit.
DesktopPlatform* g_running = nullptr;

void OnLibraryExit(int code, void*) {
  if (g_running == nullptr) return;
  g_running->TraceLog().Write(TraceRecord("life", "Exit").Arg(code));
  g_running->TraceLog().Flush();
}

int g_argc = 1;
char g_arg0[] = "zarnplay";
char* g_argv[] = {g_arg0, nullptr};

QApplication* MakeApplication() {
  QApplication::setApplicationName("zarnplay");
  auto* app = new QApplication(g_argc, g_argv);
  // The program ends when its main form unloads, not with its last window.
  app->setQuitOnLastWindowClosed(false);
  return app;
}

// frmZARN's face: never shown, but a native window others can find and
// ask to close.
class MainWindow : public QWidget {
 public:
  explicit MainWindow(std::function<void()> on_close) : on_close_(std::move(on_close)) {}

 protected:
  void closeEvent(QCloseEvent* event) override {
    event->ignore();
    if (on_close_) on_close_();
  }

 private:
  std::function<void()> on_close_;
};

}  // namespace

DesktopPlatform::DesktopPlatform()
    : app_(MakeApplication()),
      trace_([this] { return loop_.Now(); }),
      screen_(loop_, trace_),
      windows_([this](const std::string& caption) { return CreateMainWindow(caption); },
               [this] { Pump(); }) {
  if (g_signal_pipe[0] < 0 && pipe2(g_signal_pipe, O_NONBLOCK | O_CLOEXEC) != 0) {
    g_signal_pipe[0] = g_signal_pipe[1] = -1;
  }
  if (g_signal_pipe[0] >= 0) {
    signal_notifier_ = std::make_unique<QSocketNotifier>(g_signal_pipe[0], QSocketNotifier::Read);
    QObject::connect(signal_notifier_.get(), &QSocketNotifier::activated, [this] {
      char buffer[16];
      while (read(g_signal_pipe[0], buffer, sizeof buffer) > 0) {
      }
      CloseAsked();
    });
  }
  std::signal(SIGTERM, OnStopSignal);
  std::signal(SIGINT, OnStopSignal);
  // Every loop that waits writes out what happened first: dialogs, menus and
  // sleeps run loops of their own, and a program killed in one would lose it.
  if (auto* dispatcher = QAbstractEventDispatcher::instance()) {
    QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, app_.get(),
                     [this] { trace_.Flush(); });
  }
  static const bool exit_hook = on_exit(OnLibraryExit, nullptr) == 0;
  (void)exit_hook;
  g_running = this;
}

DesktopPlatform::~DesktopPlatform() {
  g_running = nullptr;
  clipboard_.KeepAfterExit();
  std::signal(SIGTERM, SIG_DFL);
  std::signal(SIGINT, SIG_DFL);
  signal_notifier_.reset();
  main_window_.reset();
}

WindowId DesktopPlatform::CreateMainWindow(const std::string& caption) {
  main_window_ = std::make_unique<MainWindow>([this] { CloseAsked(); });
  main_window_->setWindowTitle(QString::fromStdString(caption));
  main_window_->setWindowIcon(QIcon());
  const WindowId id = main_window_->winId();
  // The window must exist on the server before another connection labels it.
  QCoreApplication::processEvents();
  return id;
}

void DesktopPlatform::Run(const std::function<bool()>& keep_running) {
  quit_ = false;
  while (!quit_ && keep_running()) {
    // The trace is buffered: what happened so far is written before waiting.
    trace_.Flush();
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
  trace_.Flush();
}

void DesktopPlatform::CloseAsked() {
  // A dialog's own loop would keep the program waiting for its answer.
  screen_.EndDialogs();
  RequestClose();
}

void DesktopPlatform::EndProcess(int code) {
  g_running = nullptr;
  trace_.Write(TraceRecord("life", "Exit").Arg(code));
  trace_.Flush();
  clipboard_.KeepAfterExit();
  std::cout.flush();
  std::cerr.flush();
  // Nothing up the stack runs on: the caller's frames stay as they are.
  _exit(code);
}

void DesktopPlatform::Quit() {
  quit_ = true;
  if (auto* dispatcher = QCoreApplication::eventDispatcher()) dispatcher->wakeUp();
}

}  // namespace zarn
