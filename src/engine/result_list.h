// ResultList: the result entries (the shortcut array) and the rows of the list view that
// shows them, kept in step under the list lock: row i shows entry i. Adding, overwriting
// and removing entries with their rows, the entries running jobs reserve, the user's hold
// of the list, and the list's bulk operations (delete the selected rows, select all).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/func_result.h"
#include "engine/gui_bridge.h"
#include "engine/named_lock.h"
#include "engine/shortcut_array.h"
#include "host/ui_host.h"

namespace vpx {

class CMyThreadDlg;

class ResultList {
 public:
  // Where the list's messages go: console lines, message boxes (shown later by the GUI
  // thread), and the hold state whenever it may have changed.
  struct Sinks {
    std::function<void(const std::string&)> echo;
    std::function<void(const std::string&)> messageBox;
    std::function<void(bool held)> holdChanged;
  };
  // Rows show at most this many bytes of their entry's text.
  static constexpr size_t kRowTextLimit = 1000;

  ResultList(GuiBridge& bridge, IListView* view, Sinks sinks);
  ResultList(const ResultList&) = delete;
  ResultList& operator=(const ResultList&) = delete;

  // --- the list lock (re-entrant; 100 ms slices, pumping the GUI queue on the GUI
  // thread) ---
  bool AcquireLock() { return lock_.Acquire(); }
  void ReleaseLock() { lock_.Release(); }
  NamedLock& Lock() { return lock_; }
  // Read only under the lock.
  CVXShortCutArray& Entries() { return entries_; }

  // --- entries and rows; lock true takes the lock, false means the caller holds it ---
  int AddDataToShortCutArray(const CMyFuncResult& record, bool lock);
  int RemoveAtShortCutArray(uint32_t index, bool lock);
  int OverWriteAtShortCutArray(uint32_t index, const CMyFuncResult& record, bool lock);
  int AddDataToList(const CMyFuncResult& record, bool lock);
  int SetDataToList(uint32_t index, const CMyFuncResult& record);
  int AddDataToListAndShortCut(const CMyFuncResult& record, bool lock);
  int SetResultToListAndShortCut(const CMyFuncResult& record, bool lock);
  int SetResultToListAndShortCut(uint32_t index, const CMyFuncResult& record, bool lock);
  int SetDataToListAndShortCut(uint32_t index, const CMyFuncResult& record, bool lock);
  int RemoveAtListAndShortCut(uint32_t index, bool lock);
  int RemoveAtShortCutList(uint32_t index, bool lock);
  int IsShortCutItemReserved(uint32_t index, bool lock);

  // --- reservations of running jobs (control thread) ---
  // Adds the reserved record as a new entry and row; the new count, or -1.
  int AddReservation(const CMyFuncResult& record);
  // FillReservation's outcomes besides the entry's index.
  static constexpr int kNoReservation = -1;  // owner reserves no entry (traced)
  static constexpr int kNotWritten = -2;     // lock or row failure (traced)
  // Ends owner's reservation with record (reserved flag and owner already cleared). When
  // the row cannot take it, entry and row show the lack of memory instead and record
  // becomes that. Throws bad_alloc when not even that can be had.
  int FillReservation(const CMyThreadDlg* owner, int32_t functionId, CMyFuncResult& record,
                      bool lock);
  // A STRING record showing the out-of-memory text for functionId.
  static void MakeOutOfMemoryRecord(int32_t functionId, CMyFuncResult& record);

  // --- the user's operations on the list (GUI thread) ---
  void HoldList();
  void ReleaseListHold();
  bool IsListHeld() const { return held_; }
  // Removes the selected rows from index 1 up that are not reserved, with their entries,
  // in one pass; the selection is cleared afterwards.
  void DeleteSelectedRows();
  void SelectAllRows();
  // Rows on the view (GUI thread work, run there from any thread).
  int RowCount();

 private:
  void OnGui(const std::function<void()>& work) { bridge_.RunOnGui(work); }
  void Echo(const std::string& text);
  void TraceAndBox(const std::string& text);

  GuiBridge& bridge_;
  IListView* view_;
  Sinks sinks_;
  NamedLock lock_;
  CVXShortCutArray entries_;
  // The next row position. Guarded by the lock.
  int rowCounter_ = 0;
  // The user's hold of the list (GUI thread only).
  bool held_ = false;
  bool holdTaken_ = false;
};

}  // namespace vpx
