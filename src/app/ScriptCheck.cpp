#include "app/ScriptCheck.h"

#include <algorithm>
#include <cctype>
#include <cstdint>

#include "app/Player.h"
#include "base/Json.h"
#include "base/Keystrokes.h"
#include "base/TextCodec.h"
#include "base/VbError.h"
#include "base/VbString.h"
#include "charengine/CharacterEngine.h"
#include "core/agent/CAgent.h"
#include "core/agent/ScriptLine.h"
#include "core/eval/EvaluateCoordinate.h"
#include "core/eval/Placement.h"
#include "core/script/GlobalStatements.h"
#include "core/script/ResolveResourcePath.h"
#include "core/util/CFile.h"
#include "core/util/CReg.h"
#include "core/util/ProfileDocument.h"
#include "core/util/StripEnclosing.h"
#include "platform/headless/HeadlessPlatform.h"

namespace zarn {
namespace {

struct Line {
  int number = 0;
  std::string text;
};

struct Section {
  std::string name;  // upper case
  int header = 0;
  std::vector<Line> lines;
};

// The sections as the profile reader finds them: a header is a whole line
// "[...]"; sections of the same name are joined.
std::vector<Section> ReadSections(const std::string& text) {
  std::vector<Section> sections;
  size_t current = SIZE_MAX;
  int number = 0;
  // Lines end where the profile reader ends them: CR LF, LF or CR.
  ProfileDocument::ForEachLine(text, [&](std::string_view view) {
    const std::string line(view);
    ++number;
    if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
      const std::string name = UCase(line.substr(1, line.size() - 2));
      // A repeated header adds to the section first seen.
      auto same = std::find_if(sections.begin(), sections.end(),
                               [&](const Section& s) { return s.name == name; });
      if (same == sections.end()) {
        sections.push_back({name, number, {}});
        current = sections.size() - 1;
      } else {
        current = static_cast<size_t>(same - sections.begin());
      }
    } else if (current != SIZE_MAX) {
      sections[current].lines.push_back({number, line});
    }
  });
  return sections;
}

// Joined sections keep their lines; find by name ignoring case.
const Section* FindSection(const std::vector<Section>& sections, const std::string& name) {
  const std::string upper = UCase(name);
  for (const auto& s : sections) {
    if (s.name == upper) return &s;
  }
  return nullptr;
}

bool HasText(const Section* section) {
  if (section == nullptr) return false;
  return std::any_of(section->lines.begin(), section->lines.end(),
                     [](const Line& l) { return !Trim(l.text).empty(); });
}

struct Entry {
  int line = 0;
  std::string key;
  std::string value;
};

std::vector<Entry> Entries(const Section* section) {
  std::vector<Entry> entries;
  if (section == nullptr) return entries;
  for (const auto& l : section->lines) {
    const auto eq = l.text.find('=');
    if (eq == std::string::npos) continue;
    entries.push_back({l.number, Trim(l.text.substr(0, eq)), Trim(l.text.substr(eq + 1))});
  }
  return entries;
}

HeadlessSettings QuietSettings() {
  HeadlessSettings settings;
  settings.dry_run = true;
  settings.idle_exit = true;
  return settings;
}

class Checker {
 public:
  explicit Checker(const std::string& path)
      : path_(path), platform_(QuietSettings()), player_(platform_, PlayerSettings{}) {
    Program& p = player_.program();
    p.agent = std::make_unique<CAgent>(p);
    p.reg = std::make_unique<CReg>(p.errors);
    p.file = std::make_unique<CFile>(p.errors, &platform_.Desktop());
    p.ScreenWidthPx = 1024;
    p.ScreenHeightPx = 768;
    p.document.ScriptPath = path;
  }

