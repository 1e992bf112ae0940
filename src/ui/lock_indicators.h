// The status bar's kana, caps lock, num lock and scroll lock indicators. Key-lock state is
// read from X11's keyboard extension; other platforms do not report it, and there the
// indicators are left out.
#pragma once

#include <QObject>
#include <QTimer>
#include <array>

class QLabel;
class QStatusBar;

namespace vpx::ui {

class CLockIndicators : public QObject {
  Q_OBJECT
 public:
  enum Lock { kKana, kCaps, kNum, kScroll, kLockCount };

  // Adds the indicators to bar when the platform reports key-lock state.
  explicit CLockIndicators(QStatusBar* bar);
  ~CLockIndicators() override;

  // True when the platform reports key-lock state (an X11 display with XKB).
  bool Available() const { return display_ != nullptr; }
  // Why there are no indicators, empty when there are.
  QString AbsenceReason() const { return reason_; }
  QLabel* Indicator(Lock lock) const { return labels_[lock]; }
  // Reads the lock state and shows each indicator's text while its lock is on.
  void Refresh();

 private:
  void* display_ = nullptr;  // the X11 Display of the application, when there is one
  QString reason_;
  std::array<QLabel*, kLockCount> labels_{};
  std::array<unsigned long, kLockCount> atoms_{};
  QTimer poll_;
};

}  // namespace vpx::ui
