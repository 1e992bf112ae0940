// Reads the family files of docs/functions/ and checks them against the catalogue.
#include <fstream>
#include <map>
#include <sstream>

#include "language/func_catalogue.h"
#include "reference_model.h"

namespace docgen {
namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// \n \t \\ and \xHH; false on a malformed escape.
bool DecodeEscapes(const std::string& text, std::string& out) {
  out.clear();
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      out += text[i];
      continue;
    }
    if (++i >= text.size()) return false;
    switch (text[i]) {
      case 'n':
        out += '\n';
        break;
      case 'r':
        out += '\r';
        break;
      case 't':
        out += '\t';
        break;
      case 's':
        out += ' ';
        break;
      case '\\':
        out += '\\';
        break;
      case 'x': {
        const int high = i + 1 < text.size() ? HexValue(text[i + 1]) : -1;
        const int low = i + 2 < text.size() ? HexValue(text[i + 2]) : -1;
        if (high < 0 || low < 0) return false;
        out += static_cast<char>(high * 16 + low);
        i += 2;
        break;
      }
      default:
        return false;
    }
  }
  return true;
}

// Splits "@key rest" into key and rest.
void SplitKey(const std::string& line, std::string& key, std::string& rest) {
  const size_t space = line.find(' ');
  key = line.substr(1, space == std::string::npos ? std::string::npos : space - 1);
  rest = space == std::string::npos ? std::string() : line.substr(space + 1);
}

// Adds a text line to the paragraph list: a blank line starts a new paragraph.
void AddParagraphLine(std::vector<std::string>& paragraphs, const std::string& line, bool& open) {
  if (line.empty()) {
    open = false;
    return;
  }
  if (open) {
    paragraphs.back() += "\n" + line;
  } else {
    paragraphs.push_back(line);
    open = true;
  }
}

class Parser {
 public:
  Parser(const std::string& path, Family& family) : path_(path), family_(family) {}

  bool Line(const std::string& line, int number, std::string& error) {
    where_ = path_ + ":" + std::to_string(number);
    if (example_ != nullptr) {
      if (line == "@end") {
        example_ = nullptr;
      } else {
        example_->lines.push_back(line);
      }
      return true;
    }
    if (line.empty() || line[0] != '@') {
      AddParagraphLine(entry_ ? entry_->description : family_.intro, line, paragraphOpen_);
      return true;
    }
    paragraphOpen_ = false;
    std::string key;
    std::string rest;
    SplitKey(line, key, rest);
    if (key == "family") {
      family_.title = rest;
      return true;
    }
    if (key == "func") {
      family_.entries.emplace_back();
      entry_ = &family_.entries.back();
      entry_->name = rest;
      entry_->source = where_;
      return true;
    }
    if (entry_ == nullptr) return Fail(error, "@" + key + " before the first @func");
    return EntryKey(key, rest, error);
  }

  bool Finish(std::string& error) {
    if (example_ != nullptr) return Fail(error, "example without @end");
    if (family_.title.empty()) return Fail(error, "no @family title");
    return true;
  }

 private:
  bool EntryKey(const std::string& key, const std::string& rest, std::string& error) {
    Entry& e = *entry_;
    if (key == "ids") {
      std::istringstream in(rest);
      int id = 0;
      while (in >> id) e.ids.push_back(id);
      if (e.ids.empty()) return Fail(error, "@ids without IDs");
    } else if (key == "job") {
      if (rest != "yes" && rest != "no") return Fail(error, "@job takes yes or no");
      e.job = rest == "yes";
      e.jobGiven = true;
    } else if (key == "pending") {
      e.pending = true;
    } else if (key == "summary") {
      e.summary = rest;
    } else if (key == "arg") {
      e.args.push_back(rest);
    } else if (key == "result") {
      e.result = rest;
    } else if (key == "message") {
      e.messages.push_back(rest);
    } else if (key == "option") {
      e.options.push_back(rest);
    } else if (key == "file") {
      return FileKey(rest, error);
    } else if (key == "example" || key == "sample") {
      e.examples.push_back(Example{rest, {}, key == "example"});
      example_ = &e.examples.back();
    } else {
      return Fail(error, "unknown key @" + key);
    }
    return true;
  }

