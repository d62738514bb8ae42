// CObject and run-time class information: the class name, size, schema, base class and factory
// of every class declared with DECLARE_DYNAMIC or DECLARE_DYNCREATE, so that objects can be made
// by class (document templates, AfxBeginThread, splitter panes) and asked for their kind.
#pragma once

#include "platform/base/WinTypes.h"
#include "platform/mfc/AfxDefs.h"

class CObject;
class CArchive;

struct CRuntimeClass {
  LPCSTR m_lpszClassName;
  int m_nObjectSize;
  UINT m_wSchema;  // 0xFFFF for classes that are not serializable
  CObject* (*m_pfnCreateObject)();  // null for classes that cannot be made by class
  CRuntimeClass* m_pBaseClass;

  // A new object of the class, or null when it is not dynamically creatable.
  CObject* CreateObject();
  BOOL IsDerivedFrom(const CRuntimeClass* pBaseClass) const;
  // The registered class of that name (every class declared with the macros below), or null.
  static CRuntimeClass* FromName(LPCSTR lpszClassName);
};

// Registers a class with FromName; made by the IMPLEMENT_ macros.
struct AFX_CLASSINIT {
  explicit AFX_CLASSINIT(CRuntimeClass* pNewClass);
};

#define RUNTIME_CLASS(class_name) (const_cast<CRuntimeClass*>(&class_name::class##class_name))

#define DECLARE_DYNAMIC(class_name)            \
 public:                                       \
  static const CRuntimeClass class##class_name; \
  static CRuntimeClass* PASCAL GetThisClass() { return RUNTIME_CLASS(class_name); } \
  CRuntimeClass* GetRuntimeClass() const override;

#define DECLARE_DYNCREATE(class_name) \
  DECLARE_DYNAMIC(class_name)         \
  static CObject* PASCAL CreateObject();

#define IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, wSchema, pfnNew)                              \
  const CRuntimeClass class_name::class##class_name = {#class_name, (int)sizeof(class_name), wSchema,     \
                                                       pfnNew, RUNTIME_CLASS(base_class_name)};           \
  static const AFX_CLASSINIT _init_##class_name(RUNTIME_CLASS(class_name));                               \
  CRuntimeClass* class_name::GetRuntimeClass() const { return RUNTIME_CLASS(class_name); }

#define IMPLEMENT_DYNAMIC(class_name, base_class_name) \
  IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, 0xFFFF, nullptr)

#define IMPLEMENT_DYNCREATE(class_name, base_class_name)                   \
  CObject* PASCAL class_name::CreateObject() { return new class_name; }   \
  IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, 0xFFFF, class_name::CreateObject)

class CObject {
 public:
  virtual CRuntimeClass* GetRuntimeClass() const;
  virtual ~CObject() = default;

  BOOL IsKindOf(const CRuntimeClass* pClass) const;
  BOOL IsSerializable() const { return GetRuntimeClass()->m_wSchema != 0xFFFF; }
  // Documents override it; the archive belongs to the document layer.
  virtual void Serialize(CArchive& ar);
  virtual void AssertValid() const {}

  static const CRuntimeClass classCObject;
  static CRuntimeClass* PASCAL GetThisClass() { return const_cast<CRuntimeClass*>(&classCObject); }

 protected:
  CObject() = default;

 private:
  CObject(const CObject&) = delete;
  CObject& operator=(const CObject&) = delete;
};

// Null when the object is null or not of that class (or derived from it).
template <typename T>
T* AfxDynamicDownCast(CObject* pObject) {
  return pObject && pObject->IsKindOf(T::GetThisClass()) ? static_cast<T*>(pObject) : nullptr;
}
#define DYNAMIC_DOWNCAST(class_name, object) AfxDynamicDownCast<class_name>(object)
#define STATIC_DOWNCAST(class_name, object) (ASSERT((object) == nullptr || (object)->IsKindOf(RUNTIME_CLASS(class_name))), static_cast<class_name*>(object))
#define ASSERT_KINDOF(class_name, object) ASSERT((object)->IsKindOf(RUNTIME_CLASS(class_name)))
