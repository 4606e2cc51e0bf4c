// Probes for administrator rights, without asking the system for the token.
#pragma once

// True when the service manager of this machine opens for reading, writing and
// executing, which it allows administrators only.
bool IsAdminByServiceManager();

// True when the process may open the approved-shell-extensions key for setting
// values. Only an explicit access denial counts as missing rights: a machine without
// that key, or any other error, is taken as one with rights.
bool IsAdminByRegistry();
