// MyNumeric: the system's only number, a signed decimal of up to 100,000,000 significant
// digits held one digit per byte (least significant digit at the lowest index), with its
// text and binary conversions and its arithmetic. Operations that can fail report a
// NumStatus (counts and comparisons stay numbers); diagnostics go to the trace log.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "host/cancel_token.h"

namespace vpx {

// Snapshot of a number's layout (seventeen 32-bit words in the original layout).
// How a number operation ended. The command handlers turn it into the values the
// operations are documented with (0, -1, and -2 / -3 for the divisor of Div and Surplus).
enum class NumStatus {
  kOk,
  kNoMemory,        // a buffer could not be had
  kBadOperand,      // a missing, unusable (Error) or refused (floating) operand or argument
  kTooLarge,        // the result would pass the digit or buffer limits
  kNotANumber,      // SetByString: the text is not a number
  kDivisorZero,     // Div, Surplus: the divisor has no nonzero digit
  kDivisorInError,  // Surplus: the divisor is unusable
};

struct MyNumericParam {
  uint32_t Error, Minus, Float, Zero;
  int32_t iExp;
  uint32_t MSD, LSD, SPPos, IntSize, SPSize, ValidSize, BuffSize, SubBuffSize, TempBuffSize;
  const uint8_t* pbBuff;
  const uint8_t* pbSubBuff;
  const uint8_t* pbTempBuff;
};

class MyNumeric {
 public:
  static constexpr uint32_t kMaxDigits = 100'000'000;
  // Longest text SetByString takes: digits with a sign, a point and an exponent to spare.
  static constexpr uint32_t kMaxTextLength = 5 * kMaxDigits - 1;

  // Halve's result when the number cannot be halved (no digits, Error, floating form).
  static constexpr int kHalveFailed = -1;

  MyNumeric();
  explicit MyNumeric(CancelToken cancel);
  MyNumeric(const MyNumeric& cAnother);          // deep copy, new ID, no cancel token
  explicit MyNumeric(const MyNumeric* pTarget);  // light copy: main buffer only
  // Moves take the buffers over (containers of numbers grow without copying digits).
  MyNumeric(MyNumeric&& other) noexcept;
  MyNumeric& operator=(MyNumeric&& other) noexcept;
  ~MyNumeric();
  MyNumeric& operator=(const MyNumeric& other);

  // Process-wide default result size (100 at start) shared by all threads.
  static uint32_t GetDefaultResultSize();

  // --- state setting ---
  NumStatus SetZero();
  NumStatus SetOne();
  NumStatus SetByUInt(uint32_t u);
  NumStatus SetByInt(int32_t i);
  void SetResultSize(uint32_t n);
  // This number's result size only (1..kMaxDigits), the process default left as it is: a
  // restored number computes as it did when it was saved.
  void SetOwnResultSize(uint32_t n);
  NumStatus SetAllNines(uint32_t n);
  NumStatus SetMax();
  NumStatus SetUnderflowZero(uint32_t n);
  // count nines as an integer with the overflow mark, as an operation that saturated
  // leaves them (restoring a saved saturated value).
  NumStatus SetSaturatedNines(uint32_t count, bool minus);
  void SetCancelToken(CancelToken cancel);

  // --- queries ---
  int GetValidPartSize(uint32_t* pdwIntSize, uint32_t* pdwSPSize) const;
  NumStatus RefreshValidPartSize();
  int IsAllZero();
  int CheckZero();
  int IsUnsignedInteger() const;
  int IsInteger() const;
  int HasFractionPart() const;
  MyNumericParam GetParam() const;
  int VerifyLayout();
  void TraceParameter() const;

  bool IsMinus() const { return Minus != 0; }
  bool IsZero() const { return Zero != 0; }
  bool IsError() const { return Error != 0; }
  bool IsOverflow() const { return Overflow != 0; }
  bool IsFloat() const { return Float != 0; }
  uint32_t GetResultSize() const { return ResultSize; }
  uint32_t GetValidSize() const { return ValidSize; }
  uint32_t GetIntSize() const { return IntSize; }
  uint32_t GetSPSize() const { return SPSize; }
  const std::string& GetErrorText() const;
  // Digit at a place: place 0 is the units digit, k > 0 above it, -k the k-th fraction
  // digit; kNoDigit outside the digit run.
  static constexpr int kNoDigit = -1;
  int GetDigitAtPlace(int64_t place) const;

