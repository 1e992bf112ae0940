// The function reference compiled into the program: one entry per function name, generated
// at build time from docs/functions/, with lookup by name or pattern and the name completion
// of both front ends. Texts are UTF-8: they are shown by the front ends, never by the engine.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <vector>

namespace vpx::help {

// A file an example needs, created in the example's working folder before it runs.
struct HelpFile {
  const char* name;
  const char* data;
  size_t size;
};

// One example: the block shows input lines as "> LINE" followed by the exact output.
struct HelpExample {
  const char* caption;
  const char* block;
  bool checked;  // false: the output depends on the machine and is not compared
};

struct FuncHelpEntry {
  const char* name;
  const char* family;
  const char* summary;
  const char* helpText;  // the whole entry as plain text, signatures and examples included
  bool job;
  bool pending;  // the function is not built yet: no example runs
  std::span<const int> ids;
  std::span<const HelpFile> files;
  std::span<const char* const> options;  // extra terminal options for the examples
  std::span<const HelpExample> examples;
};

// Every entry, in the order of the reference.
std::span<const FuncHelpEntry> FuncHelpEntries();

// An example of the manual's chapters (outside the reference), checked like the others.
struct ManualExample {
  const char* chapter;
  std::span<const HelpFile> files;
  const char* block;
};
std::span<const ManualExample> ManualExamples();

// Entries for a "?PATTERN" query, case-insensitive: a pattern with "*" or "?" must match the
// whole name; otherwise an exact name wins, and failing that every name containing it.
std::vector<const FuncHelpEntry*> FindHelpEntries(const std::string& pattern);

// The help texts of the entries matching pattern, separated by blank lines, or a one-line
// notice when nothing matches.
std::string HelpTextFor(const std::string& pattern);

// Distinct function names starting with prefix (case-sensitive, as the parser is), sorted.
std::vector<std::string> CompleteFunctionName(const std::string& prefix);

// The registry signatures of the function whose call is being typed: the name just before
// the last unclosed "(" of line. Empty when there is no such call or the name is unknown.
std::vector<std::string> SignatureHint(const std::string& line);

// "INT CopyFileSect(STRING, STRING, UINT, INT)": the signature as the console echoes it.
std::string RegistrySignature(int id);

}  // namespace vpx::help
