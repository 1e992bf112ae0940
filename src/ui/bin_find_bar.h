// The find bar of the binary display: a pattern typed as hexadecimal bytes or as text,
// searched forward (次を検索, F3) or backward (前を検索, Shift+F3) from the current byte
// on a worker thread, wrapping at the file's ends with a message; a search can be stopped.
#pragma once

#include <QWidget>
#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

#include "host/cancel_token.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace vpx::ui {

class CBinFindBar : public QWidget {
  Q_OBJECT
 public:
  explicit CBinFindBar(QWidget* parent = nullptr);
  ~CBinFindBar() override;

  // The file searched.
  void SetFile(const std::string& name) { file_ = name; }
  // Starts a search from `from`: forward finds a match beginning after it (at it when
  // `inclusive`), backward one beginning before it. False (with the reason shown) when the
  // pattern is refused or a search is running.
  bool Search(bool forward, int64_t from, bool inclusive);
  void Stop();
  bool IsSearching() const { return worker_.joinable() && !finished_.load(); }
  // Puts the caret in the pattern box.
  void FocusPattern();

  QLineEdit* PatternBox() const { return pattern_; }
  QComboBox* ModeBox() const { return mode_; }
  QPushButton* NextButton() const { return next_; }
  QPushButton* PreviousButton() const { return previous_; }
  QPushButton* StopButton() const { return stop_; }
  QString Message() const;

 signals:
  // The buttons and keys ask the dialog to search from its current byte.
  void searchRequested(bool forward);
  // A match of length bytes at offset (wrapped: found only after going round the end).
  void found(qint64 offset, qint64 length, bool wrapped);
  // The search ended without a match, failed or was stopped; the message says which.
  void notFound();

 private:
  void ShowMessage(const QString& text, bool failure);
  void Finish(int64_t offset, bool wrapped, bool forward, const std::string& failure,
              int64_t length);
  void JoinWorker();

  std::string file_;
  QLineEdit* pattern_;
  QComboBox* mode_;
  QPushButton* next_;
  QPushButton* previous_;
  QPushButton* stop_;
  QLabel* message_;
  std::thread worker_;
  CancelFlag cancel_{0};
  std::atomic<bool> finished_{true};
};

}  // namespace vpx::ui
