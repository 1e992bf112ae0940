#include "host/trace_log.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "host/sjis.h"
#include "host/text_format.h"
#include "support/fake_ui.h"

namespace vpx {
namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class TraceLogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = "/tmp/vorpex_trace_" + std::to_string(getpid()) + ".txt";
    std::ofstream(path_) << "left from an earlier run";
    InitTraceLog(path_);
  }
  void TearDown() override { unlink(path_.c_str()); }
  std::string path_;
};

TEST_F(TraceLogTest, StartEmptiesTheFileAndNewlinesBecomeCrLf) {
  EXPECT_EQ(ReadFile(path_), "");
  WriteTrace("abc\n");
  WriteTraceNewline();
  EXPECT_EQ(ReadFile(path_), "abc\r\n\r\n");
}

TEST_F(TraceLogTest, JapaneseTextIsStoredAsShiftJis) {
  WriteTrace(SJ("※　引数が無効です。\n"));
  std::string expected;
  ASSERT_TRUE(Utf8ToSjis("※　引数が無効です。\r\n", expected));
  EXPECT_EQ(ReadFile(path_), expected);
}

TEST_F(TraceLogTest, HexBytesAreWrittenLastByteFirst) {
  const uint8_t bytes[] = {0x01, 0x02, 0x0A};
  TraceHexBytes(bytes, 3);
  TraceHexBytes(bytes, 0);
  EXPECT_EQ(ReadFile(path_), "0A 02 01");
}

TEST_F(TraceLogTest, TextsOfDifferentThreadsNeverInterleave) {
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([t] {
      std::string line(200, static_cast<char>('a' + t));
      for (int i = 0; i < 50; ++i) WriteTrace(line + "\n");
    });
  }
  for (auto& th : threads) th.join();
  std::istringstream in(ReadFile(path_));
  std::string line;
  int lines = 0;
  while (std::getline(in, line)) {
    ASSERT_EQ(line.size(), 201u);
    EXPECT_EQ(line.find_first_not_of(line[0]), 200u);  // only the CR differs
    ++lines;
  }
  EXPECT_EQ(lines, 200);
}

TEST(TraceLogFailure, UnwritableFileShowsTheMessageBox) {
  test::FakeUi ui;
  InitTraceLog("/no/such/dir/DataTrace.txt");
  WriteTrace("x\n");
  auto boxes = ui.dialogs.TakeMessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0], SJ("トレース用ファイルが開けません"));
  InitTraceLog("/tmp/vorpex_trace_after_failure.txt");  // later tests need a sound log
}

TEST(TraceFormat, FormatsLikePrintf) {
  EXPECT_EQ(Format("[%u] %s", 12u, "ab"), "[12] ab");
  EXPECT_EQ(Format("%s", std::string(5000, 'x').c_str()).size(), 5000u);
}

}  // namespace
}  // namespace vpx
