// Handlers of Pow, SqRoot, GetNapier, LogE and Factorial, and the job bodies of GetNapier,
// LogE and Factorial. The digits come from the exact computations; these handlers keep the
// commands' limits, messages and result-size settings.
#include <mpfr.h>

#include <algorithm>
#include <string>

#include "engine/command_context.h"
#include "engine/commands/math/math_command_support.h"
#include "engine/commands/math/math_commands.h"
#include "engine/handler_table.h"
#include "engine/thread_dlg.h"
#include "host/sjis.h"
#include "language/func_data.h"
#include "numbers/binary_splitting.h"
#include "numbers/math_exp_log.h"
#include "numbers/math_factorial.h"
#include "numbers/math_roots.h"
#include "numbers/my_numeric.h"

namespace vpx {
namespace {

constexpr uint32_t kSeriesDigitLimit = 1'000'000;  // SqRoot, GetNapier, LogE
constexpr uint32_t kLogEInlineDigits = 30;         // longer logarithms run as jobs
constexpr uint32_t kLogEDefaultDigits = 100;       // LogE(x, 0)
constexpr uint32_t kFactorialLimit = 10'000'000;   // arguments must stay below
constexpr uint32_t kFactorialResultSize = 1'000'000;
constexpr uint32_t kNapierTableCap = 456'574;
// Longer e runs as a job (progress, cancel) so that the window stays live: 100,000 digits
// take about 20 ms on one core, a million about 0.3 s.
constexpr uint32_t kNapierInlineDigits = 100'000;

// --- Pow ---

int RunPow(ICommandContext& engine, FuncId id, CMyFuncData& call) {
  if (call.GetArgCount() < 2) return 0;
  MyNumeric r(call.GetArgValue(0));
  DecimalDigits power;
  if (PowDigits(ToDecimalDigits(r), call.GetArgValue(1).GetAsInt(), r.GetResultSize(), &power) ==
      PowStatus::kDivisionByZero) {
    engine.EchoLine(DivisionByZeroText());
    return 0;
  }
  if (StoreDecimalDigits(r, power) != NumStatus::kOk) {
    engine.EchoLine(OperationFailureText("べき乗"));
    return 0;
  }
  r.RefreshValidPartSize();
  return EchoAndRecordNumber(engine, id, call, r);
}

// --- SqRoot ---

int RunSquareRoot(ICommandContext& engine, FuncId id, CMyFuncData& call) {
  if (call.GetArgCount() < (id == FuncId::SqRootFU ? 2 : 1)) return 0;
  MyNumeric r(call.GetArgValue(0));
  r.RefreshValidPartSize();  // -0 is zero, not negative
  if (r.IsMinus()) {
    engine.EchoLine(NegativeNumberText());
    return 0;
  }
  if (r.IsZero()) {
    r.SetZero();
    r.RefreshValidPartSize();
    return EchoAndRecordNumber(engine, id, call, r);
  }
  // The digit count becomes the process default too, as later commands expect.
  if (id == FuncId::SqRootFU)
    r.SetResultSize(std::min(call.GetArgValue(1).GetAsUInt(), kSeriesDigitLimit));
  if (StoreDecimalDigits(r, SquareRootDigits(ToDecimalDigits(r), r.GetResultSize())) !=
      NumStatus::kOk) {
    engine.EchoLine(OperationFailureText("平方根の計算"));
    return 0;
  }
  return EchoAndRecordNumber(engine, id, call, r);
}

// --- GetNapier ---

uint32_t NapierDigitsOf(const CMyFuncData& call) {
  const uint32_t digits = std::min(call.GetArgValue(0).GetAsUInt(), kSeriesDigitLimit);
  return digits == 0 ? 100 : digits;
}

// e into r with `digits` digits. The series of the original sized its numbers (and the
// process default) to twice the factorial length it needed; that setting is kept. 0, or
// -1 when aborted or a buffer failed. progress: a job's, or null.
int NapierOnNumber(MyNumeric& r, uint32_t digits, bool twoThreads, CancelToken abort,
                   JobProgress* progress) {
  const uint32_t factorialDigits = std::min(kNapierTableCap, 2 * digits);
  r.SetResultSize(2 * factorialDigits);
  DecimalDigits e;
  if (!NapierDigits(digits, twoThreads, abort, &e, progress)) return -1;
  return StoreDecimalDigits(r, e) == NumStatus::kOk ? 0 : -1;
}

int RunNapier(ICommandContext& engine, FuncId id, CMyFuncData& call) {
  if (call.GetArgCount() < 1) return 0;
  const uint32_t digits = NapierDigitsOf(call);
  if (digits > kNapierInlineDigits) {
    return engine.QueueJob(
        id, call,
        {SJ("※　スレッドクラス作成に失敗。"), std::string(), SJ("※　スレッドクラス登録に失敗。")});
  }
  MyNumeric r;
  if (NapierOnNumber(r, digits, SecondCoreAvailable(), nullptr, nullptr) != 0) {
    engine.EchoLine(OperationFailureText("ネイピア数の計算"));
    return 0;
  }
  return EchoAndRecordNumber(engine, id, call, r);
}

int NapierJob(CMyThreadDlg& job) {
  const CMyFuncData& call = job.GetCallData();
  if (call.GetArgCount() < 1) return 0;
  MyNumeric r(job.GetCancelToken());
  if (NapierOnNumber(r, NapierDigitsOf(call), SecondCoreAvailable(), job.GetCancelToken(),
                     &job.Progress()) != 0) {
    if (!job.IsCancelled()) job.SetError(OperationFailureText("ネイピア数の計算"));
    return 0;
  }
  job.NumericResult().Swap(r);
  return 1;
}

// --- LogE ---

// The digit count of a LogE call: 0 means the default.
uint32_t LogEDigitsOf(const CMyFuncData& call) {
  const uint32_t d = call.GetArgValue(1).GetAsUInt();
  return d == 0 ? kLogEDefaultDigits : d;
}

// ln x into x with d digits: the result size is d + 10 while computing and d afterwards
// (both also the process default). ln 0 is the negative saturated value. False when
// aborted or a buffer failed. progress: a job's, or null.
bool LogEOnNumber(MyNumeric& x, uint32_t d, CancelToken abort, bool twoThreads,
                  JobProgress* progress) {
  x.SetResultSize(d + 10);
  x.RefreshValidPartSize();
  if (x.IsZero()) return StoreDecimalDigits(x, SaturatedNines(d + 10, true)) == NumStatus::kOk;
  DecimalDigits log;
  if (!LogEDigits(ToDecimalDigits(x), d, abort, &log, twoThreads, kLogGuardBits, progress))
    return false;
  if (StoreDecimalDigits(x, log) != NumStatus::kOk) return false;
  if (!log.IsZero()) x.SetResultSize(d);
  return true;
}

int RunLogE(ICommandContext& engine, FuncId id, CMyFuncData& call) {
  if (call.GetArgCount() < 2) return 0;
  if (call.GetArgValue(1).GetAsUInt() > kSeriesDigitLimit) {
    engine.EchoLine(SJ("※　桁数が大きすぎます。1,000,000桁以下にしてください。"));
    return 0;
  }
  MyNumeric r(call.GetArgValue(0));
  r.RefreshValidPartSize();
  if (r.IsMinus()) {
    engine.EchoLine(NegativeNumberText());
    return 0;
  }
  const uint32_t d = LogEDigitsOf(call);
  if (d > kLogEInlineDigits) {
    return engine.QueueJob(
        id, call,
        {SJ("※　スレッドクラス作成に失敗。"), std::string(), SJ("※　スレッドクラス登録に失敗。")});
  }
  if (!LogEOnNumber(r, d, nullptr, false, nullptr)) {
    engine.EchoLine(SJ("※　エラー"));
    return 0;
  }
  return EchoAndRecordNumber(engine, id, call, r);
}

// MPFR keeps per-thread caches (pi, log 2, ...) that would outlive a worker thread; a job
// body releases them before its thread ends.
struct MpfrThreadCacheRelease {
  ~MpfrThreadCacheRelease() { mpfr_free_cache(); }
};

int LogEJob(CMyThreadDlg& job) {
  MpfrThreadCacheRelease releaseCaches;
  const CMyFuncData& call = job.GetCallData();
  if (call.GetArgCount() < 2) return 0;
  MyNumeric r(job.GetCancelToken());
  r = call.GetArgValue(0);
  r.RefreshValidPartSize();
  if (r.IsMinus()) {
    job.SetError(NegativeNumberText());
    return 0;
  }
  if (!LogEOnNumber(r, LogEDigitsOf(call), job.GetCancelToken(), SecondCoreAvailable(),
                    &job.Progress())) {
    // A cancelled logarithm leaves no value: the argument must not pass for its result.
    if (!job.IsCancelled()) job.SetError(SJ("※　エラー"));
    return 0;
  }
  job.NumericResult().Swap(r);
  return 1;
}

// --- Factorial ---

int RunFactorial(ICommandContext& engine, FuncId id, CMyFuncData& call) {
  if (call.GetArgCount() < 1) return 0;
  if (call.GetArgValue(0).GetAsUInt() >= kFactorialLimit) {
    engine.EchoLine(SJ("※　大きすぎる数値です。10,000,000未満である必要があります。"));
    return 0;
  }
  return engine.QueueJob(
      id, call, {SJ("※　スレッドクラス作成に失敗。VPX_Factorial"), std::string(), std::string()});
}

int FactorialJob(CMyThreadDlg& job) {
  MpfrThreadCacheRelease releaseCaches;
  const CMyFuncData& call = job.GetCallData();
  if (call.GetArgCount() < 1) return 0;
  const uint32_t n = call.GetArgValue(0).GetAsUInt();
  MyNumeric r(job.GetCancelToken());
  r.SetResultSize(kFactorialResultSize);  // also the process default
  if (n >= kFactorialLimit) {
    job.SetError(SJ("※　大きすぎる数値です。10,000,000未満である必要があります。"));
    return 0;
  }
  DecimalDigits value;
  if (!ComputeFactorial(n, kFactorialResultSize, job.GetCancelToken(), &value,
                        SecondCoreAvailable(), &job.Progress()))
    return 0;
  if (StoreDecimalDigits(r, value) != NumStatus::kOk) {
    job.SetError(OperationFailureText("階乗の計算"));
    return 0;
  }
  job.NumericResult().Swap(r);
  return 1;
}

}  // namespace

void RegisterSeriesCommands(HandlerTable& table) {
  table.AddCommand(FuncId::Pow, RunPow);
  table.AddCommand(FuncId::SqRootF, RunSquareRoot);
  table.AddCommand(FuncId::SqRootFU, RunSquareRoot);
  table.AddCommand(FuncId::GetNapier, RunNapier);
  table.AddJobBody(FuncId::GetNapier, NapierJob, JobShutdown::kAbandon);
  table.AddCommand(FuncId::LogE, RunLogE);
  table.AddJobBody(FuncId::LogE, LogEJob, JobShutdown::kAbandon);
  table.AddCommand(FuncId::Factorial, RunFactorial);
  table.AddJobBody(FuncId::Factorial, FactorialJob, JobShutdown::kAbandon);
}

}  // namespace vpx
