#include "core/errortrap/bErrorTrap.h"

#include <new>

#include "ports/ErrorDialogPort.h"

namespace zarn {
namespace bErrorTrap {
namespace {

std::string VersionText() {
  return std::to_string(ZARN_VERSION_MAJOR) + "." + std::to_string(ZARN_VERSION_MINOR) + "." +
         std::to_string(ZARN_VERSION_REVISION);
}

}  // namespace

std::string ComposeReport(uint32_t code, int32_t number, const std::string& description,
                          int32_t line) {
  return "Error " + std::to_string(number) + ", in Function " + ProcedureCodeText(code) +
         ", Line " + std::to_string(line) + "\r\n\r\n" + description + "\r\n";
}

std::string DialogCaption() { return "ZARN " + VersionText(); }

std::string DialogText(const std::string& report) {
  return "ZARN Version " + VersionText() + "\r\n\r\n" + report;
}

int16_t Trap::ErrorTrap(uint32_t code, const VbError& failure, int32_t line) {
  if (pointer_reset_) pointer_reset_();
  if (failure.Number() == 0) return kNoFailure;
  try {
    report_ = ComposeReport(code, failure.Number(), failure.Description(), line);
    if (closed_) return kAbort;
    // A second trap while the dialog waits (a timer, an event) only
    // overwrites the text; the visible dialog keeps its own.
    if (dialog_ == nullptr || dialog_open_) return kIgnore;
    dialog_open_ = true;
    const auto choice = dialog_->ShowReport(DialogCaption(), DialogText(report_));
    dialog_open_ = false;
    if (choice != ErrorDialogPort::Choice::kCloseProgram) return kIgnore;
    // Failures while the program closes show no further dialog.
    closed_ = true;
    Silently([&] {
      if (close_program_) close_program_();
    });
    return kAbort;
  } catch (...) {
    dialog_open_ = false;
  }
  return kIgnore;
}

}  // namespace bErrorTrap

VbError CurrentFailure(std::exception_ptr failure) {
  try {
    std::rethrow_exception(failure);
  } catch (const VbError& e) {
    return e;
  } catch (const std::bad_alloc&) {
    return VbError(vberr::kOutOfMemory, "Out of memory");
  } catch (const std::out_of_range& e) {
    return VbError(vberr::kSubscript, "Subscript out of range");
  } catch (const std::exception& e) {
    return VbError(vberr::kInvalidCall, e.what());
  } catch (...) {
    return VbError(vberr::kInvalidCall, "Invalid procedure call or argument");
  }
}

}  // namespace zarn
