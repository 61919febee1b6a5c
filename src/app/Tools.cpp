#include "app/Tools.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <iostream>

#include "app/MakeExe.h"
#include "app/ProjectTools.h"
#include "app/ScriptCheck.h"
#include "app/Voices.h"
#include "charengine/CharacterLookup.h"
#include "charengine/CharacterModel.h"
#include "charfile/CharacterFile.h"
#include "charfile/CharacterProject.h"
#include "charfile/CharacterTools.h"
#include "charfile/TestCharacters.h"

namespace zarn {
namespace {

// --char-info [--json] FILE [--png ANIMATION DIR]
int CharInfo(const Options& options) {
  try {
    const std::string& path = *options.char_info_file;
    std::vector<std::string> warnings;
    const CharacterFile file = IsCharacterProjectPath(path) ? OpenCharacterProject(path, warnings)
                                                            : CharacterFile::Open(path);
    for (const auto& w : warnings) std::cerr << "zarnplay: warning: " << w << "\n";
    if (options.png_animation && options.png_folder) {
      for (const auto& path :
           WriteAnimationPngs(file, *options.png_animation, *options.png_folder, true)) {
        std::cout << path << "\n";
      }
      return 0;
    }
    std::cout << DescribeCharacter(file, options.json);
    return 0;
  } catch (const std::exception& e) {
    std::cerr << "zarnplay: " << *options.char_info_file << ": " << e.what() << "\n";
    return 1;
  }
}

// --list-characters: every character file in the folders searched, with
// the name it gives itself; a file that cannot be read says why.
int ListCharacters() {
  const auto folders = CharacterFolders([](const std::string& name) {
    const char* value = std::getenv(name.c_str());
    return std::string(value ? value : "");
  });
  for (const auto& folder : folders) {
    std::error_code error;
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
      std::string ext = entry.path().extension().string();
      for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      if (ext == ".acs" && entry.is_regular_file(error)) files.push_back(entry.path().string());
    }
    std::sort(files.begin(), files.end());
    for (const auto& path : files) {
      try {
        std::cout << LoadCharacterModel(path).Name(0x0409) << "\t" << path << "\n";
      } catch (const std::exception& e) {
        std::cout << "?\t" << path << "\t" << e.what() << "\n";
      }
    }
  }
  return 0;
}

}  // namespace

std::optional<int> RunTool(const Options& options) {
  if (options.list_characters) return ListCharacters();
  if (options.list_voices) return ListVoices(std::cout);
  if (options.check_file) {
    const auto findings = CheckScript(*options.check_file);
    std::cout << FormatFindings(*options.check_file, findings, options.json);
    return findings.empty() ? 0 : 1;
  }
  if (options.make_test_characters) {
    try {
      for (const auto& path : WriteTestCharacters(*options.make_test_characters)) {
        std::cout << path << "\n";
      }
      return 0;
    } catch (const std::exception& e) {
      std::cerr << "zarnplay: " << e.what() << "\n";
      return 1;
    }
  }
  if (options.make_exe_script && options.make_exe_output) {
    return MakeExe(*options.make_exe_script, *options.make_exe_output, std::cerr);
  }
  if (options.char_info_file) return CharInfo(options);
  if (options.unpack_character_file) {
    if (!options.unpack_folder) {
      std::cerr << "zarnplay: --unpack-character needs FILE and DIR\n";
      return 2;
    }
    return UnpackCharacter(*options.unpack_character_file, *options.unpack_folder);
  }
  if (options.make_character_project) {
    if (!options.make_character_output) {
      std::cerr << "zarnplay: --make-character needs PROJECT.acd and OUT.acs\n";
      return 2;
    }
    return MakeCharacter(*options.make_character_project, *options.make_character_output);
  }
  if (options.make_exe_script) {
    std::cerr << "zarnplay: --make-exe needs SCRIPT and OUTPUT\n";
    return 2;
  }
  return std::nullopt;
}

}  // namespace zarn