  // --- text and binary conversions ---
  NumStatus SetByString(const std::string& text);
  NumStatus SetByString(const char* text, int length);
  int GetDataAsStr(std::string* pStrData, uint32_t dwGetDigit = 0, int bFillZero = 0,
                   int bReverse = 0) const;
  // GetDataAsStr with the default options; UnusableNumberText for an error number.
  std::string ToString() const;
  // Appends that text to out, at most maxBytes of it, so that a caller building a longer
  // text (a console line, a list row, a file) writes the digits once, where they stay.
  // False, out as it was, for an error number. Throws std::bad_alloc.
  bool AppendText(std::string& out, size_t maxBytes = std::string::npos) const;
  static const std::string& UnusableNumberText();
  int GetFloatDataAsStr(char* buffer, int* pExp, uint32_t bufferLength) const;
  int64_t GetDataAsBinary(uint8_t* out, int64_t length) const;
  int64_t CountBinaryBytes() const;
  NumStatus SetByBinary(uint32_t dwByteNum, const uint8_t* bytes, int bIsLittleEndian);
  NumStatus SetByBinaryDigits(const uint8_t* digits, uint32_t count);
  uint32_t GetAsUInt() const;
  int32_t GetAsInt() const;
  int64_t GetAsInt64() const;
  int8_t GetAsChar() const;
  int64_t GetDataAsStrHex(std::string& out) const;
  int64_t GetDataAsStrBin(std::string& out) const;

  // --- arithmetic (in place; this is the left operand) ---
  NumStatus Add(const MyNumeric& other, int signHandled = 0);
  NumStatus Sub(const MyNumeric& other);
  NumStatus SubInternalCalc(const MyNumeric& other);
  NumStatus Mul(const MyNumeric& other);
  NumStatus Div(const MyNumeric& divisor);
  NumStatus Surplus(const MyNumeric& divisor);
  NumStatus Double();
  // Halves the magnitude. An integer drops the remainder and returns it (0 or 1); a number
  // with a fraction stays exact (a digit 5 may be appended) and returns 0; kHalveFailed
  // on an error.
  int Halve();
  int MyNumericCompare(const MyNumeric& other) const;
  bool IsLess(const MyNumeric& other) const { return MyNumericCompare(other) < 0; }
  bool IsGreater(const MyNumeric& other) const { return MyNumericCompare(other) > 0; }
  NumStatus Add(int32_t v, uint32_t s, int signHandled);
  NumStatus Sub(int32_t v, uint32_t s, int signHandled);
  NumStatus AddAtDigit(int magnitudeFlag, int64_t place);
  NumStatus SubAtDigit(int magnitudeFlag, int64_t place);
  NumStatus ShiftPoint(int32_t n);
  NumStatus FloatToNormal();
  NumStatus ClearFraction();
  NumStatus TruncateDigits(uint32_t n);
  NumStatus Reserve(uint32_t n);

  // Exchanges the value with another number's whole state (used to hand results back
  // from a computation without copying millions of digits).
  void Swap(MyNumeric& other) noexcept;

  // Digits of the significant run, most significant first, as digit values 0..9; with
  // the count of integer digits among them. For fast paths that read the digit form.
  std::string GetDigitsMsdFirst(uint32_t* intDigits) const;
  // Builds the number from digit values 0..9, most significant first, intDigits of them
  // before the point. Each byte is its value plus zero: '0' reads digit characters.
  NumStatus SetDigitsMsdFirst(const uint8_t* digits, uint32_t count, uint32_t intDigits, bool minus,
                              uint8_t zero = 0);

 private:
  friend class MyNumericTestAccess;
  // Fields of the number (see the class comment); the implementation owns their use. They
  // are grouped by width so that a number held in every result entry and argument stays
  // small: the flags are bits, and only the main buffer lives in the number itself. The
  // scratch buffers and the layout check's findings sit behind one pointer, made by the
  // first operation that needs them, so a number that has not computed carries none.
  struct Scratch {
    std::unique_ptr<uint8_t[]> sub;
    std::unique_ptr<uint8_t[]> temp;
    uint32_t subSize = 0;
    uint32_t tempSize = 0;
    std::string errorText;
  };
  CancelToken cancel_;
  std::unique_ptr<uint8_t[]> pbBuff;
  std::unique_ptr<Scratch> scratch_;
  uint32_t ResultSize = 0;
  int32_t iExp = 0;
  uint32_t BuffSize = 0;
  uint32_t ValidSize = 1;
  uint32_t SPPos = 0;
  uint32_t MSD = 0;
  uint32_t LSD = 0;
  uint32_t SPSize = 0;
  uint32_t IntSize = 1;
  uint32_t ID = 0;
  uint32_t MaxSize = 0;
  uint8_t Overflow : 1 = 0;
  uint8_t Error : 1 = 0;
  uint8_t Float : 1 = 0;
  uint8_t Zero : 1 = 1;
  uint8_t Minus : 1 = 0;

