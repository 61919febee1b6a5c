#pragma once

// The one place a target touches the error trap: a report means a reader
// threw where it should have answered, so it counts as a finding.

#include <cstdio>
#include <string>

#include "FuzzSupport.h"
#include "core/errortrap/bErrorTrap.h"
#include "ports/ErrorDialogPort.h"

namespace zarn::fuzz {

class TrapWatch : public ErrorDialogPort {
 public:
  TrapWatch() { errors.SetDialog(this); }
  ~TrapWatch() override { errors.SetDialog(nullptr); }
  TrapWatch(const TrapWatch&) = delete;
  TrapWatch& operator=(const TrapWatch&) = delete;

  Choice ShowReport(const std::string&, const std::string& report) override {
    std::fprintf(stderr, "%s\n", report.c_str());
    Finding("the error trap was reached");
  }

  bErrorTrap::Trap errors;
};

}  // namespace zarn::fuzz
