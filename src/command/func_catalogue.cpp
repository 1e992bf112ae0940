#include "command/func_catalogue.h"

#include <cstdlib>
#include <cstring>

#include "fileops/trace_log.h"
#include "host/sjis.h"

namespace vpx {
namespace {

constexpr FuncTableRow kFuncTable[] = {
    {"NOP", "VOID", "V", "0"},
    {"AddInt", "INT", "II", "1"},
    {"AddInt", "INT", "IU", "2"},
    {"AddInt", "INT", "UI", "3"},
    {"AddInt", "INT", "UU", "4"},
    {"AddUInt", "UINT", "UU", "5"},
    {"SubInt", "INT", "II", "6"},
    {"SubInt", "INT", "IU", "7"},
    {"SubInt", "INT", "UI", "8"},
    {"SubInt", "INT", "UU", "9"},
    {"ToStrHex", "STRING", "F", "10"},
    {"ToStrHex", "STRING", "S", "11"},
    {"ToStrDec", "STRING", "F", "12"},
    {"ToStrDec", "STRING", "S", "13"},
    {"ToStrBin", "STRING", "F", "14"},
    {"ToStrBin", "STRING", "S", "15"},
    {"StrToInt", "INT", "S", "32"},
    {"IntToStr", "INT", "S", "33"},
    {"GetCurDir", "STRING", "V", "100"},
    {"GetCurDrv", "STRING", "V", "101"},
    {"ChangeDir", "STRING", "V", "102"},
    {"ChangeDir", "STRING", "S", "103"},
    {"ChangeDrv", "STRING", "V", "104"},
    {"ChangeDrv", "STRING", "S", "105"},
    {"ChangeDirRoot", "STRING", "V", "106"},
    {"SetString", "STRING", "S", "107"},
    {"DumpFile", "INT", "S", "200"},
    {"DumpFile", "INT", "SUU", "201"},
    {"DumpFileR", "INT", "SUI", "202"},
    {"CopyFileSect", "INT", "SSUI", "203"},
    {"CopyFileSectR", "INT", "SSUI", "204"},
    {"ChangeFileName", "INT", "SS", "205"},
    {"CombineFile", "STRING", "SS", "206"},
    {"CombineFile", "STRING", "SSS", "207"},
    {"ResizeFile", "INT", "SU", "208"},
    {"ModifyFileBit", "INT", "SUIS", "209"},
    {"ModifyFileBit", "INT", "SUUIS", "210"},
    {"ModifyFileByte", "INT", "SUIS", "211"},
    {"ClearFile", "INT", "S", "212"},
    {"ClearFileSect", "INT", "SII", "213"},
    {"MakeFile", "INT", "SU", "214"},
    {"MakeClearedFile", "STRING", "SU", "215"},
    {"GetFileSize", "UINT", "S", "216"},
    {"MakeFileCRC", "STRING", "S", "217"},
    {"CheckFileCRC", "INT", "SS", "218"},
    {"MakeFileADLER", "STRING", "S", "219"},
    {"CheckFileADLER", "INT", "SS", "220"},
    {"AddStrToList", "INT", "V", "300"},
    {"AddStrToList", "INT", "S", "301"},
    {"DelList", "INT", "U", "302"},
    {"DelList", "INT", "UU", "303"},
    {"AddIntToList", "INT", "F", "304"},
    {"AddResultToList", "INT", "V", "305"},
    {"GetListData", "INT", "U", "306"},
    {"GetListItemNum", "UINT", "V", "307"},
    {"GetResultData", "VOID", "V", "308"},
    {"SetStrToList", "INT", "US", "309"},
    {"ListToClip", "STRING", "U", "310"},
    {"AddClipToList", "STRING", "V", "311"},
    {"ResultToClip", "INT", "V", "312"},
    {"GetClip", "STRING", "V", "109"},
    {"Add", "FLOAT", "FF", "17"},
    {"Sub", "FLOAT", "FF", "18"},
    {"Mul", "FLOAT", "FF", "19"},
    {"Div", "FLOAT", "FF", "20"},
    {"Factorial", "UINT", "U", "21"},
    {"Surplus", "FLOAT", "FF", "22"},
    {"Floor", "INT", "F", "23"},
    {"Pow", "FLOAT", "FI", "24"},
    {"GetNapier", "FLOAT", "U", "25"},
    {"SqRoot", "FLOAT", "F", "26"},
    {"SqRoot", "FLOAT", "FU", "27"},
    {"GetPi", "FLOAT", "U", "28"},
    {"LogE", "FLOAT", "FU", "29"},
    {"GetFactorialDigitSize", "UINT", "U", "30"},
    {"GetFactorialDataFromDigitSize", "UINT", "U", "31"},
    {"GetFilePath", "STRING", "V", "108"},
    {"GetDirPath", "STRING", "V", "110"},
    {"AddFileToList", "STRING", "V", "314"},
    {"AddDirToList", "STRING", "V", "316"},
    {"SetFileToList", "STRING", "U", "315"},
    {"SetDirToList", "STRING", "U", "317"},
    {"WriteListToFileAsText", "VOID", "SUU", "221"},
    {"WriteListToFileAsBin", "VOID", "SUU", "222"},
    {"WriteListToFileAsBinBE", "VOID", "SUU", "223"},
    {"WriteResultToFileAsText", "VOID", "SU", "224"},
    {"WriteResultToFileAsBin", "VOID", "SU", "225"},
    {"WriteResultToFileAsBinBE", "VOID", "SU", "226"},
    {"WriteStrToFile", "VOID", "SUS", "227"},
    {"WriteIntToFile", "VOID", "SUF", "228"},
    {"WriteIntToFileBE", "VOID", "SUF", "229"},
    {"WriteToFileAsStr", "VOID", "SIS", "239"},
    {"WriteToFileAsStr", "VOID", "SIF", "240"},
    {"WriteToFileAsBin", "VOID", "SIS", "241"},
    {"WriteToFileAsBin", "VOID", "SIF", "242"},
    {"WriteToFileAsBinBE", "VOID", "SIS", "243"},
    {"WriteToFileAsBinBE", "VOID", "SIF", "244"},
    {"WriteToFileAsBCD", "VOID", "SIF", "245"},
    {"WriteToFileAsBCDBE", "VOID", "SIF", "246"},
    {"AddToFileAsText", "VOID", "SU", "230"},
    {"AddToFileAsBin", "VOID", "SU", "231"},
    {"AddToFileAsBinBE", "VOID", "SU", "232"},
    {"AddResultToFileAsText", "VOID", "S", "233"},
    {"AddResultToFileAsBin", "VOID", "S", "234"},
    {"AddResultToFileAsBinBE", "VOID", "S", "235"},
    {"AddStrToFile", "VOID", "SS", "236"},
    {"AddIntToFile", "VOID", "SF", "237"},
    {"AddIntToFileBE", "VOID", "SF", "238"},
    {"StrLen", "UINT", "S", "34"},
    {"GetDigitSize", "UINT", "F", "35"},
    {"GetIntSize", "UINT", "F", "36"},
    {"GetFloatSize", "UINT", "F", "37"},
    {"GetDigitData", "UINT", "FI", "38"},
    {"GetDriveSize", "UINT", "V", "111"},
    {"GDS", "UINT", "V", "112"},
    {"GetDriveSize", "UINT", "S", "113"},
    {"GDS", "UINT", "S", "114"},
    {"GetDriveFreeSpace", "UINT", "V", "115"},
    {"GDFS", "UINT", "V", "116"},
    {"GetDriveFreeSpace", "UINT", "S", "117"},
    {"GDFS", "UINT", "S", "118"},
    {"CopyList", "VOID", "IU", "318"},
    {"SetIntToList", "VOID", "UF", "319"},
    {"ListUpFunc", "VOID", "V", "1000"},
    {"ListUpFunc", "VOID", "S", "1001"},
    {"Test", "VOID", "V", "999999"},
    {"", "", "", ""},
};

uint32_t ParseID(const char* text) {
  return static_cast<uint32_t>(std::strtoul(text, nullptr, 10));
}

}  // namespace

const FuncTableRow* GetFuncTable() {
  return kFuncTable;
}

int GetFuncTableRowCount() {
  int n = 0;
  while (kFuncTable[n].name[0] != '\0') ++n;
  return n;
}

int64_t StrArgTypeToDWord(const char* text) {
  if (text == nullptr) {
    WriteTrace(SJ("※　引数が無効です。CVorpexView::StrArgTypeToDWord()\n"));
    return -1;
  }
  static constexpr const char* kNames[] = {"INT", "UINT", "FLOAT", "STRING"};
  for (int i = 0; i < 4; ++i)
    if (std::strcmp(text, kNames[i]) == 0) return i + 1;
  return kRetVoid;
}

std::string ArgCodeToTypeName(char code) {
  switch (code) {
    case 'I':
      return "INT";
    case 'U':
      return "UINT";
    case 'F':
      return "FLOAT";
    case 'S':
      return "STRING";
    case 'V':
      return "VOID";
    default:
      return std::string();
  }
}

std::string ReturnCodeToTypeName(uint32_t code) {
  static constexpr const char* kNames[] = {"VOID", "INT", "UINT", "FLOAT", "STRING"};
  return code <= 4 ? kNames[code] : "VOID";
}

int FindTableRowByID(int64_t id) {
  for (int i = 0; kFuncTable[i].name[0] != '\0'; ++i)
    if (static_cast<int64_t>(ParseID(kFuncTable[i].id)) == id) return i;
  return -1;
}

std::string GetTableSignature(int64_t id) {
  int row = FindTableRowByID(id);
  const FuncTableRow& r = kFuncTable[row < 0 ? 0 : row];
  std::string text = std::string(r.returnType) + " " + r.name + "(";
  if (std::strcmp(r.argCodes, "V") != 0) {
    for (const char* p = r.argCodes; *p != '\0'; ++p) {
      if (p != r.argCodes) text += ", ";
      text += ArgCodeToTypeName(*p);
    }
  }
  return text + ")";
}

uint32_t GetTableReturnCode(int64_t id) {
  int row = FindTableRowByID(id);
  if (row < 0) return kRetVoid;
  switch (kFuncTable[row].returnType[0]) {
    case 'F':
      return kRetFloat;
    case 'I':
      return kRetInt;
    case 'S':
      return kRetString;
    case 'U':
      return kRetUInt;
    default:
      return kRetVoid;
  }
}

}  // namespace vpx
