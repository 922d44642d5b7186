// Facts about the running process and its machine: program path, arguments, user, host.
// All texts are GBK (converted from the operating system's UTF-8). Single-threaded use.
#pragma once

#include <string>
#include <vector>

namespace qnexp {

// The full path of the running program's file (from /proc/self/exe); empty when the system
// does not tell.
std::string ProgramPath();

// The program's command-line parameters without the program name itself (argv[1] on), read
// from /proc/self/cmdline; empty when there are none or the system does not tell.
std::vector<std::string> ProgramArguments();

// The name of the user the process runs as (effective user), from the password database, else
// from $LOGNAME or $USER; empty when none of them tells.
std::string LoginName();

// The host name of the machine; empty on failure.
std::string HostName();

// The first IPv4 address that the host name resolves to, in dotted form; empty when the name
// does not resolve to one.
std::string HostIPv4Address();

// The current working folder; empty when it cannot be determined (for example deleted).
std::string CurrentFolder();

}  // namespace qnexp
