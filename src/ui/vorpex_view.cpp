#include "ui/vorpex_view.h"

#include <QClipboard>
#include <QFileDialog>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QStyledItemDelegate>
#include <QTimer>
#include <chrono>
#include <functional>
#include <string>
#include <string_view>
#include <thread>

#include "engine/shortcut_array.h"
#include "engine/thread_dlg.h"
#include "host/platform.h"
#include "host/sjis.h"
#include "ui/bin_dialog.h"
#include "ui/console_edit.h"
#include "ui/form_layout.h"
#include "ui/history_dialog.h"
#include "ui/line_runner.h"
#include "ui/list_file_actions.h"
#include "ui/qt_gui_queue.h"
#include "ui/qt_host.h"
#include "ui/qt_text.h"
#include "ui/report_list.h"

namespace vpx::ui {
namespace {

// Longest call shown whole in a job's status text; longer ones show only their name.
constexpr int kStatusCallChars = 40;
// Title bar and border a window manager adds to the binary display, allowed for in placing.
constexpr int kBinFrameWidth = 8;
constexpr int kBinFrameHeight = 32;
constexpr int kStatusMessageChars = 80;
constexpr int kRetiredMessageMs = 8000;
// How often the window runs handed-over tasks whose wake-up was lost for lack of memory.
constexpr int kHandOverRescueMs = 250;

// The mark a saturated value's text ends with.
constexpr std::string_view kSaturatedMark = " (E)";
// A job's message is converted for its status text only up to this many bytes: at least
// two per character shown, and the line ends that become blanks, are well inside it.
constexpr size_t kStatusHeadBytes = 4 * kStatusMessageChars;

// At most chars characters on one line; a saturated value keeps its " (E)" mark.
QString Elided(QString text, int chars, bool saturated) {
  text.replace(QStringLiteral("\r\n"), QStringLiteral(" ")).replace(QChar('\n'), QChar(' '));
  if (text.size() <= chars) return text;
  const QString mark = QString::fromLatin1(kSaturatedMark.data(), kSaturatedMark.size());
  const QString tail = saturated ? QChar(0x2026) + mark : QString(QChar(0x2026));
  return text.left(chars - tail.size()) + tail;
}

// The start of a long message, cut between characters: the status text shows a few dozen
// characters of it, so a million-digit value is not converted whole for them.
std::string StatusHead(const std::string& message) {
  if (message.size() <= kStatusHeadBytes) return message;
  size_t end = 0;
  while (end < kStatusHeadBytes) {
    const bool pair =
        IsSjisLeadByte(static_cast<unsigned char>(message[end])) && end + 1 < message.size();
    end += pair ? 2 : 1;
  }
  return message.substr(0, end);
}

// Copy of the whole editor text in place of the row's cut text.
class FullValueCopier : public QObject {
 public:
  FullValueCopier(QLineEdit* editor, std::function<void()> copy)
      : QObject(editor), editor_(editor), copy_(std::move(copy)) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override {
    if (watched == editor_ && e->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(e)->matches(QKeySequence::Copy) &&
        editor_->selectedText() == editor_->text()) {
      copy_();
      return true;
    }
    return false;
  }

 private:
  QLineEdit* editor_;
  std::function<void()> copy_;
};

// In-place editing that shows the text selected for copying and never keeps an edit.
class NoCommitDelegate : public QStyledItemDelegate {
 public:
  NoCommitDelegate(QObject* parent, std::function<void(int row)> copyValue)
      : QStyledItemDelegate(parent), copyValue_(std::move(copyValue)) {}
  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                        const QModelIndex& index) const override {
    QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
    if (auto* line = qobject_cast<QLineEdit*>(editor)) {
      const int row = index.row();
      line->installEventFilter(new FullValueCopier(line, [this, row] { copyValue_(row); }));
    }
    return editor;
  }
  void setEditorData(QWidget* editor, const QModelIndex& index) const override {
    QStyledItemDelegate::setEditorData(editor, index);
    if (auto* line = qobject_cast<QLineEdit*>(editor)) line->selectAll();
  }
  void setModelData(QWidget*, QAbstractItemModel*, const QModelIndex&) const override {}

 private:
  std::function<void(int row)> copyValue_;
};

std::vector<ReportColumn> ShortcutColumns() {
  return {{QStringLiteral("ショートカット"), Qt::AlignLeft | Qt::AlignVCenter, 100},
          {QStringLiteral("Index"), Qt::AlignCenter, 40},
          {QStringLiteral("型"), Qt::AlignCenter, 20}};
}

std::vector<ReportColumn> JobColumns() {
  return {{QStringLiteral("動作中スレッド"), Qt::AlignLeft | Qt::AlignVCenter, 86},
          {QStringLiteral("Index"), Qt::AlignCenter, 40}};
}

}  // namespace

