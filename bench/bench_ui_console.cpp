// Console echo of a 1,000,000-digit line against a short line, and against a plain
// QPlainTextEdit holding the digits in one block (wrapping anywhere), offscreen.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <memory>
#include <string>

#include "ui/console_edit.h"

namespace {

const std::string kMillionDigits = "\xE3\x80\x80" + std::string(1000000, '7') + "\r\n";

// Lays out and paints what is visible, as the window does before the user sees it.
void Show(QPlainTextEdit& edit) {
  edit.viewport()->repaint();
  QCoreApplication::processEvents();
}

template <typename Edit>
std::unique_ptr<Edit> NewShownEdit() {
  auto edit = std::make_unique<Edit>();
  edit->resize(800, 400);
  edit->show();
  QCoreApplication::processEvents();
  return edit;
}

void BM_ConsoleEchoShortLine(benchmark::State& state) {
  auto console = NewShownEdit<vpx::ui::CConsoleEdit>();
  for (auto _ : state) {
    console->AppendOutput(
        "\x81\x40"
        "3\r\n");
    Show(*console);
  }
}
BENCHMARK(BM_ConsoleEchoShortLine)->Unit(benchmark::kMillisecond);

void BM_ConsoleEchoMillionDigits(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    auto console = NewShownEdit<vpx::ui::CConsoleEdit>();
    state.ResumeTiming();
    console->AppendOutput(kMillionDigits);
    Show(*console);
    state.PauseTiming();
    console.reset();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_ConsoleEchoMillionDigits)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_ConsoleEchoShortLineAfterMillionDigits(benchmark::State& state) {
  auto console = NewShownEdit<vpx::ui::CConsoleEdit>();
  console->AppendOutput(kMillionDigits);
  Show(*console);
  for (auto _ : state) {
    console->AppendOutput(
        "\x81\x40"
        "3\r\n");
    Show(*console);
  }
}
BENCHMARK(BM_ConsoleEchoShortLineAfterMillionDigits)->Unit(benchmark::kMillisecond);

// Reference: Qt's own edit with the digits in one block, wrapping anywhere.
void BM_PlainTextEditOneBlockMillionDigits(benchmark::State& state) {
  const QString digits = QString::fromStdString(kMillionDigits);
  for (auto _ : state) {
    state.PauseTiming();
    auto edit = NewShownEdit<QPlainTextEdit>();
    edit->setWordWrapMode(QTextOption::WrapAnywhere);
    state.ResumeTiming();
    QTextCursor c(edit->document());
    c.movePosition(QTextCursor::End);
    c.insertText(digits);
    edit->verticalScrollBar()->setValue(edit->verticalScrollBar()->maximum());
    Show(*edit);
    state.PauseTiming();
    edit.reset();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_PlainTextEditOneBlockMillionDigits)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
