#include "platform/desktop/X11WindowSystem.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <thread>

#include "base/VbError.h"

namespace zarn {
namespace {

Display* D(void* display) { return static_cast<Display*>(display); }

// Windows vanish between listing and asking; such errors are answers, not faults.
int IgnoreErrors(Display*, XErrorEvent*) { return 0; }

}  // namespace

X11WindowSystem::X11WindowSystem(
    std::function<WindowId(const std::string& caption)> create_main_window,
    std::function<void()> pump)
    : create_main_window_(std::move(create_main_window)), pump_(std::move(pump)) {
  display_ = XOpenDisplay(nullptr);
  XSetErrorHandler(IgnoreErrors);
}

X11WindowSystem::~X11WindowSystem() {
  if (display_) XCloseDisplay(D(display_));
}

std::vector<WindowId> X11WindowSystem::TopLevelWindows() {
  std::vector<WindowId> out;
  if (!display_) return out;
  Window root = 0, parent = 0;
  Window* children = nullptr;
  unsigned count = 0;
  if (XQueryTree(D(display_), DefaultRootWindow(D(display_)), &root, &parent, &children, &count) !=
      0) {
    // XQueryTree lists bottom to top; the window list runs top first.
    for (unsigned i = count; i > 0; --i) out.push_back(children[i - 1]);
  }
  if (children) XFree(children);
  return out;
}

std::string X11WindowSystem::WindowTitle(WindowId window) {
  if (!display_ || window == 0) return {};
  Display* d = D(display_);
  Atom type = 0;
  int format = 0;
  unsigned long items = 0, after = 0;
  unsigned char* data = nullptr;
  std::string title;
  if (XGetWindowProperty(d, window, XInternAtom(d, "_NET_WM_NAME", False), 0, 1024, False,
                         XInternAtom(d, "UTF8_STRING", False), &type, &format, &items, &after,
                         &data) == Success &&
      data != nullptr && format == 8) {
    title.assign(reinterpret_cast<char*>(data), items);
  }
  if (data) XFree(data);
  if (title.empty()) {
    char* name = nullptr;
    if (XFetchName(d, window, &name) != 0 && name != nullptr) title = name;
    if (name) XFree(name);
  }
  return title;
}

std::string X11WindowSystem::ClassName(WindowId window) {
  if (!display_ || window == 0) return {};
  XClassHint hint{nullptr, nullptr};
  std::string name;
  if (XGetClassHint(D(display_), window, &hint) != 0 && hint.res_class) name = hint.res_class;
  if (hint.res_name) XFree(hint.res_name);
  if (hint.res_class) XFree(hint.res_class);
  return name;
}

int64_t X11WindowSystem::ProcessId(WindowId window) {
  if (!display_ || window == 0) return 0;
  Display* d = D(display_);
  Atom type = 0;
  int format = 0;
  unsigned long items = 0, after = 0;
  unsigned char* data = nullptr;
  int64_t pid = 0;
  if (XGetWindowProperty(d, window, XInternAtom(d, "_NET_WM_PID", False), 0, 1, False, XA_CARDINAL,
                         &type, &format, &items, &after, &data) == Success &&
      data != nullptr && format == 32 && items == 1) {
    // Format 32 items arrive as longs.
    pid = static_cast<int64_t>(*reinterpret_cast<unsigned long*>(data));
  }
  if (data) XFree(data);
  return pid;
}

void X11WindowSystem::PostClose(WindowId window) {
  if (!display_ || window == 0) return;
  Display* d = D(display_);
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = static_cast<long>(XInternAtom(d, "WM_DELETE_WINDOW", False));
  event.xclient.data.l[1] = CurrentTime;
  XSendEvent(d, window, False, NoEventMask, &event);
  XFlush(d);
}

void X11WindowSystem::SendClose(WindowId window) {
  PostClose(window);
  using Clock = std::chrono::steady_clock;
  const auto give_up = Clock::now() + std::chrono::seconds(3);
  while (Exists(window) && Clock::now() < give_up) {
    if (pump_) pump_();
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

bool X11WindowSystem::Exists(WindowId window) {
  XWindowAttributes attributes;
  return display_ && XGetWindowAttributes(D(display_), window, &attributes) != 0;
}

WindowId X11WindowSystem::FindWindowByTitle(const std::string& title) {
  for (WindowId window : TopLevelWindows()) {
    if (WindowTitle(window) == title) return window;
  }
  return 0;
}

void X11WindowSystem::RegisterMainWindow(const std::string& caption,
                                         const std::string& class_name) {
  if (!display_) throw VbError(5, "Cannot open the X display");
  main_ = create_main_window_(caption);
  std::string res_name = "zarnplay";
  std::string res_class = class_name;
  XClassHint hint{res_name.data(), res_class.data()};
  XSetClassHint(D(display_), main_, &hint);
  XFlush(D(display_));
}

}  // namespace zarn
