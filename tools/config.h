// Which configuration the tovrin program reads, and the commands about it
// (config, check-config).
//
// The program looks for bibl.ini in this order: the file of --config; the
// one in the current directory; the shipped one beside the program (the
// build tree's data/, an installation's share/tovrin/); and last the
// shipped file built into the library (tovrin_shipped_config()), so that
// a copy of the program works anywhere.
#ifndef TOVRIN_TOOLS_CONFIG_H
#define TOVRIN_TOOLS_CONFIG_H

#include <string>

#include "cli.h"

namespace cli {

// Finds, checks and loads the configuration of `o`. A file that cannot be
// read, that the loader would refuse, or that defines no language ends the
// program with a message naming the file and the reason (exit status 2).
// With --verbose, says on standard error which file was read and why.
void load_config(const Options &o);

// tovrin config [--dump]
int cmd_config(const Options &o);
// tovrin check-config [FILE]
int cmd_check_config(const Options &o);

} // namespace cli

#endif
