// Files named on the command line become DumpFile lines entered in the console; a path the
// command language cannot quote is refused rather than cut.
#include "ui/open_files.h"

#include <gtest/gtest.h>

#include <QTextBlock>

#include "ui/console_edit.h"
#include "ui/ui_test_app.h"

namespace vpx::ui {
namespace {

TEST(OpenFiles, PathsBecomeDumpFileLinesUnlessTheyHoldAQuote) {
  EXPECT_EQ(DumpFileLine(QStringLiteral("/tmp/データ.bin")),
            QStringLiteral("DumpFile(\"/tmp/データ.bin\")"));
  EXPECT_EQ(DumpFileLine(QStringLiteral("/tmp/a\"b.bin")), QString());
  EXPECT_EQ(DumpFileLine(QStringLiteral("/tmp/a\nb")), QString());
  EXPECT_EQ(DumpFileLine(QString()), QString());
}

TEST(OpenFiles, EachFileIsEnteredAsALine) {
  test::App();
  CConsoleEdit console;
  QStringList entered;
  QObject::connect(&console, &CConsoleEdit::linesEntered,
                   [&](const QStringList& lines) { entered << lines; });
  DumpFilesAtStart(&console, {"/tmp/a.bin", "/tmp/q\"uote", "/tmp/b.bin"});
  ASSERT_TRUE(test::PumpUntil([&] { return entered.size() == 2; }, 5000));
  EXPECT_EQ(entered, (QStringList{QStringLiteral("DumpFile(\"/tmp/a.bin\")"),
                                  QStringLiteral("DumpFile(\"/tmp/b.bin\")")}));
}

}  // namespace
}  // namespace vpx::ui
