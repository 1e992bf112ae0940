// An engine on the recording fakes, started, with lines typed as UTF-8 and output read back
// as UTF-8; plus the waits that pump the GUI queue while jobs run.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "engine/engine.h"
#include "engine/shortcut_array.h"
#include "host/sjis.h"
#include "support/fake_ui.h"

namespace vpx::test {

inline std::string ToSjis(const std::string& utf8) {
  std::string sjis;
  EXPECT_TRUE(Utf8ToSjis(utf8, sjis)) << utf8;
  return sjis;
}

inline std::string ToUtf8(const std::string& sjis) {
  std::string utf8;
  EXPECT_TRUE(SjisToUtf8(sjis, utf8));
  return utf8;
}

class EngineFixture {
 public:
  EngineFixture() : engine(fake.ui) {
    engine.Jobs().SetServiceIntervalMs(5);
    started = engine.Start();
    fake.console.TakeOutput();
  }

  // Types the line, enters it and returns the lines echoed (UTF-8, without the leading
  // ideographic space and the line end).
  std::vector<std::string> Type(const std::string& utf8Line) {
    fake.console.TypeLine(ToSjis(utf8Line));
    engine.ExecuteInputLine();
    return Output();
  }

  std::vector<std::string> Output() {
    std::vector<std::string> lines;
    for (const std::string& line : fake.console.TakeOutput()) lines.push_back(ToUtf8(line));
    return lines;
  }

  // Pumps the GUI queue until cond holds; false after the time limit (a hang).
  template <typename Cond>
  bool PumpUntil(Cond cond, int limitMs = 30000) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
    while (!cond()) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      fake.queue.Pump();
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    fake.queue.Pump();
    return true;
  }
  bool WaitIdle() {
    return PumpUntil([&] { return engine.IsIdle(); });
  }
  // Pumps for a while without a condition (lets the control thread run some rounds).
  void PumpFor(int ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < end) {
      fake.queue.Pump();
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }

  // Row r of the result list: text, index and type letter, UTF-8.
  std::string RowText(int r) { return ToUtf8(fake.resultList.GetCellText(r, 0)); }
  std::string RowIndex(int r) { return fake.resultList.GetCellText(r, 1); }
  std::string RowType(int r) { return fake.resultList.GetCellText(r, 2); }
  int RowCount() { return fake.resultList.GetRowCount(); }
  int EntryCount() {
    engine.AcquireListLock();
    const int count = engine.ShortCutArray().GetCount();
    engine.ReleaseListLock();
    return count;
  }

  FakeUi fake;
  CVorpexEngine engine;
  int started = 0;
};

}  // namespace vpx::test
