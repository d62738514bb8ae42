#include "framework/SkinSettings.h"

#include <strings.h>

#include "controls/OwnerDrawMenu.h"
#include "framework/GameApp.h"
#include "framework/SharedHelpers.h"
#include "platform/skin/SkinLibrary.h"
#include "platform/kernel/Kernel.h"

CString CSkinSettings::GetProgramFolder() const {
  CGameApp* app = GetGameApp();
  if (app != nullptr) return app->GetModuleFolder();
  char folder[MAX_PATH] = {};
  GetModuleDirectory(folder);
  return CString(folder);
}

CString CSkinSettings::GetGameIniPath() const {
  CGameApp* app = GetGameApp();
  return app != nullptr ? app->GetGameIniPath() : CString();
}

void CSkinSettings::LoadCurrentSkin() {
  char stored[MAX_PATH] = {};
  GetPrivateProfileStringA("SKIN", "Path", "", stored, sizeof(stored), GetGameIniPath());
  if (stored[0] != '\0' && FileExists(stored, 0)) {
    m_currentPath = stored;
  } else {
    CString first;
    first.Format("%sskins\\skin1\\skin.ini", static_cast<LPCSTR>(GetProgramFolder()));
    if (FileExists(first, 0)) WriteSkinPath(first);
  }
  ScanSkins();
  if (!m_currentPath.IsEmpty()) SkinLoad(m_currentPath);
}

void CSkinSettings::UnloadSkin() {
  if (m_currentPath.IsEmpty()) return;
  SkinRelease();
  m_currentPath.Empty();
}

void CSkinSettings::ScanSkins() {
  CString folder;
  folder.Format("%sskins\\", static_cast<LPCSTR>(GetProgramFolder()));
  CString pattern = folder + "*.*";
  WIN32_FIND_DATAA found;
  HANDLE find = FindFirstFileA(pattern, &found);
  if (find == INVALID_HANDLE_VALUE) return;
  unsigned next = static_cast<unsigned>(m_skins.size());
  do {
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) continue;
    if (std::strcmp(found.cFileName, ".") == 0 || std::strcmp(found.cFileName, "..") == 0) continue;
    CString ini;
    ini.Format("%s%s\\skin.ini", static_cast<LPCSTR>(folder), found.cFileName);
    if (FileExists(ini, 0)) m_skins[next++] = ini;
  } while (FindNextFileA(find, &found));
  FindClose(find);
}

void CSkinSettings::WriteSkinPath(LPCSTR path) {
  m_currentPath = path;
  WritePrivateProfileStringA("SKIN", "Path", path, GetGameIniPath());
}

int CSkinSettings::IsCurrentSkin(LPCSTR path) const {
  return path != nullptr && strcasecmp(path, m_currentPath) == 0 ? 1 : 0;
}

int CSkinSettings::GetCurrentSkinIndex() const {
  for (const auto& entry : m_skins) {
    if (IsCurrentSkin(entry.second)) return static_cast<int>(entry.first);
  }
  return -1;
}

CString CSkinSettings::GetListedSkin(unsigned index) const {
  auto it = m_skins.find(index);
  return it != m_skins.end() ? it->second : CString();
}

UINT CSkinSettings::BuildSkinMenu(int x, int y, CWnd* owner) {
  COwnerDrawMenu menu;
  if (!menu.LoadMenu(SKIN_MENU_TEMPLATE)) return 0;
  CMenu* popup = menu.GetSubMenu(0);
  if (popup == nullptr) return 0;
  auto* skins = static_cast<COwnerDrawMenu*>(popup);
  // Inserting each skin at the top in descending order leaves them in ascending order.
  for (auto it = m_skins.rbegin(); it != m_skins.rend(); ++it) {
    UINT flags = MF_BYPOSITION | MF_STRING | (IsCurrentSkin(it->second) ? MF_CHECKED : 0);
    skins->InsertMenu(0, flags, SKIN_MENU_FIRST + it->first, GetSkinName(it->second));
  }
  if (!m_skins.empty()) {
    const UINT n = static_cast<UINT>(m_skins.size());
    skins->InsertMenu(n, MF_BYPOSITION | MF_SEPARATOR, 0, static_cast<LPCTSTR>(nullptr));
    skins->RemoveMenu(n + 1, MF_BYPOSITION);
    skins->AppendMenu(MF_STRING, SKIN_MENU_MORE, "更多皮肤...");
  }
  UINT command = static_cast<UINT>(popup->TrackPopupMenu(TPM_RIGHTALIGN | TPM_RETURNCMD, x, y, owner));
  menu.DestroyMenu();
  return command;
}

