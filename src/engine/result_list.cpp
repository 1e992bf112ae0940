// The result list: the shortcut array and its list rows, which move together under the
// list lock. Row i shows entry i: its text (at most 1000 bytes), its index and its type
// letter, with the record's owner job as item data.
#include <new>
#include <string>
#include <string_view>

#include "engine/engine_impl.h"
#include "host/platform.h"
#include "host/sjis.h"
#include "host/text_format.h"
#include "host/trace_log.h"

namespace vpx {
namespace {

constexpr size_t kRowTextLimit = 1000;

// The mark a saturated number's text ends with.
constexpr std::string_view kSaturatedMark = " (E)";

// At most 1000 bytes, never ending inside a two-byte character. A saturated value keeps
// its mark at the end of the cut row, where it stays visible.
std::string CutRowText(const std::string& text) {
  if (text.size() <= kRowTextLimit) return text;
  const bool saturated = text.ends_with(kSaturatedMark);
  const size_t limit = saturated ? kRowTextLimit - kSaturatedMark.size() : kRowTextLimit;
  size_t end = 0;
  while (end < limit) {
    size_t step = IsSjisLeadByte(static_cast<unsigned char>(text[end])) ? 2 : 1;
    if (end + step > limit) break;
    end += step;
  }
  std::string cut = text.substr(0, end);
  if (saturated) cut += kSaturatedMark;
  return cut;
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
    text.clear();
    record.number.GetDataAsStr(&text);
    return true;
  }
  if (record.type == kRetString) {
    text = record.text;
    return true;
  }
  return false;
}

}  // namespace

int CVorpexEngine::Impl::ListRowCount() {
  int rows = 0;
  OnGui([&] { rows = ui.resultList->GetRowCount(); });
  return rows;
}

void CVorpexEngine::Impl::DropLastEntry() {
  shortcuts.DropLast();  // allocates nothing, so it cannot fail when memory is short
}

int CVorpexEngine::AddDataToShortCutArray(const CMyFuncResult& record, bool lock) {
  NamedLockGuard guard(impl_->listLock, lock);
  if (!guard.Ok()) {
    TraceLockFailure("AddDataToShortCutArray()");
    return -1;
  }
  int result = impl_->shortcuts.AddData(record);
  return result;
}

int CVorpexEngine::RemoveAtShortCutArray(uint32_t index, bool lock) {
  NamedLockGuard guard(impl_->listLock, lock);
  if (!guard.Ok()) {
    TraceLockFailure("RemoveAtShortCutArray()");
    return -1;
  }
  int result = impl_->shortcuts.RemoveData(index);
  return result;
}

int CVorpexEngine::OverWriteAtShortCutArray(uint32_t index, const CMyFuncResult& record,
                                            bool lock) {
  NamedLockGuard guard(impl_->listLock, lock);
  if (!guard.Ok()) {
    TraceLockFailure("OverWriteAtShortCutArray()");
    return -1;
  }
  int result = impl_->shortcuts.SetAt(index, record);
  return result;
}

int CVorpexEngine::AddDataToList(const CMyFuncResult& record, bool lock) {
  std::string text;
  std::string letter;
  try {
    if (!AppendedRowText(record, text)) return 0;
    text = CutRowText(text);
    letter = record.GetTypeLetter();
  } catch (const std::bad_alloc&) {
    return 0;
  }
  NamedLockGuard guard(impl_->listLock, lock);
  if (!guard.Ok()) {
    TraceLockFailure("AddDataToList()");
    return 0;
  }
  enum { kAdded, kInsertFailed, kColumnFailed, kDataFailed } outcome = kAdded;
  int landed = -1;
  const uintptr_t owner = reinterpret_cast<uintptr_t>(record.owner);
  IListView* view = ui_.resultList;
  const int position = impl_->rowCounter;
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
    impl_->OnGui(addRow);
  } catch (const std::bad_alloc&) {
    if (landed < 0) outcome = kInsertFailed;  // the hand-over failed before the row was made
  }
  if (outcome == kAdded) impl_->rowCounter = landed + 1;
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

int CVorpexEngine::SetDataToList(uint32_t index, const CMyFuncResult& record) {
  if (static_cast<int64_t>(index) >= impl_->rowCounter) {
    if (AddDataToList(record, false) == 0) return -1;
    return impl_->rowCounter;
  }
  std::string text;
  std::string letter;
  std::string indexText;
  try {
    if (record.GetResultValueText(text) == 0) return -1;
    text = CutRowText(text);
    letter = record.GetTypeLetter();
    indexText = IndexText(index);
  } catch (const std::bad_alloc&) {
    return -1;
  }
  IListView* view = ui_.resultList;
  const int row = static_cast<int>(index);
  bool ok = false;
  try {
    impl_->OnGui([&] {
      ok = view->SetCellText(row, 0, text) && view->SetCellText(row, 1, indexText) &&
           view->SetCellText(row, 2, letter);
    });
  } catch (const std::bad_alloc&) {
    ok = false;
  }
  return ok ? row : -1;
}

