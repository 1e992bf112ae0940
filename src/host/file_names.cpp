#include "host/file_names.h"

#include <cstdio>

#include "host/sjis.h"

namespace vpx {

int FindControlByte(const std::string& sjisName) {
  for (size_t i = 0; i < sjisName.size(); ++i) {
    auto c = static_cast<unsigned char>(sjisName[i]);
    if (c < 0x20 || c == 0x7F) return static_cast<int>(i);
  }
  return -1;
}

std::string FileNameRefusalText(const std::string& sjisName) {
  int at = FindControlByte(sjisName);
  if (at < 0) return std::string();
  char code[8];
  std::snprintf(code, sizeof code, "[0x%02X]",
                static_cast<unsigned char>(sjisName[static_cast<size_t>(at)]));
  return SJ("※　ファイル名に制御文字が含まれています。") + code;
}

}  // namespace vpx
