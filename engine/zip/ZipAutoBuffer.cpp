#include "ZipAutoBuffer.h"

#include <cstdlib>
#include <cstring>
#include <new>

CZipAutoBuffer::CZipAutoBuffer() : m_pBuffer(nullptr), m_iSize(0) {}

CZipAutoBuffer::CZipAutoBuffer(DWORD iSize, bool bZeroMemory) : m_pBuffer(nullptr), m_iSize(0) {
  Allocate(iSize, bZeroMemory);
}

CZipAutoBuffer::CZipAutoBuffer(const CZipAutoBuffer& buffer) : m_pBuffer(nullptr), m_iSize(0) {
  *this = buffer;
}

CZipAutoBuffer& CZipAutoBuffer::operator=(const CZipAutoBuffer& buffer) {
  if (this == &buffer) return *this;
  if (buffer.m_iSize == 0) {
    Release();
  } else {
    Allocate(buffer.m_iSize);
    memcpy(m_pBuffer, buffer.m_pBuffer, buffer.m_iSize);
  }
  return *this;
}

CZipAutoBuffer::~CZipAutoBuffer() { Release(); }

char* CZipAutoBuffer::Allocate(DWORD iSize, bool bZeroMemory) {
  if (iSize == m_iSize && m_pBuffer) {
    if (bZeroMemory) memset(m_pBuffer, 0, iSize);
    return m_pBuffer;
  }
  Release();
  if (iSize == 0) return nullptr;
  m_pBuffer = static_cast<char*>(bZeroMemory ? calloc(iSize, 1) : malloc(iSize));
  if (!m_pBuffer) throw std::bad_alloc();
  m_iSize = iSize;
  return m_pBuffer;
}

void CZipAutoBuffer::Release() {
  free(m_pBuffer);
  m_pBuffer = nullptr;
  m_iSize = 0;
}
