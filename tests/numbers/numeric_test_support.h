// Helpers shared by the MyNumeric tests: numbers from texts, the default result size kept
// per test, the trace log in a temporary file, and the kernel crossovers forced per test.
#pragma once

#include <gmp.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "host/trace_log.h"
#include "numbers/my_numeric.h"
#include "numbers/mynum_kernels.h"

namespace vpx::test {

// Texts from mpz_get_str(nullptr, ...) belong to GMP's allocator, not to free().
inline void FreeGmpString(char* text) {
  void (*freeFunction)(void*, size_t) = nullptr;
  mp_get_memory_functions(nullptr, nullptr, &freeFunction);
  freeFunction(text, std::strlen(text) + 1);
}

inline MyNumeric Num(const std::string& text) {
  MyNumeric n;
  EXPECT_EQ(n.SetByString(text), NumStatus::kOk) << text;
  return n;
}

inline std::string Refreshed(MyNumeric n) {
  n.RefreshValidPartSize();
  return n.ToString();
}

inline void SetDefaultResultSize(uint32_t n) {
  MyNumeric setter;
  setter.SetResultSize(n);
}

// Keeps the process default result size, the crossovers and the trace file per test.
class NumericTest : public ::testing::Test {
 protected:
  void SetUp() override {
    savedDefault_ = MyNumeric::GetDefaultResultSize();
    savedCrossovers_ = mynum::GetCrossovers();
    tracePath_ = std::filesystem::temp_directory_path() /
                 ("vorpex_numeric_trace_" + std::to_string(::getpid()) + ".txt");
    InitTraceLog(tracePath_.string());
  }
  void TearDown() override {
    SetDefaultResultSize(savedDefault_);
    mynum::SetCrossovers(savedCrossovers_);
    std::error_code ec;
    std::filesystem::remove(tracePath_, ec);
  }
  std::string TraceText() const {
    std::ifstream in(tracePath_, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
  void ForcePerDigit() { mynum::SetCrossovers({UINT32_MAX, UINT32_MAX, UINT32_MAX, UINT32_MAX}); }
  void ForceGmp() { mynum::SetCrossovers({0, 0, 0, 0}); }

 private:
  uint32_t savedDefault_ = 100;
  mynum::Crossovers savedCrossovers_{};
  std::filesystem::path tracePath_;
};

// Every operation leaves the layout invariants intact.
#define EXPECT_LAYOUT_OK(n)                               \
  do {                                                    \
    MyNumeric& n_ = (n);                                  \
    EXPECT_EQ(n_.VerifyLayout(), 0) << n_.GetErrorText(); \
  } while (0)

}  // namespace vpx::test
