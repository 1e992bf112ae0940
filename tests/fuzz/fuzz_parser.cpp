// Fuzzes the command-line parser through the registry: any line must parse or be refused
// without a crash, and a resolved call must fit the registered argument codes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "engine/shortcut_array.h"
#include "host/trace_log.h"
#include "language/my_macro.h"

namespace {

// A registry and a shortcut array with one entry of every type, built once.
struct Fixture {
  vpx::CMyMacro macro;
  vpx::CVXShortCutArray shortcuts;
  Fixture() {
    vpx::InitTraceLog("/dev/null");
    macro.RegisterFuncTable();
    for (uint32_t type = 0; type <= 4; ++type) {
      vpx::CMyFuncResult record;
      record.type = type;
      record.text = "t";
      record.number.SetByString(type == 1 ? "-3" : "3.5");
      shortcuts.AddData(record);
    }
    macro.SetShortCutArray(&shortcuts);
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Fixture fixture;
  const std::string line(reinterpret_cast<const char*>(data), size);
  vpx::CMyFuncData call;
  const int id = fixture.macro.AnalyseAndGetID(line, call);
  if (call.GetLineText() != line && id >= 0) std::abort();
  if (id < 0) return 0;
  const int index = fixture.macro.GetIndexFromID(static_cast<uint32_t>(id));
  if (index < 0 || !fixture.macro.CheckArgTypes(static_cast<uint32_t>(index), call.GetArgTypeStr()))
    std::abort();
  const size_t expected = call.GetArgCount() == 0 ? 1 : static_cast<size_t>(call.GetArgCount());
  if (call.GetArgTypeStr().size() != expected) std::abort();
  return 0;
}
