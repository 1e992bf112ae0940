#include "files/bit_modify.h"

#include <fcntl.h>
#include <strings.h>
#include <unistd.h>

#include <array>
#include <functional>

#include "files/file_io.h"
#include "files/file_primitives.h"
#include "files/user_file.h"
#include "host/sjis.h"
#include "host/text_format.h"

namespace vpx {
namespace {

constexpr std::array<const char*, 10> kOperationNames = {"RESET", "SET", "NOT",  "OR",    "AND",
                                                         "EXOR",  "NOR", "NAND", "EXNOR", "FORCE"};

int NormaliseOperation(int operation) {
  int index = operation % 10;
  return index < 0 ? index + 10 : index;
}

FileResult<Done> Fail(FileFailure kind, std::string text) {
  return FileResult<Done>::Fail(kind, std::move(text));
}

std::string SizeShortText(int64_t offset, int64_t size) {
  return SJ("※　ファイルサイズが足りません。") +
         Format(SJ("ModifyByteADRS[ %lld ] / FileSize[ %lld ]").c_str(),
                static_cast<long long>(offset), static_cast<long long>(size));
}

// The read-combine-write of one byte of an opened file; newByte computes the byte to
// write from the stored one.
FileResult<Done> ModifyByteThrough(const UserFile& file, int64_t offset,
                                   const std::function<uint8_t(uint8_t)>& newByte) {
  const int64_t size = file.Size();
  if (offset >= size) return Fail(FileFailure::kInvalid, SizeShortText(offset, size));
  uint8_t stored = 0;
  if (ReadFull(file.Fd(), &stored, 1, offset) != 1)
    return Fail(FileFailure::kRead, SJ("※　ファイルデータの読込に失敗。"));
  uint8_t result = newByte(stored);
  bool written = WriteFull(file.Fd(), &result, 1, offset) == 1;
  if (!written || fdatasync(file.Fd()) != 0)
    return Fail(
        FileFailure::kWrite,
        Format(SJ("※　データの書込に失敗。NewData[%02X] / OrgData[%02X]").c_str(), result, stored));
  return Done{Format(SJ("【成功】OrgData[%02X] -> NewData[%02X]").c_str(), stored, result)};
}

// Opens the named file once and changes the byte through that handle.
FileResult<Done> ModifyByteInFile(const std::string& file, int64_t offset,
                                  const std::function<uint8_t(uint8_t)>& newByte) {
  if (!IxExistFile(file, false))
    return Fail(FileFailure::kOpen,
                Format(SJ("※　指定ファイルは存在しません。[ %s ]").c_str(), file.c_str()));
  FileOpenError openError;
  UserFile handle = OpenUserFile(file, FileUse::kModify, 0, &openError);
  if (!handle.IsOpen()) {
    // A file that may only be read still hears first that it is too short.
    const int64_t size = openError.refusedKind == 0 ? QueryUserFileSize(file) : kUnknownSize;
    if (size >= 0 && offset >= size)
      return Fail(FileFailure::kInvalid, SizeShortText(offset, size));
    return Fail(FileFailure::kOpen,
                OpenFailureText(
                    openError, file,
                    Format(SJ("※　指定ファイルを開けませんでした。[ %s ]").c_str(), file.c_str())));
  }
  FileResult<Done> changed = ModifyByteThrough(handle, offset, newByte);
  if (!handle.Close() && changed) return Fail(FileFailure::kWrite, SJ("※　データの書込に失敗。"));
  return changed;
}

std::string BitAddressText(int64_t address) {
  return Format(SJ("※　指定ビットアドレスが無効です。[ %lld ]").c_str(),
                static_cast<long long>(address));
}

// Checks the name and the offset, then changes the byte.
FileResult<Done> CheckedModify(const std::string& file, int64_t offset,
                               const std::string& badAddressText,
                               const std::function<uint8_t(uint8_t)>& newByte) {
  if (file.empty()) return Fail(FileFailure::kInvalid, SJ("※　ファイル名がありません。"));
  if (offset < 0) return Fail(FileFailure::kInvalid, badAddressText);
  return ModifyByteInFile(file, offset, newByte);
}

}  // namespace

int BitOperation(const std::string& name) {
  for (size_t i = 0; i < kOperationNames.size(); ++i) {
    if (strcasecmp(name.c_str(), kOperationNames[i]) == 0) return static_cast<int>(i);
  }
  return kOpForce;
}

uint8_t ApplyByteOperation(uint8_t x, uint8_t y, int operation) {
  switch (NormaliseOperation(operation)) {
    case kOpReset:
      return 0x00;
    case kOpSet:
      return 0xFF;
    case kOpNot:
      return static_cast<uint8_t>(~x);
    case kOpOr:
      return x | y;
    case kOpAnd:
      return x & y;
    case kOpExor:
      return x ^ y;
    case kOpNor:
      return static_cast<uint8_t>(~(x | y));
    case kOpNand:
      return static_cast<uint8_t>(~(x & y));
    case kOpExnor:
      return static_cast<uint8_t>(~x ^ y);
    default:
      return y;
  }
}

uint8_t ApplyBitOperation(uint8_t stored, unsigned bit, uint8_t value, int operation) {
  auto mask = static_cast<uint8_t>(1u << (bit & 7));
  // The byte operation on the bit pair (stored bit, value bit) spread over a whole byte.
  uint8_t b = (stored & mask) != 0 ? 0xFF : 0x00;
  uint8_t v = value != 0 ? 0xFF : 0x00;
  bool newBit = (ApplyByteOperation(b, v, operation) & 1) != 0;
  return newBit ? static_cast<uint8_t>(stored | mask) : static_cast<uint8_t>(stored & ~mask);
}

FileResult<Done> ModifyFileBitAt(const std::string& file, int64_t byteIndex, unsigned bit,
                                 uint8_t value, int operation, bool bitAddressForm,
                                 int64_t givenAddress) {
  std::string badAddress =
      bitAddressForm
          ? BitAddressText(givenAddress)
          : Format(SJ("※　指定位置情報が無効です。ByteIndex[ %lld ], BitPos[ %u ]").c_str(),
                   static_cast<long long>(byteIndex), bit);
  return CheckedModify(file, byteIndex, badAddress, [&](uint8_t stored) {
    return ApplyBitOperation(stored, bit, value, operation);
  });
}

FileResult<Done> ModifyFileByteAt(const std::string& file, int64_t byteAddress, uint8_t value,
                                  int operation) {
  return CheckedModify(file, byteAddress, BitAddressText(byteAddress), [&](uint8_t stored) {
    return ApplyByteOperation(stored, value, operation);
  });
}

FileResult<Done> ModifyFileByteAt(const UserFile& file, int64_t byteAddress, uint8_t value,
                                  int operation) {
  if (byteAddress < 0) return Fail(FileFailure::kInvalid, BitAddressText(byteAddress));
  return ModifyByteThrough(file, byteAddress, [&](uint8_t stored) {
    return ApplyByteOperation(stored, value, operation);
  });
}

}  // namespace vpx
