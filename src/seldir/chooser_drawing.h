// Measuring and drawing the entries of the chooser's owner-drawn folder list and
// drive box: an icon, then the entry's text, highlighted only in the focused control.
#pragma once

#include <windows.h>

// Every entry of both controls is 16 pixels high, the height of its icon.
void MeasureChooserItem(MEASUREITEMSTRUCT* item);
void DrawChooserItem(const DRAWITEMSTRUCT* item);
