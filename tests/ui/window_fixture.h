// A shown main window with its engine started, for tests that drive the whole window: its
// trace goes to a file of the test process's own, and the control thread services jobs
// every 20 ms.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>

#include "engine/engine.h"
#include "host/trace_log.h"
#include "ui/console_edit.h"
#include "ui/main_frame.h"
#include "ui/ui_test_app.h"
#include "ui/vorpex_view.h"

namespace vpx::ui::test {

class WindowFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    App();
    trace_ = std::filesystem::temp_directory_path() /
             ("vorpex_window_test_trace_" + std::to_string(getpid()) + ".txt");
    InitTraceLog(trace_.string());
    frame_ = std::make_unique<CMainFrame>();
    frame_->show();
    ASSERT_TRUE(frame_->Initialise());
    view_ = frame_->View();
    console_ = view_->Console();
    view_->Engine()->Jobs().SetServiceIntervalMs(20);
  }
  void TearDown() override {
    frame_.reset();
    std::filesystem::remove(trace_);
  }

  std::filesystem::path trace_;
  std::unique_ptr<CMainFrame> frame_;
  CVorpexView* view_ = nullptr;
  CConsoleEdit* console_ = nullptr;
};

}  // namespace vpx::ui::test
