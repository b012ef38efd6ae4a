// The root of the class library: CObject with run-time class information (CRuntimeClass,
// DECLARE_DYNAMIC / IMPLEMENT_DYNAMIC, DECLARE_DYNCREATE / IMPLEMENT_DYNCREATE), the
// diagnostic macros (ASSERT, VERIFY, ASSERT_VALID, TRACE) and the resource handle.
#pragma once

#include "base/types.h"

#ifndef PASCAL
#define PASCAL
#endif
#ifndef AFXAPI
#define AFXAPI
#endif
#ifndef AFX_CDECL
#define AFX_CDECL
#endif

class CObject;

// Describes one class: its name, its size, how to create one, and its base class.
struct CRuntimeClass {
  LPCSTR m_lpszClassName;
  int m_nObjectSize;
  UINT m_wSchema;                   // 0xFFFF for classes that are not serializable
  CObject* (*m_pfnCreateObject)();  // nullptr unless the class is dynamically creatable
  CRuntimeClass* m_pBaseClass;      // nullptr for CObject
  CRuntimeClass* m_pNextClass;      // the list of registered classes

  // A new object of the class (operator new), or nullptr when the class cannot be created.
  CObject* CreateObject();
  // TRUE when this class is the base class or derives from it.
  BOOL IsDerivedFrom(const CRuntimeClass* pBaseClass) const;

  // The registered class of that name (exact, case-sensitive), or nullptr.
  static CRuntimeClass* PASCAL FromName(LPCSTR lpszClassName);
  static CRuntimeClass* PASCAL FromName(LPCWSTR lpszClassName);
  static CObject* PASCAL CreateObject(LPCSTR lpszClassName);
  static CObject* PASCAL CreateObject(LPCWSTR lpszClassName);
};

// Registers a class for FromName while the module that holds it is loaded.
struct AFX_CLASSINIT {
  explicit AFX_CLASSINIT(CRuntimeClass* pNewClass);
  ~AFX_CLASSINIT();
  AFX_CLASSINIT(const AFX_CLASSINIT&) = delete;
  AFX_CLASSINIT& operator=(const AFX_CLASSINIT&) = delete;

 private:
  CRuntimeClass* m_pClass;
};

class CObject {
 public:
  static CRuntimeClass classCObject;
  virtual CRuntimeClass* GetRuntimeClass() const;
  virtual ~CObject() = default;

  BOOL IsKindOf(const CRuntimeClass* pClass) const;
  BOOL IsSerializable() const;
  // Checks the object's invariants (ASSERT_VALID); the default checks nothing.
  virtual void AssertValid() const;

 protected:
  CObject() = default;

 public:
  CObject(const CObject&) = delete;
  CObject& operator=(const CObject&) = delete;
};

// The checked cast: the object when it is of the class (or derives from it), else nullptr.
CObject* AFXAPI AfxDynamicDownCast(CRuntimeClass* pClass, CObject* pObject);
const CObject* AFXAPI AfxDynamicDownCast(CRuntimeClass* pClass, const CObject* pObject);

#define RUNTIME_CLASS(class_name) (&class_name::class##class_name)

#define DECLARE_DYNAMIC(class_name)             \
 public:                                        \
  static CRuntimeClass class##class_name;       \
  CRuntimeClass* GetRuntimeClass() const override;

#define DECLARE_DYNCREATE(class_name) \
  DECLARE_DYNAMIC(class_name)         \
  static CObject* PASCAL CreateObject();

#define IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, wSchema, pfnNew)                           \
  CRuntimeClass class_name::class##class_name = {#class_name, int(sizeof(class class_name)), wSchema, \
                                                 pfnNew, RUNTIME_CLASS(base_class_name), nullptr};    \
  static AFX_CLASSINIT _init_##class_name(&class_name::class##class_name);                            \
  CRuntimeClass* class_name::GetRuntimeClass() const { return RUNTIME_CLASS(class_name); }

#define IMPLEMENT_DYNAMIC(class_name, base_class_name) \
  IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, 0xFFFF, nullptr)

#define IMPLEMENT_DYNCREATE(class_name, base_class_name)                 \
  CObject* PASCAL class_name::CreateObject() { return new class_name; } \
  IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, 0xFFFF, class_name::CreateObject)

#define DYNAMIC_DOWNCAST(class_name, object) \
  (static_cast<class_name*>(AfxDynamicDownCast(RUNTIME_CLASS(class_name), (object))))

// ---- diagnostics ------------------------------------------------------------------
// ASSERT and its companions check in debug builds (_DEBUG defined, or NDEBUG not defined) and
// vanish in release builds. A failed check reports file and line on standard error and aborts.
void AFXAPI AfxAssertFailedLine(LPCSTR lpszFileName, int nLine, LPCSTR lpszExpression);
void AFXAPI AfxAssertValidObject(const CObject* pOb, LPCSTR lpszFileName, int nLine);

#if defined(_DEBUG) || !defined(NDEBUG)
#define NUX_ASSERTS_ACTIVE 1
#define ASSERT(f) ((f) ? (void)0 : AfxAssertFailedLine(__FILE__, __LINE__, #f))
#define VERIFY(f) ASSERT(f)
#define ASSERT_VALID(pOb) AfxAssertValidObject((pOb), __FILE__, __LINE__)
#define ASSERT_KINDOF(class_name, object) ASSERT((object)->IsKindOf(RUNTIME_CLASS(class_name)))
#define STATIC_DOWNCAST(class_name, object) \
  (static_cast<class_name*>(AfxStaticDownCastChecked(RUNTIME_CLASS(class_name), (object), __FILE__, __LINE__)))
#define DEBUG_ONLY(f) (f)
#else
#define NUX_ASSERTS_ACTIVE 0
#define ASSERT(f) ((void)0)
#define VERIFY(f) ((void)(f))
#define ASSERT_VALID(pOb) ((void)0)
#define ASSERT_KINDOF(class_name, object) ((void)0)
#define STATIC_DOWNCAST(class_name, object) (static_cast<class_name*>(object))
#define DEBUG_ONLY(f) ((void)0)
#endif

// STATIC_DOWNCAST in debug builds: asserts that the object is of the class.
template <typename T>
T* AfxStaticDownCastChecked(CRuntimeClass* pClass, T* pObject, LPCSTR file, int line) {
  if (pObject != nullptr && !pObject->IsKindOf(pClass)) AfxAssertFailedLine(file, line, "IsKindOf");
  return pObject;
}

#define TRACE(...) ((void)0)
#define TRACE0(sz) ((void)0)
#define TRACE1(sz, p1) ((void)0)
#define TRACE2(sz, p1, p2) ((void)0)
#define TRACE3(sz, p1, p2, p3) ((void)0)

// ---- resource handle --------------------------------------------------------------
// The module that CString::LoadString and the other resource loaders read from: that of the
// current module state (modstate.h), by default the program's own module.
HINSTANCE AFXAPI AfxGetResourceHandle();
void AFXAPI AfxSetResourceHandle(HINSTANCE hInstResource);
