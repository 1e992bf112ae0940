#include "execution/handler_table.h"

namespace vpx {

// The math commands are not built yet: their IDs answer with the invalid-ID message.
void RegisterMathCommands(HandlerTable&) {}

}  // namespace vpx
