// WriteToFileAsStr, WriteToFileAsBin, WriteToFileAsBinBE, WriteToFileAsBCD and
// WriteToFileAsBCDBE: a text or number written into a file at an offset.
#include "engine/commands/files/file_commands.h"
#include "files/value_writer.h"

namespace vpx {
namespace {

struct WriterRow {
  FuncId id;
  WriteForm form;
};

constexpr WriterRow kWriters[] = {
    {FuncId::WriteToFileAsStrS, kWriteText},      {FuncId::WriteToFileAsStrF, kWriteNumberText},
    {FuncId::WriteToFileAsBinS, kWriteBytes},     {FuncId::WriteToFileAsBinF, kWriteInteger},
    {FuncId::WriteToFileAsBinBES, kWriteBytesBE}, {FuncId::WriteToFileAsBinBEF, kWriteIntegerBE},
    {FuncId::WriteToFileAsBCD, kWriteDigits},     {FuncId::WriteToFileAsBCDBE, kWriteDigitsBE},
};

WriteForm FormOf(FuncId id) {
  for (const WriterRow& row : kWriters)
    if (row.id == id) return row.form;
  return WriteForm{};
}

int WriteHandler(ICommandContext& context, FuncId id, CMyFuncData& call) {
  static const MyNumeric kZero;
  const MyNumeric& number = call.GetArgCount() > 2 ? call.GetArgValue(2) : kZero;
  return EchoOutcome(context, WriteValueToFile(FormOf(id), ArgText(call, 0), ArgInt64(call, 1),
                                               ArgText(call, 2), number));
}

}  // namespace

void RegisterWriteCommands(HandlerTable& table) {
  for (const WriterRow& row : kWriters) table.AddCommand(row.id, WithFileNameCheck<WriteHandler>);
}

}  // namespace vpx
