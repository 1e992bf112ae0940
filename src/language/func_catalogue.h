// The built-in function table: the 126 callable functions of the catalogue followed by the
// ones added since, with their return types, argument type codes and IDs, in registration
// order (which decides overload ties), plus the type vocabulary and the table rendering.
#pragma once

#include <cstdint>
#include <string>

namespace vpx {

// Return type codes (also the typed-argument kind codes 1 to 4).
enum ReturnTypeCode : uint32_t {
  kRetVoid = 0,
  kRetInt = 1,
  kRetUInt = 2,
  kRetFloat = 3,
  kRetString = 4
};

struct FuncTableRow {
  const char* name;
  const char* returnType;
  const char* argCodes;
  const char* id;  // decimal text of the row's FuncId, as the registry reads it
};

// The table, ending at the first row whose name is empty.
const FuncTableRow* GetFuncTable();
// Number of rows before the terminating row (the catalogue's and the added ones).
int GetFuncTableRowCount();
// The catalogue's rows come first, unchanged; the added rows follow them.
constexpr int kCatalogueRowCount = 126;
constexpr int kAddedRowCount = 7;

// "INT", "UINT", "FLOAT", "STRING" give 1 to 4, any other text 0; nullptr gives -1 and a
// trace text.
int64_t StrArgTypeToDWord(const char* text);
// Type name of an argument code letter (I INT, U UINT, F FLOAT, S STRING, V VOID); empty
// for another letter.
std::string ArgCodeToTypeName(char code);
// "VOID", "INT", "UINT", "FLOAT", "STRING" by return code; "VOID" above 4.
std::string ReturnCodeToTypeName(uint32_t code);
// The table rendering by ID ("STRING GetCurDir()"); an unknown ID renders the first row.
std::string GetTableSignature(int64_t id);
// The return type code of an ID by the first letter of its return type; 0 if unknown.
uint32_t GetTableReturnCode(int64_t id);
// Index of the row with this ID, -1 if none.
int FindTableRowByID(int64_t id);

}  // namespace vpx
