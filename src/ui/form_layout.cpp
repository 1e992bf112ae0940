#include "ui/form_layout.h"

namespace vpx::ui {

FormLayout ComputeFormLayout(int W, int H) {
  // Every product is cut toward zero.
  FormLayout f;
  const int a = static_cast<int>(H * 0.7);
  int h = H - a;
  f.console = QRect(0, 0, W, a);
  const int b = static_cast<int>(W * 0.2);
  f.jobList = QRect(0, H - h, b, h);
  int r = W - b;
  const int l = static_cast<int>(W * 0.7);
  f.resultList = QRect(W - r, H - h, l, h);
  r -= l;
  const int g = static_cast<int>(H * 0.07142857142857142);
  f.add = QRect(W - r + 1, H - h, r - 4, g);
  h -= g;
  f.save = QRect(W - r + 1, H - h + 2, r - 4, g);
  h -= g + 2;
  f.load = QRect(W - r + 1, H - h + 2, r - 4, g);
  h -= g + 2;
  const int d = static_cast<int>(H * 0.05);
  f.del = QRect(W - r + 1, H - d - 2, r - 4, d);
  return f;
}

}  // namespace vpx::ui
