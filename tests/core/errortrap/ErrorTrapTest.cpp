#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/errortrap/bErrorTrap.h"
#include "ports/ErrorDialogPort.h"

namespace zarn {
namespace {

class RecordingDialog : public ErrorDialogPort {
 public:
  explicit RecordingDialog(bErrorTrap::Trap& errors) : errors_(errors) {}
  Choice ShowReport(const std::string& caption, const std::string& report) override {
    captions.push_back(caption);
    reports.push_back(report);
    if (nested) {
      nested = false;
      // A second trap while this one waits: only the text changes.
      const int16_t answer = errors_.ErrorTrap(Crc32("x.y"), VbError(6, "Overflow"), 10);
      nested_answer = answer;
    }
    return answer;
  }
  std::vector<std::string> captions;
  std::vector<std::string> reports;
  bool nested = false;
  int16_t nested_answer = -1;
  Choice answer = Choice::kOk;

 private:
  bErrorTrap::Trap& errors_;
};

class ErrorTrapTest : public ::testing::Test {
 protected:
  void SetUp() override { errors_.SetDialog(&dialog_); }
  bErrorTrap::Trap errors_;
  RecordingDialog dialog_{errors_};
};

TEST(ProcedureCode, MatchesTheKnownCodes) {
  struct Case {
    const char* name;
    const char* code;
  };
  const Case cases[] = {
      {"CFile.FileNameOnly", "D35CD311"},
      {"CFile.PathOnly", "437AA546"},
      {"frmBackdrop.Form_Load", "85A65038"},
      {"CAgent.AgentControl_Bookmark", "4661E8A"},  // no leading zero
      {"123456789", "CBF43926"},
      {"", "0"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ProcedureCodeText(Crc32(c.name)), c.code);
  }
  // Computed while compiling.
  static_assert(Procedure("CFile.PathOnly").code == 0x437AA546u);
}

TEST_F(ErrorTrapTest, ReportReadsVersionErrorLineAndDescription) {
  ProcedureScope proc{errors_, "frmBackdrop.Form_Load"};
  proc.Step(10, [] {});
  proc.Step(30, [] { throw VbError(91, "Object variable or With block variable not set"); });
  ASSERT_EQ(dialog_.reports.size(), 1u);
  EXPECT_EQ(dialog_.captions[0], "ZARN 7.0.10");
  EXPECT_EQ(dialog_.reports[0],
            "ZARN Version 7.0.10\r\n\r\nError 91, in Function 85A65038, Line 30\r\n\r\n"
            "Object variable or With block variable not set\r\n");
  EXPECT_EQ(proc.LastAnswer(), bErrorTrap::kIgnore);
}

TEST_F(ErrorTrapTest, UnnumberedProcedureReportsLineZero) {
  ProcedureScope proc{errors_, "CFile.PathOnly"};
  const std::string result = proc.Leave(std::string("fallback"), []() -> std::string {
    throw VbError(5, "Invalid procedure call or argument");
  });
  EXPECT_EQ(result, "fallback");
  EXPECT_EQ(errors_.ReportText(),
            "Error 5, in Function 437AA546, Line 0\r\n\r\nInvalid procedure call or argument\r\n");
}

TEST_F(ErrorTrapTest, NoPendingFailureShowsNothing) {
  EXPECT_EQ(errors_.ErrorTrap(1, VbError(0, ""), 0), bErrorTrap::kNoFailure);
  EXPECT_TRUE(dialog_.reports.empty());
}

TEST_F(ErrorTrapTest, StepsContinueAfterAFailure) {
  ProcedureScope proc{errors_, "a.b"};
  std::vector<int> ran;
  proc.Step(10, [&] { ran.push_back(10); });
  proc.Step(20, [&] { throw std::runtime_error("boom"); });
  proc.Step(30, [&] { ran.push_back(30); });
  EXPECT_EQ(ran, (std::vector<int>{10, 30}));
  ASSERT_EQ(dialog_.reports.size(), 1u);
  EXPECT_NE(dialog_.reports[0].find("Error 5, in Function "), std::string::npos);
  EXPECT_NE(dialog_.reports[0].find("Line 20\r\n\r\nboom"), std::string::npos);
}

TEST_F(ErrorTrapTest, ForeignExceptionsGetFamiliarNumbers) {
  ProcedureScope proc{errors_, "a.b"};
  proc.Step(10, [] { throw std::bad_alloc(); });
  EXPECT_NE(errors_.ReportText().find("Error 7,"), std::string::npos);
  proc.Step(20, [] { throw std::out_of_range("x"); });
  EXPECT_NE(errors_.ReportText().find("Error 9,"), std::string::npos);
}

TEST_F(ErrorTrapTest, TrapWhileTheDialogIsOpenOnlyOverwritesTheText) {
  dialog_.nested = true;
  ProcedureScope proc{errors_, "a.b"};
  proc.Step(10, [] { throw VbError(53, "File not found"); });
  EXPECT_EQ(dialog_.reports.size(), 1u);  // no second dialog
  EXPECT_EQ(dialog_.nested_answer, bErrorTrap::kIgnore);
  EXPECT_NE(errors_.ReportText().find("Error 6,"), std::string::npos);
  EXPECT_NE(dialog_.reports[0].find("Error 53,"), std::string::npos);
}

TEST_F(ErrorTrapTest, CloseProgramRunsTheHookAndAnswersAbortWithoutFurtherDialogs) {
  int closed = 0;
  int pointer_resets = 0;
  errors_.SetCloseProgram([&] {
    ++closed;
    // Failures while the program closes are kept, not shown.
    EXPECT_EQ(errors_.ErrorTrap(Crc32("x.y"), VbError(6, "Overflow"), 10), bErrorTrap::kAbort);
  });
  errors_.SetPointerReset([&] { ++pointer_resets; });
  dialog_.answer = ErrorDialogPort::Choice::kCloseProgram;
  ProcedureScope proc{errors_, "a.b"};
  std::vector<int> ran;
  proc.Step(10, [] { throw VbError(53, "File not found"); });
  proc.Step(20, [&] { ran.push_back(20); });  // the procedure is left
  EXPECT_EQ(proc.LastAnswer(), bErrorTrap::kAbort);
  EXPECT_TRUE(ran.empty());
  EXPECT_EQ(closed, 1);
  EXPECT_TRUE(errors_.ProgramClosed());
  EXPECT_EQ(errors_.ErrorTrap(Crc32("c.d"), VbError(5, "Invalid"), 30), bErrorTrap::kAbort);
  EXPECT_EQ(dialog_.reports.size(), 1u);
  EXPECT_EQ(pointer_resets, 3);
  EXPECT_NE(errors_.ReportText().find("Error 5,"), std::string::npos);
}

TEST(ErrorTrap, EachTrapKeepsItsOwnReport) {
  bErrorTrap::Trap first;
  bErrorTrap::Trap second;
  ProcedureScope proc{first, "CFile.PathOnly"};
  proc.Step(10, [] { throw VbError(76, "Path not found"); });
  EXPECT_EQ(proc.LastAnswer(), bErrorTrap::kIgnore);  // no dialog: kept only
  EXPECT_NE(first.ReportText().find("Error 76,"), std::string::npos);
  EXPECT_TRUE(second.ReportText().empty());
}

TEST(Silently, SwallowsFailures) {
  EXPECT_FALSE(Silently([] { throw VbError(1, "x"); }));
  EXPECT_TRUE(Silently([] {}));
}

}  // namespace
}  // namespace zarn
