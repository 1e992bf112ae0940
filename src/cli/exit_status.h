// The exit statuses of vorpex in the terminal (--batch, -e, --console); a signal that ends
// the process gives 128 + its number.
#pragma once

namespace vpx::cli {

enum ExitStatus : int {
  kExitSuccess = 0,       // every line and job succeeded
  kExitFailure = 1,       // a line was unregistered or refused, or a handler or job failed
  kExitUnreadable = 2,    // the batch file cannot be read (also bad options)
  kExitOutputFailed = 3,  // standard output cannot be written
};

}  // namespace vpx::cli
