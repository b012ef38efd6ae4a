// The collections are templates; the named classes are instantiated here once, so that the
// library carries their code and every member is known to compile.
#include "mfc/collections.h"

template class CArray<void*, void*>;
template class CArray<CObject*, CObject*>;
template class CArray<DWORD, DWORD>;
template class CArray<BYTE, BYTE>;
template class CArray<WORD, WORD>;
template class CArray<CStringW, const CStringW&>;
template class CArray<CStringA, const CStringA&>;
template class CList<void*, void*>;
template class CList<CObject*, CObject*>;
template class CList<CStringW, const CStringW&>;
template class CList<CStringA, const CStringA&>;
template class CMap<CStringW, const char16_t*, void*, void*>;
template class CMap<CStringA, const char*, void*, void*>;
template class CMap<CStringW, const char16_t*, CStringW, const char16_t*>;
template class CMap<CStringA, const char*, CStringA, const char*>;
template class CMap<WORD, WORD, void*, void*>;
template class CMap<void*, void*, void*, void*>;
