// The function reference as read from docs/functions/: families of entries with their
// arguments, messages, setup files and examples. Used only by the generator.
#pragma once

#include <string>
#include <vector>

namespace docgen {

struct Example {
  std::string caption;
  std::vector<std::string> lines;  // "> INPUT" lines and output lines
  bool checked = true;
};

struct SetupFile {
  std::string name;
  std::string data;   // escapes already decoded
  std::string shown;  // as written, escapes kept
};

struct Entry {
  std::string name;
  std::vector<int> ids;
  bool job = false;
  bool jobGiven = false;
  bool pending = false;
  std::string summary;
  std::vector<std::string> description;  // paragraphs
  std::vector<std::string> args;
  std::string result;
  std::vector<std::string> messages;
  std::vector<SetupFile> files;
  std::vector<std::string> options;
  std::vector<Example> examples;
  std::string source;  // file:line of the @func line, for errors
};

// An example block of a chapter ("> " lines); files come from "<!-- @file NAME TEXT -->"
// lines just before it.
struct ChapterExample {
  std::string chapter;
  std::vector<SetupFile> files;
  Example example;
};

struct Family {
  std::string title;
  std::vector<std::string> intro;  // paragraphs
  std::vector<Entry> entries;
};

// Parses one family file; false with a message naming file and line.
bool ParseFamilyFile(const std::string& path, Family& family, std::string& error);
// "NAME TEXT" of a @file line; false with a message for a bad name or escape.
bool ParseSetupFile(const std::string& rest, SetupFile& file, std::string& error);
// The example blocks of a chapter.
bool ExtractChapterExamples(const std::string& chapter, const std::string& text,
                            std::vector<ChapterExample>& out, std::string& error);
// Checks the entries against the function catalogue: every ID exactly once, names agree,
// each built function has an example. False with the list of problems.
bool CheckAgainstCatalogue(const std::vector<Family>& families, std::string& error);

// Renderings.
std::string RenderHelpText(const Entry& entry);
std::string RenderReferenceMarkdown(const std::vector<Family>& families);
std::string RenderTableSource(const std::vector<Family>& families,
                              const std::vector<ChapterExample>& chapterExamples);
// roff of a Markdown chapter, for the man page.
std::string RenderManPage(const std::string& markdown, const std::string& version);

}  // namespace docgen
