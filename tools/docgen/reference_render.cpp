// Renders the parsed reference as the program's plain help texts, as the Markdown of the
// manual, and as the C++ table compiled into the program.
#include <cctype>
#include <sstream>

#include "help/func_help.h"
#include "reference_model.h"

namespace docgen {
namespace {

const char* kJobYes =
    "はい（ワーカースレッドで動くジョブです。結果は終わったときに結果リストに入ります）";
const char* kJobNo = "いいえ（その場で実行されます）";
const char* kPending =
    "この項目は書きかけです。関数は動作しますが、詳しい説明と例はまだありません。";

std::string Indent(const std::string& text, const std::string& prefix) {
  std::string out = prefix;
  for (char c : text) {
    out += c;
    if (c == '\n') out += prefix;
  }
  return out;
}

std::string FileList(const Entry& entry) {
  std::string text;
  for (const SetupFile& file : entry.files) {
    if (!text.empty()) text += "、";
    text += file.name + "（「" + file.shown + "」" + std::to_string(file.data.size()) + " バイト）";
  }
  return text;
}

std::string ExampleBlock(const Example& example) {
  std::string text;
  for (const std::string& line : example.lines) text += line + "\n";
  return text;
}

std::string ExampleTitle(const Example& example) {
  std::string title = "例";
  if (!example.caption.empty()) title += "：" + example.caption;
  if (!example.checked) title += "（出力は環境によって異なります）";
  return title;
}

// A heading and one bulleted line per item; nothing for no items.
void ListSection(std::ostream& out, const char* heading, const std::vector<std::string>& items,
                 const char* bullet) {
  if (items.empty()) return;
  out << heading;
  for (const std::string& item : items) out << bullet << item << "\n";
}

// C++ string literal; every byte outside printable ASCII as an octal escape.
std::string Literal(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c >= 0x20 && c < 0x7F && c != '?') {
      out += static_cast<char>(c);
    } else {
      char buffer[8];
      std::snprintf(buffer, sizeof buffer, "\\%03o", c);
      out += buffer;
    }
  }
  return out + "\"";
}

}  // namespace

std::string RenderHelpText(const Entry& e) {
  std::ostringstream out;
  out << e.name << "：" << e.summary << "\n";
  for (int id : e.ids) out << "  " << vpx::help::RegistrySignature(id) << "\n";
  out << "  ジョブ：" << (e.job ? kJobYes : kJobNo) << "\n";
  if (e.pending) out << "  ※ " << kPending << "\n";
  for (const std::string& paragraph : e.description) out << "\n" << Indent(paragraph, "  ") << "\n";
  ListSection(out, "\n  引数\n", e.args, "    ・");
  if (!e.result.empty()) out << "\n  結果\n    " << e.result << "\n";
  ListSection(out, "\n  メッセージ\n", e.messages, "    ・");
  for (const Example& example : e.examples) {
    out << "\n  " << ExampleTitle(example) << "\n";
    if (!e.files.empty()) out << "    用意するファイル：" << FileList(e) << "\n";
    for (const std::string& line : example.lines) out << "    " << line << "\n";
  }
  return out.str();
}

// One line per family linking to its functions (headings' anchors are their lower-case names).
void RenderIndex(std::ostream& out, const std::vector<Family>& families) {
  out << "\n";
  for (const Family& family : families) {
    out << "- " << family.title << "：";
    for (size_t i = 0; i < family.entries.size(); ++i) {
      std::string anchor = family.entries[i].name;
      for (char& c : anchor) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      out << (i == 0 ? "" : "、") << "[" << family.entries[i].name << "](#" << anchor << ")";
    }
    out << "\n";
  }
}

