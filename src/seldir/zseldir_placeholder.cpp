// PLACEHOLDER, NOT THE CHOOSER: it shows no dialog and returns the starting folder,
// as the chooser does after Cancel. The directory chooser replaces this file.
#include "seldir/zseldir.h"

Text ChooseDirectory(HWND /*owner*/, const Text& folder, HFONT /*font*/) { return folder; }