CVorpexView::CVorpexView(QWidget* parent)
    : QWidget(parent),
      console_(new CConsoleEdit(this)),
      jobList_(new CReportList(JobColumns(), {1, 0}, this)),
      resultList_(new CReportList(ShortcutColumns(), {1, 2, 0}, this)),
      queue_(std::make_unique<CQtGuiQueue>()),
      dialogs_(std::make_unique<CQtDialogs>(this)),
      clipboard_(std::make_unique<CQtClipboard>()) {
  const char* labels[] = {"ADD", "SAVE", "LOAD", "DEL"};
  for (int i = 0; i < 4; ++i) buttons_[i] = new QPushButton(QString::fromLatin1(labels[i]), this);
  jobList_->setSelectionMode(QAbstractItemView::SingleSelection);
  jobList_->ShowElapsedTime();
  jobList_->ShowPercentages([this](uintptr_t data) {
    // A row names a live job until shut-down begins; then jobs may go before their rows.
    const auto* job = reinterpret_cast<const CMyThreadDlg*>(data);
    if (job == nullptr || !engine_ || engine_->IsShutdownRequested()) return -1;
    return job->Progress().Percent();
  });
  jobList_->ShowTextAsToolTip();
  resultList_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  resultList_->setItemDelegateForColumn(0, new NoCommitDelegate(resultList_, [this](int row) {
                                          QGuiApplication::clipboard()->setText(EntryValue(row));
                                        }));

  ui_.console = console_;
  ui_.resultList = resultList_;
  ui_.jobList = jobList_;
  ui_.dialogs = dialogs_.get();
  ui_.clipboard = clipboard_.get();
  ui_.binaryDisplay = this;
  ui_.queue = queue_.get();
  engine_ = std::make_unique<CVorpexEngine>(ui_);
  listFiles_ = std::make_unique<CListFileActions>(this, *engine_, *dialogs_);
  runner_ = new CLineRunner(console_, engine_.get(), this);
  BuildMenus();
  ConnectControls();
}

CVorpexView::~CVorpexView() {
  ShutDownEngine();
  delete history_;
  history_ = nullptr;
  engine_.reset();
  if (GetProcessUserInterface() == &ui_) SetProcessUserInterface(nullptr);
}

bool CVorpexView::InitialUpdate() {
  SetProcessUserInterface(&ui_);
  engine_->SetHistoryListener([this] {
    if (history_ != nullptr) history_->Refresh();
  });
  engine_->SetControlEndedListener([this] { emit closeFrameRequested(); });
  engine_->SetJobRetiredListener([this](const RetiredJob& job) { OnJobRetired(job); });
  if (engine_->Start() == 0) return false;
  started_ = true;
  auto* rescue = new QTimer(this);
  connect(rescue, &QTimer::timeout, this, [this] { engine_->RunHandedOverTasks(); });
  rescue->start(kHandOverRescueMs);
  history_ = new CInputHistoryDlg(&engine_->InputHistory());
  history_->Refresh();
  connect(history_, &CInputHistoryDlg::insertRequested, this, &CVorpexView::InsertHistoryEntry);
  connect(history_, &CInputHistoryDlg::focusViewRequested, this, [this] { console_->setFocus(); });
  LayoutControls();
  layoutReady_ = true;
  console_->setFocus();
  return true;
}

bool CVorpexView::RequestClose() {
  if (started_) engine_->Results().ReleaseListHold();
  if (!started_ || engine_->IsShutDown()) return true;
  if (!shutdownAsked_) {
    shutdownAsked_ = true;
    engine_->RequestShutdown();
    emit closingStarted();
  }
  return engine_->IsShutDown();
}

void CVorpexView::CloseDialogs() {
  engine_->WindowRegistry().DestroyAll();
  if (history_ != nullptr) history_->hide();
}