CString CSkinSettings::GetSkinFolder() const {
  char folder[MAX_PATH] = {};
  ExtractPathParts(m_currentPath, PATH_PART_DRIVE | PATH_PART_DIRECTORY, folder);
  return CString(folder);
}

CString CSkinSettings::ReadText(LPCSTR section, LPCSTR key) const {
  char value[258] = {};
  GetPrivateProfileStringA(section, key, "", value, sizeof(value), m_currentPath);
  return CString(TrimSpaces(value));
}

int CSkinSettings::ReadInt(LPCSTR section, LPCSTR key, int defaultValue) const {
  return static_cast<int>(GetPrivateProfileIntA(section, key, defaultValue, m_currentPath));
}

CString CSkinSettings::GetJpgResourcePath(LPCSTR key) const { return GetSkinFolder() + ReadText("JPGResource", key); }

CString CSkinSettings::GetBitmapResourcePath(LPCSTR key) const {
  return GetSkinFolder() + ReadText("BitmapResource", key);
}

CString CSkinSettings::GetSkinName(LPCSTR skinIniPath) const {
  char name[256] = {};
  GetPrivateProfileStringA("SKIN", "Name", "方案", name, sizeof(name), skinIniPath);
  return CString(name);
}

HICON CSkinSettings::LoadSkinIcon(LPCSTR skinIniPath) const {
  char folder[MAX_PATH] = {};
  ExtractPathParts(skinIniPath, PATH_PART_DRIVE | PATH_PART_DIRECTORY, folder);
  CString file;
  file.Format("%sskin.ico", folder);
  return static_cast<HICON>(LoadImageA(nullptr, file, IMAGE_ICON, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
}

COLORREF CSkinSettings::ReadColor(LPCSTR section, LPCSTR key, COLORREF defaultColor) const {
  return ParseRgbColor(ReadText(section, key), defaultColor);
}

int CSkinSettings::GetDlgBarLeftWidth() const { return ReadInt("BitmapResource", "DlgBarBKLeftWidth", 0); }
int CSkinSettings::GetAdvertLeft() const { return ReadInt("DLGBAR", "AdvertLeft", 3); }
int CSkinSettings::GetAdvertTop() const { return ReadInt("DLGBAR", "AdvertTop", 3); }
int CSkinSettings::GetButtonWidth() const { return ReadInt("DLGBAR", "BTNWidth", 0); }
int CSkinSettings::GetButtonHeight() const { return ReadInt("DLGBAR", "BTNHeight", 0); }
int CSkinSettings::GetSplitterWidth() const { return ReadInt("SPLITTER", "VerWidth", 8); }
int CSkinSettings::GetSplitterHeight() const { return ReadInt("SPLITTER", "HorHeight", 6); }

void CSkinSettings::GetFrameColors(SkinFrameColors* colors) const {
  colors->leftIn = ReadColor("FRAMECOLOR", "LeftIn", RGB(0, 0, 0));
  colors->leftOut = ReadColor("FRAMECOLOR", "LeftOut", RGB(128, 128, 128));
  colors->rightIn = ReadColor("FRAMECOLOR", "RightIn", RGB(212, 208, 200));
  colors->rightOut = ReadColor("FRAMECOLOR", "RightOut", RGB(255, 255, 255));
}
