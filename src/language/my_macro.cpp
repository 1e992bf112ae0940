#include "language/my_macro.h"

#include <algorithm>
#include <new>

#include "host/out_of_memory.h"
#include "host/sjis.h"
#include "host/text_format.h"
#include "host/trace_log.h"
#include "host/ui_host.h"
#include "language/my_func_parser.h"

namespace vpx {
namespace {

// The base-10 integer prefix of an ID text; characters after the leading digits are ignored.
uint32_t IdPrefixValue(const char* text) {
  uint64_t value = 0;
  for (const char* p = text; *p >= '0' && *p <= '9'; ++p)
    value = std::min<uint64_t>(value * 10 + static_cast<uint64_t>(*p - '0'), UINT32_MAX);
  return static_cast<uint32_t>(value);
}

}  // namespace

CMyMacro::CMyMacro() {
  entries_.reserve(1000);
}

CMyMacro::~CMyMacro() {
  while (!entries_.empty()) entries_.pop_back();  // last registered goes first
}

int CMyMacro::RegFuncData(const char* name, uint32_t returnType, const char* argCodes,
                          uint32_t id) {
  if (count_ >= kMaxEntries) {
    WriteTrace(SJ("※　マクロ関数の登録数をこれ以上増やせません。CMyMacro::RegFuncData()\n"));
    return 0;
  }
  if (name == nullptr || returnType > kRetString || argCodes == nullptr) {
    WriteTrace(SJ("※　引数が無効です。CMyMacro::RegFuncData()\n"));
    return 0;
  }
  if (GetIndexFromID(id) >= 0) return 0;
  try {
    auto entry = std::make_unique<CMyMacroData>();
    entry->name = name;
    entry->id = id;
    entry->argCodes = argCodes;
    entry->returnType = returnType;
    entries_.push_back(std::move(entry));
  } catch (const std::bad_alloc&) {
    NoteOutOfMemory();
    WriteTrace(SJ("※　マクロ登録用変数の確保に失敗。CMyMacro::RegFuncData()\n"));
    return 0;
  }
  ++count_;
  return 1;
}

int CMyMacro::RegisterFuncTable(const FuncTableRow* table) {
  int rows = 0;
  bool idsValid = table != nullptr;
  for (; idsValid && table[rows].name != nullptr && table[rows].name[0] != '\0'; ++rows)
    if (table[rows].id == nullptr || table[rows].id[0] == '\0') idsValid = false;
  if (!idsValid) {
    HostMessageBox(SJ("※　マクロ関数の初期化登録に失敗しました。"));
    return 0;
  }
  for (int i = 0; i < rows; ++i) {
    const FuncTableRow& row = table[i];
    // A refused row is only missing from the registry; its reason is in the trace log.
    RegFuncData(row.name, static_cast<uint32_t>(StrArgTypeToDWord(row.returnType)), row.argCodes,
                IdPrefixValue(row.id));
  }
  return 1;
}

const CMyMacroData* CMyMacro::GetEntry(uint32_t index) const {
  return index < entries_.size() ? entries_[index].get() : nullptr;
}

int CMyMacro::GetIndexFromID(uint32_t id) const {
  for (uint32_t i = 0; i < count_; ++i)
    if (entries_[i] != nullptr && entries_[i]->id == id) return static_cast<int>(i);
  return -1;
}

int CMyMacro::FindFuncName(uint32_t start, const std::string& name) const {
  for (uint32_t i = start; i < count_; ++i)
    if (entries_[i] != nullptr && entries_[i]->name == name) return static_cast<int>(i);
  return -1;
}

bool CMyMacro::IsAcceptableArgType(char registered, char given) {
  switch (registered) {
    case 'I':
      return given == 'I' || given == 'U';
    case 'U':
      return given == 'U';
    case 'F':
      return given == 'I' || given == 'U' || given == 'F';
    case 'S':
      return given == 'S';
    case 'V':
      return given == 'V';
    default:
      return false;
  }
}

bool CMyMacro::CheckArgTypes(uint32_t index, const std::string& kinds) const {
  const CMyMacroData* entry = index < count_ ? GetEntry(index) : nullptr;
  if (entry == nullptr || entry->argCodes.size() != kinds.size()) return false;
  for (size_t i = 0; i < kinds.size(); ++i)
    if (!IsAcceptableArgType(entry->argCodes[i], kinds[i])) return false;
  return true;
}

int CMyMacro::AnalyseAndGetID(const std::string* line, CMyFuncData* pFuncData) const {
  if (line == nullptr || pFuncData == nullptr) return -1;
  CMyFuncParser parser(shortcuts_);
  if (parser.CheckAndSetString(line) == 0) {
    *pFuncData = parser.GetFuncData();
    return -1;
  }
  const CMyFuncData& parsed = parser.GetFuncData();
  int hit = -1;
  for (int i = FindFuncName(0, parsed.GetFuncName()); i >= 0;
       i = FindFuncName(static_cast<uint32_t>(i) + 1, parsed.GetFuncName())) {
    if (CheckArgTypes(static_cast<uint32_t>(i), parsed.GetArgTypeStr())) {
      hit = i;
      break;
    }
  }
  if (hit >= 0) {
    const CMyMacroData* entry = GetEntry(static_cast<uint32_t>(hit));
    if (entry != nullptr) {
      *pFuncData = parsed;
      pFuncData->SetLineText(*line);
      return static_cast<int>(entry->id);
    }
    WriteTrace(Format(
        SJ("※　マクロデータアドレスの取得失敗。CMyMacro::AnalyseAndGetID()\n\tHitIndex[%u]\n")
            .c_str(),
        static_cast<unsigned>(hit)));
  }
  pFuncData->SetLineText(*line);
  return -1;
}

std::string CMyMacro::Render(const CMyMacroData& entry) {
  std::string text = ReturnCodeToTypeName(entry.returnType) + " " + entry.name + "(";
  for (size_t i = 0; i < entry.argCodes.size(); ++i) {
    if (i != 0) text += ", ";
    text += ArgCodeToTypeName(entry.argCodes[i]);
  }
  return text + ")";
}

std::string CMyMacro::GetMacroInfo(uint32_t id) const {
  int index = GetIndexFromID(id);
  if (index < 0) return SJ("マクロ識別IDの検索に失敗");
  const CMyMacroData* entry = GetEntry(static_cast<uint32_t>(index));
  return entry != nullptr ? Render(*entry) : SJ("登録情報の呼び出しに失敗");
}

std::string CMyMacro::GetRegisterdMacroInfo(uint32_t index) const {
  if (index >= count_)
    return Format(SJ("※　指定インデックスは範囲外です。GetRegisterdMacroInfo( %u )").c_str(),
                  index);
  const CMyMacroData* entry = GetEntry(index);
  return entry != nullptr ? Render(*entry) : SJ("登録情報の呼び出しに失敗");
}

std::string CMyMacro::GetFuncName(uint32_t index) const {
  if (index >= count_)
    return Format(
        SJ("※　指定インデックスは登録されている範囲を超えています。GetFuncName( %u )").c_str(),
        index);
  const CMyMacroData* entry = GetEntry(index);
  if (entry == nullptr)
    return Format(SJ("※　指定インデックスのデータ取得に失敗。GetFuncName( %u )").c_str(), index);
  return entry->name;
}

}  // namespace vpx
