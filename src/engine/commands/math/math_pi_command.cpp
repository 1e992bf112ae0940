// The handler of GetPi and its job body: the digit rules and cap of GetNapier; short
// requests are computed at once, long ones run as a job so that the window stays live.
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
#include "numbers/math_pi.h"
#include "numbers/my_numeric.h"

namespace vpx {
namespace {

constexpr uint32_t kPiDigitLimit = 1'000'000;
constexpr uint32_t kPiDefaultDigits = 100;  // GetPi(0)
// Up to this many digits pi takes about 10 ms on one core, short enough for the window's
// thread; longer requests (up to a second at the cap) run as a job that can be cancelled.
constexpr uint32_t kPiInlineDigits = 20'000;

uint32_t PiDigitsOf(const CMyFuncData& call) {
  const uint32_t d = std::min(call.GetArgValue(0).GetAsUInt(), kPiDigitLimit);
  return d == 0 ? kPiDefaultDigits : d;
}

// pi into r with d significant digits; d becomes the result size (and the process
// default). False when aborted or a buffer failed. progress: a job's, or null.
bool PiOnNumber(MyNumeric& r, uint32_t d, bool twoThreads, CancelToken abort,
                JobProgress* progress) {
  DecimalDigits pi;
  if (!PiDigits(d, twoThreads, abort, &pi, kPiGuardDigits, progress)) return false;
  r.SetResultSize(d);
  return StoreDecimalDigits(r, pi) == NumStatus::kOk;
}

int RunGetPi(ICommandContext& engine, FuncId id, CMyFuncData& call) {
  if (call.GetArgCount() < 1) return 0;
  const uint32_t d = PiDigitsOf(call);
  if (d > kPiInlineDigits) {
    return engine.QueueJob(
        id, call,
        {SJ("※　スレッドクラス作成に失敗。"), std::string(), SJ("※　スレッドクラス登録に失敗。")});
  }
  MyNumeric r;
  if (!PiOnNumber(r, d, false, nullptr, nullptr)) {
    engine.EchoLine(OperationFailureText("円周率の計算"));
    return 0;
  }
  return EchoAndRecordNumber(engine, id, call, r);
}

int GetPiJob(CMyThreadDlg& job) {
  const CMyFuncData& call = job.GetCallData();
  if (call.GetArgCount() < 1) return 0;
  MyNumeric r(job.GetCancelToken());
  if (!PiOnNumber(r, PiDigitsOf(call), SecondCoreAvailable(), job.GetCancelToken(),
                  &job.Progress())) {
    if (!job.IsCancelled()) job.SetError(OperationFailureText("円周率の計算"));
    return 0;
  }
  job.NumericResult().Swap(r);
  return 1;
}

}  // namespace

void RegisterPiCommand(HandlerTable& table) {
  table.AddCommand(FuncId::GetPi, RunGetPi);
  table.AddJobBody(FuncId::GetPi, GetPiJob, JobShutdown::kAbandon);
}

}  // namespace vpx
