// WriteToFileAsStr, WriteToFileAsBin, WriteToFileAsBinBE, WriteToFileAsBCD and
// WriteToFileAsBCDBE (239-246): a text or number written into a file at an offset.
#include "fileops/file_commands.h"
#include "fileops/value_writer.h"

namespace vpx {
namespace {

int WriteHandler(CVorpexEngine& engine, uint32_t id, CMyFuncData& call) {
  static const MyNumeric kZero;
  const MyNumeric& number = call.GetArgCount() > 2 ? call.GetArgValue(2) : kZero;
  std::string message;
  int ok =
      WriteValueToFile(id, ArgText(call, 0), ArgInt64(call, 1), ArgText(call, 2), number, &message);
  engine.EchoLine(message);
  return ok;
}

}  // namespace

void RegisterWriteCommands(HandlerTable& table) {
  for (uint32_t id = 239; id <= 246; ++id) table.AddCommand(id, WriteHandler);
}

}  // namespace vpx