  bool FileKey(const std::string& rest, std::string& error) {
    SetupFile file;
    std::string what;
    if (!ParseSetupFile(rest, file, what)) return Fail(error, what);
    entry_->files.push_back(file);
    return true;
  }

  bool Fail(std::string& error, const std::string& what) {
    error = where_ + ": " + what;
    return false;
  }

  std::string path_;
  std::string where_;
  Family& family_;
  Entry* entry_ = nullptr;
  Example* example_ = nullptr;
  bool paragraphOpen_ = false;
};

}  // namespace

bool ParseSetupFile(const std::string& rest, SetupFile& file, std::string& error) {
  const size_t space = rest.find(' ');
  file.name = rest.substr(0, space);
  file.shown = space == std::string::npos ? "" : rest.substr(space + 1);
  if (file.name.empty() || file.name.find('/') != std::string::npos) {
    error = "@file needs a plain file name";
    return false;
  }
  if (!DecodeEscapes(file.shown, file.data)) {
    error = "bad escape in @file";
    return false;
  }
  return true;
}

bool ExtractChapterExamples(const std::string& chapter, const std::string& text,
                            std::vector<ChapterExample>& out, std::string& error) {
  static const std::string kFileOpen = "<!-- @file ";
  static const std::string kFileClose = " -->";
  std::istringstream in(text);
  std::string line;
  std::vector<SetupFile> files;
  while (std::getline(in, line)) {
    if (line.rfind(kFileOpen, 0) == 0 && line.size() >= kFileOpen.size() + kFileClose.size() &&
        line.compare(line.size() - kFileClose.size(), kFileClose.size(), kFileClose) == 0) {
      SetupFile file;
      const std::string rest =
          line.substr(kFileOpen.size(), line.size() - kFileOpen.size() - kFileClose.size());
      if (!ParseSetupFile(rest, file, error)) {
        error = chapter + ": " + error;
        return false;
      }
      files.push_back(file);
      continue;
    }
    if (line != "```text") continue;
    ChapterExample found{chapter, std::move(files), {}};
    files.clear();
    while (std::getline(in, line) && line != "```") found.example.lines.push_back(line);
    if (!found.example.lines.empty() && found.example.lines[0].rfind("> ", 0) == 0)
      out.push_back(std::move(found));
  }
  return true;
}

bool ParseFamilyFile(const std::string& path, Family& family, std::string& error) {
  std::ifstream in(path);
  if (!in) {
    error = "cannot read " + path;
    return false;
  }
  family = Family();
  Parser parser(path, family);
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!parser.Line(line, ++number, error)) return false;
  }
  return parser.Finish(error);
}

bool CheckAgainstCatalogue(const std::vector<Family>& families, std::string& error) {
  std::ostringstream problems;
  std::map<int, std::string> seen;
  for (const Family& family : families) {
    for (const Entry& e : family.entries) {
      if (e.summary.empty()) problems << e.source << ": " << e.name << " has no @summary\n";
      if (!e.jobGiven) problems << e.source << ": " << e.name << " has no @job\n";
      if (!e.pending && e.examples.empty())
        problems << e.source << ": " << e.name << " works but has no example\n";
      for (const Example& x : e.examples)
        if (x.lines.empty() || x.lines[0].rfind("> ", 0) != 0)
          problems << e.source << ": an example of " << e.name << " must start with \"> \"\n";
      for (int id : e.ids) {
        const int row = vpx::FindTableRowByID(id);
        if (row < 0) {
          problems << e.source << ": ID " << id << " is not in the catalogue\n";
        } else if (e.name != vpx::GetFuncTable()[row].name) {
          problems << e.source << ": ID " << id << " belongs to " << vpx::GetFuncTable()[row].name
                   << ", not " << e.name << "\n";
        }
        if (!seen.emplace(id, e.name).second)
          problems << e.source << ": ID " << id << " is described twice\n";
      }
    }
  }
  const vpx::FuncTableRow* table = vpx::GetFuncTable();
  for (int i = 0; i < vpx::GetFuncTableRowCount(); ++i) {
    const int id = std::stoi(table[i].id);
    if (seen.count(id) == 0)
      problems << "no entry describes " << table[i].name << " (ID " << id << ")\n";
  }
  error = problems.str();
  return error.empty();
}

}  // namespace docgen
