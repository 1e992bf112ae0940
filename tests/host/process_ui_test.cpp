// The process-wide front end: message boxes and beeps asked for off the GUI thread are
// handed to it and shown there, or dropped when the front end has gone by then (a window
// closing with jobs running).
#include <gtest/gtest.h>

#include <thread>

#include "host/ui_host.h"
#include "support/fake_ui.h"

namespace vpx::test {
namespace {

TEST(ProcessUserInterface, BeepAndBoxFromAJobThreadAreShownOnTheGuiThread) {
  FakeUi fake;  // installed as the process front end
  std::thread job([] {
    HostBeep(1000, 100);
    HostMessageBox("box");
  });
  job.join();
  EXPECT_EQ(fake.dialogs.beeps, 0);  // not yet: they wait for the GUI thread
  fake.queue.Pump();
  EXPECT_EQ(fake.dialogs.beeps, 1);
  EXPECT_EQ(fake.dialogs.TakeMessageBoxes(), std::vector<std::string>{"box"});
}

TEST(ProcessUserInterface, BeepAndBoxHandedOverAreDroppedOnceTheFrontEndHasGone) {
  FakeUi fake;
  std::thread job([] {
    HostBeep(1000, 100);
    HostMessageBox("late");
  });
  job.join();
  // The window lets go of its front end before its queue runs what is left.
  SetProcessUserInterface(nullptr);
  fake.queue.Pump();
  EXPECT_EQ(fake.dialogs.beeps, 0);
  EXPECT_TRUE(fake.dialogs.TakeMessageBoxes().empty());
}

}  // namespace
}  // namespace vpx::test
