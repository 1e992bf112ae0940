#include "execution/handler_table.h"

namespace vpx {

// The file commands are not built yet: their IDs answer with the invalid-ID message.
void RegisterFileCommands(HandlerTable&) {}

}  // namespace vpx
