// CObject, CRuntimeClass and its class registry, and the diagnostic helpers.
#include "mfc/object.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

#include "base/codepage.h"
#include "res/resources.h"

CRuntimeClass CObject::classCObject = {"CObject", int(sizeof(CObject)), 0xFFFF, nullptr, nullptr, nullptr};

namespace {

std::mutex& ClassListMutex() {
  static std::mutex m;
  return m;
}

// Head of the registered classes, linked through m_pNextClass.
CRuntimeClass* g_firstClass = nullptr;


}  // namespace

static AFX_CLASSINIT _init_CObject(&CObject::classCObject);

AFX_CLASSINIT::AFX_CLASSINIT(CRuntimeClass* pNewClass) : m_pClass(pNewClass) {
  std::lock_guard<std::mutex> lock(ClassListMutex());
  pNewClass->m_pNextClass = g_firstClass;
  g_firstClass = pNewClass;
}

AFX_CLASSINIT::~AFX_CLASSINIT() {
  // A library that is unloaded takes its classes out of the list.
  std::lock_guard<std::mutex> lock(ClassListMutex());
  for (CRuntimeClass** p = &g_firstClass; *p != nullptr; p = &(*p)->m_pNextClass) {
    if (*p == m_pClass) {
      *p = m_pClass->m_pNextClass;
      break;
    }
  }
}

CObject* CRuntimeClass::CreateObject() {
  if (m_pfnCreateObject == nullptr) return nullptr;
  return m_pfnCreateObject();
}

BOOL CRuntimeClass::IsDerivedFrom(const CRuntimeClass* pBaseClass) const {
  for (const CRuntimeClass* c = this; c != nullptr; c = c->m_pBaseClass) {
    if (c == pBaseClass) return TRUE;
  }
  return FALSE;
}

CRuntimeClass* PASCAL CRuntimeClass::FromName(LPCSTR lpszClassName) {
  if (lpszClassName == nullptr) return nullptr;
  std::lock_guard<std::mutex> lock(ClassListMutex());
  for (CRuntimeClass* c = g_firstClass; c != nullptr; c = c->m_pNextClass) {
    if (std::strcmp(c->m_lpszClassName, lpszClassName) == 0) return c;
  }
  return nullptr;
}

CRuntimeClass* PASCAL CRuntimeClass::FromName(LPCWSTR lpszClassName) {
  if (lpszClassName == nullptr) return nullptr;
  std::u16string wide;
  for (const char16_t* p = lpszClassName; *p; ++p) wide += *p;
  return FromName(nux::WideToAnsi(wide).c_str());
}

CObject* PASCAL CRuntimeClass::CreateObject(LPCSTR lpszClassName) {
  CRuntimeClass* c = FromName(lpszClassName);
  return c ? c->CreateObject() : nullptr;
}

CObject* PASCAL CRuntimeClass::CreateObject(LPCWSTR lpszClassName) {
  CRuntimeClass* c = FromName(lpszClassName);
  return c ? c->CreateObject() : nullptr;
}

CRuntimeClass* CObject::GetRuntimeClass() const { return RUNTIME_CLASS(CObject); }

BOOL CObject::IsKindOf(const CRuntimeClass* pClass) const { return GetRuntimeClass()->IsDerivedFrom(pClass); }

BOOL CObject::IsSerializable() const { return GetRuntimeClass()->m_wSchema != 0xFFFF ? TRUE : FALSE; }

void CObject::AssertValid() const {}

CObject* AFXAPI AfxDynamicDownCast(CRuntimeClass* pClass, CObject* pObject) {
  return (pObject != nullptr && pObject->IsKindOf(pClass)) ? pObject : nullptr;
}

const CObject* AFXAPI AfxDynamicDownCast(CRuntimeClass* pClass, const CObject* pObject) {
  return (pObject != nullptr && pObject->IsKindOf(pClass)) ? pObject : nullptr;
}

void AFXAPI AfxAssertFailedLine(LPCSTR lpszFileName, int nLine, LPCSTR lpszExpression) {
  std::fprintf(stderr, "Assertion failed: %s, file %s, line %d\n", lpszExpression ? lpszExpression : "",
               lpszFileName ? lpszFileName : "", nLine);
  std::fflush(stderr);
  std::abort();
}

void AFXAPI AfxAssertValidObject(const CObject* pOb, LPCSTR lpszFileName, int nLine) {
  if (pOb == nullptr) AfxAssertFailedLine(lpszFileName, nLine, "pOb != NULL");
  pOb->AssertValid();
}

