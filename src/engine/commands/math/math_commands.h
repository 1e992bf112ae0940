// Registration of the math command families into the handler table; each family file
// defines its own part (RegisterMathCommands in handler_table.h calls them).
#pragma once

namespace vpx {

class HandlerTable;

// Pow, SqRoot, GetNapier, LogE and Factorial with their job bodies.
void RegisterSeriesCommands(HandlerTable& table);
// Factorial digit counts, StrLen and the digit queries of a number.
void RegisterDigitCommands(HandlerTable& table);
// GetPi with its job body.
void RegisterPiCommand(HandlerTable& table);
// StrToInt and IntToStr.
void RegisterTextNumberCommands(HandlerTable& table);

}  // namespace vpx
