// ModifyFileBit (SUIS: a bit address; SUUIS: a byte index and a bit position) and
// ModifyFileByte: a named operation on one bit or byte of a file.
#include "engine/commands/files/file_commands.h"
#include "files/bit_modify.h"

namespace vpx {
namespace {

int ModifyHandler(ICommandContext& context, FuncId id, CMyFuncData& call) {
  const std::string& file = ArgText(call, 0);
  FileResult<Done> outcome = FileResult<Done>::Fail(FileFailure::kInvalid, std::string());
  if (id == FuncId::ModifyFileBitSUIS) {
    int64_t address = ArgInt64(call, 1);
    auto value = static_cast<uint8_t>(ArgInt(call, 2));
    outcome = ModifyFileBitAt(file, address >> 3, static_cast<unsigned>(address & 7), value,
                              BitOperation(ArgText(call, 3)), true, address);
  } else if (id == FuncId::ModifyFileBitSUUIS) {
    int8_t position = call.GetArgCount() > 2 ? call.GetArgValue(2).GetAsChar() : 0;
    auto value = static_cast<uint8_t>(ArgInt(call, 3));
    outcome = ModifyFileBitAt(file, ArgInt64(call, 1), static_cast<unsigned>(position & 7), value,
                              BitOperation(ArgText(call, 4)), false, 0);
  } else {
    auto value = static_cast<uint8_t>(ArgInt(call, 2));
    outcome = ModifyFileByteAt(file, ArgInt64(call, 1), value, BitOperation(ArgText(call, 3)));
  }
  return EchoOutcome(context, outcome);
}

}  // namespace

void RegisterModifyCommands(HandlerTable& table) {
  for (FuncId id : {FuncId::ModifyFileBitSUIS, FuncId::ModifyFileBitSUUIS, FuncId::ModifyFileByte})
    table.AddCommand(id, WithFileNameCheck<ModifyHandler>);
}

}  // namespace vpx
