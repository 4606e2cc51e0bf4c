#include "postset/global.h"

namespace {
Text default_destination("\\Brastel\\Tesivo");
}  // namespace

Text& DefaultDestination() { return default_destination; }

const char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Orvanel";
const char kApprovedKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved";
const char kFindExtensionsKey[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FindExtensions\\Static\\Tessivo";

// Our own identifier, generated once for the extension; it must match the one the
// shipped "Contmenu.dll" registers itself under.
const char kContextMenuClsid[] = "{6b2f4e1a-93c7-4d58-a0e2-7f1c5d3b8a64}";
