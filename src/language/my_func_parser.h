// CMyFuncParser: turns one console line into a parsed call — the function name and, per
// argument, its text, kind (I, U, F, S) and number. Arguments are numbers, quoted strings
// with backslash-quote escapes, or $n references to the shortcut array.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "language/func_data.h"
#include "language/my_reg_exp.h"
#include "language/shortcut_resolver.h"

namespace vpx {

class CMyFuncParser {
 public:
  // $n references read shortcuts without taking the list lock; nullptr: they all fail.
  explicit CMyFuncParser(const IShortcutResolver* shortcuts = nullptr) : shortcuts_(shortcuts) {}

  // 1 when the line parsed; afterwards GetFuncData() holds what was found, including the
  // arguments before a failing one.
  int CheckAndSetString(const std::string* line);
  int CheckAndSetString(const std::string& line) { return CheckAndSetString(&line); }

  const CMyFuncData& GetFuncData() const { return funcData_; }
  int IsSucceeded() const { return success_; }
  const std::string& GetArgListText() const { return argList_; }
  // The words before "(": the return-type word if any, then the function name.
  const std::vector<std::string>& GetWords() const { return words_; }

  // The shortcut index named by an argument text (blanks, "$", digits and blanks), or -1.
  static int64_t GetShortCutNumber(std::string_view text);
  static bool IsNameChar(unsigned char c);

 private:
  int AnalyseCallText();
  int Search(const char* keyword, int start);
  void CheckDoubleQuotation();
  int FindDoubleQuotation(int start);
  bool IsInDoubleQuotation(int pos) const;
  // The next keyword character at or after start that is not inside quotes, or -1.
  int FindOutsideQuotes(const char* keyword, int start, bool skipFirstByte);
  int FindOpenParenthasis(int start) { return FindOutsideQuotes("(", start, false); }
  int FindCloseParenthasis(int start) { return FindOutsideQuotes(")", start, true); }
  int FindInvalidChar(int start, int end) const;
  bool FindRetAndFuncName(int openPos);
  void SetRetTypeStr(int start, int length);
  void SetFuncName(int start, int length);
  bool CheckArgGrammar(int start, int end);
  void CheckConmaInArg(int start, int end);
  bool CheckArgCluster(int start, int end);
  bool AddShortCutArgument(int64_t index);
  bool CheckDblQtNumInArgCluster(int start, int end, int* first, int* second) const;
  bool CheckDblQtInArgCluster(int start, int end, int first, int second) const;
  static std::string ConvEscSeqInArgStr(std::string_view text);
  bool IsBackslashAt(int pos) const;

  int success_ = 0;
  std::string line_;
  std::vector<uint8_t> isTrail_;  // 1 at the trail byte of each two-byte character
  std::vector<int> quotes_;
  std::string argList_;
  std::vector<std::string> words_;
  std::vector<int> wordLengths_;
  std::vector<int> commas_;
  CMyFuncData funcData_;
  CMyRegExp regExp_;
  const IShortcutResolver* shortcuts_;
};

}  // namespace vpx
