// One entry's header of the central directory, with its name, extra field and comment.
#pragma once

#include "ZipAutoBuffer.h"
#include "base/types.h"
#include "mfc/cstring.h"

class CZipStorage;

class CZipFileHeader {
 public:
  enum { centralSize = 46, localSize = 30, descriptorSize = 12 };

  CZipFileHeader();
  CZipFileHeader(const CZipFileHeader& header) = default;
  CZipFileHeader& operator=(const CZipFileHeader& header) = default;
  ~CZipFileHeader();

  // Reads one central-directory header at the storage's position. A wrong signature, a
  // short read or a volume change inside the header raise code 101.
  void Read(CZipStorage* pStorage);
  // Reads the local header at the storage's position and checks it against this header; the
  // name is skipped and the local extra field read into localExtra. False when the local
  // header does not fit (a short read raises code 101).
  bool ReadLocal(CZipStorage* pStorage, CZipAutoBuffer& localExtra);

  // The stored name as read: every "/" becomes "\". A name flagged as UTF-8 (flag bit 11) is
  // read as UTF-8; otherwise a name written by MS-DOS or Windows (host system 0) is converted
  // from the OEM to the ANSI code page.
  void ConvertFileName();

  // The usual name of a compression method ("bzip2", "LZMA", ...), or "unknown".
  static LPCTSTR MethodName(WORD method);
  // The name as text (from the ANSI code page).
  const CString& GetFileName() const { return m_wideName; }

  bool IsEncrypted() const { return (m_uFlag & 1) != 0; }
  bool IsDataDescr() const { return (m_uFlag & 8) != 0; }
  bool IsUtf8Name() const { return (m_uFlag & 0x800) != 0; }
  int GetSystemCompatibility() const { return m_uVersionMadeBy >> 8; }
  WORD GetFileNameSize() const { return static_cast<WORD>(m_pszFileName.GetSize()); }
  WORD GetExtraFieldSize() const { return static_cast<WORD>(m_pExtraField.GetSize()); }
  WORD GetCommentSize() const { return static_cast<WORD>(m_pszComment.GetSize()); }
  // The size of the header in the central directory.
  DWORD GetSize() const { return centralSize + GetFileNameSize() + GetExtraFieldSize() + GetCommentSize(); }

  char m_szSignature[4];
  WORD m_uVersionMadeBy;  // low byte the version, high byte the host system
  WORD m_uVersionNeeded;
  WORD m_uFlag;           // bit 0 encrypted, bit 3 sizes and CRC in a data descriptor
  WORD m_uMethod;         // 0 stored, 8 deflated
  WORD m_uModTime;
  WORD m_uModDate;
  DWORD m_uCrc32;
  DWORD m_uComprSize;     // with the 12-byte encryption header of an encrypted entry
  DWORD m_uUncomprSize;
  WORD m_uDiskStart;
  WORD m_uInternalAttr;
  DWORD m_uExternalAttr;
  DWORD m_uOffset;        // of the local header, from the start of the archive proper
  CZipAutoBuffer m_pExtraField;
  CZipAutoBuffer m_pszFileName;
  CZipAutoBuffer m_pszComment;
  bool m_bZip64Local = false;  // the local header gave zip64 sizes (so has its data descriptor)

 private:
  CString m_wideName;  // the converted name as text, made once when the header is read
};
