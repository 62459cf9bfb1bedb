#pragma once
// The command line of the program: "[file type] <file name>". The same handling
// serves the process's own command line and the one a second instance hands over.
// These are the decisions only; the launcher window carries them out.
#include <cstdint>
#include <string>
#include <vector>

namespace kz {

enum class OpenTarget {
  Nothing,             // no argument
  TxtEditor,           // a new type-file editor on FileName
  GalaxyEditor,        // the galaxy editor on FileName
  TextResourceEditor,  // a new text-resource editor on FileName
  UnknownFile,         // the "Don't know how to open file" warning for FileName
  Usage,               // three or more arguments: the usage warning
};

struct OpenDecision {
  OpenTarget Target = OpenTarget::Nothing;
  std::string FileName;
  bool operator==(const OpenDecision&) const = default;
};

// 1 when the file name (without folder and extension) holds a type-file name, else 0.
int32_t IsTypeFileName(const std::string& fileName);

// One file by its type ("-tfile", "-map", "-xml"; "/" may stand for "-", any letter
// case), or by its name when the type is empty or unknown.
OpenDecision DecideOpenByType(const std::string& fileName, const std::string& fileType);

// The decision for a split command line.
OpenDecision DecideCommandLine(const std::vector<std::string>& args);

// Splits a command line into words (the game object library's splitter); a line that
// cannot be split gives no word.
std::vector<std::string> SplitCommandLine(const std::string& commandLine);

// Joins words into one command line that SplitCommandLine gives back exactly: a word
// that is empty or holds a blank, a tab or a double quote is put in double quotes,
// a double quote inside it doubled.
std::string JoinCommandLine(const std::vector<std::string>& args);

// The command line with its file name made absolute against `workingFolder` (the
// folder the program was started in), so that another process opens the same file.
// Only a relative name is changed: an absolute name, a "vfs://" path and the lines
// that name no file (no word, three or more words) stay as they are; of a catalog
// path only the catalog part is completed.
std::string AbsoluteCommandLine(const std::string& commandLine, const std::string& workingFolder);

// The texts of the two warnings.
std::string CommandLineUsageText();
std::string UnknownFileText(const std::string& fileName);

}  // namespace kz
