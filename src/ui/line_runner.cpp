#include "ui/line_runner.h"

#include <QTimer>

#include "help/call_suggestions.h"
#include "host/sjis.h"
#include "ui/console_edit.h"
#include "ui/qt_text.h"

namespace vpx::ui {

CLineRunner::CLineRunner(CConsoleEdit* console, CVorpexEngine* engine, QObject* parent)
    : QObject(parent), console_(console), engine_(engine), retry_(new QTimer(this)) {
  retry_->setSingleShot(true);
  retry_->setInterval(kJobPollMs);
  connect(retry_, &QTimer::timeout, this, &CLineRunner::RunNext);
}

void CLineRunner::Enter(const QStringList& lines) {
  const int batch = ++batches_;
  for (int i = 0; i < lines.size(); ++i) {
    waiting_.push_back(
        Waiting{lines[i], static_cast<int>(lines[i].size()) + 1, batch, lines.size() > 1, i == 0});
  }
  Schedule();
}

void CLineRunner::Schedule() {
  if (running_ || scheduled_ || retry_->isActive()) return;
  scheduled_ = true;
  QTimer::singleShot(0, this, [this] {
    scheduled_ = false;
    RunNext();
  });
}

// One line per turn of the event loop, so the window is drawn between lines.
void CLineRunner::RunNext() {
  if (running_ || waiting_.empty()) return;
  Waiting& next = waiting_.front();
  // A line of a batch starts when the jobs of the lines before it have ended.
  if (next.inBatch && !next.first && !engine_->IsIdle() && !engine_->IsShutdownRequested()) {
    retry_->start();
    return;
  }
  const Waiting line = next;
  waiting_.pop_front();
  console_->BeginRun(line.chars);
  // A blank line among several is only a separator.
  if (!(line.inBatch && line.text.trimmed().isEmpty())) {
    running_ = true;
    const LineStatus status = RunOne(line.text);
    running_ = false;
    emit lineRun(line.text, status);
    if (line.inBatch && status != LineStatus::kDone) ReturnRestOfBatch(line.batch);
  }
  if (!waiting_.empty()) Schedule();
}

LineStatus CLineRunner::RunOne(const QString& line) {
  std::string sjis;
  // Typed text has a Shift-JIS form (the console refuses the rest); a line without one is
  // read as empty, which the engine reports.
  if (!QtToSjis(line, sjis)) sjis.clear();
  const LineStatus status = engine_->ExecuteLine(sjis);
  if (status == LineStatus::kUnregistered) {
    const std::string hint = help::UnregisteredCallHint(line.toStdString());
    std::string hintSjis;
    if (!hint.empty() && Utf8ToSjis(hint, hintSjis)) engine_->EchoLine(hintSjis);
  }
  return status;
}

void CLineRunner::ReturnRestOfBatch(int batch) {
  int chars = 0;
  while (!waiting_.empty() && waiting_.front().batch == batch) {
    chars += waiting_.front().chars;
    waiting_.pop_front();
  }
  if (chars == 0) return;
  console_->ReturnWaitingToInput(chars);
  engine_->EchoLine(
      SJ("※　この行が実行されなかったため、残りの行は実行せずに入力行へ戻しました。"));
}

}  // namespace vpx::ui