  std::vector<CheckFinding> Run() {
    std::string text;
    try {
      text = ReadTextFile(path_);
    } catch (const std::exception& e) {
      Add(0, std::string("cannot be read: ") + e.what());
      return findings_;
    }
    sections_ = ReadSections(text);
    const Section* head = FindSection(sections_, "ZARN Script");
    const auto head_entries = Entries(head);
    const auto version = std::find_if(head_entries.begin(), head_entries.end(),
                                      [](const Entry& e) { return UCase(e.key) == "VERSION"; });
    if (version == head_entries.end() || version->value.empty()) {
      Add(0, "is not a valid ZARN Script File (no Version in [ZARN Script])");
      return findings_;
    }
    bool slideshow = false;
    for (const auto& e : head_entries) {
      if (UCase(e.key) == "POWERPOINTFILE" && !e.value.empty()) {
        CheckFile(e.line, e.value);
        slideshow = true;
      }
    }
    for (const auto& e : Entries(FindSection(sections_, "Variables"))) {
      player_.program().variables.AddVariable("Script", e.key, e.value);
    }
    LoadCharacters();
    for (const auto& section : sections_) {
      if (section.name == "SCRIPT" || section.name.rfind("BOOKMARKSCRIPT:", 0) == 0 ||
          section.name.rfind("COMMANDSCRIPT:", 0) == 0) {
        bool first = true;
        for (Line line : section.lines) {
          // A slideshow's script is cut before each later line starting
          // with "#"; the rest of that line opens the next slide's part.
          if (slideshow && section.name == "SCRIPT" && !first && !line.text.empty() &&
              line.text[0] == '#') {
            line.text.erase(0, 1);
          }
          if (!Trim(line.text).empty()) first = false;
          CheckLine(line);
        }
      }
    }
    CheckScriptsExist("Bookmarks", "BookmarkScript:", "bookmark");
    CheckScriptsExist("Commands", "CommandScript:", "command");
    std::stable_sort(findings_.begin(), findings_.end(),
                     [](const CheckFinding& a, const CheckFinding& b) { return a.line < b.line; });
    return findings_;
  }

 private:
  void Add(int line, std::string message) { findings_.push_back({line, std::move(message)}); }

  void LoadCharacters() {
    CharacterEngine& engine = player_.Engine();
    for (const auto& e : Entries(FindSection(sections_, "Characters"))) {
      if (e.key.empty()) continue;
      std::string problem;
      for (const std::string& file : {e.value, e.value.substr(e.value.find_last_of('\\') + 1)}) {
        try {
          engine.Load(e.key, file);
          problem.clear();
          break;
        } catch (const VbError& error) {
          problem = error.Description();
        }
      }
      if (problem.empty()) {
        names_.push_back(e.key);
        placed_.push_back({e.key, engine.Width(e.key), engine.Height(e.key)});
      } else {
        Add(e.line, "character " + e.key + " does not load: " + problem);
      }
      declared_.push_back(UCase(e.key));
    }
  }

  void CheckLine(const Line& line) {
    if (Trim(line.text).empty()) return;
    std::string text = line.text;
    player_.program().variables.SubstituteVariables(text);
    StripSetRequest(text);
    if (IsWaitForRequest(text)) return;
    const std::string upper = UCase(text);
    const std::string character = StatementCharacter(text, names_);
    if (!character.empty()) {
      CheckCharacterLine(line.number, text, upper, character);
      return;
    }
    Program& p = player_.program();
    const GlobalStatement s = ParseGlobalStatement(p.errors, text, upper);
    using Kind = GlobalStatementKind;
    switch (s.kind) {
      case Kind::kNone:
        // A character that did not load was reported once, at its entry.
        if (auto problem = UndeclaredCharacter(text, upper); !problem.empty()) {
          Add(line.number, std::move(problem));
        }
        return;
      case Kind::kSendKeys:
        try {
          ParseKeystrokes(s.argument);
        } catch (const VbError& error) {
          Add(line.number, "SENDKEYS " + s.argument + ": " + error.Description());
        }
        return;
      case Kind::kNoAction:
        if (upper.rfind("READTEXTFILE ", 0) == 0) {
          Add(line.number, "READTEXTFILE needs a character and a file: READTEXTFILE Name, file");
        }
        return;
      case Kind::kReadClipboard:
      case Kind::kReadTextFile:
        if (std::find(names_.begin(), names_.end(), s.character) == names_.end() &&
            !Declared(s.character)) {
          Add(line.number, "'" + s.character + "' is not a character of this script");
        }
        break;
      default:
        break;
    }
    if (s.resolve && !s.argument.empty()) CheckFile(line.number, s.argument);
  }

  bool Declared(const std::string& name) const {
    return std::find(declared_.begin(), declared_.end(), UCase(name)) != declared_.end();
  }

  // A line that matches nothing: a character statement for a name that is
  // not declared, or nothing at all; empty for a declared character that
  // did not load.
  std::string UndeclaredCharacter(const std::string& text, const std::string& upper) const {
    const auto dot = text.find('.');
    if (dot != std::string::npos && dot > 0) {
      const std::string name = text.substr(0, dot);
      const bool word = std::all_of(name.begin(), name.end(), [](unsigned char c) {
        return std::isalnum(c) != 0 || c == '_';
      });
      if (word && FindCharacterMember(upper, UCase(name)).member != CharacterMember::kNone) {
        return Declared(name) ? std::string()
                              : "'" + name + "' is not in [Characters], so this line does nothing";
      }
    }
    return "matches no statement, so it does nothing";
  }

