// A small ICommandContext for handler tests: a real shortcut array, list rows kept as a
// count, echoed lines and queued jobs recorded, a list lock that can be made to fail, and
// a tally of list operations run without the lock held.
#pragma once

#include <string>
#include <vector>

#include "engine/command_context.h"
#include "engine/shortcut_array.h"
#include "language/func_data.h"
#include "language/my_macro.h"
#include "support/fake_ui.h"

namespace vpx::test {

class FakeCommandContext : public ICommandContext {
 public:
  FakeCommandContext() {
    ui_.clipboard = &clipboard;
    ui_.dialogs = &dialogs;
    CMyFuncResult entryZero;
    shortcuts.AddData(entryZero);
    rows = 1;
  }

  void EchoLine(const std::string& text) override { echoed.push_back(text); }
  const UserInterface& GetUi() const override { return ui_; }
  CMyMacro& GetMacro() override { return macro; }
  CMyFuncResult& PreviousResult() override { return previous; }
  CVXShortCutArray& ShortCutArray() override { return shortcuts; }

  bool AcquireListLock() override {
    if (lockFails) return false;
    ++lockDepth;
    return true;
  }
  void ReleaseListLock() override { --lockDepth; }

  int AddDataToShortCutArray(const CMyFuncResult& record, bool lock) override {
    Touch(lock);
    return shortcuts.AddData(record);
  }
  int RemoveAtShortCutArray(uint32_t index, bool lock) override {
    Touch(lock);
    return shortcuts.RemoveData(index);
  }
  int AddDataToList(const CMyFuncResult&, bool lock) override {
    Touch(lock);
    if (listFails) return 0;
    ++rows;
    return 1;
  }
  int AddDataToListAndShortCut(const CMyFuncResult& record, bool lock) override {
    Touch(lock);
    if (listFails || shortcuts.AddData(record) < 0) return -1;
    ++rows;
    return shortcuts.GetCount() - 1;
  }
  int SetResultToListAndShortCut(const CMyFuncResult& record, bool lock) override {
    return SetDataToListAndShortCut(0, record, lock);
  }
  int SetDataToListAndShortCut(uint32_t index, const CMyFuncResult& record, bool lock) override {
    Touch(lock);
    return !listFails && shortcuts.SetAt(index, record) >= 0 ? 1 : 0;
  }
  int RemoveAtListAndShortCut(uint32_t index, bool lock) override {
    Touch(lock);
    if (index == 0) return -1;
    const int count = shortcuts.RemoveData(index);
    if (count >= 0) --rows;
    return count;
  }
  int QueueJob(FuncId id, const CMyFuncData& call, const JobStartFailureTexts&) override {
    queued.push_back(id);
    queuedCalls.push_back(call);
    return queueFails ? 0 : 1;
  }

  // A STRING entry appended directly, reserved for a job when reserved is true.
  void AddEntry(const std::string& text, bool reserved = false) {
    CMyFuncResult record;
    record.type = 4;
    record.text = text;
    record.reserved = reserved ? 1 : 0;
    shortcuts.AddData(record);
    ++rows;
  }
  std::string EntryText(uint32_t index) const {
    CMyFuncResult record;
    return shortcuts.GetAt(index, record) != 0 ? record.text : std::string("<none>");
  }

  FakeClipboard clipboard;
  FakeDialogs dialogs;
  CMyMacro macro;
  CMyFuncResult previous;
  CVXShortCutArray shortcuts;
  int rows = 0;
  std::vector<std::string> echoed;
  std::vector<FuncId> queued;
  std::vector<CMyFuncData> queuedCalls;
  bool lockFails = false;
  bool listFails = false;
  bool queueFails = false;
  int lockDepth = 0;
  int unlockedTouches = 0;  // operations told the lock is held while it is not

 private:
  void Touch(bool lock) {
    if (!lock && lockDepth == 0) ++unlockedTouches;
  }
  UserInterface ui_;
};

// A parsed call with the given arguments in order: a text that reads as a number is an
// INT or UINT argument with that value, any other a STRING.
inline CMyFuncData CallWith(FuncId id, const std::vector<std::string>& args) {
  CMyFuncData call;
  call.SetID(static_cast<int32_t>(FuncIdValue(id)));
  for (const std::string& text : args) {
    MyNumeric value;
    if (value.SetByString(text) != NumStatus::kOk) {
      call.AddArgument(text, kKindString, MyNumeric());
    } else {
      call.AddArgument(text, text[0] == '-' ? kKindInt : kKindUInt, value);
    }
  }
  call.SetArgTypeStr();
  return call;
}

}  // namespace vpx::test
