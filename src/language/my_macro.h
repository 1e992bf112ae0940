// CMyMacro: the registry of callable functions. Filled once from the built-in function
// table, it resolves a typed line to the ID of the first registered overload whose name and
// argument codes fit, and renders signatures for the console echo and ListUpFunc.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "language/func_catalogue.h"
#include "language/func_data.h"
#include "language/shortcut_resolver.h"

namespace vpx {

// One registered function.
class CMyMacroData {
 public:
  std::string name;
  uint32_t id = 0xFFFFFFFFu;
  std::string argCodes;
  uint32_t returnType = kRetVoid;
};

class CMyMacro {
 public:
  static constexpr uint32_t kMaxEntries = 0xFFFFFF;

  CMyMacro();
  ~CMyMacro();
  CMyMacro(const CMyMacro&) = delete;
  CMyMacro& operator=(const CMyMacro&) = delete;

  // 1 when added; 0 for a full registry, an invalid argument (trace), a duplicate ID (no
  // trace) or memory exhaustion (trace).
  int RegFuncData(const char* name, uint32_t returnType, const char* argCodes, uint32_t id);
  // Start-up registration of a table (rows up to the first empty name), in table order.
  // Single refused rows are left out. Returns 1; 0 when a row's ID text is empty, after
  // the failure message box (nothing is registered then; the caller closes).
  int RegisterFuncTable(const FuncTableRow* table = GetFuncTable());

  // Parses the line and returns the ID of the first fitting entry, or -1. The parsed call
  // is copied into *pFuncData (its ID is left for the caller to store).
  int AnalyseAndGetID(const std::string* line, CMyFuncData* pFuncData) const;
  int AnalyseAndGetID(const std::string& line, CMyFuncData& funcData) const {
    return AnalyseAndGetID(&line, &funcData);
  }
  // The array that $n references read (no lock is taken); nullptr: every reference fails.
  void SetShortCutArray(const IShortcutResolver* shortcuts) { shortcuts_ = shortcuts; }

  // Registry renderings ("INT CopyFileSect(STRING, STRING, UINT, INT)"); a message text
  // in place of the signature or name when there is none.
  std::string GetMacroInfo(uint32_t id) const;
  std::string GetRegisterdMacroInfo(uint32_t index) const;
  std::string GetFuncName(uint32_t index) const;
  uint32_t GetRegisteredNum() const { return count_; }

  int GetIndexFromID(uint32_t id) const;
  // From index start upward, the first entry named exactly name; -1 if none.
  int FindFuncName(uint32_t start, const std::string& name) const;
  bool CheckArgTypes(uint32_t index, const std::string& kinds) const;
  static bool IsAcceptableArgType(char registered, char given);

 private:
  const CMyMacroData* GetEntry(uint32_t index) const;
  static std::string Render(const CMyMacroData& entry);

  std::vector<std::unique_ptr<CMyMacroData>> entries_;
  uint32_t count_ = 0;
  const IShortcutResolver* shortcuts_ = nullptr;
};

}  // namespace vpx
