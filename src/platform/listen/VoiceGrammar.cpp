#include "platform/listen/VoiceGrammar.h"

#include <cctype>

namespace zarn {
namespace {

// Spoken around a command when its text says "..."; a short list keeps the
// search fast (a loop over many words slows it down badly).
const char* const kFillerWords[] = {"a",     "the",  "please", "now", "you", "can",  "could",
                                    "would", "i",    "me",     "to",  "and", "of",   "it",
                                    "is",    "that", "uh",     "um",  "so",  "just", "do"};

class Parser {
 public:
  explicit Parser(const std::string& text) : text_(text) {}

  ParsedVoice Run() {
    ParsedVoice result;
    SkipSpace();
    if (pos_ >= text_.size()) return result;  // no voice text: nothing to say
    result.choice = Choice('\0');
    if (error_.empty() && pos_ < text_.size()) error_ = Unexpected();
    result.error = error_;
    if (!error_.empty()) result.choice.clear();
    return result;
  }

 private:
  void SkipSpace() {
    while (pos_ < text_.size() && IsSeparator(text_[pos_])) ++pos_;
  }
  static bool IsSeparator(char c) {
    return std::isspace(static_cast<unsigned char>(c)) || c == ',' || c == '!' || c == '?' ||
           c == ';' || c == ':' || c == '"';
  }
  static bool IsSyntax(char c) {
    return c == '[' || c == ']' || c == '(' || c == ')' || c == '|' || c == '*' || c == '+';
  }
  bool AtDots() const { return text_.compare(pos_, 3, "...") == 0; }
  std::string Unexpected() const {
    return std::string("unexpected \"") + text_[pos_] + "\" at " + std::to_string(pos_ + 1);
  }

  VoiceChoice Choice(char closer) {
    VoiceChoice choice;
    for (;;) {
      choice.push_back(Sequence());
      if (!error_.empty()) return choice;
      if (choice.back().empty()) {
        error_ = "an empty alternative";
        return choice;
      }
      SkipSpace();
      if (pos_ < text_.size() && text_[pos_] == '|') {
        ++pos_;
        continue;
      }
      if (closer == '\0') return choice;
      if (pos_ >= text_.size()) {
        error_ = std::string("missing \"") + closer + "\"";
      } else if (text_[pos_] != closer) {
        error_ = Unexpected();
      } else {
        ++pos_;
      }
      return choice;
    }
  }

  std::vector<VoiceItem> Sequence() {
    std::vector<VoiceItem> items;
    for (;;) {
      SkipSpace();
      if (pos_ >= text_.size()) return items;
      const char c = text_[pos_];
      VoiceItem item;
      if (AtDots()) {
        pos_ += 3;
        item.kind = VoiceItem::Kind::kAnyWords;
      } else if (c == '[' || c == '(') {
        if (++depth_ > kMaxDepth) {
          error_ = "brackets nested too deeply";
          return items;
        }
        ++pos_;
        item.kind = c == '[' ? VoiceItem::Kind::kOptional : VoiceItem::Kind::kGroup;
        item.may_skip = c == '[';
        item.alternatives = Choice(c == '[' ? ']' : ')');
        --depth_;
        if (!error_.empty()) return items;
      } else if (c == '*' || c == '+') {
        if (items.empty()) {
          error_ = std::string("\"") + c + "\" follows nothing";
          return items;
        }
        ++pos_;
        items.back().repeat = true;
        if (c == '*') items.back().may_skip = true;
        continue;
      } else if (IsSyntax(c)) {
        return items;  // '|' or a closer: the caller decides
      } else {
        item.word = Word();
        if (item.word.empty()) continue;  // a lone '.' and such
      }
      items.push_back(std::move(item));
    }
  }

