#pragma once

// QueryInterface from a table: each object lists the interfaces it hands out as {IID, offset of that
// interface's vtable pointer inside the object}, and one function walks the table. IUnknown is not
// listed; it is answered with the table's first entry, so every request for IUnknown yields the same
// pointer (COM's rule for an object's identity).
#include <windows.h>

#include <cstddef>

struct InterfaceEntry {
  const IID* iid;
  std::ptrdiff_t offset;
};

// The offset of interface `Interface` inside class `Object`: the distance the compiler's own
// derived-to-base conversion moves a pointer (computed on a dummy non-null address, never read).
template <typename Object, typename Interface>
std::ptrdiff_t InterfaceOffset() {
  constexpr std::ptrdiff_t kDummy = 0x1000;
  auto object = reinterpret_cast<Object*>(kDummy);
  return reinterpret_cast<std::ptrdiff_t>(static_cast<Interface*>(object)) - kDummy;
}

// Answers `riid` from `table` (ended by an entry with a null iid) for `object`: S_OK with the
// interface AddRef'd through it, E_NOINTERFACE (and *ppv null) otherwise.
inline HRESULT QueryFromTable(void* object, const InterfaceEntry* table, REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  const bool identity = IsEqualIID(riid, IID_IUnknown);
  for (const InterfaceEntry* entry = table; entry->iid; ++entry) {
    if (identity || IsEqualIID(riid, *entry->iid)) {
      auto unknown = reinterpret_cast<IUnknown*>(static_cast<char*>(object) + entry->offset);
      unknown->AddRef();
      *ppv = unknown;
      return S_OK;
    }
  }
  return E_NOINTERFACE;
}

// Hands out a new object through its QueryInterface; an object nobody took is destroyed at once (its
// count went from 0 to 1 and back), so a refused interface leaves nothing alive behind.
template <typename T>
HRESULT HandOut(T* object, REFIID riid, void** ppv) {
  object->AddRef();
  HRESULT hr = object->QueryInterface(riid, ppv);
  object->Release();
  return hr;
}
