#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <string>

#include "base/VbError.h"
#include "core/errortrap/ProcedureCode.h"

namespace zarn {

class ErrorDialogPort;

namespace bErrorTrap {

// Answers in the abort/retry/ignore numbering. The trap gives kNoFailure,
// kIgnore, or kAbort once the user chose Close Program; the interpreter
// also understands kRetry.
inline constexpr int16_t kNoFailure = 0;
inline constexpr int16_t kAbort = 3;
inline constexpr int16_t kRetry = 4;
inline constexpr int16_t kIgnore = 5;

// "Error 91, in Function 85A65038, Line 30\r\n\r\nNo object\r\n"
std::string ComposeReport(uint32_t code, int32_t number, const std::string& description,
                          int32_t line);

// "ZARN 7.0.10" and "ZARN Version 7.0.10\r\n\r\n" + report.
std::string DialogCaption();
std::string DialogText(const std::string& report);

// The program's error trap: the dialog reports go to, what Close Program
// does, and the last report's text. The program owns one; the wiring sets
// its hooks.
class Trap {
 public:
  // Without a dialog, reports are only kept in ReportText().
  void SetDialog(ErrorDialogPort* dialog) { dialog_ = dialog; }
  // Runs when the user chooses Close Program: the program unloads its forms
  // and lets its loop end. The trap itself never ends the process.
  void SetCloseProgram(std::function<void()> close_program) {
    close_program_ = std::move(close_program);
  }
  // The mouse pointer reset the trap performs first.
  void SetPointerReset(std::function<void()> reset) { pointer_reset_ = std::move(reset); }

  // Reports one failure: kNoFailure for error 0, kAbort once Close Program
  // was chosen (later failures then only update the text), else kIgnore.
  int16_t ErrorTrap(uint32_t code, const VbError& failure, int32_t line);

  const std::string& ReportText() const { return report_; }
  bool ProgramClosed() const { return closed_; }

 private:
  ErrorDialogPort* dialog_ = nullptr;
  std::function<void()> close_program_;
  std::function<void()> pointer_reset_;
  std::string report_;
  bool dialog_open_ = false;
  bool closed_ = false;
};

}  // namespace bErrorTrap

// The failure in flight inside a catch block, as a VbError.
VbError CurrentFailure(std::exception_ptr failure);

// One procedure's failure handling, named once at its top:
//   ProcedureScope proc{p.errors, "CFile.FileNameOnly"};
//   proc.Step(10, [&] { ... });                 // trap and continue
//   return proc.Leave(std::string{}, [&] {...}); // trap and leave
class ProcedureScope {
 public:
  ProcedureScope(bErrorTrap::Trap& errors, Procedure procedure)
      : errors_(errors), procedure_(procedure) {}

  uint32_t Code() const { return procedure_.code; }
  void Line(int32_t label) { line_ = label; }

  // Runs one labelled step; a failure is reported and the caller goes on.
  // Returns false when the step failed, or did not run because the user
  // chose Close Program at an earlier step.
  template <class F>
  bool Step(int32_t label, F&& step) {
    if (last_answer_ == bErrorTrap::kAbort) return false;
    line_ = label;
    try {
      step();
      return true;
    } catch (...) {
      last_answer_ = Report(CurrentFailure(std::current_exception()));
      return false;
    }
  }

  // Runs the whole body; the first failure is reported and the fallback is
  // returned. The body may call Line(n) to label its statements.
  template <class T, class F>
  T Leave(T fallback, F&& body) {
    try {
      return body();
    } catch (...) {
      last_answer_ = Report(CurrentFailure(std::current_exception()));
      return fallback;
    }
  }

  template <class F>
  void LeaveVoid(F&& body) {
    try {
      body();
    } catch (...) {
      last_answer_ = Report(CurrentFailure(std::current_exception()));
    }
  }

  int16_t Report(const VbError& failure) {
    return errors_.ErrorTrap(procedure_.code, failure, line_);
  }
  int16_t LastAnswer() const { return last_answer_; }

 private:
  bErrorTrap::Trap& errors_;
  Procedure procedure_;
  int32_t line_ = 0;
  int16_t last_answer_ = bErrorTrap::kNoFailure;
};

// Silent pattern: failures are expected and harmless; returns false on one.
template <class F>
bool Silently(F&& step) {
  try {
    step();
    return true;
  } catch (...) {
    return false;
  }
}

}  // namespace zarn
