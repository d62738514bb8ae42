#include "framework/UrlCommand.h"

#include <cstring>

#include "framework/CommandHtmlCtrl.h"
#include "framework/GameApp.h"
#include "framework/HallRecords.h"

namespace {

// The command address of a "kvyapp:" word: scheme, two slashes, the word and a final slash.
CString AppCommand(LPCSTR word) {
  CString command;
  command.Format("%s//%s/", "kvyapp:", word);
  return command;
}

}  // namespace

CUrlCommand::CUrlCommand(CCommandHtmlCtrl* owner, LPCSTR url) : m_owner(owner) { m_url.Format("%s", url ? url : ""); }

BOOL CUrlCommand::HasScheme(LPCSTR scheme) const {
  const int n = static_cast<int>(std::strlen(scheme));
  return m_url.GetLength() >= n && m_url.Left(n).CompareNoCase(scheme) == 0;
}

BOOL CUrlCommand::IsOldScheme() const { return HasScheme("kvyold:"); }
BOOL CUrlCommand::IsNewScheme() const { return HasScheme("kvynew:"); }
BOOL CUrlCommand::IsBlank() const { return m_url.CompareNoCase("about:blank") == 0; }
BOOL CUrlCommand::IsHttp() const { return HasScheme("http:"); }
BOOL CUrlCommand::IsAppScheme() const { return HasScheme("kvyapp:"); }

BOOL CUrlCommand::Execute() {
  if (IsOldScheme() || IsNewScheme()) {
    if (m_owner == nullptr || m_owner->GetSafeHwnd() == nullptr) return FALSE;
    m_posted = m_owner->PostMessage(WM_URL_COMMAND, reinterpret_cast<WPARAM>(this), 0);
    return m_posted;
  }
  if (!IsAppScheme()) return FALSE;
  CGameApp* app = GetGameApp();
  const WPARAM userId = app != nullptr ? static_cast<WPARAM>(app->GetUserID()) : 0;
  if (m_url.CompareNoCase(AppCommand("changeclothing")) == 0) {
    PostToHallFrame(WM_HALL_CHANGE_CLOTHING, userId, 0);
    return TRUE;
  }
  if (m_url.CompareNoCase(AppCommand("becomemember")) == 0) {
    PostToHallFrame(WM_HALL_BECOME_MEMBER, userId, 0);
    return TRUE;
  }
  if (m_url.CompareNoCase(AppCommand("memberclose")) == 0) return TRUE;
  return FALSE;
}

CString CUrlCommand::ToHttp() const {
  const int colon = m_url.Find(':');
  if (colon < 0) return CString("http");
  return CString("http") + m_url.Mid(colon);
}

BOOL CUrlCommand::RunPosted() {
  const CString http = ToHttp();
  CGameApp* app = GetGameApp();
  if (IsNewScheme()) {
    if (app != nullptr) app->OpenUrlInBrowser(http, TRUE);
  } else if (IsOldScheme() && m_owner != nullptr) {
    const CString target = app != nullptr ? app->SignUrl(http, TRUE) : http;
    m_owner->Navigate(target);
  }
  return TRUE;
}

CString AppendUrlQuery(LPCSTR url, LPCSTR query) {
  CString result(url ? url : "");
  if (query == nullptr || *query == '\0') return result;
  result += std::strchr(result, '?') == nullptr ? "?" : "&";
  result += query;
  return result;
}