int CVorpexEngine::AddDataToListAndShortCut(const CMyFuncResult& record, bool lock) {
  NamedLockGuard guard(impl_->listLock, lock);
  if (!guard.Ok()) {
    TraceLockFailure("AddDataToListAndShortCut()");
    return -1;
  }
  int result = -1;
  if (impl_->shortcuts.AddData(record) < 0) {
    WriteTrace(SJ("※　ショートカット配列への追加に失敗。AddDataToListAndShortCut()\n"));
  } else if (AddDataToList(record, false) == 0) {
    impl_->DropLastEntry();  // before the trace, which needs memory too
    WriteTrace(SJ("※　ショートカットリストへの追加に失敗。AddDataToListAndShortCut()\n"));
  } else {
    result = static_cast<int>(impl_->shortcuts.GetCount()) - 1;
  }
  return result;
}

int CVorpexEngine::SetResultToListAndShortCut(const CMyFuncResult& record, bool lock) {
  NamedLockGuard guard(impl_->listLock, lock);
  if (!guard.Ok()) {
    TraceResultLockFailure();
    return -1;
  }
  const int rows = impl_->ListRowCount();
  const int count = static_cast<int>(impl_->shortcuts.GetCount());
  if (rows != count) {
    // Rebuild both from scratch.
    impl_->OnGui([&] { ui_.resultList->DeleteAllRows(); });
    impl_->shortcuts.RemoveAll();
    impl_->rowCounter = 0;
  } else if (count != 0) {
    const bool stored = impl_->shortcuts.SetAt(0, record) >= 0 && SetDataToList(0, record) >= 0;
    guard.Release();
    if (!stored) EchoLine(SJ("※　結果データの登録に失敗。"));
    return 1;
  }
  int result = 0;
  if (impl_->shortcuts.AddData(record) >= 0) {
    if (AddDataToList(record, false) != 0) {
      impl_->rowCounter = 1;
      result = 1;
    } else {
      impl_->DropLastEntry();
    }
  }
  guard.Release();
  if (result == 0) EchoLine(SJ("※　結果データの登録に失敗。"));
  return result;
}

int CVorpexEngine::SetResultToListAndShortCut(uint32_t index, const CMyFuncResult& record,
                                              bool lock) {
  NamedLockGuard guard(impl_->listLock, lock);
  if (!guard.Ok()) {
    TraceResultLockFailure();
    return -1;
  }
  CVXShortCutArray& shortcuts = impl_->shortcuts;
  if (index >= static_cast<uint32_t>(shortcuts.GetCount())) {
    return -1;
  }
  int stored = static_cast<int64_t>(index) < impl_->rowCounter ? shortcuts.SetAt(index, record)
                                                               : shortcuts.AddData(record);
  impl_->rowCounter = static_cast<int>(shortcuts.GetCount());
  if (stored < 0) {
    guard.Release();
    EchoLine(SJ("※　ショートカット配列への追加に失敗。"));
    return -1;
  }
  if (SetDataToList(index, record) < 0) {
    shortcuts.RemoveData(index);
    guard.Release();
    EchoLine(SJ("※　リストへの追加に失敗。"));
    return -1;
  }
  return static_cast<int>(index);
}

