#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ports/CharacterServicePort.h"

namespace zarn {

struct Program;

struct CharacterEntry {
  std::string name;
  std::string file;
  int32_t width = 0;
  int32_t height = 0;
};

// The single character host: owns the connection to the character service,
// the character table and the current character, carries out the
// per-character statements, runs scripts and handles the service's events.
class CAgent : public CharacterServiceEvents {
 public:
  explicit CAgent(Program& program);
  ~CAgent() override;

  CharacterServicePort& AgentControl() { return control_; }

  // Loading and selection.
  bool CharLoad(const std::string& psCharID, std::string psFileName, bool pbUpdateControls,
                bool pbShow, bool pbShowErrors, int32_t& piLanguageID);
  void CharSelect(const std::string& psCharID);
  void WaitForRequest(std::optional<RequestId> request);

  // Per-character statements on the current character; failures ignored.
  void CharShow(bool fast);
  void CharHide(bool fast);
  void CharThink(const std::string& text);
  void CharPlay(const std::string& animation);
  void CharMoveTo(int32_t x, int32_t y, int32_t speed);
  void CharGestureAt(int32_t x, int32_t y);
  void CharSetWidth(const std::string& text);
  void CharSetHeight(const std::string& text);
  void CharSetTTSModeID(const std::string& text);
  void CharSetBalloonFontName(const std::string& text);
  void CharSetBalloonFontSize(const std::string& text);
  void CharSetBalloonStyle(const std::string& text);
  void CharSpeak(const std::string& psText, const std::string& psWaveFile);
  void CharStopAll();
  void CharListen(const std::string& psTrueFalse);

  // Voice commands.
  void UpdateAgentCommands(const std::string& psCharID);
  void UpdateAgentCommandsAll();

  // The script line interpreter.
  void PlayScript(const std::string& psScript, bool pbHideAll, bool pbRecursive, bool pbPowerPoint);

  // Events of the character service.
  void RequestStart(RequestId request) override;
  void RequestComplete(RequestId request, int status) override;
  void Bookmark(int32_t bookmark_id, const std::string& character_id, RequestId request) override;
  void Command(const UserInput& input) override;
  void Show(const std::string& character_id, int cause) override;
  void Hide(const std::string& character_id, int cause) override;
  void AgentControl_Bookmark(int32_t BookmarkID);
  void AgentControl_RequestComplete(RequestId Request);
  void AgentControl_Command(const UserInput& UserInput);

  const std::vector<CharacterEntry>& CharacterTable() const { return table_; }
  int16_t CurrentCharacterIndex() const { return current_index_; }
  // The current character object's name; empty when there is none.
  const std::string& Char() const { return char_; }

  RequestId Req = 0;
  RequestId ReqPlayScriptEnd = 0;
  RequestId ReqPowerPointAutoAdvReq = 0;

 private:
  // Char, or error 91 when no character object is set.
  const std::string& CharObject() const;
  // Runs a request-making call on Char; a failure keeps Req.
  template <class F>
  void KeepRequest(F&& call) {
    try {
      const RequestId request = call(CharObject());
      Req = request;
    } catch (...) {
    }
  }

  Program& program_;
  CharacterServicePort& control_;
  std::vector<CharacterEntry> table_;
  int16_t current_index_ = 0;
  std::string char_;
};

}  // namespace zarn
