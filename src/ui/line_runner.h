// CLineRunner: runs the lines entered in the console, one after another in the order they
// were entered, exactly as they were when Enter was pressed. A line entered while another
// runs (or while a dialog of it waits) is queued, never run inside it. Several lines entered
// at once run as a batch does: each waits until the jobs before it have ended, and the
// first line that is not done stops the batch, its remaining lines going back to the input.
#pragma once

#include <QObject>
#include <QStringList>
#include <deque>

#include "engine/engine.h"

class QTimer;

namespace vpx::ui {

class CConsoleEdit;

class CLineRunner : public QObject {
  Q_OBJECT
 public:
  // How often a batch line waiting for jobs looks again.
  static constexpr int kJobPollMs = 50;

  CLineRunner(CConsoleEdit* console, CVorpexEngine* engine, QObject* parent);

  // The lines of one Enter, as the console took them.
  void Enter(const QStringList& lines);
  // Lines entered and not yet run.
  int WaitingCount() const { return static_cast<int>(waiting_.size()); }
  bool IsRunning() const { return running_; }

 signals:
  // A line has run (tests and the status bar follow the runs).
  void lineRun(const QString& line, vpx::LineStatus status);

 private:
  struct Waiting {
    QString text;
    int chars = 0;         // its length in the console, line break included
    int batch = 0;         // lines of one Enter share a number
    bool inBatch = false;  // one of several lines entered at once
    bool first = true;     // the first line of its Enter
  };

  void Schedule();
  void RunNext();
  LineStatus RunOne(const QString& line);
  // The rest of the batch of a line that was not done goes back to the input region.
  void ReturnRestOfBatch(int batch);

  CConsoleEdit* console_;
  CVorpexEngine* engine_;
  std::deque<Waiting> waiting_;
  QTimer* retry_;
  int batches_ = 0;
  bool running_ = false;
  bool scheduled_ = false;
};

}  // namespace vpx::ui
