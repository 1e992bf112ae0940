// The second line the window and the interactive console add under "未登録な命令です。": the
// registered signatures of the name typed (in any case) when its arguments did not fit one,
// or those of the nearest names when no function has that name. Never part of batch output.
#pragma once

#include <string>

namespace vpx::help {

// "候補: AddInt(INT, INT) / AddInt(INT, UINT) / …" for the call in line (UTF-8); empty when
// the line names no function and no name comes close.
std::string UnregisteredCallHint(const std::string& line);

}  // namespace vpx::help
