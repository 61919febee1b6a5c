#include "core/util/CReg.h"

#include <filesystem>

#include "base/TextCodec.h"
#include "base/VbConvert.h"
#include "base/VbString.h"
#include "base/WinPath.h"
#include "core/errortrap/bErrorTrap.h"
#include "core/util/ProfileDocument.h"

namespace zarn {
namespace {

// The profile service copies into a buffer of 4,096 characters.
constexpr size_t kValueChars = 4095;
constexpr size_t kListChars = 4094;

// One pair of matching quotes around a value comes off, even when the value
// is then cut (the closing quote would fall outside the copy anyway).
std::string_view StripQuotes(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

std::string CutValue(std::string_view value) { return Utf8Left(value, kValueChars); }

std::string DefaultText(const std::optional<std::string>& pvDefault) {
  if (!pvDefault) return {};
  // The service drops trailing spaces of the default.
  const size_t last = pvDefault->find_last_not_of(' ');
  return CutValue(last == std::string::npos ? std::string_view{}
                                            : std::string_view(*pvDefault).substr(0, last + 1));
}

}  // namespace

// A path that differs from the real one in letter case is looked up folder
// by folder only once.
std::optional<std::string> CReg::ProfilePath(const std::string& psProfile) {
  std::error_code failed;
  if (!last_asked_.empty() && psProfile == last_asked_ &&
      std::filesystem::exists(last_found_, failed)) {
    return last_found_;
  }
  auto found = FindExisting(psProfile);
  if (found) {
    last_asked_ = psProfile;
    last_found_ = *found;
  }
  return found;
}

std::string CReg::GetProfile(const std::string& psProfile, const std::string& psSection,
                             const std::optional<std::string>& pvKey,
                             const std::optional<std::string>& pvDefault) {
  // Trap and leave: empty text.
  ProcedureScope proc{errors_, "CReg.GetProfile"};
  return proc.Leave(std::string{}, [&] {
    proc.Line(10);
    const std::string fallback = DefaultText(pvDefault);
    const auto path = ProfilePath(psProfile);
    if (!path || TrimProfileBlanks(psSection).empty()) return fallback;
    proc.Line(20);
    const auto document = profiles_.Load(*path);
    if (!document) return fallback;
    proc.Line(30);
    if (!pvKey) {
      const auto names = document->KeyNames(psSection);
      if (!names) return fallback;
      std::string list;
      for (std::string_view name : *names) {
        list.append(name);
        list += '\0';
        // Only the start of a long list can be returned.
        if (list.size() > 4 * kValueChars) break;
      }
      return CharCount(list) > kValueChars ? Utf8Left(list, kListChars) : list;
    }
    const auto value = document->Value(psSection, *pvKey);
    if (!value) return fallback;
    return CutValue(StripQuotes(*value));
  });
}

std::string CReg::GetProfileSection(const std::string& psProfile, const std::string& psSection) {
  // Trap and leave: empty text.
  ProcedureScope proc{errors_, "CReg.GetProfileSection"};
  return proc.Leave(std::string{}, [&] {
    proc.Line(10);
    const auto path = ProfilePath(psProfile);
    if (!path) Throw(vberr::kFileNotFound, "File not found");
    const auto document = profiles_.Load(*path);
    if (!document) Throw(vberr::kPathFileAccess, "Path/File access error");
    proc.Line(20);
    const std::string header = UCase("[" + psSection + "]");
    std::string result;
    bool inside = false;
    ProfileDocument::ForEachLine(document->Text(), [&](std::string_view line) {
      if (line.size() == header.size() && UCase(line) == header) {
        // The section runs at most to the end of the text.
        if (!inside)
          result.reserve(document->Text().size() - (line.data() - document->Text().data()));
        inside = true;
      } else if (!line.empty() && line.front() == '[' && line.back() == ']') {
        inside = false;
      } else if (inside) {
        result.append(line);
        result += "\r\n";
      }
    });
    proc.Line(30);
    while (result.size() >= 2 && result.compare(result.size() - 2, 2, "\r\n") == 0) {
      result.resize(result.size() - 2);
    }
    if (!result.empty()) result += "\r\n";
    return result;
  });
}

std::string CReg::ZeroOne(std::string_view text) { return LeadingNumber(text) > 0 ? "1" : "0"; }

std::string CReg::Range(std::string_view text, int32_t piRangeLow, int32_t piRangeHigh) {
  const double number = LeadingNumber(text);
  if (number < piRangeLow) return std::to_string(piRangeLow);
  if (number > piRangeHigh) return std::to_string(piRangeHigh);
  return std::string(text);
}

bool CReg::TrueFalse(std::string_view text) {
  const std::string upper = UCase(text);
  return upper == "1" || upper == "TRUE" || upper == "YES" || upper == "ON" || upper == "-1";
}

}  // namespace zarn
