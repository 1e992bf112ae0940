#include "ui/data_inspector.h"

#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>
#include <bit>
#include <cstring>

#include "host/sjis.h"
#include "ui/qt_text.h"
#include "ui/widget_style.h"

namespace vpx::ui {
namespace {

const QString kTooShort = QStringLiteral("—");

// The width bytes from bytes as an unsigned number, in either order.
uint64_t Load(const uint8_t* bytes, size_t width, bool bigEndian) {
  uint64_t value = 0;
  for (size_t i = 0; i < width; ++i) {
    const size_t from = bigEndian ? i : width - 1 - i;
    value = (value << 8) | bytes[from];
  }
  return value;
}

int64_t SignExtend(uint64_t value, size_t width) {
  if (width == 8) return static_cast<int64_t>(value);
  const uint64_t sign = uint64_t{1} << (8 * width - 1);
  return static_cast<int64_t>((value ^ sign) - sign);
}

QString FloatText(uint64_t bits, size_t width) {
  if (width == 4) return QString::number(std::bit_cast<float>(static_cast<uint32_t>(bits)), 'g', 9);
  return QString::number(std::bit_cast<double>(bits), 'g', 17);
}

InspectorRow IntegerRow(const uint8_t* bytes, size_t count, size_t width, bool isSigned) {
  InspectorRow row{QStringLiteral("%1%2").arg(isSigned ? 's' : 'u').arg(8 * width), kTooShort,
                   kTooShort};
  if (count < width) return row;
  QString* cells[2] = {&row.little, &row.big};
  for (bool big : {false, true}) {
    const uint64_t value = Load(bytes, width, big);
    *cells[big] = isSigned ? QString::number(SignExtend(value, width)) : QString::number(value);
  }
  return row;
}

InspectorRow FloatRow(const uint8_t* bytes, size_t count, size_t width) {
  InspectorRow row{QStringLiteral("f%1").arg(8 * width), kTooShort, kTooShort};
  if (count < width) return row;
  row.little = FloatText(Load(bytes, width, false), width);
  row.big = FloatText(Load(bytes, width, true), width);
  return row;
}

// The Shift-JIS character whose first byte is bytes[0]: a pair when it is a lead byte and a
// second byte follows, a control byte by its code.
QString CharacterText(const uint8_t* bytes, size_t count) {
  const uint8_t first = bytes[0];
  if (first < 0x20 || first == 0x7F) return QStringLiteral("(0x%1)").arg(first, 2, 16, QChar('0'));
  const bool pair = IsSjisLeadByte(first);
  if (pair && count < 2) return kTooShort;
  QString text;
  const std::string sjis(reinterpret_cast<const char*>(bytes), pair ? 2 : 1);
  if (!SjisToQt(sjis, text)) return QStringLiteral("(0x%1)").arg(first, 2, 16, QChar('0'));
  return text;
}

QString BitsText(uint8_t byte) {
  QString text;
  for (int bit = 7; bit >= 0; --bit) {
    text += QChar((byte >> bit) & 1 ? '1' : '0');
    if (bit == 4) text += QChar(' ');
  }
  return text;
}

}  // namespace

std::vector<InspectorRow> InspectBytes(const uint8_t* bytes, size_t count) {
  std::vector<InspectorRow> rows;
  if (count == 0) return rows;
  for (size_t width : {size_t{1}, size_t{2}, size_t{4}, size_t{8}})
    for (bool isSigned : {false, true}) rows.push_back(IntegerRow(bytes, count, width, isSigned));
  rows.push_back(FloatRow(bytes, count, 4));
  rows.push_back(FloatRow(bytes, count, 8));
  const QString character = CharacterText(bytes, count);
  rows.push_back({QStringLiteral("SJIS"), character, character});
  const QString bits = BitsText(bytes[0]);
  rows.push_back({QStringLiteral("ビット"), bits, bits});
  return rows;
}

CDataInspector::CDataInspector(QWidget* parent)
    : QWidget(parent), title_(new QLabel(this)), table_(new QTableWidget(0, 3, this)) {
  table_->setHorizontalHeaderLabels(
      {QStringLiteral("型"), QStringLiteral("リトル"), QStringLiteral("ビッグ")});
  table_->verticalHeader()->setVisible(false);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setSelectionMode(QAbstractItemView::ContiguousSelection);
  table_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
  table_->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
  table_->horizontalHeader()->setSectionResizeMode(2, QHeaderView::Stretch);
  table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 4);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(title_);
  layout->addWidget(table_, 1);
  title_->setText(QStringLiteral("データ（バイトをクリック）"));
  // Room for the longest values (a 64-bit double) in both columns, beside the names.
  const int widest =
      table_->fontMetrics().horizontalAdvance(QStringLiteral("-2.2250738585072014e-308")) + 16;
  const int names = table_->fontMetrics().horizontalAdvance(QStringLiteral("ビット")) + 24;
  setMinimumWidth(2 * widest + names + 8);
}

void CDataInspector::ShowBytes(const uint8_t* bytes, size_t count, int64_t offset) {
  const std::vector<InspectorRow> rows = InspectBytes(bytes, count);
  table_->setRowCount(static_cast<int>(rows.size()));
  for (int i = 0; i < static_cast<int>(rows.size()); ++i) {
    table_->setItem(i, 0, new QTableWidgetItem(rows[i].name));
    table_->setItem(i, 1, new QTableWidgetItem(rows[i].little));
    table_->setItem(i, 2, new QTableWidgetItem(rows[i].big));
  }
  title_->setText(count == 0 ? QStringLiteral("データ（バイトをクリック）")
                             : QStringLiteral("データ [ %1 ] (0x%2)")
                                   .arg(offset)
                                   .arg(QString::number(offset, 16).toUpper()));
}

QString CDataInspector::ValueOf(const QString& name, int column) const {
  for (int i = 0; i < table_->rowCount(); ++i)
    if (table_->item(i, 0) != nullptr && table_->item(i, 0)->text() == name)
      return table_->item(i, column) != nullptr ? table_->item(i, column)->text() : QString();
  return QString();
}

}  // namespace vpx::ui
