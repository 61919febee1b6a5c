#pragma once

#include <string>

namespace zarn {

struct Program;

// The download agent name servers see.
inline constexpr const char* kDownloadAgent = "Quental.Zarn";

// Fetches a URL (http, https, ftp, file) into the file at psFile through the
// Internet port. A failed transfer shows "number : description" in a
// warning box, removes the file and returns false.
bool DownloadUrlToFile(Program& program, const std::string& psURL, const std::string& psFile);

// Takes the first free name temp folder + "ZARNnnnn.TMP" (from 0001) by
// creating the file exclusively, so no other process can take it too.
// Empty when none can be created.
std::string CreateTempFileName(Program& program);

// Downloaded temporary files (Program::TempFiles), removed by
// RemoveTempFiles at exit.
void AddTempFile(Program& program, const std::string& psName);
void RemoveTempFiles(Program& program);

}  // namespace zarn