int CVorpexEngine::SetDataToListAndShortCut(uint32_t index, const CMyFuncResult& record,
                                            bool lock) {
  NamedLockGuard guard(impl_->listLock, lock);
  if (!guard.Ok()) {
    TraceLockFailure("SetDataToListAndShortCut()");
    return 0;
  }
  int result = 0;
  if (static_cast<int64_t>(index) >= impl_->ListRowCount()) {
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

int CVorpexEngine::RemoveAtListAndShortCut(uint32_t index, bool lock) {
  if (index == 0) {
    EchoLine(SJ("※　ショートカットのインデックス0は削除できません。"));
    return -1;
  }
  NamedLockGuard guard(impl_->listLock, lock);
  if (!guard.Ok()) {
    TraceLockFailure("RemoveAtListAndShortCut()");
    return -1;
  }
  int result = -1;
  const int rows = impl_->ListRowCount();
  if (static_cast<int>(impl_->shortcuts.GetCount()) != rows) {
    WriteTrace(SJ("※　リストと配列のアイテム数が一致しません。RemoveAtListAndShortCut()\n"));
  } else if (static_cast<int64_t>(index) >= rows) {
    WriteTrace(
        SJ("※　指定インデックスはショートカットアイテム範囲外です。RemoveAtListAndShortCut()\n"));
  } else if (impl_->shortcuts.RemoveData(index) >= 0) {
    result = RemoveAtShortCutList(index, false);
  }
  return result;
}

int CVorpexEngine::Impl::CopyRow(int from, int to) {
  IListView* view = ui.resultList;
  view->SetCellText(to, 0, view->GetCellText(from, 0));
  view->SetCellText(to, 1, IndexText(static_cast<uint32_t>(to)));
  view->SetCellText(to, 2, view->GetCellText(from, 2));
  view->SetItemData(to, view->GetItemData(from));
  return to;
}

int CVorpexEngine::RemoveAtShortCutList(uint32_t index, bool lock) {
  NamedLockGuard guard(impl_->listLock, lock);
  if (!guard.Ok()) {
    TraceLockFailure("RemoveAtShortCutList()");
    return -1;
  }
  int result = -1;
  impl_->OnGui([&] {
    IListView* view = ui_.resultList;
    const int rows = view->GetRowCount();
    if (static_cast<int64_t>(index) >= rows) return;
    for (int r = static_cast<int>(index) + 1; r < rows; ++r) impl_->CopyRow(r, r - 1);
    view->DeleteRow(rows - 1);
    result = view->GetRowCount();
  });
  if (result < 0) {
    WriteTrace(Format(
        SJ("※　指定インデックスはショートカットアイテム範囲外です。RemoveAtShortCutList( %u )\n")
            .c_str(),
        index));
  } else {
    impl_->rowCounter = result;
  }
  return result;
}

int CVorpexEngine::IsShortCutItemReserved(uint32_t index, bool lock) {
  NamedLockGuard guard(impl_->listLock, lock);
  if (!guard.Ok()) {
    WriteTrace(SJ(
        "※　ショートカットリスト用ミューテックスハンドル取得に失敗。IsShortCutItemReserved()\n"));
    return 0;
  }
  int result = impl_->shortcuts.IsReserved(index) != 0 ? 1 : 0;
  return result;
}

// --- the front end's operations ---

void CVorpexEngine::Impl::ApplyListColours() {
  const RgbColour background = held ? RgbColour{0, 0, 255} : RgbColour{0, 0, 0};
  const RgbColour text = held ? RgbColour{255, 0, 0} : RgbColour{255, 255, 255};
  OnGui([&] {
    if (ui.resultList != nullptr) ui.resultList->SetColours(background, text);
    if (ui.jobList != nullptr) ui.jobList->SetColours(background, text);
  });
}

void CVorpexEngine::HoldList() {
  if (!impl_->held) {
    if (!impl_->holdTaken) impl_->holdTaken = impl_->listLock.AcquireHold();
    impl_->held = impl_->holdTaken;
  }
  impl_->ApplyListColours();
}

void CVorpexEngine::ReleaseListHold() {
  if (impl_->holdTaken) impl_->listLock.ReleaseHold();
  impl_->holdTaken = false;
  impl_->held = false;
  impl_->ApplyListColours();
  impl_->WakeControlThread();
}

bool CVorpexEngine::IsListHeld() const {
  return impl_->held;
}

void CVorpexEngine::DeleteSelectedRows(bool clearSelection) {
  // The control thread changes the list too, so the whole removal runs under the lock.
  if (!AcquireListLock()) return;
  std::vector<int> selected = ui_.resultList->GetSelectedRows();
  for (auto it = selected.rbegin(); it != selected.rend(); ++it) {
    if (*it < 1) continue;
    const uint32_t index = static_cast<uint32_t>(*it);
    if (IsShortCutItemReserved(index, false) == 0) RemoveAtListAndShortCut(index, false);
  }
  if (clearSelection) {
    const int rows = ui_.resultList->GetRowCount();
    for (int r = 0; r < rows; ++r) ui_.resultList->SetRowSelected(r, false);
  }
  ReleaseListLock();
}

void CVorpexEngine::SelectAllRows() {
  if (!AcquireListLock()) return;
  const int count = static_cast<int>(impl_->shortcuts.GetCount());
  for (int r = 0; r < count; ++r) ui_.resultList->SetRowSelected(r, true);
  ReleaseListLock();
}

int CVorpexEngine::AddFilePathEntry() {
  std::string dir;
  if (!GetCurrentDir(dir)) dir = impl_->startDir;
  std::vector<std::string> paths;
  if (!ui_.dialogs->ChooseOpenFiles(dir, false, paths) || paths.empty() || paths[0].empty())
    return 0;
  CMyFuncResult record;
  record.type = kRetString;
  record.text = paths[0];
  return AddDataToListAndShortCut(record, true) >= 0 ? 1 : 0;
}

}  // namespace vpx