  // A word up to the next separator; "word\pronunciation" keeps the word.
  std::string Word() {
    std::string word;
    bool pronunciation = false;
    while (pos_ < text_.size() && !IsSeparator(text_[pos_]) && !IsSyntax(text_[pos_]) &&
           !AtDots()) {
      const char c = text_[pos_++];
      if (c == '\\') pronunciation = true;
      if (pronunciation) continue;
      if (c == '.') continue;  // "Mr." and "e.g."
      word += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return word;
  }

  // Deeper nesting is no phrase anyone says, and would only eat the stack.
  static constexpr int kMaxDepth = 32;

  const std::string& text_;
  size_t pos_ = 0;
  int depth_ = 0;
  std::string error_;
};

bool AllWordsKnown(const VoiceChoice& choice, const std::function<bool(const std::string&)>& known,
                   std::string& unknown) {
  for (const auto& sequence : choice) {
    for (const VoiceItem& item : sequence) {
      if (item.kind == VoiceItem::Kind::kWord && !known(item.word)) {
        unknown = item.word;
        return false;
      }
      if (!AllWordsKnown(item.alternatives, known, unknown)) return false;
    }
  }
  return true;
}

bool UsesAnyWords(const VoiceChoice& choice) {
  for (const auto& sequence : choice) {
    for (const VoiceItem& item : sequence) {
      if (item.kind == VoiceItem::Kind::kAnyWords || UsesAnyWords(item.alternatives)) return true;
    }
  }
  return false;
}

std::string ToJsgf(const VoiceChoice& choice);

std::string ToJsgf(const VoiceItem& item) {
  std::string text;
  switch (item.kind) {
    case VoiceItem::Kind::kWord:
      text = item.word;
      break;
    case VoiceItem::Kind::kAnyWords:
      return "<filler>*";
    case VoiceItem::Kind::kOptional:
      // JSGF repeats a group, not an optional part.
      if (!item.repeat) return "[" + ToJsgf(item.alternatives) + "]";
      return "(" + ToJsgf(item.alternatives) + ")*";
    case VoiceItem::Kind::kGroup:
      text = "(" + ToJsgf(item.alternatives) + ")";
      break;
  }
  if (item.repeat) return text + (item.may_skip ? "*" : "+");
  if (item.may_skip) return "[" + text + "]";
  return text;
}

std::string ToJsgf(const VoiceChoice& choice) {
  std::string text;
  for (const auto& sequence : choice) {
    if (!text.empty()) text += " | ";
    std::string words;
    for (const VoiceItem& item : sequence) {
      if (!words.empty()) words += ' ';
      words += ToJsgf(item);
    }
    text += words;
  }
  return text;
}

// Positions (word indexes) reachable after matching, as flags 0..n.
using Reach = std::vector<bool>;

Reach MatchChoice(const VoiceChoice& choice, const std::vector<std::string>& words,
                  const Reach& from);

Reach MatchOnce(const VoiceItem& item, const std::vector<std::string>& words, const Reach& from) {
  Reach to(from.size(), false);
  switch (item.kind) {
    case VoiceItem::Kind::kWord:
      for (size_t i = 0; i < words.size(); ++i) {
        if (from[i] && words[i] == item.word) to[i + 1] = true;
      }
      return to;
    case VoiceItem::Kind::kAnyWords: {
      bool reached = false;
      for (size_t i = 0; i < from.size(); ++i) {
        reached = reached || from[i];
        to[i] = reached;
      }
      return to;
    }
    case VoiceItem::Kind::kOptional:
    case VoiceItem::Kind::kGroup:
      return MatchChoice(item.alternatives, words, from);
  }
  return to;
}

Reach MatchItem(const VoiceItem& item, const std::vector<std::string>& words, const Reach& from) {
  Reach result = MatchOnce(item, words, from);
  if (item.repeat) {
    // Each pass reaches further, so this ends within words.size() passes.
    for (Reach more = result;;) {
      more = MatchOnce(item, words, more);
      bool grew = false;
      for (size_t i = 0; i < more.size(); ++i) {
        if (more[i] && !result[i]) result[i] = grew = true;
      }
      if (!grew) break;
    }
  }
  if (item.may_skip) {
    for (size_t i = 0; i < from.size(); ++i) result[i] = result[i] || from[i];
  }
  return result;
}

Reach MatchChoice(const VoiceChoice& choice, const std::vector<std::string>& words,
                  const Reach& from) {
  Reach result(from.size(), false);
  for (const auto& sequence : choice) {
    Reach at = from;
    for (const VoiceItem& item : sequence) at = MatchItem(item, words, at);
    for (size_t i = 0; i < at.size(); ++i) result[i] = result[i] || at[i];
  }
  return result;
}

}  // namespace

ParsedVoice ParseVoice(const std::string& voice) { return Parser(voice).Run(); }

VoiceGrammar BuildVoiceGrammar(const std::vector<VoiceCommand>& commands,
                               const std::function<bool(const std::string&)>& known) {
  VoiceGrammar grammar;
  std::string rules;
  bool any_words = false;
  for (size_t i = 0; i < commands.size(); ++i) {
    const VoiceCommand& command = commands[i];
    const std::string who = command.name.empty() ? "\"" + command.voice + "\"" : command.name;
    ParsedVoice parsed = ParseVoice(command.voice);
    if (!parsed.error.empty()) {
      grammar.notes.push_back("voice command " + who + " left out: " + parsed.error);
      continue;
    }
    if (parsed.choice.empty()) continue;  // no voice text: menu only
    std::string unknown;
    if (!AllWordsKnown(parsed.choice, known, unknown)) {
      grammar.notes.push_back("voice command " + who + " left out: \"" + unknown +
                              "\" is not in the dictionary");
      continue;
    }
    any_words = any_words || UsesAnyWords(parsed.choice);
    rules +=
        "<c" + std::to_string(grammar.included.size()) + "> = " + ToJsgf(parsed.choice) + ";\n";
    grammar.included.push_back(i);
    grammar.parsed.push_back(std::move(parsed.choice));
  }
  if (grammar.included.empty()) return grammar;
  std::string top;
  for (size_t i = 0; i < grammar.included.size(); ++i) {
    top += (i == 0 ? "" : " | ") + std::string("<c") + std::to_string(i) + ">";
  }
  grammar.jsgf = "#JSGF V1.0;\ngrammar commands;\npublic <command> = " + top + ";\n" + rules;
  if (any_words) {
    std::string filler;
    for (const char* word : kFillerWords) {
      if (!known(word)) continue;
      filler += (filler.empty() ? "" : " | ") + std::string(word);
    }
    grammar.jsgf += "<filler> = " + (filler.empty() ? std::string("<NULL>") : filler) + ";\n";
  }
  return grammar;
}

bool MatchesVoice(const VoiceChoice& choice, const std::vector<std::string>& words) {
  if (choice.empty()) return false;
  Reach from(words.size() + 1, false);
  from[0] = true;
  return MatchChoice(choice, words, from).back();
}

std::vector<VoiceCommand> GlobalVoiceCommands(const std::vector<std::string>& character_names) {
  std::vector<VoiceCommand> commands = {
      {"", "((open | show) [the] commands [window] | what can I say [now])"},
      {"", "close [the] commands [window]"},
      {"", "hide"},
      {"", "[show] [me] global commands"},
  };
  for (const std::string& name : character_names) commands.push_back({"", name});
  return commands;
}

}  // namespace zarn
