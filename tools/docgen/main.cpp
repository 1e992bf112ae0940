// vorpex_docgen: builds the function reference table of the program, the user's manual and
// the man page from docs/manual/ (chapters) and docs/functions/ (one file per family).
//   vorpex_docgen SOURCE_DOCS OUT_TABLE OUT_MANUAL OUT_MAN VERSION
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "reference_model.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kReferenceMark = "@reference";
constexpr const char* kTerminalChapter = "terminal";

std::vector<fs::path> SortedFiles(const fs::path& dir, const std::string& extension) {
  std::vector<fs::path> files;
  for (const auto& item : fs::directory_iterator(dir))
    if (item.is_regular_file() && item.path().extension() == extension) files.push_back(item);
  std::sort(files.begin(), files.end());
  return files;
}

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Writes only when the content changed, so that nothing depending on it rebuilds for nothing.
bool WriteIfChanged(const fs::path& path, const std::string& text) {
  if (fs::exists(path) && ReadAll(path) == text) return true;
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 6) {
    std::fprintf(stderr, "usage: vorpex_docgen SOURCE_DOCS OUT_TABLE OUT_MANUAL OUT_MAN VERSION\n");
    return 2;
  }
  const fs::path docs = argv[1];
  std::vector<docgen::Family> families;
  for (const fs::path& file : SortedFiles(docs / "functions", ".txt")) {
    docgen::Family family;
    std::string error;
    if (!docgen::ParseFamilyFile(file.string(), family, error)) {
      std::fprintf(stderr, "vorpex_docgen: %s\n", error.c_str());
      return 1;
    }
    families.push_back(std::move(family));
  }
  std::string error;
  if (!docgen::CheckAgainstCatalogue(families, error)) {
    std::fprintf(stderr, "vorpex_docgen: the reference does not match the catalogue:\n%s",
                 error.c_str());
    return 1;
  }
  std::string manual =
      "<!-- docs/manual/ と docs/functions/ から生成されたファイルです。直接編集しないでください"
      "（cmake --build build --target update-manual で更新します）。 -->\n";
  std::string terminal;
  std::vector<docgen::ChapterExample> chapterExamples;
  for (const fs::path& chapter : SortedFiles(docs / "manual", ".md")) {
    std::string text = ReadAll(chapter);
    if (!docgen::ExtractChapterExamples(chapter.filename().string(), text, chapterExamples,
                                        error)) {
      std::fprintf(stderr, "vorpex_docgen: %s\n", error.c_str());
      return 1;
    }
    if (chapter.filename().string().find(kTerminalChapter) != std::string::npos) terminal = text;
    const size_t mark = text.find(kReferenceMark);
    if (mark != std::string::npos)
      text.replace(mark, std::string(kReferenceMark).size() + 1,
                   docgen::RenderReferenceMarkdown(families).substr(1));
    manual += "\n" + text;
  }
  if (terminal.empty()) {
    std::fprintf(stderr, "vorpex_docgen: no chapter named *%s*.md\n", kTerminalChapter);
    return 1;
  }
  const bool written =
      WriteIfChanged(argv[2], docgen::RenderTableSource(families, chapterExamples)) &&
      WriteIfChanged(argv[3], manual) &&
      WriteIfChanged(argv[4], docgen::RenderManPage(terminal, argv[5]));
  if (!written) {
    std::fprintf(stderr, "vorpex_docgen: cannot write the outputs\n");
    return 1;
  }
  return 0;
}