  void CheckCharacterLine(int number, const std::string& text, const std::string& upper,
                          const std::string& character) {
    const MemberMatch match = FindCharacterMember(upper, UCase(character));
    if (match.member == CharacterMember::kNone) {
      Add(number, "matches no statement of " + character + ", so it does nothing");
      return;
    }
    const size_t after = character.size() + match.keyword.size();
    const std::string rest = after <= text.size() ? text.substr(after) : std::string();
    Program& p = player_.program();
    switch (match.member) {
      case CharacterMember::kPlay: {
        const std::string animation = Trim(StripEnclosing(p.errors, rest, "\""));
        const auto names = player_.Engine().AnimationNames(character);
        const bool known = std::any_of(names.begin(), names.end(), [&](const std::string& n) {
          return UCase(n) == UCase(animation);
        });
        if (!known) Add(number, character + " has no animation '" + animation + "'");
        break;
      }
      case CharacterMember::kMoveTo:
      case CharacterMember::kGestureAt: {
        const auto comma = rest.find(',');
        if (comma == std::string::npos) {
          Add(number, "needs two coordinates, x and y, so it does nothing");
          break;
        }
        std::vector<std::string> parts;
        size_t from = 0;
        for (;;) {
          const auto cut = rest.find(',', from);
          parts.push_back(rest.substr(from, cut == std::string::npos ? cut : cut - from));
          if (cut == std::string::npos) break;
          from = cut + 1;
        }
        for (const auto& part : parts) CheckCoordinate(number, part);
        break;
      }
      default:
        break;
    }
  }

  void CheckCoordinate(int number, const std::string& expression) {
    if (expression.find('%') != std::string::npos) return;  // a variable set at run time
    const std::string text = SubstitutePlacementNames(expression, placed_, 1024, 768);
    std::string problem;
    EvaluateCoordinate(text, names_, ServiceCoordinates(player_.Engine()), &problem);
    if (!problem.empty()) {
      Add(number, "coordinate '" + Trim(expression) + "' " + problem + ", so it counts as 0");
    }
  }

  void CheckFile(int number, const std::string& reference) {
    if (reference.find('%') != std::string::npos || IsNetworkAddress(reference)) return;
    Program& p = player_.program();
    std::string temp;
    const std::string found = ResolveResourcePath(p, reference, temp);
    if (!p.file->FileExists(found)) {
      Add(number, "'" + reference +
                      "' is not found beside the script, in its own folder or in the current "
                      "folder");
    }
  }

  void CheckScriptsExist(const std::string& list, const std::string& prefix,
                         const std::string& what) {
    for (const auto& e : Entries(FindSection(sections_, list))) {
      if (what == "command" && UCase(e.key) == "MENUNAME") continue;
      if (!HasText(FindSection(sections_, prefix + e.key))) {
        Add(e.line, what + " " + e.key + " has no [" + prefix + e.key + "] section");
      }
    }
  }

  std::string path_;
  HeadlessPlatform platform_;
  Player player_;
  std::vector<Section> sections_;
  std::vector<std::string> names_;     // loaded characters
  std::vector<std::string> declared_;  // every [Characters] name, upper case
  std::vector<PlacedCharacter> placed_;
  std::vector<CheckFinding> findings_;
};

}  // namespace

std::vector<CheckFinding> CheckScript(const std::string& path) { return Checker(path).Run(); }

std::string FormatFindings(const std::string& path, const std::vector<CheckFinding>& findings,
                           bool json) {
  std::string out;
  if (!json) {
    for (const auto& f : findings) {
      out += path + ":" + (f.line > 0 ? std::to_string(f.line) + ":" : "") + " " + f.message + "\n";
    }
    return out;
  }
  out = "{\"file\":";
  AppendJsonString(out, path);
  out += ",\"findings\":[";
  for (size_t i = 0; i < findings.size(); ++i) {
    if (i > 0) out += ",";
    out += "{\"line\":" + std::to_string(findings[i].line) + ",\"message\":";
    AppendJsonString(out, findings[i].message);
    out += "}";
  }
  out += "]}\n";
  return out;
}

}  // namespace zarn
