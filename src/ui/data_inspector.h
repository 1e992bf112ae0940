// The data inspector of the binary display: what the bytes from the clicked one on mean
// as unsigned and signed integers of 8 to 64 bits and as IEEE floats of 32 and 64 bits,
// in both byte orders, plus the Shift-JIS character starting there and the byte's bits.
#pragma once

#include <QWidget>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class QLabel;
class QTableWidget;

namespace vpx::ui {

// One line of the inspector: what is read, and its value in little and big endian order
// (the same text twice for a single byte; "—" where too few bytes follow).
struct InspectorRow {
  QString name;
  QString little;
  QString big;
};

// The rows for bytes[0..count): u8, s8, u16, s16, u32, s32, u64, s64, f32, f64, the
// Shift-JIS character and the bits of bytes[0] (most significant first). Nothing for count 0.
std::vector<InspectorRow> InspectBytes(const uint8_t* bytes, size_t count);

class CDataInspector : public QWidget {
  Q_OBJECT
 public:
  explicit CDataInspector(QWidget* parent = nullptr);
  // Shows the values of bytes[0..count) read at file offset; count 0 clears them.
  void ShowBytes(const uint8_t* bytes, size_t count, int64_t offset);
  QTableWidget* Table() const { return table_; }
  // The value shown in row name's little (column 1) or big endian (column 2) cell.
  QString ValueOf(const QString& name, int column) const;

 private:
  QLabel* title_;
  QTableWidget* table_;
};

}  // namespace vpx::ui
