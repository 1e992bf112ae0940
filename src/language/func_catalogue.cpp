#include "language/func_catalogue.h"

#include <array>
#include <cstdlib>
#include <cstring>

#include "host/sjis.h"
#include "host/trace_log.h"
#include "language/func_id.h"

namespace vpx {
namespace {

// The decimal text of an ID, made at compile time: the registry reads the table's IDs as
// text.
template <FuncId id>
constexpr std::array<char, 11> MakeIdText() {
  std::array<char, 11> text{};
  uint32_t value = FuncIdValue(id);
  int digits = 1;
  for (uint32_t rest = value / 10; rest != 0; rest /= 10) ++digits;
  for (int i = digits - 1; i >= 0; --i, value /= 10) text[i] = static_cast<char>('0' + value % 10);
  return text;
}

template <FuncId id>
constexpr std::array<char, 11> kIdTextStorage = MakeIdText<id>();
template <FuncId id>
constexpr const char* kIdText = kIdTextStorage<id>.data();

constexpr FuncTableRow kFuncTable[] = {
    {"NOP", "VOID", "V", kIdText<FuncId::Nop>},
    {"AddInt", "INT", "II", kIdText<FuncId::AddIntII>},
    {"AddInt", "INT", "IU", kIdText<FuncId::AddIntIU>},
    {"AddInt", "INT", "UI", kIdText<FuncId::AddIntUI>},
    {"AddInt", "INT", "UU", kIdText<FuncId::AddIntUU>},
    {"AddUInt", "UINT", "UU", kIdText<FuncId::AddUInt>},
    {"SubInt", "INT", "II", kIdText<FuncId::SubIntII>},
    {"SubInt", "INT", "IU", kIdText<FuncId::SubIntIU>},
    {"SubInt", "INT", "UI", kIdText<FuncId::SubIntUI>},
    {"SubInt", "INT", "UU", kIdText<FuncId::SubIntUU>},
    {"ToStrHex", "STRING", "F", kIdText<FuncId::ToStrHexF>},
    {"ToStrHex", "STRING", "S", kIdText<FuncId::ToStrHexS>},
    {"ToStrDec", "STRING", "F", kIdText<FuncId::ToStrDecF>},
    {"ToStrDec", "STRING", "S", kIdText<FuncId::ToStrDecS>},
    {"ToStrBin", "STRING", "F", kIdText<FuncId::ToStrBinF>},
    {"ToStrBin", "STRING", "S", kIdText<FuncId::ToStrBinS>},
    {"StrToInt", "INT", "S", kIdText<FuncId::StrToInt>},
    {"IntToStr", "INT", "S", kIdText<FuncId::IntToStr>},
    {"GetCurDir", "STRING", "V", kIdText<FuncId::GetCurDir>},
    {"GetCurDrv", "STRING", "V", kIdText<FuncId::GetCurDrv>},
    {"ChangeDir", "STRING", "V", kIdText<FuncId::ChangeDirV>},
    {"ChangeDir", "STRING", "S", kIdText<FuncId::ChangeDirS>},
    {"ChangeDrv", "STRING", "V", kIdText<FuncId::ChangeDrvV>},
    {"ChangeDrv", "STRING", "S", kIdText<FuncId::ChangeDrvS>},
    {"ChangeDirRoot", "STRING", "V", kIdText<FuncId::ChangeDirRoot>},
    {"SetString", "STRING", "S", kIdText<FuncId::SetString>},
    {"DumpFile", "INT", "S", kIdText<FuncId::DumpFile>},
    {"DumpFile", "INT", "SUU", kIdText<FuncId::DumpFileRange>},
    {"DumpFileR", "INT", "SUI", kIdText<FuncId::DumpFileR>},
    {"CopyFileSect", "INT", "SSUI", kIdText<FuncId::CopyFileSect>},
    {"CopyFileSectR", "INT", "SSUI", kIdText<FuncId::CopyFileSectR>},
    {"ChangeFileName", "INT", "SS", kIdText<FuncId::ChangeFileName>},
    {"CombineFile", "STRING", "SS", kIdText<FuncId::CombineFileSS>},
    {"CombineFile", "STRING", "SSS", kIdText<FuncId::CombineFileSSS>},
    {"ResizeFile", "INT", "SU", kIdText<FuncId::ResizeFile>},
    {"ModifyFileBit", "INT", "SUIS", kIdText<FuncId::ModifyFileBitSUIS>},
    {"ModifyFileBit", "INT", "SUUIS", kIdText<FuncId::ModifyFileBitSUUIS>},
    {"ModifyFileByte", "INT", "SUIS", kIdText<FuncId::ModifyFileByte>},
    {"ClearFile", "INT", "S", kIdText<FuncId::ClearFile>},
    {"ClearFileSect", "INT", "SII", kIdText<FuncId::ClearFileSect>},
    {"MakeFile", "INT", "SU", kIdText<FuncId::MakeFile>},
    {"MakeClearedFile", "STRING", "SU", kIdText<FuncId::MakeClearedFile>},
    {"GetFileSize", "UINT", "S", kIdText<FuncId::GetFileSize>},
    {"MakeFileCRC", "STRING", "S", kIdText<FuncId::MakeFileCRC>},
    {"CheckFileCRC", "INT", "SS", kIdText<FuncId::CheckFileCRC>},
    {"MakeFileADLER", "STRING", "S", kIdText<FuncId::MakeFileADLER>},
    {"CheckFileADLER", "INT", "SS", kIdText<FuncId::CheckFileADLER>},
    {"AddStrToList", "INT", "V", kIdText<FuncId::AddStrToListV>},
    {"AddStrToList", "INT", "S", kIdText<FuncId::AddStrToListS>},
    {"DelList", "INT", "U", kIdText<FuncId::DelListU>},
    {"DelList", "INT", "UU", kIdText<FuncId::DelListUU>},
    {"AddIntToList", "INT", "F", kIdText<FuncId::AddIntToList>},
    {"AddResultToList", "INT", "V", kIdText<FuncId::AddResultToList>},
    {"GetListData", "INT", "U", kIdText<FuncId::GetListData>},
    {"GetListItemNum", "UINT", "V", kIdText<FuncId::GetListItemNum>},
    {"GetResultData", "VOID", "V", kIdText<FuncId::GetResultData>},
    {"SetStrToList", "INT", "US", kIdText<FuncId::SetStrToList>},
    {"ListToClip", "STRING", "U", kIdText<FuncId::ListToClip>},
    {"AddClipToList", "STRING", "V", kIdText<FuncId::AddClipToList>},
    {"ResultToClip", "INT", "V", kIdText<FuncId::ResultToClip>},
    {"GetClip", "STRING", "V", kIdText<FuncId::GetClip>},
    {"Add", "FLOAT", "FF", kIdText<FuncId::Add>},
    {"Sub", "FLOAT", "FF", kIdText<FuncId::Sub>},
    {"Mul", "FLOAT", "FF", kIdText<FuncId::Mul>},
    {"Div", "FLOAT", "FF", kIdText<FuncId::Div>},
    {"Factorial", "UINT", "U", kIdText<FuncId::Factorial>},
    {"Surplus", "FLOAT", "FF", kIdText<FuncId::Surplus>},
    {"Floor", "INT", "F", kIdText<FuncId::Floor>},
    {"Pow", "FLOAT", "FI", kIdText<FuncId::Pow>},
    {"GetNapier", "FLOAT", "U", kIdText<FuncId::GetNapier>},
    {"SqRoot", "FLOAT", "F", kIdText<FuncId::SqRootF>},
    {"SqRoot", "FLOAT", "FU", kIdText<FuncId::SqRootFU>},
    {"GetPi", "FLOAT", "U", kIdText<FuncId::GetPi>},
    {"LogE", "FLOAT", "FU", kIdText<FuncId::LogE>},
    {"GetFactorialDigitSize", "UINT", "U", kIdText<FuncId::GetFactorialDigitSize>},
    {"GetFactorialDataFromDigitSize", "UINT", "U", kIdText<FuncId::GetFactorialDataFromDigitSize>},
    {"GetFilePath", "STRING", "V", kIdText<FuncId::GetFilePath>},
    {"GetDirPath", "STRING", "V", kIdText<FuncId::GetDirPath>},
    {"AddFileToList", "STRING", "V", kIdText<FuncId::AddFileToList>},
    {"AddDirToList", "STRING", "V", kIdText<FuncId::AddDirToList>},
    {"SetFileToList", "STRING", "U", kIdText<FuncId::SetFileToList>},
    {"SetDirToList", "STRING", "U", kIdText<FuncId::SetDirToList>},
    {"WriteListToFileAsText", "VOID", "SUU", kIdText<FuncId::WriteListToFileAsText>},
    {"WriteListToFileAsBin", "VOID", "SUU", kIdText<FuncId::WriteListToFileAsBin>},
    {"WriteListToFileAsBinBE", "VOID", "SUU", kIdText<FuncId::WriteListToFileAsBinBE>},
    {"WriteResultToFileAsText", "VOID", "SU", kIdText<FuncId::WriteResultToFileAsText>},
    {"WriteResultToFileAsBin", "VOID", "SU", kIdText<FuncId::WriteResultToFileAsBin>},
    {"WriteResultToFileAsBinBE", "VOID", "SU", kIdText<FuncId::WriteResultToFileAsBinBE>},
    {"WriteStrToFile", "VOID", "SUS", kIdText<FuncId::WriteStrToFile>},
    {"WriteIntToFile", "VOID", "SUF", kIdText<FuncId::WriteIntToFile>},
    {"WriteIntToFileBE", "VOID", "SUF", kIdText<FuncId::WriteIntToFileBE>},
    {"WriteToFileAsStr", "VOID", "SIS", kIdText<FuncId::WriteToFileAsStrS>},
    {"WriteToFileAsStr", "VOID", "SIF", kIdText<FuncId::WriteToFileAsStrF>},
    {"WriteToFileAsBin", "VOID", "SIS", kIdText<FuncId::WriteToFileAsBinS>},
    {"WriteToFileAsBin", "VOID", "SIF", kIdText<FuncId::WriteToFileAsBinF>},
    {"WriteToFileAsBinBE", "VOID", "SIS", kIdText<FuncId::WriteToFileAsBinBES>},
    {"WriteToFileAsBinBE", "VOID", "SIF", kIdText<FuncId::WriteToFileAsBinBEF>},
    {"WriteToFileAsBCD", "VOID", "SIF", kIdText<FuncId::WriteToFileAsBCD>},
    {"WriteToFileAsBCDBE", "VOID", "SIF", kIdText<FuncId::WriteToFileAsBCDBE>},
    {"AddToFileAsText", "VOID", "SU", kIdText<FuncId::AddToFileAsText>},
    {"AddToFileAsBin", "VOID", "SU", kIdText<FuncId::AddToFileAsBin>},
    {"AddToFileAsBinBE", "VOID", "SU", kIdText<FuncId::AddToFileAsBinBE>},
    {"AddResultToFileAsText", "VOID", "S", kIdText<FuncId::AddResultToFileAsText>},
    {"AddResultToFileAsBin", "VOID", "S", kIdText<FuncId::AddResultToFileAsBin>},
    {"AddResultToFileAsBinBE", "VOID", "S", kIdText<FuncId::AddResultToFileAsBinBE>},
    {"AddStrToFile", "VOID", "SS", kIdText<FuncId::AddStrToFile>},
    {"AddIntToFile", "VOID", "SF", kIdText<FuncId::AddIntToFile>},
    {"AddIntToFileBE", "VOID", "SF", kIdText<FuncId::AddIntToFileBE>},
    {"StrLen", "UINT", "S", kIdText<FuncId::StrLen>},
    {"GetDigitSize", "UINT", "F", kIdText<FuncId::GetDigitSize>},
    {"GetIntSize", "UINT", "F", kIdText<FuncId::GetIntSize>},
    {"GetFloatSize", "UINT", "F", kIdText<FuncId::GetFloatSize>},
    {"GetDigitData", "UINT", "FI", kIdText<FuncId::GetDigitData>},
    {"GetDriveSize", "UINT", "V", kIdText<FuncId::GetDriveSizeV>},
    {"GDS", "UINT", "V", kIdText<FuncId::GDSV>},
    {"GetDriveSize", "UINT", "S", kIdText<FuncId::GetDriveSizeS>},
    {"GDS", "UINT", "S", kIdText<FuncId::GDSS>},
    {"GetDriveFreeSpace", "UINT", "V", kIdText<FuncId::GetDriveFreeSpaceV>},
    {"GDFS", "UINT", "V", kIdText<FuncId::GDFSV>},
    {"GetDriveFreeSpace", "UINT", "S", kIdText<FuncId::GetDriveFreeSpaceS>},
    {"GDFS", "UINT", "S", kIdText<FuncId::GDFSS>},
    {"CopyList", "VOID", "IU", kIdText<FuncId::CopyList>},
    {"SetIntToList", "VOID", "UF", kIdText<FuncId::SetIntToList>},
    {"ListUpFunc", "VOID", "V", kIdText<FuncId::ListUpFuncV>},
    {"ListUpFunc", "VOID", "S", kIdText<FuncId::ListUpFuncS>},
    {"Test", "VOID", "V", kIdText<FuncId::Test>},
    // Added after the catalogue: searching, hashing and comparing files.
    {"FindBytesInFile", "INT", "SSU", kIdText<FuncId::FindBytesInFile>},
    {"FindStrInFile", "INT", "SSU", kIdText<FuncId::FindStrInFile>},
    {"CountBytesInFile", "UINT", "SSU", kIdText<FuncId::CountBytesInFile>},
    {"CountStrInFile", "UINT", "SSU", kIdText<FuncId::CountStrInFile>},
    {"MakeFileHash", "STRING", "SS", kIdText<FuncId::MakeFileHash>},
    {"CheckFileHash", "INT", "SSS", kIdText<FuncId::CheckFileHash>},
    {"CompareFile", "INT", "SS", kIdText<FuncId::CompareFile>},
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
