// The result list: the shortcut array and its list rows, which move together under the
// list lock. Row i shows entry i: its text (at most 1000 bytes), its index and its type
// letter, with the record's owner job as item data.
#include "engine/result_list.h"

#include <new>
#include <string>
#include <string_view>
#include <utility>

#include "host/out_of_memory.h"
#include "host/sjis.h"
#include "host/text_format.h"
#include "host/trace_log.h"
#include "language/func_catalogue.h"

namespace vpx {
namespace {

constexpr size_t kRowTextLimit = ResultList::kRowTextLimit;
constexpr int kIndexColumn = 1;

// The mark a saturated number's text ends with.
constexpr std::string_view kSaturatedMark = " (E)";

// Cuts text to at most 1000 bytes, never inside a two-byte character. A saturated value
// keeps its mark at the end of the cut row, where it stays visible.
void CutRowText(std::string& text) {
  if (text.size() <= kRowTextLimit) return;
  const bool saturated = text.ends_with(kSaturatedMark);
  const size_t limit = saturated ? kRowTextLimit - kSaturatedMark.size() : kRowTextLimit;
  size_t end = 0;
  while (end < limit) {
    size_t step = IsSjisLeadByte(static_cast<unsigned char>(text[end])) ? 2 : 1;
    if (end + step > limit) break;
    end += step;
  }
  text.resize(end);
  if (saturated) text += kSaturatedMark;
}

// The row of a number: its text cut as CutRowText cuts it, made from no more digits than
// the row shows (a million-digit value is not written out in full for a 1000-byte row).
// An unusable number shows unusable (its text being none).
void NumberRowText(const MyNumeric& number, const std::string& unusable, std::string& text) {
  text.clear();
  if (!number.AppendText(text, kRowTextLimit + 1)) {
    text = unusable;
    CutRowText(text);
    return;
  }
  if (text.size() <= kRowTextLimit) return;  // the whole text
  // A longer text is all single bytes; a saturated one ends with its mark.
  if (!number.IsOverflow()) {
    text.resize(kRowTextLimit);
    return;
  }
  text.resize(kRowTextLimit - kSaturatedMark.size());
  text += kSaturatedMark;
}

bool ShowsNumber(const CMyFuncResult& record) {
  return record.overrideFlag == 0 && record.reserved == 0 && record.type >= kRetInt &&
         record.type <= kRetFloat;
}

std::string IndexText(uint32_t index) {
  return Format("%u", index);
}

void TraceLockFailure(const char* operation) {
  WriteTrace(Format(SJ("※　リストコントロール用ミューテックスハンドル取得に失敗。%s\n").c_str(),
                    operation));
}

void TraceResultLockFailure() {
  WriteTrace(SJ(
      "※　リストコントロール用ミューテックスハンドルの取得失敗。SetResultToListAndShortCut()\n"));
}

// The text of a newly appended row: the command line of a reserved record, the override
// text of an overridden one (as a rewritten row shows it), otherwise its value. False for a
// record without a value (VOID).
bool AppendedRowText(const CMyFuncResult& record, std::string& text) {
  if (record.overrideFlag != 0) {
    text = record.overrideText;
    return true;
  }
  if (record.reserved != 0) {
    text = record.callData.GetLineText();
    return true;
  }
  if (record.type >= kRetInt && record.type <= kRetFloat) {
    NumberRowText(record.number, std::string(), text);
    return true;
  }
  if (record.type == kRetString) {
    text = record.text;
    return true;
  }
  return false;
}

// The text of a rewritten row: the record's value text (GetResultValueText), cut. False for
// a record without a value.
bool RewrittenRowText(const CMyFuncResult& record, std::string& text) {
  if (ShowsNumber(record)) {
    NumberRowText(record.number, MyNumeric::UnusableNumberText(), text);
    return true;
  }
  if (record.GetResultValueText(text) == 0) return false;
  CutRowText(text);
  return true;
}

}  // namespace

ResultList::ResultList(GuiBridge& bridge, IListView* view, Sinks sinks)
    : bridge_(bridge),
      view_(view),
      sinks_(std::move(sinks)),
      lock_(bridge, "Vorpex_ListCtrlMutex") {}

int ResultList::RowCount() {
  int rows = 0;
  OnGui([&] { rows = view_->GetRowCount(); });
  return rows;
}

int ResultList::AddDataToShortCutArray(const CMyFuncResult& record, bool lock) {
  NamedLockGuard guard(lock_, lock);
  if (!guard.Ok()) {
    TraceLockFailure("AddDataToShortCutArray()");
    return -1;
  }
  int result = entries_.AddData(record);
  return result;
}

int ResultList::RemoveAtShortCutArray(uint32_t index, bool lock) {
  NamedLockGuard guard(lock_, lock);
  if (!guard.Ok()) {
    TraceLockFailure("RemoveAtShortCutArray()");
    return -1;
  }
  int result = entries_.RemoveData(index);
  return result;
}

int ResultList::OverWriteAtShortCutArray(uint32_t index, const CMyFuncResult& record, bool lock) {
  NamedLockGuard guard(lock_, lock);
  if (!guard.Ok()) {
    TraceLockFailure("OverWriteAtShortCutArray()");
    return -1;
  }
  int result = entries_.SetAt(index, record);
  return result;
}

int ResultList::AddDataToList(const CMyFuncResult& record, bool lock) {
  std::string text;
  std::string letter;
  try {
    if (!AppendedRowText(record, text)) return 0;
    CutRowText(text);
    letter = record.GetTypeLetter();
  } catch (const std::bad_alloc&) {
    return 0;
  }
  NamedLockGuard guard(lock_, lock);
  if (!guard.Ok()) {
    TraceLockFailure("AddDataToList()");
    return 0;
  }
  enum { kAdded, kInsertFailed, kColumnFailed, kDataFailed } outcome = kAdded;
  int landed = -1;
  const uintptr_t owner = reinterpret_cast<uintptr_t>(record.owner);
  IListView* view = view_;
  const int position = rowCounter_;
  auto addRow = [&] {
    try {
      landed = view->InsertRow(position, text);
      if (landed < 0) {
        outcome = kInsertFailed;
      } else if (!view->SetCellText(landed, 1, IndexText(landed)) ||
                 !view->SetCellText(landed, 2, letter)) {
        outcome = kColumnFailed;
      } else if (!view->SetItemData(landed, owner)) {
        outcome = kDataFailed;
      }
    } catch (const std::bad_alloc&) {
      outcome = landed < 0 ? kInsertFailed : kColumnFailed;
    }
    // A row half made is taken back, so that rows and entries stay in step.
    if (outcome != kAdded && landed >= 0) view->DeleteRow(landed);
  };
  try {
    OnGui(addRow);
  } catch (const std::bad_alloc&) {
    if (landed < 0) outcome = kInsertFailed;  // the hand-over failed before the row was made
  }
  if (outcome == kAdded) rowCounter_ = landed + 1;
  guard.Release();
  switch (outcome) {
    case kAdded:
      return 1;
    case kInsertFailed:
      WriteTrace(SJ("※リストへの追加に失敗。\n"));
      break;
    case kColumnFailed:
      WriteTrace(SJ("※リストへの項目名追加に失敗。\n"));
      break;
    case kDataFailed:
      WriteTrace(SJ("※リストへのスレッドアドレス登録に失敗。\n"));
      break;
  }
  return 0;
}

int ResultList::SetDataToList(uint32_t index, const CMyFuncResult& record) {
  if (static_cast<int64_t>(index) >= rowCounter_) {
    if (AddDataToList(record, false) == 0) return -1;
    return rowCounter_;
  }
  std::string text;
  std::string letter;
  std::string indexText;
  try {
    if (!RewrittenRowText(record, text)) return -1;
    letter = record.GetTypeLetter();
    indexText = IndexText(index);
  } catch (const std::bad_alloc&) {
    return -1;
  }
  IListView* view = view_;
  const int row = static_cast<int>(index);
  bool ok = false;
  try {
    OnGui([&] {
      ok = view->SetCellText(row, 0, text) && view->SetCellText(row, 1, indexText) &&
           view->SetCellText(row, 2, letter);
    });
  } catch (const std::bad_alloc&) {
    ok = false;
  }
  return ok ? row : -1;
}

int ResultList::AddDataToListAndShortCut(const CMyFuncResult& record, bool lock) {
  NamedLockGuard guard(lock_, lock);
  if (!guard.Ok()) {
    TraceLockFailure("AddDataToListAndShortCut()");
    return -1;
  }
  int result = -1;
  if (entries_.AddData(record) < 0) {
    WriteTrace(SJ("※　ショートカット配列への追加に失敗。AddDataToListAndShortCut()\n"));
  } else if (AddDataToList(record, false) == 0) {
    entries_.DropLast();  // before the trace, which needs memory too
    WriteTrace(SJ("※　ショートカットリストへの追加に失敗。AddDataToListAndShortCut()\n"));
  } else {
    result = static_cast<int>(entries_.GetCount()) - 1;
  }
  return result;
}

int ResultList::SetResultToListAndShortCut(const CMyFuncResult& record, bool lock) {
  NamedLockGuard guard(lock_, lock);
  if (!guard.Ok()) {
    TraceResultLockFailure();
    return -1;
  }
  const int rows = RowCount();
  const int count = static_cast<int>(entries_.GetCount());
  if (rows != count) {
    // Rebuild both from scratch.
    OnGui([&] { view_->DeleteAllRows(); });
    entries_.RemoveAll();
    rowCounter_ = 0;
  } else if (count != 0) {
    const bool stored = entries_.SetAt(0, record) >= 0 && SetDataToList(0, record) >= 0;
    guard.Release();
    if (!stored) Echo(SJ("※　結果データの登録に失敗。"));
    return 1;
  }
  int result = 0;
  if (entries_.AddData(record) >= 0) {
    if (AddDataToList(record, false) != 0) {
      rowCounter_ = 1;
      result = 1;
    } else {
      entries_.DropLast();
    }
  }
  guard.Release();
  if (result == 0) Echo(SJ("※　結果データの登録に失敗。"));
  return result;
}

int ResultList::SetResultToListAndShortCut(uint32_t index, const CMyFuncResult& record, bool lock) {
  NamedLockGuard guard(lock_, lock);
  if (!guard.Ok()) {
    TraceResultLockFailure();
    return -1;
  }
  CVXShortCutArray& shortcuts = entries_;
  if (index >= static_cast<uint32_t>(shortcuts.GetCount())) {
    return -1;
  }
  int stored = static_cast<int64_t>(index) < rowCounter_ ? shortcuts.SetAt(index, record)
                                                         : shortcuts.AddData(record);
  rowCounter_ = static_cast<int>(shortcuts.GetCount());
  if (stored < 0) {
    guard.Release();
    Echo(SJ("※　ショートカット配列への追加に失敗。"));
    return -1;
  }
  if (SetDataToList(index, record) < 0) {
    shortcuts.RemoveData(index);
    guard.Release();
    Echo(SJ("※　リストへの追加に失敗。"));
    return -1;
  }
  return static_cast<int>(index);
}

int ResultList::SetDataToListAndShortCut(uint32_t index, const CMyFuncResult& record, bool lock) {
  NamedLockGuard guard(lock_, lock);
  if (!guard.Ok()) {
    TraceLockFailure("SetDataToListAndShortCut()");
    return 0;
  }
  int result = 0;
  if (static_cast<int64_t>(index) >= RowCount()) {
    WriteTrace(Format(SJ("※　指定インデックスはショートカットアイテム範囲外です。( %u )\n").c_str(),
                      index));
  } else if (OverWriteAtShortCutArray(index, record, false) < 0) {
    result = 0;
  } else if (SetDataToList(index, record) < 0) {
    WriteTrace(
        Format(SJ("※　リストコントロールへの書込に失敗。SetDataToListAndShortCut( %u )\n").c_str(),
               index));
  } else {
    result = 1;
  }
  return result;
}

int ResultList::RemoveAtListAndShortCut(uint32_t index, bool lock) {
  if (index == 0) {
    Echo(SJ("※　ショートカットのインデックス0は削除できません。"));
    return -1;
  }
  NamedLockGuard guard(lock_, lock);
  if (!guard.Ok()) {
    TraceLockFailure("RemoveAtListAndShortCut()");
    return -1;
  }
  int result = -1;
  const int rows = RowCount();
  if (static_cast<int>(entries_.GetCount()) != rows) {
    WriteTrace(SJ("※　リストと配列のアイテム数が一致しません。RemoveAtListAndShortCut()\n"));
  } else if (static_cast<int64_t>(index) >= rows) {
    WriteTrace(
        SJ("※　指定インデックスはショートカットアイテム範囲外です。RemoveAtListAndShortCut()\n"));
  } else if (entries_.RemoveData(index) >= 0) {
    result = RemoveAtShortCutList(index, false);
  }
  return result;
}

int ResultList::RemoveAtShortCutList(uint32_t index, bool lock) {
  NamedLockGuard guard(lock_, lock);
  if (!guard.Ok()) {
    TraceLockFailure("RemoveAtShortCutList()");
    return -1;
  }
  int result = -1;
  OnGui([&] {
    const int rows = view_->GetRowCount();
    if (static_cast<int64_t>(index) >= rows) return;
    // The later rows move up as they are; only their index texts change.
    view_->DeleteRows({static_cast<int>(index)});
    view_->NumberRows(kIndexColumn, static_cast<int>(index));
    result = view_->GetRowCount();
  });
  if (result < 0) {
    WriteTrace(Format(
        SJ("※　指定インデックスはショートカットアイテム範囲外です。RemoveAtShortCutList( %u )\n")
            .c_str(),
        index));
  } else {
    rowCounter_ = result;
  }
  return result;
}

int ResultList::IsShortCutItemReserved(uint32_t index, bool lock) {
  NamedLockGuard guard(lock_, lock);
  if (!guard.Ok()) {
    WriteTrace(SJ(
        "※　ショートカットリスト用ミューテックスハンドル取得に失敗。IsShortCutItemReserved()\n"));
    return 0;
  }
  int result = entries_.IsReserved(index) != 0 ? 1 : 0;
  return result;
}

// --- reservations (control thread) ---

int ResultList::AddReservation(const CMyFuncResult& record) {
  if (!lock_.Acquire()) {
    WriteTrace(
        SJ("※　リストコントロール用ミューテックスハンドル取得に失敗。AddThreadDataToListAndShortCut"
           "()\n"));
    return -1;
  }
  if (AddDataToShortCutArray(record, false) < 0) {
    lock_.Release();
    TraceAndBox(SJ("※　ショートカット配列への予約データ追加に失敗。\n"));
    return -1;
  }
  if (AddDataToList(record, false) == 0) {
    entries_.DropLast();
    const uint32_t count = entries_.GetCount();
    const int rows = RowCount();
    lock_.Release();
    TraceAndBox(SJ("※　リストコントロールへの予約データ追加に失敗。\n"));
    if (static_cast<int64_t>(count) != rows)
      TraceAndBox(Format(SJ("※　ショートカット配列とリストのアイテム数が一致しません。ShortCut[%u]/"
                            "List[%u]\n")
                             .c_str(),
                         count, static_cast<uint32_t>(rows)));
    return -1;
  }
  const int count = static_cast<int>(entries_.GetCount());
  lock_.Release();
  return count;
}

int ResultList::FillReservation(const CMyThreadDlg* owner, int32_t functionId,
                                CMyFuncResult& record, bool lock) {
  NamedLockGuard guard(lock_, lock);
  if (!guard.Ok()) {
    WriteTrace(
        SJ("※　リストコントロール用ミューテックスハンドル取得に失敗。SetThreadResultToListAndShortC"
           "ut()"
           "\n"));
    return kNotWritten;
  }
  int index = entries_.FindReserved(owner, record);
  if (index == CVXShortCutArray::kCopyFailed) {
    // Not even a copy of the job's record fits: the entry is ended where it stands.
    MakeOutOfMemoryRecord(functionId, record);
    index = entries_.FailReserved(owner, OutOfMemoryText());
  }
  if (index < 0) {
    guard.Release();
    if (index == CVXShortCutArray::kCopyFailed) throw std::bad_alloc();
    WriteTrace(SJ("※　ショートカット配列への結果書込に失敗。SetThreadResultToListAndShortCut()\n"));
    return kNoReservation;
  }
  const auto at = static_cast<uint32_t>(index);
  if (SetDataToList(at, record) < 0) {
    // The row could not take the value: entry and row both show the lack of memory.
    MakeOutOfMemoryRecord(functionId, record);
    if (entries_.SetAt(at, record) < 0 || SetDataToList(at, record) < 0) {
      guard.Release();
      WriteTrace(Format(
          SJ("※　ショートカットリストへの結果書込に失敗。SetThreadResultToListAndShortCut( %u )\n")
              .c_str(),
          at));
      return kNotWritten;
    }
  }
  return index;
}

void ResultList::MakeOutOfMemoryRecord(int32_t functionId, CMyFuncResult& record) {
  CMyFuncResult failed;
  failed.id = functionId;
  failed.type = kRetString;
  failed.overrideFlag = 1;
  failed.overrideText = OutOfMemoryText();
  record = std::move(failed);
}

// --- the user's operations ---

void ResultList::HoldList() {
  if (!held_) {
    if (!holdTaken_) holdTaken_ = lock_.AcquireHold();
    held_ = holdTaken_;
  }
  if (sinks_.holdChanged) sinks_.holdChanged(held_);
}

void ResultList::ReleaseListHold() {
  if (holdTaken_) lock_.ReleaseHold();
  holdTaken_ = false;
  held_ = false;
  if (sinks_.holdChanged) sinks_.holdChanged(held_);
}

void ResultList::DeleteSelectedRows() {
  // The control thread changes the list too, so the whole removal runs under the lock.
  NamedLockGuard guard(lock_);
  if (!guard.Ok()) return;
  OnGui([&] {
    const int rows = view_->GetRowCount();
    if (entries_.GetCount() != rows) {
      WriteTrace(SJ("※　リストと配列のアイテム数が一致しません。RemoveAtListAndShortCut()\n"));
      return;
    }
    std::vector<int> removed = view_->GetSelectedRows();
    // Entry 0 and the entries of running jobs stay.
    std::erase_if(removed, [&](int row) {
      return row < 1 || row >= rows || entries_.IsReserved(static_cast<uint32_t>(row)) != 0;
    });
    // The rows that stay move on the same positions a second press would hit: nothing is
    // left selected.
    view_->ClearSelection();
    if (removed.empty()) return;
    entries_.RemoveMany(removed);
    view_->DeleteRows(removed);
    view_->NumberRows(kIndexColumn, removed.front());
    rowCounter_ = view_->GetRowCount();
  });
}

void ResultList::SelectAllRows() {
  NamedLockGuard guard(lock_);
  if (!guard.Ok()) return;
  OnGui([&] { view_->SelectAllRows(); });
}

void ResultList::Echo(const std::string& text) {
  if (sinks_.echo) sinks_.echo(text);
}

void ResultList::TraceAndBox(const std::string& text) {
  WriteTrace(text);
  if (sinks_.messageBox) sinks_.messageBox(text);
}

}  // namespace vpx
