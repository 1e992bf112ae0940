// CRC-32 (ISO-HDLC, as zlib and PNG) and Adler-32 (RFC 1950) of whole files, read through
// one buffer: ISA-L's folding CRC, and an AVX2 Adler-32 (ISA-L's where the CPU lacks AVX2);
// and their comparison with a value typed in hexadecimal.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "files/file_result.h"
#include "host/cancel_token.h"
#include "host/job_progress.h"

namespace vpx {

constexpr uint32_t kChecksumBuffer = 16u << 20;

enum class ChecksumKind { kCrc32, kAdler32 };

// Continues a CRC-32 (start with 0) over count bytes: the one CRC-32 of the program, for
// files and the list file alike.
uint32_t UpdateCrc32(uint32_t crc, const uint8_t* bytes, size_t count);
// Continues an Adler-32 (start with 1) over count bytes.
uint32_t UpdateAdler32(uint32_t adler, const uint8_t* bytes, size_t count);

// The checksum of a whole file read through a buffer of bufferSize bytes (at most 16 MiB).
// An empty file gives the initial value (CRC 0, Adler 1). progress, when given, is started
// with the file size and advanced by every byte read.
FileResult<uint32_t> ComputeFileChecksum(ChecksumKind kind, const std::string& file,
                                         uint32_t bufferSize, CancelToken cancel = {},
                                         JobProgress* progress = nullptr);
FileResult<uint32_t> ComputeFileCRC32(const std::string& file, uint32_t bufferSize,
                                      CancelToken cancel = {});
FileResult<uint32_t> ComputeFileAdler32(const std::string& file, uint32_t bufferSize,
                                        CancelToken cancel = {});

// Compares the file's checksum with expected; a difference is a kMismatch failure whose
// text gives both values.
FileResult<void> CompareFileChecksum(ChecksumKind kind, const std::string& file, uint32_t expected,
                                     CancelToken cancel = {}, JobProgress* progress = nullptr);

// An unsigned hexadecimal number: leading blanks skipped, an optional 0x, reading stops at
// the first other character; values beyond 32 bits are held at 0xFFFFFFFF.
uint32_t ParseHexChecksum(const std::string& text);

}  // namespace vpx
