// WriteToFileAsStr, WriteToFileAsBin, WriteToFileAsBinBE, WriteToFileAsBCD and
// WriteToFileAsBCDBE: a text or number written into a file at an offset.
#include "fileops/file_commands.h"
#include "fileops/value_writer.h"

namespace vpx {
namespace {

struct WriterRow {
  FuncId id;
  WriteForm form;
};

constexpr WriterRow kWriters[] = {
    {FuncId::WriteToFileAsStrS, {WriteEncoding::kText, false, false}},
    {FuncId::WriteToFileAsStrF, {WriteEncoding::kText, true, false}},
    {FuncId::WriteToFileAsBinS, {WriteEncoding::kBinary, false, false}},
    {FuncId::WriteToFileAsBinF, {WriteEncoding::kBinary, true, false}},
    {FuncId::WriteToFileAsBinBES, {WriteEncoding::kBinary, false, true}},
    {FuncId::WriteToFileAsBinBEF, {WriteEncoding::kBinary, true, true}},
    {FuncId::WriteToFileAsBCD, {WriteEncoding::kDigits, true, false}},
    {FuncId::WriteToFileAsBCDBE, {WriteEncoding::kDigits, true, true}},
};

WriteForm FormOf(FuncId id) {
  for (const WriterRow& row : kWriters)
    if (row.id == id) return row.form;
  return WriteForm{};
}

int WriteHandler(ICommandContext& engine, FuncId id, CMyFuncData& call) {
  static const MyNumeric kZero;
  const MyNumeric& number = call.GetArgCount() > 2 ? call.GetArgValue(2) : kZero;
  std::string message;
  int ok = WriteValueToFile(FormOf(id), ArgText(call, 0), ArgInt64(call, 1), ArgText(call, 2),
                            number, &message);
  engine.EchoLine(message);
  return ok;
}

}  // namespace

void RegisterWriteCommands(HandlerTable& table) {
  for (const WriterRow& row : kWriters) table.AddCommand(row.id, WriteHandler);
}

}  // namespace vpx
