#include "platform/headless/HeadlessDesktop.h"

#include <iostream>

namespace zarn {
namespace {

std::string FileTitleOf(const std::string& path) {
  const auto cut = path.find_last_of("/\\");
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

}  // namespace

HeadlessDesktop::HeadlessDesktop(VirtualTimeLoop& loop, Trace& trace, int width_px, int height_px)
    : loop_(loop), trace_(trace), width_px_(width_px), height_px_(height_px) {}

MessageAnswer HeadlessDesktop::MessageBox(const std::string& text, MessageIcon icon,
                                          MessageButtons buttons, const std::string& title) {
  // The only OK/Cancel boxes are retry prompts, where OK would ask again;
  // nobody is there to say Yes.
  const MessageAnswer answer = buttons == MessageButtons::kOkCancel ? MessageAnswer::kCancel
                               : buttons == MessageButtons::kYesNo  ? MessageAnswer::kNo
                                                                    : MessageAnswer::kOk;
  trace_.Write(TraceRecord("ui", "MessageBox")
                   .Arg(text)
                   .Arg(MessageIconName(icon))
                   .Arg(MessageButtonsName(buttons))
                   .Arg(title)
                   .Result(std::string(MessageAnswerName(answer))));
  return answer;
}

FileDialogResult HeadlessDesktop::ShowFileDialog(const FileDialogRequest& request) {
  FileDialogResult result;
  if (!dialog_answers_.empty()) {
    result.confirmed = true;
    result.file_name = dialog_answers_.front();
    result.file_title = FileTitleOf(result.file_name);
    dialog_answers_.pop_front();
  }
  trace_.Write(TraceRecord("ui", "OpenDialog").Arg(request.title).Result(result.file_name));
  return result;
}

void HeadlessDesktop::TrayAdd(const NotifyIconData& data) {
  tray_present_ = true;
  trace_.Write(TraceRecord("ui", "TrayAdd").Arg(data.tip));
}

void HeadlessDesktop::TrayRemove(const NotifyIconData&) {
  if (!tray_present_) return;
  tray_present_ = false;
  trace_.Write(TraceRecord("ui", "TrayRemove"));
}

void HeadlessDesktop::SetPopupMenu(const std::vector<std::string>& captions) {
  if (menu_traced_ && captions == menu_) return;
  menu_ = captions;
  menu_traced_ = true;
  TraceRecord record("ui", "Menu");
  for (const auto& caption : captions) record.Arg(caption);
  trace_.Write(record);
}

std::optional<int> HeadlessDesktop::TrackPopupMenu() {
  auto choice = std::move(menu_choice_);
  menu_choice_.reset();
  if (!choice) return std::nullopt;
  for (size_t i = 0; i < menu_.size(); ++i) {
    if (menu_[i] == *choice) return static_cast<int>(i);
  }
  std::cerr << "zarnplay: the tray menu has no item \"" << *choice << "\"\n";
  return std::nullopt;
}

void HeadlessDesktop::SetPointer(MousePointer pointer) {
  if (pointer == pointer_) return;
  pointer_ = pointer;
  trace_.Write(
      TraceRecord("ui", "Pointer").Arg(pointer == MousePointer::kWait ? "wait" : "default"));
}

ErrorDialogPort::Choice HeadlessDesktop::ShowReport(const std::string& caption,
                                                    const std::string& report) {
  std::cerr << caption << ": " << report << std::flush;
  TraceRecord record("ui", "ErrorReport");
  record.Arg(report);
  if (!close_at_next_report_) {
    trace_.Write(record);
    return Choice::kOk;
  }
  close_at_next_report_ = false;
  trace_.Write(record.Result(std::string("close")));
  return Choice::kCloseProgram;
}

void HeadlessDesktop::RightClickTray(std::optional<std::string> caption) {
  if (!tray_present_ || events_ == nullptr) return;
  menu_choice_ = std::move(caption);
  events_->TrayMouseMessage(tray_message::kRightButtonUp);
  menu_choice_.reset();
}

void HeadlessDesktop::RequestClose() {
  if (events_ != nullptr) events_->CloseRequested();
}

}  // namespace zarn
