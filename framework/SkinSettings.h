// Which skin is in use, the installed skins and the settings of the current skin's skin.ini.
// The skins are folders under the program folder's "skins\" folder, each with a skin.ini; the
// current one is remembered as [SKIN] Path in the game ini.
#pragma once

#include <map>

#include "platform/mfc/Afx.h"

#define SKIN_MENU_TEMPLATE 131
#define SKIN_MENU_MORE 20000
#define SKIN_MENU_FIRST 20001
#define SKIN_MENU_LAST 20064

// The four frame colours in the order the frame draws them.
struct SkinFrameColors {
  COLORREF leftIn;
  COLORREF leftOut;
  COLORREF rightIn;
  COLORREF rightOut;
};

class CSkinSettings {
 public:
  CSkinSettings() = default;
  virtual ~CSkinSettings() = default;

  virtual void LoadCurrentSkin();
  virtual void UnloadSkin();
  virtual void ScanSkins();
  virtual void WriteSkinPath(LPCSTR path);
  virtual int IsLoaded() const { return m_currentPath.IsEmpty() ? 0 : 1; }
  virtual int IsCurrentSkin(LPCSTR path) const;
  virtual int GetCurrentSkinIndex() const;
  // Pops up the skin menu and returns the chosen command, 0 when none.
  virtual UINT BuildSkinMenu(int x, int y, CWnd* owner);
  virtual CString GetSkinIniPath() const { return m_currentPath; }
  virtual CString GetSkinFolder() const;
  virtual CString GetJpgResourcePath(LPCSTR key) const;
  virtual CString GetBitmapResourcePath(LPCSTR key) const;
  virtual CString GetSkinName(LPCSTR skinIniPath) const;
  virtual HICON LoadSkinIcon(LPCSTR skinIniPath) const;
  virtual COLORREF ReadColor(LPCSTR section, LPCSTR key, COLORREF defaultColor) const;
  virtual int GetDlgBarLeftWidth() const;
  virtual int GetAdvertLeft() const;
  virtual int GetAdvertTop() const;
  virtual int GetButtonWidth() const;
  virtual int GetButtonHeight() const;
  virtual int GetSplitterWidth() const;
  virtual int GetSplitterHeight() const;
  virtual void GetFrameColors(SkinFrameColors* colors) const;

  // The skin path picked in the skin menu, waiting for the frame to apply it.
  CString m_chosenPath;
  const std::map<unsigned, CString>& SkinList() const { return m_skins; }
  // The skin.ini of the list entry, or empty.
  CString GetListedSkin(unsigned index) const;

 protected:
  // The program folder (ends in a separator) and the game ini; the application gives them.
  virtual CString GetProgramFolder() const;
  virtual CString GetGameIniPath() const;

 private:
  CString ReadText(LPCSTR section, LPCSTR key) const;
  int ReadInt(LPCSTR section, LPCSTR key, int defaultValue) const;

  CString m_currentPath;
  std::map<unsigned, CString> m_skins;
};
