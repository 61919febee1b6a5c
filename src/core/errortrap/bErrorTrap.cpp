#include "core/errortrap/bErrorTrap.h"

#include <new>

#include "ports/ErrorDialogPort.h"

namespace zarn {
namespace bErrorTrap {
namespace {

ErrorDialogPort* g_dialog = nullptr;
std::function<void()> g_close_program;
std::function<void()> g_pointer_reset;
std::string g_report;
bool g_dialog_open = false;

std::string VersionText() {
  return std::to_string(ZARN_VERSION_MAJOR) + "." + std::to_string(ZARN_VERSION_MINOR) + "." +
         std::to_string(ZARN_VERSION_REVISION);
}

}  // namespace

void SetDialog(ErrorDialogPort* dialog) { g_dialog = dialog; }
void SetCloseProgram(std::function<void()> close_program) {
  g_close_program = std::move(close_program);
}
void SetPointerReset(std::function<void()> reset) { g_pointer_reset = std::move(reset); }

std::string ComposeReport(uint32_t code, int32_t number, const std::string& description,
                          int32_t line) {
  return "Error " + std::to_string(number) + ", in Function " + ProcedureCodeText(code) +
         ", Line " + std::to_string(line) + "\r\n\r\n" + description + "\r\n";
}

const std::string& ReportText() { return g_report; }

std::string DialogCaption() { return "ZARN " + VersionText(); }

std::string DialogText(const std::string& report) {
  return "ZARN Version " + VersionText() + "\r\n\r\n" + report;
}

int16_t ErrorTrap(uint32_t code, const VbError& failure, int32_t line) {
  if (g_pointer_reset) g_pointer_reset();
  if (failure.Number() == 0) return kNoFailure;
  try {
    g_report = ComposeReport(code, failure.Number(), failure.Description(), line);
    // A second trap while the dialog waits (a timer, an event) only
    // overwrites the text; the visible dialog keeps its own.
    if (g_dialog == nullptr || g_dialog_open) return kIgnore;
    g_dialog_open = true;
    const auto choice = g_dialog->ShowReport(DialogCaption(), DialogText(g_report));
    g_dialog_open = false;
    if (choice == ErrorDialogPort::Choice::kCloseProgram) {
      try {
        if (g_close_program) g_close_program();
      } catch (...) {
      }
      std::exit(0);
    }
  } catch (...) {
    g_dialog_open = false;
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
