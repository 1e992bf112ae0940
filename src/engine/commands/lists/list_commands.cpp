// The list and clipboard commands: adding, reading, overwriting, copying and deleting
// result-list entries, and moving texts between entries, the previous result and the
// clipboard. Every handler runs on the GUI thread.
#include <algorithm>
#include <string>

#include "engine/command_context.h"
#include "engine/handler_table.h"
#include "engine/shortcut_array.h"
#include "host/sjis.h"
#include "host/text_format.h"
#include "host/trace_log.h"
#include "language/func_catalogue.h"

namespace vpx {
namespace {

const std::string& ListLockFailureText() {
  return SJ("※　リストコントロール用ミューテックスハンドル取得に失敗。");
}

// Fails the handler with a message, the lock released first.
// A new entry that could not be made (memory); the array and the rows stay as they were.
const std::string& ListEntryFailureText() {
  return SJ("※　リストへの登録に失敗。");
}

int FailWith(ICommandContext& context, ListLockScope& scope, const std::string& text) {
  scope.Release();
  context.EchoLine(text);
  return 0;
}

// UINT for a non-negative integral value, INT for a negative one, FLOAT otherwise; fraction
// zeros (1.0) do not make a value fractional, as for the parser's argument kinds.
uint32_t NumericKind(const MyNumeric& value) {
  if (value.IsInteger() == 0) return kRetFloat;
  return value.IsMinus() ? kRetInt : kRetUInt;
}

CMyFuncResult TextRecord(const std::string& text) {
  CMyFuncResult record;
  record.type = kRetString;
  record.text = text;
  return record;
}

CMyFuncResult NumberRecord(const MyNumeric& value) {
  CMyFuncResult record;
  record.type = NumericKind(value);
  record.number = value;
  return record;
}

std::string ReservedText(uint32_t index) {
  return Format(SJ("※　ショートカット[%u]は計算スレッドに予約されています。").c_str(), index);
}

bool ReadClipboard(ICommandContext& context, std::string& text) {
  IClipboard* clipboard = context.GetUi().clipboard;
  text.clear();
  return clipboard != nullptr && clipboard->GetText(text) && !text.empty();
}

bool WriteClipboard(ICommandContext& context, const std::string& text) {
  IClipboard* clipboard = context.GetUi().clipboard;
  return clipboard != nullptr && clipboard->SetText(text);
}

// AddStrToList (V: the previous STRING result; S: the argument). The new index or -1.
int AddStrToList(ICommandContext& context, FuncId id, CMyFuncData& call) {
  const CMyFuncResult& previous = context.PreviousResult();
  if (id == FuncId::AddStrToListV && previous.type != kRetString) {
    context.EchoLine(SJ("※　直前の結果は文字列を返していません。"));
    return -1;
  }
  const std::string text = id == FuncId::AddStrToListV ? previous.text : call.GetArgText(0);
  const int index = context.AddDataToListAndShortCut(TextRecord(text), true);
  if (index < 0) context.EchoLine(ListEntryFailureText());
  return index;
}

// DelList (U: one entry; UU: a range, highest index first, reserved entries skipped).
int DelList(ICommandContext& context, FuncId id, CMyFuncData& call) {
  uint32_t first = call.GetArgValue(0).GetAsUInt();
  uint32_t last = id == FuncId::DelListUU ? call.GetArgValue(1).GetAsUInt() : first;
  if (last < first) std::swap(first, last);
  ListLockScope scope(context);
  if (!scope.Ok()) {
    const std::string& text = SJ("※　ショートカットリスト用ミューテックスハンドル取得に失敗。");
    WriteTrace(text);
    context.EchoLine(text);
    return 0;
  }
  CVXShortCutArray& shortcuts = context.ShortCutArray();
  const uint32_t count = shortcuts.GetCount();
  if (first == 0 || first >= count || count == 0)
    return FailWith(
        context, scope,
        Format(SJ("※　指定インデックスはショートカットリストの範囲外です。ErrIndex[%u] / "
                  "ListNum[%u]")
                   .c_str(),
               first, count));
  uint32_t deleted = 0;
  bool firstReserved = false;
  bool firstRemoved = false;
  for (uint32_t i = std::min(last, count - 1);; --i) {
    if (shortcuts.IsReserved(i) != 0) {
      firstReserved = i == first;
    } else if (context.RemoveAtListAndShortCut(i, false) >= 0) {
      ++deleted;
      firstRemoved = i == first;
    }
    if (i == first) break;
  }
  scope.Release();
  if (id == FuncId::DelListUU) {
    context.EchoLine(Format(SJ("[%u]個のショートカットを削除しました。").c_str(), deleted));
    return 0;
  }
  if (firstRemoved) {
    context.EchoLine(Format(SJ("Index[%u] のショートカットを削除しました。").c_str(), first));
    return 1;
  }
  context.EchoLine(Format(firstReserved
                              ? SJ("※　Index[%u] のショートカットは計算終了待ちです。").c_str()
                              : SJ("※　Index[%u] のショートカット削除に失敗しました。").c_str(),
                          first));
  return 0;
}

// AddIntToList: a numeric entry holding the argument.
int AddIntToList(ICommandContext& context, FuncId id, CMyFuncData& call) {
  ListLockScope scope(context);
  if (!scope.Ok()) return FailWith(context, scope, ListLockFailureText());
  CMyFuncResult record = NumberRecord(call.GetArgValue(0));
  record.id = static_cast<int32_t>(FuncIdValue(id));
  if (context.AddDataToListAndShortCut(record, false) < 0)
    return FailWith(context, scope, ListEntryFailureText());
  return 1;
}

// AddResultToList: a copy of the previous result as a new entry.
int AddResultToList(ICommandContext& context, FuncId, CMyFuncData&) {
  ListLockScope scope(context);
  if (!scope.Ok()) {
    WriteTrace(ListLockFailureText());
    return FailWith(context, scope, ListLockFailureText());
  }
  const CMyFuncResult& previous = context.PreviousResult();
  if (context.AddDataToShortCutArray(previous, false) < 0)
    return FailWith(context, scope, SJ("※　直前結果データの登録に失敗。"));
  if (context.AddDataToList(previous, false) == 0) {
    context.ShortCutArray().DropLast();
    return FailWith(context, scope, ListEntryFailureText());
  }
  return 1;
}

// GetListData: an entry becomes the previous result and entry 0, and is shown.
int GetListData(ICommandContext& context, FuncId, CMyFuncData& call) {
  const uint32_t index = call.GetArgValue(0).GetAsUInt();
  ListLockScope scope(context);
  if (!scope.Ok()) return FailWith(context, scope, ListLockFailureText());
  CMyFuncResult record;
  if (context.ShortCutArray().GetAt(index, record) == 0)
    return FailWith(
        context, scope,
        Format(SJ("※　ショートカットリストからのデータ取得失敗。Index[%u]").c_str(), index));
  // A reserved entry belongs to its job: copied elsewhere it would take the job's result.
  if (record.reserved != 0) return FailWith(context, scope, ReservedText(index));
  context.PreviousResult() = record;
  if (context.SetDataToListAndShortCut(0, record, false) == 0)
    return FailWith(context, scope, SJ("※　ショートカットデータのセットに失敗。"));
  scope.Release();
  std::string text;
  record.GetResultValueText(text);
  context.EchoLine(text);
  return 1;
}

// SetStrToList and SetIntToList: overwrite an existing entry.
int SetValueToList(ICommandContext& context, FuncId id, CMyFuncData& call) {
  const uint32_t index = call.GetArgValue(0).GetAsUInt();
  ListLockScope scope(context);
  if (!scope.Ok()) return FailWith(context, scope, ListLockFailureText());
  CVXShortCutArray& shortcuts = context.ShortCutArray();
  if (index >= static_cast<uint32_t>(shortcuts.GetCount())) return 0;
  const CMyFuncResult record = id == FuncId::SetStrToList ? TextRecord(call.GetArgText(1))
                                                          : NumberRecord(call.GetArgValue(1));
  if (shortcuts.IsReserved(index) != 0) return FailWith(context, scope, ReservedText(index));
  if (context.SetDataToListAndShortCut(index, record, false) == 0) {
    const std::string& format = id == FuncId::SetStrToList
                                    ? SJ("※　ショートカット[%u]への文字列データセットに失敗。")
                                    : SJ("※　ショートカット[%u]への数値データセットに失敗。");
    return FailWith(context, scope, Format(format.c_str(), index));
  }
  return 1;
}

// ListToClip: an entry's display text onto the clipboard.
int ListToClip(ICommandContext& context, FuncId, CMyFuncData& call) {
  const uint32_t index = call.GetArgValue(0).GetAsUInt();
  // Read under the lock: the control thread changes the array.
  ListLockScope scope(context);
  if (!scope.Ok()) return FailWith(context, scope, ListLockFailureText());
  CVXShortCutArray& shortcuts = context.ShortCutArray();
  const uint32_t count = shortcuts.GetCount();
  if (index >= count)
    return FailWith(context, scope,
                    Format(SJ("※　指定インデックスはショートカットリストの範囲外です。Index[%u] / "
                              "ListCount[%u]")
                               .c_str(),
                           index, count));
  CMyFuncResult record;
  if (shortcuts.GetAt(index, record) == 0)
    return FailWith(context, scope,
                    Format(SJ("※　指定インデックスからの取り出しに失敗しました。Index[%u] / "
                              "ListCount[%u]")
                               .c_str(),
                           index, count));
  scope.Release();
  std::string text;
  if (record.GetResultValueText(text) == 0) {
    context.EchoLine(SJ("※　文字列としての取り出しに失敗しました。"));
    return 0;
  }
  if (!WriteClipboard(context, text)) {
    context.EchoLine(SJ("※　クリップボードへの張り付けに失敗しました。"));
    return 0;
  }
  context.EchoLine(Format(SJ("クリップボードに %u 文字コピーしました。").c_str(),
                          static_cast<uint32_t>(text.size())));
  return 1;
}

// AddClipToList: the clipboard text becomes the previous result and a new entry.
int AddClipToList(ICommandContext& context, FuncId id, CMyFuncData& call) {
  std::string text;
  if (!ReadClipboard(context, text) || context.PreviousResult().SetData(&call, id, &text) == 0) {
    context.EchoLine(SJ("※　クリップボードからのデータ取得に失敗。"));
    return 0;
  }
  if (context.AddDataToListAndShortCut(context.PreviousResult(), true) < 0) {
    context.EchoLine(ListEntryFailureText());
    return 0;
  }
  return 1;
}

// ResultToClip: the previous result's display text onto the clipboard.
int ResultToClip(ICommandContext& context, FuncId, CMyFuncData&) {
  std::string text;
  if (context.PreviousResult().GetResultValueText(text) == 0 || !WriteClipboard(context, text)) {
    context.EchoLine(SJ("※　クリップボードへのデータセットに失敗。"));
    return 0;
  }
  context.EchoLine(text);
  return 1;
}

// GetClip: the clipboard text becomes the previous result and entry 0.
int GetClip(ICommandContext& context, FuncId id, CMyFuncData& call) {
  std::string text;
  if (!ReadClipboard(context, text) || context.PreviousResult().SetData(&call, id, &text) == 0) {
    context.EchoLine(SJ("※　クリップボードからのデータ取得に失敗。"));
    return 0;
  }
  context.EchoLine(text);
  ListLockScope scope(context);
  if (!scope.Ok()) return FailWith(context, scope, SJ("※　クリップボードからのデータ取得に失敗。"));
  context.SetResultToListAndShortCut(context.PreviousResult(), false);
  return 1;
}

// CopyList: an entry copied over another one, or appended when the destination is
// negative or beyond the end.
int CopyList(ICommandContext& context, FuncId, CMyFuncData& call) {
  const uint32_t source = call.GetArgValue(0).GetAsUInt();
  const int32_t destination = call.GetArgValue(1).GetAsInt();
  if (static_cast<int64_t>(source) == destination) return 1;
  ListLockScope scope(context);
  if (!scope.Ok()) return FailWith(context, scope, ListLockFailureText());
  CVXShortCutArray& shortcuts = context.ShortCutArray();
  const uint32_t count = shortcuts.GetCount();
  if (count == 0) return FailWith(context, scope, SJ("※　ショートカットリストの状態が異常です。"));
  if (source >= count)
    return FailWith(
        context, scope,
        Format(SJ("※　コピー元インデックスは範囲外です。ListItemCount[%u]").c_str(), count));
  CMyFuncResult record;
  if (shortcuts.GetAt(source, record) == 0)
    return FailWith(context, scope,
                    Format(SJ("※　ショートカットデータ取得に失敗。SrcIndex[%u]").c_str(), source));
  // A reservation stays with its own entry: neither copied nor overwritten.
  if (record.reserved != 0) return FailWith(context, scope, ReservedText(source));
  if (destination < 0 || static_cast<uint32_t>(destination) >= count) {
    if (context.AddDataToListAndShortCut(record, false) < 0)
      return FailWith(
          context, scope,
          Format(SJ("※　ショートカットデータ追加に失敗。SrcIndex[%u]").c_str(), source));
    return 1;
  }
  const uint32_t target = static_cast<uint32_t>(destination);
  if (shortcuts.IsReserved(target) != 0) return FailWith(context, scope, ReservedText(target));
  if (context.SetDataToListAndShortCut(target, record, false) == 0)
    return FailWith(
        context, scope,
        Format(SJ("※　ショートカットデータ上書きに失敗。DestIndex[%u] , SrcIndex[%u]").c_str(),
               target, source));
  return 1;
}

}  // namespace

void RegisterListCommands(HandlerTable& table) {
  table.AddCommand(FuncId::AddStrToListV, AddStrToList);
  table.AddCommand(FuncId::AddStrToListS, AddStrToList);
  table.AddCommand(FuncId::DelListU, DelList);
  table.AddCommand(FuncId::DelListUU, DelList);
  table.AddCommand(FuncId::AddIntToList, AddIntToList);
  table.AddCommand(FuncId::AddResultToList, AddResultToList);
  table.AddCommand(FuncId::GetListData, GetListData);
  table.AddCommand(FuncId::SetStrToList, SetValueToList);
  table.AddCommand(FuncId::SetIntToList, SetValueToList);
  table.AddCommand(FuncId::ListToClip, ListToClip);
  table.AddCommand(FuncId::AddClipToList, AddClipToList);
  table.AddCommand(FuncId::ResultToClip, ResultToClip);
  table.AddCommand(FuncId::GetClip, GetClip);
  table.AddCommand(FuncId::CopyList, CopyList);
}

}  // namespace vpx
