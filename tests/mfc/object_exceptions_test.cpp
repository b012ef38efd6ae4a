// Run-time class information and the exception classes.
#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "base/types.h"
#include "mfc/exceptions.h"
#include "mfc/object.h"

class CShape : public CObject {
  DECLARE_DYNAMIC(CShape)
};
IMPLEMENT_DYNAMIC(CShape, CObject)

class CCircle : public CShape {
  DECLARE_DYNCREATE(CCircle)

 public:
  int radius = 3;
};
IMPLEMENT_DYNCREATE(CCircle, CShape)

namespace {

TEST(RuntimeClass, DerivationCreationAndNames) {
  CCircle circle;
  CObject* object = &circle;
  EXPECT_EQ(object->GetRuntimeClass(), RUNTIME_CLASS(CCircle));
  EXPECT_TRUE(object->IsKindOf(RUNTIME_CLASS(CShape)));
  EXPECT_TRUE(object->IsKindOf(RUNTIME_CLASS(CObject)));
  EXPECT_FALSE(object->IsKindOf(RUNTIME_CLASS(CException)));
  EXPECT_STREQ(RUNTIME_CLASS(CCircle)->m_lpszClassName, "CCircle");
  EXPECT_EQ(RUNTIME_CLASS(CCircle)->m_nObjectSize, int(sizeof(CCircle)));
  EXPECT_EQ(DYNAMIC_DOWNCAST(CCircle, object), &circle);
  EXPECT_EQ(DYNAMIC_DOWNCAST(CFileException, object), nullptr);
  EXPECT_EQ(STATIC_DOWNCAST(CShape, object), &circle);

  EXPECT_EQ(CRuntimeClass::FromName("CCircle"), RUNTIME_CLASS(CCircle));
  EXPECT_EQ(CRuntimeClass::FromName(u"CShape"), RUNTIME_CLASS(CShape));
  EXPECT_EQ(CRuntimeClass::FromName("ccircle"), nullptr);
  EXPECT_EQ(RUNTIME_CLASS(CShape)->CreateObject(), nullptr);  // not creatable
  CObject* created = CRuntimeClass::CreateObject("CCircle");
  ASSERT_NE(created, nullptr);
  EXPECT_EQ(static_cast<CCircle*>(created)->radius, 3);
  delete created;
}

std::u16string Message(CException* e, UINT size = 256) {
  char16_t buf[256];
  e->GetErrorMessage(buf, size);
  return buf;
}

TEST(Exceptions, FileExceptionThrownAsPointer) {
  try {
    AfxThrowFileException(CFileException::fileNotFound, ERROR_FILE_NOT_FOUND, u"C:\\x.txt");
  } catch (CException* e) {
    ASSERT_TRUE(e->IsKindOf(RUNTIME_CLASS(CFileException)));
    auto* f = static_cast<CFileException*>(e);
    EXPECT_EQ(f->m_cause, CFileException::fileNotFound);
    EXPECT_EQ(f->m_lOsError, ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(f->m_strFileName, u"C:\\x.txt");
    EXPECT_EQ(Message(e), u"C:\\x.txt was not found.");
    EXPECT_EQ(Message(e, 6), u"C:\\x.");  // cut to the buffer
    char narrow[64];
    EXPECT_TRUE(e->GetErrorMessage(narrow, 64));
    EXPECT_STREQ(narrow, "C:\\x.txt was not found.");
    e->Delete();  // the sanitizer reports a leak if this does not free it
  }
}

TEST(Exceptions, FileExceptionTexts) {
  struct {
    int cause;
    const char* name;
    const char16_t* text;
  } cases[] = {
      {CFileException::accessDenied, "C:\\\xE4.dat", u"Access to C:\\\u00E4.dat was denied."},
      {CFileException::sharingViolation, "a.txt", u"A sharing violation occurred while accessing a.txt."},
      {CFileException::diskFull, "", u"Disk full while accessing an unnamed file."},
      {CFileException::endOfFile, "b", u"An attempt was made to access b past its end."},
      {99, "c", u"An unknown error occurred while accessing c."},
  };
  for (const auto& c : cases) {
    CFileException e(c.cause, -1, c.name);
    EXPECT_EQ(Message(&e), c.text) << c.cause;
  }
}

TEST(Exceptions, OsErrorsMapToCauses) {
  struct {
    LONG error;
    int cause;
  } cases[] = {{ERROR_SUCCESS, CFileException::none},
               {ERROR_FILE_NOT_FOUND, CFileException::fileNotFound},
               {ERROR_PATH_NOT_FOUND, CFileException::badPath},
               {ERROR_ACCESS_DENIED, CFileException::accessDenied},
               {ERROR_SHARING_VIOLATION, CFileException::sharingViolation},
               {ERROR_LOCK_VIOLATION, CFileException::lockViolation},
               {ERROR_HANDLE_DISK_FULL, CFileException::diskFull},
               {ERROR_DISK_FULL, CFileException::diskFull},
               {ERROR_HANDLE_EOF, CFileException::endOfFile},
               {ERROR_TOO_MANY_OPEN_FILES, CFileException::tooManyOpenFiles},
               {ERROR_INVALID_NAME, CFileException::badPath},
               {ERROR_ALREADY_EXISTS, CFileException::accessDenied},
               {ERROR_DIR_NOT_EMPTY, CFileException::removeCurrentDir},
               {ERROR_NEGATIVE_SEEK, CFileException::badSeek},
               {12345, CFileException::genericException}};
  for (const auto& c : cases) EXPECT_EQ(CFileException::OsErrorToException(c.error), c.cause) << c.error;
  EXPECT_EQ(CFileException::ErrnoToException(ENOENT), CFileException::fileNotFound);
  EXPECT_EQ(CFileException::ErrnoToException(EACCES), CFileException::accessDenied);

  CFileException::ThrowOsError(0);  // no error: nothing thrown
  try {
    CFileException::ThrowOsError(ERROR_ACCESS_DENIED, "C:\\locked");
    FAIL() << "not thrown";
  } catch (CFileException* e) {
    EXPECT_EQ(e->m_cause, CFileException::accessDenied);
    EXPECT_EQ(Message(e), u"Access to C:\\locked was denied.");
    e->Delete();
  }
}

TEST(Exceptions, SimpleExceptionTexts) {
  auto caught = [](void (*thrower)()) -> std::u16string {
    try {
      thrower();
    } catch (CException* e) {
      std::u16string text = Message(e);
      e->Delete();
      return text;
    }
    return u"not thrown";
  };
  EXPECT_EQ(caught([] { AfxThrowMemoryException(); }), u"Out of memory.");
  EXPECT_EQ(caught([] { AfxThrowNotSupportedException(); }), u"An unsupported operation was attempted.");
  EXPECT_EQ(caught([] { AfxThrowInvalidArgException(); }), u"Encountered an improper argument.");
  EXPECT_EQ(caught([] { AfxThrowResourceException(); }), u"A required resource was unavailable.");
  EXPECT_EQ(caught([] { AfxThrowUserException(); }), u"");

  // The memory exception is one static object: Delete leaves it, and it is thrown again.
  CException* first = nullptr;
  CException* second = nullptr;
  try {
    AfxThrowMemoryException();
  } catch (CException* e) {
    first = e;
    e->Delete();
  }
  try {
    AfxThrowMemoryException();
  } catch (CException* e) {
    second = e;
    e->Delete();
  }
  EXPECT_EQ(first, second);
  EXPECT_TRUE(second->IsKindOf(RUNTIME_CLASS(CMemoryException)));
}

TEST(Exceptions, BaseExceptionHasNoText) {
  CException e(FALSE);
  char16_t buf[8] = u"junk";
  EXPECT_FALSE(e.GetErrorMessage(buf, 8));
  EXPECT_EQ(buf[0], u'\0');
  e.Delete();  // not auto-delete: the object stays
  EXPECT_FALSE(e.m_bAutoDelete);
}

}  // namespace
