// Where the main view places its controls for a client area of W x H pixels: the console
// over 70 % of the height, below it the running-job list (a fifth of the width), the
// shortcut list (seven tenths) and the column of buttons ADD, SAVE, LOAD and DEL.
#pragma once

#include <QRect>

namespace vpx::ui {

struct FormLayout {
  QRect console, jobList, resultList, add, save, load, del;
};

FormLayout ComputeFormLayout(int width, int height);

}  // namespace vpx::ui
