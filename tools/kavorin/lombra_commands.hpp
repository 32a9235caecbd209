#pragma once
// kavorin lombra ...: the LOMBRA PC settings from the shell, over the same
// store and with the same checks and messages as the Windows settings
// dialog.
namespace kavorin::cli {

// argv holds what follows "lombra". Exit codes: 0 done, 1 refused by a
// check (nothing changed), 2 a usage error, 3 the store could not be read
// or written.
int RunLombra(int argc, char** argv);

}  // namespace kavorin::cli
