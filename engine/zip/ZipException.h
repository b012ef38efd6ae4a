// The error object of the zip component: a cause code and the path of the archive concerned.
// It is thrown as a pointer (throw new CZipException), as the class library throws its own
// exceptions; whoever catches it calls Delete().
#pragma once

#include "base/types.h"
#include "mfc/cstring.h"
#include "mfc/exceptions.h"

class CZipException : public CException {
  DECLARE_DYNAMIC(CZipException)

 public:
  // Codes 1 to 30 are the run-time library's error numbers; the others are the component's.
  enum ZipErrors {
    noError = 0,
    generic = 100,
    badZipFile,       // 101
    badCrc,           // 102
    noCallback,       // 103
    aborted,          // 104
    abortedAction,    // 105
    abortedSafely,    // 106
    nonRemovable,     // 107
    tooManyVolumes,   // 108
    tooLongFileName,  // 109
    badPassword,      // 110
    dirWithSize,      // 111
    internal,         // 112
    notRemoved,       // 113
    notRenamed,       // 114
    platfNotSupp,     // 115
    cdirNotFound,     // 116
    streamEnd = 500,  // the zlib results
    needDict,         // 501
    errNo,            // 502
    streamError,      // 503
    dataError,        // 504
    memError,         // 505
    bufError,         // 506
    versionError      // 507
  };

  explicit CZipException(int iCause = generic, LPCTSTR lpszZipName = nullptr);
  ~CZipException() override;

  // Creates the error object and throws it.
  [[noreturn]] static void Throw(int iZipError = generic, LPCTSTR lpszZipName = nullptr);
  // The same with a detail that says what exactly is wrong; the description then reads
  // "<text of the code>: <detail>" (for example which compression method is not supported).
  [[noreturn]] static void Throw(int iZipError, LPCTSTR lpszZipName, LPCTSTR lpszDetail);

  // The component's code for a zlib result (Z_STREAM_END 500 ... Z_VERSION_ERROR 507, else 100).
  static int ZlibErrToZip(int iZlibError);

  // Copies the description into the buffer: at most nMaxError - 1 characters and a
  // terminating zero. FALSE for a null buffer, a size of 0 or an empty description.
  using CException::GetErrorMessage;
  BOOL GetErrorMessage(LPWSTR lpszError, UINT nMaxError, UINT* pnHelpContext = nullptr) override;

  // The text of the cause code.
  CString GetErrorDescription();

  CString m_szFileName;  // the archive's path; may be empty
  int m_iCause;          // the cause code
  CString m_szDetail;    // what exactly is wrong; may be empty

 protected:
  // The text of a code. Codes without a text of their own give the system's message for the
  // last error, or, with bNoLoop (used while already looking for that message), "Unknown error".
  CString GetInternalErrorDescription(int iCause, bool bNoLoop = false);
  // The system's text of the last error; with no last error, the text of the run-time
  // library's error number.
  CString GetSystemErrorDescription();
};
