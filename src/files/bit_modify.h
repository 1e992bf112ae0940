// Changing one bit or one byte of an existing file in place by a named logical operation
// (RESET, SET, NOT, OR, AND, EXOR, NOR, NAND, EXNOR, FORCE) combined with a given value.
#pragma once

#include <cstdint>
#include <string>

#include "files/file_result.h"
#include "files/user_file.h"

namespace vpx {

enum BitOperationIndex : int {
  kOpReset = 0,
  kOpSet,
  kOpNot,
  kOpOr,
  kOpAnd,
  kOpExor,
  kOpNor,
  kOpNand,
  kOpExnor,
  kOpForce
};

// The index of an operation name, compared without regard to letter case; any other
// text is FORCE.
int BitOperation(const std::string& name);

// The new byte when the operation (index modulo 10) is applied to all bits of stored
// with value.
uint8_t ApplyByteOperation(uint8_t stored, uint8_t value, int operation);
// The new byte when the operation changes only bit (0 = least significant) of stored;
// any nonzero value counts as 1.
uint8_t ApplyBitOperation(uint8_t stored, unsigned bit, uint8_t value, int operation);

// Bit form (bit 0..7 of the byte at byteIndex). bitAddressForm selects the failure text
// of a negative index: a bit address (ModifyFileBit with one address) or an index and a
// position. Done says what changed.
FileResult<Done> ModifyFileBitAt(const std::string& file, int64_t byteIndex, unsigned bit,
                                 uint8_t value, int operation, bool bitAddressForm,
                                 int64_t givenAddress);
// Byte form.
FileResult<Done> ModifyFileByteAt(const std::string& file, int64_t byteAddress, uint8_t value,
                                  int operation);
// Byte form on a file already opened for FileUse::kModify: the size is the descriptor's at
// the time of the change, so a file cut meanwhile is refused, never extended.
FileResult<Done> ModifyFileByteAt(const UserFile& file, int64_t byteAddress, uint8_t value,
                                  int operation);

}  // namespace vpx
