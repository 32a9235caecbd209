#pragma once

namespace kavorin::cli {

// kavorin demo [--keep]: starts the built-in terminal simulator on a pty,
// points a temporary configuration at it, runs a credit approval with the
// status display, prints every result field, prints the voucher and ends
// the host. --keep leaves the temporary folder for a look at the logs.
int RunDemo(int argc, char** argv);

}  // namespace kavorin::cli
