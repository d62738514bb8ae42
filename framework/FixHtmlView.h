// The web views of the framework's panes.
//
// CFixHtmlView: a web view with a navigation filter. While the filter is on, a navigation goes on
// only when its host (or the domain above it) is listed in the encrypted whitelist file, which is
// read again on every check so that the hall can update it while the game runs.
//
// The whitelist file is a run of 64-byte records, each a zero-padded host name enciphered with
// AES-128 in ECB mode under the program's whitelist key; a final piece shorter than a record is
// ignored. WriteWhitelistFile writes one in that form.
#pragma once

#include <string>
#include <vector>

#include "platform/mfc/Afx.h"
#include "platform/mfc/HtmlView.h"

class CFixHtmlView : public CHtmlView {
  DECLARE_DYNAMIC(CFixHtmlView)

 public:
  CFixHtmlView() = default;

  void SetFilterOn(BOOL on) { m_filterOn = on; }
  void SetWhitelistFile(LPCSTR path) { m_whitelistFile.Format("%s", path ? path : ""); }
  BOOL IsFilterOn() const { return m_filterOn; }

  // Navigates to the address, with optional post data (of postLength bytes, or of its string
  // length when postLength is 0).
  void Navigate(LPCSTR url, DWORD flags = 0, LPCSTR targetFrame = nullptr, LPCSTR headers = nullptr,
                LPCSTR postData = nullptr, DWORD postLength = 0);

  virtual void DoDataExchange(CDataExchange* pDX) {}
  void OnBeforeNavigate2(LPCTSTR lpszURL, DWORD nFlags, LPCTSTR lpszTargetFrameName, CByteArray& baPostedData,
                         LPCTSTR lpszHeaders, BOOL* pbCancel) override;
  // True when the address may be shown while the filter is on.
  virtual BOOL IsUrlAllowed(LPCSTR url);
  // Reads the whitelist into the list (lower-cased names); the number of names read.
  virtual int LoadWhitelist(CStringList& list);

  // The host part of an address as the filter judges it: after the scheme's "//" and any user
  // name, up to the port, path, query or fragment; an address without "//" is taken whole up to
  // its first '/'.
  static CString HostOfUrl(LPCSTR url);

 protected:
  BOOL m_filterOn = FALSE;
  CString m_whitelistFile;
};

// Writes a whitelist file holding the given host names (each at most 63 bytes); false when the
// file cannot be written or a name is too long.
bool WriteWhitelistFile(const std::string& path, const std::vector<std::string>& hosts);