void CVorpexView::ShutDownEngine() {
  if (!started_) return;
  engine_->Results().ReleaseListHold();
  // Jobs are cancelled; the GUI thread keeps serving them until the engine has ended.
  engine_->RequestShutdown();
  while (!engine_->IsShutDown()) {
    queue_->Pump();
    engine_->RunHandedOverTasks();
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  engine_->WindowRegistry().DestroyAll();
}

void CVorpexView::BuildMenus() {
  consoleMenu_ = new QMenu(this);
  consoleMenu_->addAction(QStringLiteral("選択範囲をコピー"), console_, &CConsoleEdit::copy);
  consoleMenu_->addAction(QStringLiteral("全てコピー"), console_, &CConsoleEdit::CopyAll);
  consoleMenu_->addSeparator();
  consoleMenu_->addAction(QStringLiteral("張り付け"), this, [this] {
    if (console_->canPaste()) console_->paste();
  });

  listMenu_ = new QMenu(this);
  listMenu_->addAction(QStringLiteral("保持"), this, [this] { SetListHold(true); });
  listMenu_->addAction(QStringLiteral("保持解除"), this, [this] { SetListHold(false); });
  listMenu_->addSeparator();
  listMenu_->addAction(QStringLiteral("ファイル名追加"), this,
                       [this] { engine_->AddFilePathEntry(); });
  listMenu_->addAction(QStringLiteral("削除"), this,
                       [this] { engine_->Results().DeleteSelectedRows(); });
  listMenu_->addSeparator();
  listMenu_->addAction(QStringLiteral("ショートカット保存"), this,
                       [this] { listFiles_->SaveAs(); });
  listMenu_->addAction(QStringLiteral("ショートカット読出"), this, [this] { listFiles_->Load(); });
  listMenu_->addSeparator();
  listMenu_->addAction(QStringLiteral("全て選択"), this,
                       [this] { engine_->Results().SelectAllRows(); });
  listMenu_->addSeparator();
  listMenu_->addAction(QStringLiteral("値をコピー"), this, &CVorpexView::CopySelectedValues);

  jobMenu_ = new QMenu(this);
  jobMenu_->addAction(QStringLiteral("中断"), this, &CVorpexView::CancelSelectedJob);
}

void CVorpexView::ConnectControls() {
  connect(console_, &CConsoleEdit::linesEntered, this, [this](const QStringList& lines) {
    if (started_) runner_->Enter(lines);
  });
  connect(console_, &CConsoleEdit::historyRequested, this, &CVorpexView::ShowHistory);
  connect(console_, &CConsoleEdit::recallRequested, this, &CVorpexView::RecallLastLine);
  connect(console_, &CConsoleEdit::contextMenuRequested, this,
          [this](const QPoint& at) { consoleMenu_->popup(at); });
  connect(console_, &CConsoleEdit::textRefused, this, [this](const QString& character) {
    emit statusMessage(
        QStringLiteral("※　Shift-JIS で表せない文字は入力できません。[%1]").arg(character));
  });
  connect(resultList_, &CReportList::contextMenuRequested, this,
          [this](const QPoint& at) { listMenu_->popup(at); });
  connect(resultList_, &QAbstractItemView::doubleClicked, this, &CVorpexView::EditSelectedShortcut);
  connect(resultList_, &CReportList::deleteRequested, this,
          [this] { engine_->Results().DeleteSelectedRows(); });
  connect(resultList_, &CReportList::copyRequested, this, &CVorpexView::CopySelectedValues);
  connect(jobList_, &CReportList::contextMenuRequested, this, [this](const QPoint& at) {
    jobMenu_->actions().first()->setEnabled(!shutdownAsked_ &&
                                            !jobList_->GetSelectedRows().empty());
    jobMenu_->popup(at);
  });
  connect(buttons_[0], &QPushButton::clicked, this, [this] { engine_->AddFilePathEntry(); });
  connect(buttons_[3], &QPushButton::clicked, this,
          [this] { engine_->Results().DeleteSelectedRows(); });
  connect(buttons_[1], &QPushButton::clicked, this, [this] { listFiles_->SaveAs(); });
  connect(buttons_[2], &QPushButton::clicked, this, [this] { listFiles_->Load(); });
}

void CVorpexView::LayoutControls() {
  const FormLayout f = ComputeFormLayout(width(), height());
  console_->setGeometry(f.console);
  jobList_->setGeometry(f.jobList);
  resultList_->setGeometry(f.resultList);
  buttons_[0]->setGeometry(f.add);
  buttons_[1]->setGeometry(f.save);
  buttons_[2]->setGeometry(f.load);
  buttons_[3]->setGeometry(f.del);
  jobList_->FitFirstColumn();
  resultList_->FitFirstColumn();
}

void CVorpexView::resizeEvent(QResizeEvent* e) {
  QWidget::resizeEvent(e);
  if (layoutReady_) LayoutControls();
}

void CVorpexView::ShowHistory() {
  if (history_ == nullptr) return;
  history_->Refresh();
  history_->show();
  history_->raise();
  history_->activateWindow();
}

void CVorpexView::RecallLastLine() {
  console_->AppendTyped(Qs(engine_->GetLastInputLine()));
}

void CVorpexView::InsertHistoryEntry(int index) {
  if (engine_->InputHistory().GetCount() == 0) return;
  console_->InsertAtCaret(Qs(engine_->InputHistory().GetFromOldData(static_cast<uint32_t>(index))));
  console_->setFocus();
}

void CVorpexView::InsertChosenPath(bool quoted) {
  std::string dir;
  if (!GetCurrentDir(dir)) dir.clear();
  const QString chosen = QFileDialog::getOpenFileName(this, QString(), Qs(dir));
  std::string sjis;
  if (chosen.isEmpty() || !ChosenNameToSjis(this, chosen, sjis)) return;
  console_->InsertAtCaret(quoted ? QChar('"') + chosen + QChar('"') : chosen);
  console_->setFocus();
}

void CVorpexView::CancelSelectedJob() {
  // A row of the running-job list names a job that is still alive: the engine deletes a
  // job only after its row is gone (except at shut-down, when every job is cancelled).
  if (shutdownAsked_) return;
  const std::vector<int> rows = jobList_->GetSelectedRows();
  if (rows.empty()) return;
  const uintptr_t data = jobList_->GetItemData(rows.front());
  auto* job = reinterpret_cast<CMyThreadDlg*>(data);
  if (job == nullptr) return;
  job->Cancel();
  jobList_->StopElapsedTime(data, QStringLiteral("中断中 "));
}

void CVorpexView::EditSelectedShortcut() {
  if (!engine_->AcquireListLock()) return;
  resultList_->EditFirstSelectedRow();
  engine_->ReleaseListLock();
}

QString CVorpexView::EntryValue(int index) {
  if (index < 0 || !engine_->AcquireListLock()) return QString();
  CMyFuncResult record;
  const bool had = engine_->ShortCutArray().GetAt(static_cast<uint32_t>(index), record) == 1;
  engine_->ReleaseListLock();
  std::string text;
  if (!had || record.GetResultValueText(text) == 0) return QString();
  return Qs(text);
}

void CVorpexView::CopySelectedValues() {
  QStringList values;
  for (int row : resultList_->GetSelectedRows()) values << EntryValue(row);
  if (!values.isEmpty()) QGuiApplication::clipboard()->setText(values.join(QChar('\n')));
}

void CVorpexView::SetListHold(bool hold) {
  if (hold)
    engine_->Results().HoldList();
  else
    engine_->Results().ReleaseListHold();
  emit holdChanged(engine_->Results().IsListHeld());
}

QString CVorpexView::RetiredJobText(const RetiredJob& job) {
  QString call = Qs(job.callText);
  if (call.size() > kStatusCallChars) {
    const int open = call.indexOf(QChar('('));
    call = (open > 0 ? call.left(open) : call.left(kStatusCallChars)) + QStringLiteral("(…)");
  }
  const QString done = QStringLiteral("【完了】");
  const std::string& whole = job.Message();
  QString message = Qs(StatusHead(whole));
  if (message.startsWith(done)) message = message.mid(done.size());
  // A failed or cancelled job has not completed.
  const QString mark =
      job.failed || message.startsWith(QStringLiteral("※")) ? QStringLiteral("【終了】") : done;
  const QString entry =
      job.index == RetiredJob::kNoEntry ? QString() : QStringLiteral("[%1] ").arg(job.index);
  return mark + entry + call + QChar(' ') +
         Elided(message, kStatusMessageChars, whole.ends_with(kSaturatedMark));
}

void CVorpexView::OnJobRetired(const RetiredJob& job) {
  emit statusMessage(RetiredJobText(job), kRetiredMessageMs);
  if (job.index != RetiredJob::kNoEntry) resultList_->ScrollToRow(static_cast<int>(job.index));
}

int CVorpexView::OpenBinaryDisplay(const BinaryDisplayRequest& request) {
  const ByteRange range = request.range.Ordered();
  return OpenBinaryDialog(request.fileName, range.first, range.last);
}

int CVorpexView::OpenBinaryDialog(const std::string& name, int64_t first, int64_t last) {
  auto* dialog = new CMyBinDialog;
  if (dialog->DispFileData(name, first, last) == 0) {
    delete dialog;
    return 0;
  }
  connect(dialog, &CMyBinDialog::closedByUser, this, &CVorpexView::OnBinaryDialogClosed);
  const QScreen* screen = window()->screen();
  const QRect available = screen != nullptr ? screen->availableGeometry() : QRect();
  if (available.isValid()) dialog->FitInto(available);
  // The window manager's frame is not known before the window is shown: allow for it.
  const QSize frame = dialog->size() + QSize(kBinFrameWidth, kBinFrameHeight);
  const QPoint at = available.isValid() ? PlaceBinaryDialog(window()->frameGeometry(), frame,
                                                            available, binaryOpened_)
                                        : mapToGlobal(QPoint(width(), 0));
  dialog->move(at);
  ++binaryOpened_;
  if (engine_->WindowRegistry().AddThreadADRS(dialog) == 0) {
    delete dialog;
    return 0;
  }
  dialog->show();
  return 1;
}

void CVorpexView::OnBinaryDialogClosed(CMyBinDialog* dialog) {
  engine_->WindowRegistry().RemovehreadADRS(dialog);
  dialog->deleteLater();
}

}  // namespace vpx::ui
