#include "app/ProjectTools.h"

#include <iostream>

#include "charfile/CharacterFile.h"
#include "charfile/CharacterProject.h"

namespace zarn {
namespace {

void PrintWarnings(const std::vector<std::string>& warnings) {
  for (const auto& w : warnings) std::cerr << "zarnplay: warning: " << w << "\n";
}

}  // namespace

int UnpackCharacter(const std::string& character_file, const std::string& folder) {
  std::vector<std::string> warnings;
  try {
    const CharacterFile file = CharacterFile::Open(character_file);
    warnings = file.Warnings();
    const CharacterDescription description = DescriptionOf(file, warnings);
    std::cout << WriteCharacterProject(description, folder, warnings) << "\n";
    PrintWarnings(warnings);
    return 0;
  } catch (const std::exception& e) {
    PrintWarnings(warnings);
    std::cerr << "zarnplay: " << e.what() << "\n";
    return 1;
  }
}

int MakeCharacter(const std::string& project, const std::string& output) {
  std::vector<std::string> warnings;
  try {
    const CharacterDescription description = ReadCharacterProject(project, warnings);
    WriteCharacterFile(description, output);
    PrintWarnings(warnings);
    std::cout << output << "\n";
    return 0;
  } catch (const std::exception& e) {
    PrintWarnings(warnings);
    std::cerr << "zarnplay: " << e.what() << "\n";
    return 1;
  }
}

}  // namespace zarn
