#include "ui/main_frame.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QSessionManager>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

#include "ui/app_setup.h"
#include "ui/console_completion.h"
#include "ui/console_edit.h"
#include "ui/func_reference_window.h"
#include "ui/list_file_actions.h"
#include "ui/lock_indicators.h"
#include "ui/vorpex_view.h"

namespace vpx::ui {
namespace {
const QString kVersionText = QStringLiteral("Vorpex Version 0.9");
const QString kAboutCaption = QStringLiteral("Vorpexのﾊﾞｰｼﾞｮﾝ情報");
constexpr int kAboutIconPixels = 48;
// Room the window manager's title bar needs beside the caption (buttons, margins).
constexpr int kCaptionAllowance = 120;
}  // namespace

CMainFrame::CMainFrame()
    : view_(new CVorpexView(this)),
      holdNotice_(new QLabel(QStringLiteral("リスト保持中：ジョブは保持解除まで待機します。"))),
      locks_(nullptr) {
  setWindowTitle(kVersionText);
  setWindowIcon(VorpexIcon());
  setMinimumSize(640, 430);
  resize(800, 600);
  setCentralWidget(view_);
  statusBar()->addWidget(new QLabel(QStringLiteral("レディ")));
  holdNotice_->setStyleSheet(QStringLiteral("color: rgb(255, 0, 0);"));
  statusBar()->addWidget(holdNotice_);
  holdNotice_->hide();
  locks_ = new CLockIndicators(statusBar());
  BuildMenuBar();
  connect(view_, &CVorpexView::closeFrameRequested, this, &CMainFrame::close, Qt::QueuedConnection);
  connect(view_, &CVorpexView::closingStarted, this, &CMainFrame::ShowClosing);
  connect(view_, &CVorpexView::statusMessage, this, [this](const QString& text, int timeoutMs) {
    statusBar()->showMessage(text, timeoutMs);
  });
  connect(view_, &CVorpexView::holdChanged, holdNotice_, &QLabel::setVisible);
  // The desktop's logout closes without asking (it has its own way to stop a logout).
  connect(qApp, &QGuiApplication::commitDataRequest, this,
          [this](QSessionManager&) { askBeforeClose_ = false; });
}

CMainFrame::~CMainFrame() = default;

bool CMainFrame::Initialise() {
  if (view_->InitialUpdate()) return true;
  QTimer::singleShot(0, this, &CMainFrame::close);
  return false;
}

void CMainFrame::BuildMenuBar() {
  CConsoleEdit* console = view_->Console();
  QMenu* file = menuBar()->addMenu(QStringLiteral("ﾌｧｲﾙ(&F)"));
  // The document is the result list: new empties it, save writes it to a list file.
  CListFileActions* list = view_->ListFiles();
  file->addAction(QStringLiteral("新規作成(&N)"), QKeySequence(Qt::CTRL | Qt::Key_N), this,
                  [list] { list->NewList(); });
  file->addAction(QStringLiteral("開く(&O)..."), QKeySequence(Qt::CTRL | Qt::Key_O), this,
                  [this] { view_->InsertChosenPath(true); });
  file->addAction(QStringLiteral("上書き保存(&S)"), QKeySequence(Qt::CTRL | Qt::Key_S), this,
                  [list] { list->Save(); });
  file->addAction(QStringLiteral("名前を付けて保存(&A)..."), this, [list] { list->SaveAs(); });
  file->addSeparator();
  file->addAction(QStringLiteral("ｱﾌﾟﾘｹｰｼｮﾝの終了(&X)"), this, &CMainFrame::close);

  // The console handles these keys itself; the menu offers them by mouse.
  QMenu* edit = menuBar()->addMenu(QStringLiteral("編集(&E)"));
  edit->addAction(QStringLiteral("元に戻す(&U)\tCtrl+Z"), console, &CConsoleEdit::undo);
  edit->addSeparator();
  edit->addAction(QStringLiteral("切り取り(&T)\tCtrl+X"), console, &CConsoleEdit::SafeCut);
  edit->addAction(QStringLiteral("ｺﾋﾟｰ(&C)\tCtrl+C"), console, &CConsoleEdit::copy);
  edit->addAction(QStringLiteral("貼り付け(&P)\tCtrl+V"), console, &CConsoleEdit::paste);

  BuildViewMenu();

  QMenu* help = menuBar()->addMenu(QStringLiteral("ﾍﾙﾌﾟ(&H)"));
  help->addAction(QStringLiteral("関数リファレンス(&R)..."), this,
                  [this] { CFuncReferenceWindow::ShowFor(this, view_->Console()); });
  new CConsoleCompletion(console);  // Tab completion and signature hints in the console
  help->addAction(QStringLiteral("Vorpex のﾊﾞｰｼﾞｮﾝ情報(&A)..."), this, &CMainFrame::ShowAbout);
}

void CMainFrame::BuildViewMenu() {
  CConsoleEdit* console = view_->Console();
  QMenu* show = menuBar()->addMenu(QStringLiteral("表示(&V)"));
  QAction* bar = show->addAction(QStringLiteral("ｽﾃｰﾀｽ ﾊﾞｰ(&S)"));
  bar->setCheckable(true);
  bar->setChecked(true);
  connect(bar, &QAction::toggled, statusBar(), &QStatusBar::setVisible);
  // The console takes the zoom keys itself; the menu offers them by mouse.
  show->addSeparator();
  show->addAction(QStringLiteral("拡大(&I)\tCtrl++"), console, [console] { console->ZoomBy(1); });
  show->addAction(QStringLiteral("縮小(&O)\tCtrl+-"), console, [console] { console->ZoomBy(-1); });
  show->addAction(QStringLiteral("標準のサイズ(&R)\tCtrl+0"), console, &CConsoleEdit::ResetZoom);
}

void CMainFrame::ShowAbout() {
  std::unique_ptr<QDialog> box = CreateAboutBox();
  box->exec();
}

std::unique_ptr<QDialog> CMainFrame::CreateAboutBox() {
  auto box = std::make_unique<QDialog>(this);
  QDialog& about = *box;
  about.setWindowTitle(kAboutCaption);
  about.setWindowIcon(VorpexIcon());
  auto* icon = new QLabel(&about);
  icon->setPixmap(VorpexIcon().pixmap(kAboutIconPixels, kAboutIconPixels));
  auto* text = new QLabel(kVersionText, &about);
  auto* ok = new QDialogButtonBox(QDialogButtonBox::Ok, &about);
  connect(ok, &QDialogButtonBox::accepted, &about, &QDialog::accept);
  auto* row = new QHBoxLayout;
  row->addWidget(icon);
  row->addWidget(text, 1);
  auto* layout = new QVBoxLayout(&about);
  layout->addLayout(row);
  layout->addWidget(ok);
  // Sized to its text, and wide enough that the caption is not cut.
  const int captionWidth = about.fontMetrics().horizontalAdvance(kAboutCaption) + kCaptionAllowance;
  about.setMinimumWidth(std::max(layout->sizeHint().width(), captionWidth));
  about.adjustSize();
  return box;
}

QString CMainFrame::CloseLossText() {
  QStringList lost;
  const int jobs = view_->Engine()->LiveJobCount();
  if (jobs > 0) lost << QStringLiteral("実行中のジョブが %1 件あります。").arg(jobs);
  if (view_->ListFiles()->HasUnsavedEntries())
    lost << QStringLiteral("保存していないショートカットがあります。");
  return lost.join(QChar('\n'));
}

bool CMainFrame::ConfirmClose() {
  const QString lost = CloseLossText();
  if (lost.isEmpty()) return true;
  QMessageBox box(QMessageBox::Warning, kVersionText, lost, QMessageBox::NoButton, this);
  QPushButton* save = nullptr;
  if (view_->ListFiles()->HasUnsavedEntries())
    save = box.addButton(QStringLiteral("保存して終了"), QMessageBox::AcceptRole);
  QPushButton* quit = box.addButton(QStringLiteral("終了"), QMessageBox::DestructiveRole);
  QPushButton* cancel = box.addButton(QStringLiteral("キャンセル"), QMessageBox::RejectRole);
  box.setDefaultButton(cancel);
  box.setEscapeButton(cancel);
  box.exec();
  if (box.clickedButton() == quit) return true;
  // The jobs are cancelled after the save, as 終了 does.
  return save != nullptr && box.clickedButton() == save && view_->ListFiles()->Save() == 1;
}

void CMainFrame::CloseWithoutAsking() {
  askBeforeClose_ = false;
  close();
}

void CMainFrame::closeEvent(QCloseEvent* e) {
  // Once the shut-down has begun (or the engine never started) the question was answered.
  if (askBeforeClose_ && !view_->IsClosing() && !ConfirmClose()) {
    e->ignore();
    return;
  }
  if (!view_->RequestClose()) {
    e->ignore();
    return;
  }
  e->accept();
  // Open dialogs are windows of their own; the application ends with this one regardless.
  view_->CloseDialogs();
  QCoreApplication::quit();
}

void CMainFrame::ShowClosing() {
  setWindowTitle(kVersionText + QStringLiteral(" - 終了処理中"));
  statusBar()->showMessage(QStringLiteral("終了処理中です。実行中のジョブを中断しています…"));
}

}  // namespace vpx::ui
