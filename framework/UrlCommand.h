// The in-page command addresses of the framework's web controls.
//
// "kvyold:" and "kvynew:" addresses are web pages to be opened with the user's signature, in the
// same control (old) or in the external browser (new); they are posted to the owning control as
// WM_URL_COMMAND and run from there, after the navigation that carried them is cancelled.
// "kvyapp://<word>/" addresses are commands for the hall program. Schemes and command addresses
// are compared without regard to case.
#pragma once

#include "platform/mfc/Afx.h"

#define WM_URL_COMMAND 0x85B9

class CCommandHtmlCtrl;

class CUrlCommand {
 public:
  CUrlCommand(CCommandHtmlCtrl* owner, LPCSTR url);
  virtual ~CUrlCommand() = default;

  virtual BOOL IsOldScheme() const;
  virtual BOOL IsNewScheme() const;
  virtual BOOL IsBlank() const;
  virtual BOOL IsHttp() const;
  virtual BOOL IsAppScheme() const;
  // TRUE when the address was handled (its navigation is to be cancelled). An old- or new-scheme
  // command has then been posted to the owner, which deletes it after running it.
  virtual BOOL Execute();
  // Opens the posted page: new scheme in the external browser, old scheme in the owner.
  virtual BOOL RunPosted();
  // The address under "http": the scheme is replaced up to its first ':'.
  virtual CString ToHttp() const;

  // TRUE when Execute posted this command to its owner (it then belongs to the owner's queue).
  BOOL WasPosted() const { return m_posted; }
  const CString& GetUrl() const { return m_url; }

 private:
  BOOL HasScheme(LPCSTR scheme) const;
  CString m_url;
  CCommandHtmlCtrl* m_owner;
  BOOL m_posted = FALSE;
};

// The address with the query appended after '?' (or '&' when the address has a '?' already);
// an empty query leaves the address as it is.
CString AppendUrlQuery(LPCSTR url, LPCSTR query);
