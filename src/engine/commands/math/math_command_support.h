// What the math command handlers share: moving values between MyNumeric and the digit
// strings of the exact computations, echoing and recording results, and the console texts
// for failed operations.
#pragma once

#include <cstdint>
#include <string>

#include "language/func_id.h"
#include "numbers/math_decimal.h"
#include "numbers/my_numeric.h"

namespace vpx {

class ICommandContext;
class CMyFuncData;

// The value of x as decimal digits; std::bad_alloc for a number whose buffers could not
// be had (the line's boundary reports it).
DecimalDigits ToDecimalDigits(const MyNumeric& x);
// x takes the value of d (a saturated d leaves x saturated with its overflow mark; its
// nine count must equal x's result size). kNoMemory when a buffer cannot be had.
NumStatus StoreDecimalDigits(MyNumeric& x, const DecimalDigits& d);

// Makes value the previous result and entry 0 of the result list (taking the list lock).
// 1, or 0 after the temporary-saving failure message.
int RecordNumber(ICommandContext& context, FuncId id, CMyFuncData& call, const MyNumeric& value);
int RecordText(ICommandContext& context, FuncId id, CMyFuncData& call, const std::string& text);
// Echoes the value's text, then records it.
int EchoAndRecordNumber(ICommandContext& context, FuncId id, CMyFuncData& call,
                        const MyNumeric& value);

// The console line for a failed number operation, naming it ("除算" gives
// "※　除算に失敗しました。"). A zero divisor has DivisionByZeroText instead.
std::string OperationFailureText(const char* operationUtf8);

// Common console texts.
const std::string& NegativeNumberText();
const std::string& DivisionByZeroText();

}  // namespace vpx
