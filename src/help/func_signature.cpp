// The registry rendering of a catalogue row; shared by the program and the reference
// generator, so the reference shows the signatures exactly as the console echoes them.
#include "help/func_help.h"
#include "language/func_catalogue.h"

namespace vpx::help {

std::string RegistrySignature(int id) {
  const int row = FindTableRowByID(id);
  if (row < 0) return std::string();
  const FuncTableRow& entry = GetFuncTable()[row];
  std::string text = std::string(entry.returnType) + " " + entry.name + "(";
  for (const char* code = entry.argCodes; *code != '\0'; ++code) {
    if (code != entry.argCodes) text += ", ";
    text += ArgCodeToTypeName(*code);
  }
  return text + ")";
}

}  // namespace vpx::help
