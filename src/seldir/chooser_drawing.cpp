#include "seldir/chooser_drawing.h"

#include "platform/text.h"
#include "seldir/chooser_lists.h"
#include "seldir/chooser_state.h"

namespace {

constexpr UINT kItemHeight = 16;
constexpr int kIconMargin = 2;    // between the entry's left edge (plus indent) and its icon
constexpr int kTextOffset = 20;   // from the icon's left edge to the text

// Parent levels show open, the current folder open and shaded, subfolders closed.
HICON FolderIcon(int index) {
  const ChooserState& chooser = Chooser();
  if (index < chooser.current_level) return chooser.open_folder_icon;
  if (index == chooser.current_level) return chooser.current_folder_icon;
  return chooser.closed_folder_icon;
}

Text ItemText(const DRAWITEMSTRUCT* item) {
  if (item->CtlType == ODT_LISTBOX) return ControlItemText(item->hwndItem, LB_GETTEXTLEN, LB_GETTEXT, item->itemID);
  return ControlItemText(item->hwndItem, CB_GETLBTEXTLEN, CB_GETLBTEXT, item->itemID);
}

// Fills rect with the device context's background colour.
void FillWithBackground(HDC dc, const RECT& rect) { ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &rect, "", 0, nullptr); }

}  // namespace

void MeasureChooserItem(MEASUREITEMSTRUCT* item) { item->itemHeight = kItemHeight; }

void DrawChooserItem(const DRAWITEMSTRUCT* item) {
  const HDC dc = item->hDC;
  RECT rect = item->rcItem;
  if (item->itemID == static_cast<UINT>(-1)) {  // an empty control
    DrawFocusRect(dc, &rect);
    return;
  }
  // Only the selected entry of the focused control is highlighted.
  const bool highlight = (item->itemState & ODS_SELECTED) != 0 && (item->itemState & ODS_FOCUS) != 0;
  COLORREF previous_text = 0;
  COLORREF previous_background = 0;
  if (highlight) {
    previous_text = SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
    previous_background = SetBkColor(dc, GetSysColor(COLOR_HIGHLIGHT));
  }
  FillWithBackground(dc, rect);

  int x = rect.left + kIconMargin;
  HICON icon = nullptr;
  if (item->CtlType == ODT_LISTBOX) {
    x += static_cast<int>(item->itemData);  // the entry's indent
    icon = FolderIcon(static_cast<int>(item->itemID));
  } else {
    icon = reinterpret_cast<HICON>(item->itemData);  // the drive type's icon
  }
  DrawIconEx(dc, x, rect.top, icon, 0, 0, 0, nullptr, DI_NORMAL);

  x += kTextOffset;
  rect.left = x;
  const Text text = ItemText(item);
  ExtTextOutA(dc, x, rect.top, ETO_OPAQUE, &rect, text.c_str(), static_cast<UINT>(text.size()), nullptr);

  if (highlight) {
    SetTextColor(dc, previous_text);
    SetBkColor(dc, previous_background);
  }
}
