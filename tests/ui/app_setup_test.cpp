#include "ui/app_setup.h"

#include <gtest/gtest.h>

#include <QDialogButtonBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>

#include "ui/lock_indicators.h"
#include "ui/main_frame.h"
#include "ui/ui_test_app.h"

namespace vpx::ui {
namespace {

TEST(AppSetup, StandardDialogButtonsSpeakJapanese) {
  ASSERT_TRUE(InstallQtJapanese(test::App()));
  QMessageBox box(QMessageBox::Question, QString(), QString(), QMessageBox::Yes | QMessageBox::No);
  EXPECT_TRUE(box.button(QMessageBox::Yes)->text().startsWith(QStringLiteral("はい")));
  EXPECT_TRUE(box.button(QMessageBox::No)->text().startsWith(QStringLiteral("いいえ")));
  QDialogButtonBox buttons(QDialogButtonBox::Open | QDialogButtonBox::Cancel);
  EXPECT_TRUE(buttons.button(QDialogButtonBox::Open)->text().startsWith(QStringLiteral("開く")));
  EXPECT_TRUE(
      buttons.button(QDialogButtonBox::Cancel)->text().startsWith(QStringLiteral("キャンセル")));
}

TEST(AppSetup, IconDrawsAndTheAboutBoxFitsItsCaptionAndText) {
  test::App();
  const QIcon icon = VorpexIcon();
  ASSERT_FALSE(icon.isNull());
  const QImage image = icon.pixmap(48, 48).toImage();
  ASSERT_FALSE(image.isNull());
  EXPECT_NE(image.pixelColor(24, 2), image.pixelColor(24, 24));  // drawn, not blank

  CMainFrame frame;
  std::unique_ptr<QDialog> about = frame.CreateAboutBox();
  about->show();
  const QString caption = QStringLiteral("Vorpexのﾊﾞｰｼﾞｮﾝ情報");
  EXPECT_EQ(about->windowTitle(), caption);
  EXPECT_GT(about->width(), about->fontMetrics().horizontalAdvance(caption) + 100);
  for (QLabel* label : about->findChildren<QLabel*>()) {
    EXPECT_GE(label->width(), label->sizeHint().width()) << label->text().toStdString();
  }
  EXPECT_FALSE(about->windowIcon().isNull());
}

TEST(AppSetup, LockIndicatorsSayWhyTheyAreAbsentWithoutX11) {
  test::App();  // the offscreen platform reports no key-lock state
  QStatusBar bar;
  CLockIndicators locks(&bar);
  EXPECT_FALSE(locks.Available());
  EXPECT_FALSE(locks.AbsenceReason().isEmpty());
  EXPECT_EQ(locks.Indicator(CLockIndicators::kCaps), nullptr);
}

}  // namespace
}  // namespace vpx::ui
