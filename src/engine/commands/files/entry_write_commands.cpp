// Writing result-list entries, the previous result, a text or a number into a file: the
// Write… forms at a byte offset without truncating (like WriteToFileAs…), the Add… forms
// appended. Text forms write a number as its decimal text with its sign and a text as its
// bytes, each followed by CR LF; binary forms write a number's integer part in two's
// complement, little-endian or (BE) big-endian, and refuse a text.
#include <algorithm>
#include <new>
#include <vector>

#include "engine/commands/files/file_commands.h"
#include "engine/shortcut_array.h"
#include "files/value_writer.h"
#include "host/sjis.h"
#include "host/text_format.h"
#include "language/func_catalogue.h"

namespace vpx {
namespace {

// Where the values of a command come from.
enum class ValueSource {
  kListRange,  // entries first..last, written from the file's start
  kResult,     // the previous result
  kListEntry,  // one entry
  kArgument,   // the text or number argument
};

struct EntryWriter {
  FuncId id;
  ValueSource source;
  WriteForm form;  // kWriteText, kWriteInteger or kWriteIntegerBE
  bool append;
};

constexpr EntryWriter kEntryWriters[] = {
    {FuncId::WriteListToFileAsText, ValueSource::kListRange, kWriteText, false},
    {FuncId::WriteListToFileAsBin, ValueSource::kListRange, kWriteInteger, false},
    {FuncId::WriteListToFileAsBinBE, ValueSource::kListRange, kWriteIntegerBE, false},
    {FuncId::WriteResultToFileAsText, ValueSource::kResult, kWriteText, false},
    {FuncId::WriteResultToFileAsBin, ValueSource::kResult, kWriteInteger, false},
    {FuncId::WriteResultToFileAsBinBE, ValueSource::kResult, kWriteIntegerBE, false},
    {FuncId::WriteStrToFile, ValueSource::kArgument, kWriteText, false},
    {FuncId::WriteIntToFile, ValueSource::kArgument, kWriteInteger, false},
    {FuncId::WriteIntToFileBE, ValueSource::kArgument, kWriteIntegerBE, false},
    {FuncId::AddToFileAsText, ValueSource::kListEntry, kWriteText, true},
    {FuncId::AddToFileAsBin, ValueSource::kListEntry, kWriteInteger, true},
    {FuncId::AddToFileAsBinBE, ValueSource::kListEntry, kWriteIntegerBE, true},
    {FuncId::AddResultToFileAsText, ValueSource::kResult, kWriteText, true},
    {FuncId::AddResultToFileAsBin, ValueSource::kResult, kWriteInteger, true},
    {FuncId::AddResultToFileAsBinBE, ValueSource::kResult, kWriteIntegerBE, true},
    {FuncId::AddStrToFile, ValueSource::kArgument, kWriteText, true},
    {FuncId::AddIntToFile, ValueSource::kArgument, kWriteInteger, true},
    {FuncId::AddIntToFileBE, ValueSource::kArgument, kWriteIntegerBE, true},
};

const EntryWriter& WriterOf(FuncId id) {
  for (const EntryWriter& writer : kEntryWriters)
    if (writer.id == id) return writer;
  return kEntryWriters[0];
}

bool IsBinary(const EntryWriter& writer) {
  return writer.form.encoding == WriteEncoding::kBinary;
}

// The values to write, kept alive while the writer reads them through sources.
struct WriteValues {
  std::vector<CMyFuncResult> records;
  std::vector<std::string> texts;  // a record's value as text, for the text forms
  std::vector<WriteSource> sources;
};

// Records named in refusals: an entry by its index, or the previous result.
std::string SubjectName(bool previous, uint32_t index) {
  return previous ? SJ("直前の結果") : Format(SJ("ショートカット[%u]").c_str(), index);
}

// Turns the records into sources for the writer's form; the refusal text of the first
// record that has no value the form can write, else empty.
std::string RecordsToSources(const EntryWriter& writer, WriteValues& values, bool previous,
                             uint32_t firstIndex) {
  values.texts.assign(values.records.size(), std::string());
  values.sources.clear();
  for (size_t i = 0; i < values.records.size(); ++i) {
    const CMyFuncResult& record = values.records[i];
    const uint32_t index = firstIndex + static_cast<uint32_t>(i);
    if (record.reserved != 0)
      return Format(SJ("※　ショートカット[%u]は計算スレッドに予約されています。").c_str(), index);
    const bool text = record.type == kRetString;
    if (record.overrideFlag != 0 || (!text && (record.type < kRetInt || record.type > kRetFloat)))
      return Format(SJ("※　%sは書き込める値を持っていません。").c_str(),
                    SubjectName(previous, index).c_str());
    if (IsBinary(writer)) {
      if (text)
        return Format(SJ("※　%sは文字列です。バイナリの数値としては書き込めません。").c_str(),
                      SubjectName(previous, index).c_str());
      values.sources.push_back(WriteSource{nullptr, &record.number});
    } else {
      values.texts[i] = text ? record.text : SignedDecimalText(record.number);
      values.sources.push_back(WriteSource{&values.texts[i], nullptr});
    }
  }
  return std::string();
}

const std::string& NoMemoryText() {
  return SJ("※　バッファの確保に失敗しました。");
}

std::string OutOfRangeText(uint32_t index, uint32_t count) {
  return Format(SJ("※　指定インデックスはショートカットリストの範囲外です。Index[%u] / "
                   "ListCount[%u]")
                    .c_str(),
                index, count);
}

// Copies entries first..last (a reversed pair is swapped) under the list lock; the
// failure text, or empty.
std::string CopyEntries(ICommandContext& context, uint32_t first, uint32_t last,
                        std::vector<CMyFuncResult>& records) {
  if (first > last) std::swap(first, last);
  if (!context.AcquireListLock())
    return SJ("※　リストコントロール用ミューテックスハンドル取得に失敗。");
  const CVXShortCutArray& shortcuts = context.ShortCutArray();
  const uint32_t count = static_cast<uint32_t>(shortcuts.GetCount());
  std::string failure;
  if (last >= count) {
    failure = OutOfRangeText(last, count);
  } else {
    try {
      records.resize(last - first + 1);
      for (uint32_t i = first; i <= last; ++i) shortcuts.GetAt(i, records[i - first]);
    } catch (const std::bad_alloc&) {
      records.clear();
      failure = NoMemoryText();
    }
  }
  context.ReleaseListLock();
  return failure;
}

std::string CopyPreviousResult(ICommandContext& context, std::vector<CMyFuncResult>& records) {
  // Jobs write the previous result under the list lock.
  if (!context.AcquireListLock())
    return SJ("※　リストコントロール用ミューテックスハンドル取得に失敗。");
  std::string failure;
  try {
    records.assign(1, context.PreviousResult());
  } catch (const std::bad_alloc&) {
    failure = NoMemoryText();
  }
  context.ReleaseListLock();
  return failure;
}

// The values of the call and where they go; the failure text, or empty.
std::string CollectValues(ICommandContext& context, const EntryWriter& writer,
                          const CMyFuncData& call, WriteValues& values, WritePlace& place) {
  place.append = writer.append;
  place.offset = writer.append || writer.source == ValueSource::kListRange ? 0 : ArgInt64(call, 1);
  const int valueArg = writer.append ? 1 : 2;
  std::string failure;
  switch (writer.source) {
    case ValueSource::kArgument:
      values.sources.push_back(
          WriteSource{&ArgText(call, valueArg),
                      valueArg < call.GetArgCount() ? &call.GetArgValue(valueArg) : nullptr});
      return std::string();
    case ValueSource::kResult:
      failure = CopyPreviousResult(context, values.records);
      return failure.empty() ? RecordsToSources(writer, values, true, 0) : failure;
    case ValueSource::kListEntry:
    case ValueSource::kListRange: {
      const uint32_t first = call.GetArgValue(1).GetAsUInt();
      const uint32_t last =
          writer.source == ValueSource::kListRange ? call.GetArgValue(2).GetAsUInt() : first;
      failure = CopyEntries(context, first, last, values.records);
      return failure.empty() ? RecordsToSources(writer, values, false, std::min(first, last))
                             : failure;
    }
  }
  return std::string();
}

int EntryWriteHandler(ICommandContext& context, FuncId id, CMyFuncData& call) {
  const EntryWriter& writer = WriterOf(id);
  const int needed = writer.source == ValueSource::kResult      ? (writer.append ? 1 : 2)
                     : writer.source == ValueSource::kListRange ? 3
                                                                : (writer.append ? 2 : 3);
  if (call.GetArgCount() < needed) return 0;
  WriteValues values;
  WritePlace place;
  std::string message;
  try {
    message = CollectValues(context, writer, call, values, place);
  } catch (const std::bad_alloc&) {  // the values as texts
    message = NoMemoryText();
  }
  if (!message.empty()) {
    context.EchoLine(message);
    return 0;
  }
  return EchoOutcome(context,
                     WriteValuesToFile(writer.form, ArgText(call, 0), place, values.sources));
}

}  // namespace

void RegisterEntryWriteCommands(HandlerTable& table) {
  for (const EntryWriter& writer : kEntryWriters)
    table.AddCommand(writer.id, WithFileNameCheck<EntryWriteHandler>);
}

}  // namespace vpx
