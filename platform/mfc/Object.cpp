#include "platform/mfc/Object.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <vector>

namespace {

std::mutex& RegistryLock() {
  static std::mutex* m = new std::mutex;
  return *m;
}

std::vector<CRuntimeClass*>& Registry() {
  static std::vector<CRuntimeClass*>* classes = new std::vector<CRuntimeClass*>;
  return *classes;
}

}  // namespace

const CRuntimeClass CObject::classCObject = {"CObject", (int)sizeof(CObject), 0xFFFF, nullptr, nullptr};

CRuntimeClass* CObject::GetRuntimeClass() const { return RUNTIME_CLASS(CObject); }

BOOL CObject::IsKindOf(const CRuntimeClass* pClass) const { return GetRuntimeClass()->IsDerivedFrom(pClass); }

void CObject::Serialize(CArchive&) {}

CObject* CRuntimeClass::CreateObject() {
  if (!m_pfnCreateObject) {
    TRACE("%s cannot be created by class\n", m_lpszClassName);
    return nullptr;
  }
  return m_pfnCreateObject();
}

BOOL CRuntimeClass::IsDerivedFrom(const CRuntimeClass* pBaseClass) const {
  for (const CRuntimeClass* c = this; c; c = c->m_pBaseClass) {
    if (c == pBaseClass) return TRUE;
  }
  return FALSE;
}

CRuntimeClass* CRuntimeClass::FromName(LPCSTR lpszClassName) {
  if (!lpszClassName) return nullptr;
  if (strcmp(lpszClassName, "CObject") == 0) return RUNTIME_CLASS(CObject);
  std::lock_guard<std::mutex> lock(RegistryLock());
  for (CRuntimeClass* c : Registry()) {
    if (strcmp(c->m_lpszClassName, lpszClassName) == 0) return c;
  }
  return nullptr;
}

AFX_CLASSINIT::AFX_CLASSINIT(CRuntimeClass* pNewClass) {
  std::lock_guard<std::mutex> lock(RegistryLock());
  Registry().push_back(pNewClass);
}

void AfxAssertFailedLine(LPCSTR lpszFileName, int nLine) {
  fprintf(stderr, "ASSERT failed: %s(%d)\n", lpszFileName ? lpszFileName : "?", nLine);
}

void AfxTrace(LPCSTR lpszFormat, ...) {
  static const bool enabled = getenv("PXQD_TRACE") != nullptr;
  if (!enabled || !lpszFormat) return;
  va_list args;
  va_start(args, lpszFormat);
  vfprintf(stderr, lpszFormat, args);
  va_end(args);
}