  // Room GetDataAsStr keeps beyond the digits for a sign, a point, an exponent and a mark.
  static constexpr size_t kTextExtraBytes = 24;
  // The text of the leading d digits (GetDataAsStr's forms), at most maxBytes of it,
  // appended to s (my_numeric_text.cpp).
  void AppendDigitsText(std::string& s, uint32_t d, size_t maxBytes) const;

  // --- layout helpers (my_numeric_state.cpp) ---
  // The scratch record, made when missing (throws std::bad_alloc).
  Scratch& EnsureScratch();
  uint8_t* SubBuff() const { return scratch_ ? scratch_->sub.get() : nullptr; }
  uint8_t* TempBuff() const { return scratch_ ? scratch_->temp.get() : nullptr; }
  uint32_t SubBuffSize() const { return scratch_ ? scratch_->subSize : 0; }
  uint32_t TempBuffSize() const { return scratch_ ? scratch_->tempSize : 0; }
  // Frees both scratch buffers (the findings stay).
  void DropScratchBuffers();
  uint8_t* Run() { return pbBuff.get() + LSD; }
  const uint8_t* Run() const { return pbBuff.get() + LSD; }
  // Sets LSD, ValidSize and SPSize and derives MSD, SPPos and IntSize from them.
  void SetLayout(uint32_t lsd, uint32_t validSize, uint32_t spSize);
  // Index range [lo, hi] of the significant digits (GetValidPartSize's run).
  void SignificantRange(uint32_t* lo, uint32_t* hi) const;
  void ResetToEmptyError();
  // A fresh zero: ID, default result size, and a main buffer of the given size.
  void InitBuffers(uint32_t size);
  // Main buffer at least n bytes long without keeping its content (sub or temporary
  // buffer reused when long enough); kNoMemory with a trace.
  NumStatus GetLargeBuffInThree(uint32_t n);
  // Sub / temporary buffer at least need bytes; replaced by one of alloc bytes when not.
  bool EnsureSubBuff(uint32_t need, uint32_t alloc);
  bool EnsureTempBuff(uint32_t need, uint32_t alloc);
  void ExchangeMainAndSub();
  void ExchangeMainAndTemp();
  // Copies the digit run centred into a main buffer of the given size (reused when the
  // current one is at least that long). Returns false when the buffer cannot be had.
  bool RecentreInto(uint32_t size);
  void DropLeadingZeros();

  // --- arithmetic helpers (my_numeric_add.cpp) ---
  enum class FitMode { kRound, kCut };
  NumStatus AddMagnitude(const uint8_t* lsd, uint32_t count, uint32_t spSize);
  NumStatus SubMagnitude(const uint8_t* lsd, uint32_t count, uint32_t spSize);
  void FitToResultSize(FitMode mode);
  void CutFraction(uint32_t keepFraction, bool round);
  NumStatus AddOrSubInteger(int32_t v, uint32_t s, int signHandled, bool subtract);
  NumStatus SetNinesInPlace(uint32_t n);
  int CompareMagnitude(const MyNumeric& other) const;

  // --- multiplication and division helpers (my_numeric_muldiv.cpp) ---
  uint32_t TopNonzero() const;  // index of the highest nonzero digit (LSD when none)
  void RemoveInsignificantZeros();
  void KeepTopDigits(uint32_t k);
  NumStatus FloatToNormalNegative(uint32_t shift);
  NumStatus FloatToNormalAppend(uint32_t zeros);

  // Integer part's magnitude when it has at most maxDigits significant digits: kFits and
  // the value; kTooLong when longer; kFailed when a floating number cannot be converted.
  enum class IntegerFit { kFits, kTooLong, kFailed };
  IntegerFit IntegerMagnitude(uint32_t maxDigits, uint64_t* value) const;

  // --- binary helpers (my_numeric_binary.cpp) ---
  // Builds the number from count little-endian bytes (table path up to 128 bytes).
  NumStatus SetFromLittleEndian(const uint8_t* bytes, uint64_t count);
  // Two's-complement little-endian bytes of the integer part; the byte count, or kNoBytes.
  static constexpr int64_t kNoBytes = -1;
  int64_t IntegerToLittleEndian(std::vector<uint8_t>& bytes) const;
  // IntegerToLittleEndian with a sign byte 0xFF where a negative number's top byte would
  // read as positive (the hexadecimal and binary texts); tracing failureText when the
  // bytes cannot be had (kNoBytes).
  int64_t SignedBytesOrTrace(std::vector<uint8_t>& bytes, const std::string& failureText) const;
};

}  // namespace vpx
