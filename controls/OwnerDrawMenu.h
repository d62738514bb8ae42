// COwnerDrawMenu: a menu whose pop-up items are owner-drawn, so that every context menu of the
// client looks alike: an icon column, the item text, an accelerator text at the right, an optional
// image per item, a bold default item and check marks of its own. Each platform item carries a
// pointer to its OwnerDrawItem record as item data; the owner window's WM_MEASUREITEM and
// WM_DRAWITEM reach MeasureItem and DrawItem through the menu object attached to the pop-up.
#pragma once

#include <string>
#include <vector>

#include "platform/mfc/CommonControls.h"
#include "platform/mfc/Menu.h"

// The desktop family: 0 and 1 the old consumer family (1 with the newer shell), 2 and 3 the NT
// family (3 with the newer shell).
int DetectShellKind();
int GetShellKind();
BOOL IsModernShell();
// The face colour of the menus: the 3-D face on a newer shell, else the menu colour.
COLORREF GetMenuFaceColor();

struct OwnerDrawItem {
  std::wstring text;  // empty when the item has no text
  bool hasText = false;
  int imageIndex = -1;
  int imageSource = -1;
  UINT flags = 0;
  UINT_PTR commandId = 0;
  CImageList* imageList = nullptr;
};

// Copies image `index` of `source` into `target` (created with the source's icon size); 1 or 0.
int CopyListImage(CImageList* source, int index, CImageList* target);

class COwnerDrawMenu : public CMenu {
 public:
  COwnerDrawMenu();
  ~COwnerDrawMenu() override;

  void DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct) override;
  void MeasureItem(LPMEASUREITEMSTRUCT lpMeasureItemStruct) override;
  virtual BOOL LoadMenu(UINT nIDResource);
  virtual BOOL LoadMenu(LPCTSTR lpszResourceName);
  virtual BOOL DestroyMenu();

  CMenu* GetSubMenu(int nPos) const;
  BOOL AppendMenu(UINT nFlags, UINT_PTR nIDNewItem, LPCTSTR lpszNewItem, int nImage = -1);
  BOOL AppendMenu(UINT nFlags, UINT_PTR nIDNewItem, LPCWSTR lpszNewItem, int nImage = -1);
  BOOL InsertMenu(UINT nPosition, UINT nFlags, UINT_PTR nIDNewItem, LPCTSTR lpszNewItem, int nImage = -1);
  BOOL InsertMenu(UINT nPosition, UINT nFlags, UINT_PTR nIDNewItem, LPCWSTR lpszNewItem, int nImage = -1);
  void RemoveMenu(UINT nPosition, UINT nFlags);
  BOOL ModifyItemImage(LPCTSTR lpszText, UINT nID, CImageList* pImageList, int nImage);
  BOOL ModifyItemImage(LPCWSTR lpszText, UINT nID, CImageList* pImageList, int nImage);
  BOOL SetMenuText(UINT nPosition, LPCTSTR lpszText, UINT nFlags);
  BOOL SetMenuText(UINT nPosition, LPCWSTR lpszText, UINT nFlags);
  void SetDefaultItem(UINT nID) { m_defaultCommand = nID; }

  // Read access for the owner and for tests.
  int GetItemRecordCount() const { return static_cast<int>(m_items.size()); }
  const OwnerDrawItem* GetItemRecord(int position) const {
    return position >= 0 && position < static_cast<int>(m_items.size()) ? m_items[static_cast<size_t>(position)] : nullptr;
  }
  const std::vector<HMENU>& GetSubMenuHandles() const { return m_subMenus; }
  UINT GetDefaultItem() const { return m_defaultCommand; }

  // The drawing helpers, public so that their pixels can be checked one by one.
  static COLORREF LightenColor(COLORREF color, double k);
  static void DrawTick(HDC dc, int x, int y, COLORREF color);
  static void DrawDot(HDC dc, int x, int y, COLORREF color);
  static void DrawCheckBoxClassic(HDC dc, RECT box, BOOL selected, BOOL customCheck);
  static void DrawCheckBoxFlat(HDC dc, RECT box, BOOL customCheck, COLORREF highlight);
  HBITMAP RenderItemIcon(HDC dc, CImageList* imageList, int index) const;
  static void DrawEmbossed(HDC dc, int x, int y, int width, int height, HBITMAP bitmap, COLORREF background);

 protected:
  void DrawItemClassic(LPDRAWITEMSTRUCT lpDrawItemStruct);
  void DrawItemFlat(LPDRAWITEMSTRUCT lpDrawItemStruct);

 private:
  void AlignAccelerators();
  // The menu (this one or a pop-up below it, depth-first in position order) whose own items hold
  // the command, and the position there; null when none does.
  COwnerDrawMenu* FindMenuHolding(UINT_PTR command, int* position);
  static COwnerDrawMenu* OwnedPopup(HMENU hMenu);
  void FreeRecord(OwnerDrawItem* record);
  BOOL DrawItemText(HDC dc, const OwnerDrawItem* item, RECT textRect, COLORREF color, HFONT font);

  std::vector<OwnerDrawItem*> m_items;
  std::vector<HMENU> m_subMenus;
  int m_iconWidth = 16;
  int m_iconHeight = 15;
  UINT m_defaultCommand = 0;
  COLORREF m_disabledTextColor = RGB(0x80, 0x80, 0x80);
  // Set on the pop-up objects that LoadMenu creates: only those are deleted with their parent.
  bool m_ownedByParent = false;
};