std::string RenderReferenceMarkdown(const std::vector<Family>& families) {
  std::ostringstream out;
  RenderIndex(out, families);
  for (const Family& family : families) {
    out << "\n### " << family.title << "\n";
    for (const std::string& paragraph : family.intro) out << "\n" << paragraph << "\n";
    for (const Entry& e : family.entries) {
      out << "\n#### " << e.name << "\n\n" << e.summary << "\n\n```text\n";
      for (int id : e.ids) out << vpx::help::RegistrySignature(id) << "\n";
      out << "```\n\n- ジョブ：" << (e.job ? kJobYes : kJobNo) << "\n";
      if (e.pending) out << "- **説明準備中**：" << kPending << "\n";
      for (const std::string& paragraph : e.description) out << "\n" << paragraph << "\n";
      ListSection(out, "\n**引数**\n\n", e.args, "- ");
      if (!e.result.empty()) out << "\n**結果**：" << e.result << "\n";
      ListSection(out, "\n**メッセージ**\n\n", e.messages, "- ");
      for (const Example& example : e.examples) {
        out << "\n**" << ExampleTitle(example) << "**";
        if (!e.files.empty()) out << "（用意するファイル：" << FileList(e) << "）";
        out << "\n\n```text\n" << ExampleBlock(example) << "```\n";
      }
    }
  }
  return out.str();
}

// "const HelpFile NAME[] = {...};" for files; returns the span expression ("{}" for none).
std::string FilesArray(std::ostream& out, const std::string& name,
                       const std::vector<SetupFile>& files) {
  if (files.empty()) return "{}";
  out << "const HelpFile " << name << "[] = {\n";
  for (const SetupFile& f : files)
    out << "    {" << Literal(f.name) << ", " << Literal(f.data) << ", " << f.data.size() << "},\n";
  out << "};\n";
  return name;
}

std::string RenderTableSource(const std::vector<Family>& families,
                              const std::vector<ChapterExample>& chapterExamples) {
  std::ostringstream out;
  out << "// Generated by vorpex_docgen from docs/functions/; do not edit.\n"
         "#include \"help/func_help.h\"\n\nnamespace vpx::help {\nnamespace {\n\n";
  std::ostringstream rows;
  int n = 0;
  for (const Family& family : families) {
    for (const Entry& e : family.entries) {
      const std::string k = std::to_string(n++);
      out << "const int kIds" << k << "[] = {";
      for (size_t i = 0; i < e.ids.size(); ++i) out << (i ? ", " : "") << e.ids[i];
      out << "};\n";
      const std::string files = FilesArray(out, "kFiles" + k, e.files);
      std::string options = "{}";
      std::string examples = "{}";
      if (!e.options.empty()) {
        out << "const char* const kOptions" << k << "[] = {";
        for (const std::string& o : e.options) out << Literal(o) << ", ";
        out << "};\n";
        options = "kOptions" + k;
      }
      if (!e.examples.empty()) {
        out << "const HelpExample kExamples" << k << "[] = {\n";
        for (const Example& x : e.examples)
          out << "    {" << Literal(x.caption) << ", " << Literal(ExampleBlock(x)) << ", "
              << (x.checked ? "true" : "false") << "},\n";
        out << "};\n";
        examples = "kExamples" + k;
      }
      rows << "    {" << Literal(e.name) << ", " << Literal(family.title) << ", "
           << Literal(e.summary) << ",\n     " << Literal(RenderHelpText(e)) << ",\n     "
           << (e.job ? "true" : "false") << ", " << (e.pending ? "true" : "false") << ", kIds" << k
           << ", " << files << ", " << options << ", " << examples << "},\n";
    }
  }
  std::ostringstream manual;
  for (size_t i = 0; i < chapterExamples.size(); ++i) {
    const ChapterExample& x = chapterExamples[i];
    const std::string files = FilesArray(out, "kChapterFiles" + std::to_string(i), x.files);
    manual << "    {" << Literal(x.chapter) << ", " << files << ", "
           << Literal(ExampleBlock(x.example)) << "},\n";
  }
  out << "\nconst FuncHelpEntry kEntries[] = {\n"
      << rows.str() << "};\n\nconst ManualExample kManualExamples[] = {\n"
      << manual.str() << "};\n\n}  // namespace\n\n"
      << "std::span<const FuncHelpEntry> FuncHelpEntries() {\n  return kEntries;\n}\n\n"
      << "std::span<const ManualExample> ManualExamples() {\n  return kManualExamples;\n}\n\n"
      << "}  // namespace vpx::help\n";
  return out.str();
}

}  // namespace docgen
