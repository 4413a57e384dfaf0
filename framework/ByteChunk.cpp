#include "framework/ByteChunk.h"

#include <climits>

int ByteChunk::PutBytes(const void* pData, int nBytes) {
  if (!pData || nBytes <= 0) return Size();
  const int oldSize = Size();
  unsigned char* dst = static_cast<unsigned char*>(mBytes.Resize(oldSize + nBytes));
  std::memcpy(dst + oldSize, pData, static_cast<size_t>(nBytes));
  return Size();
}

int ByteChunk::PutBool(bool b) {
  const unsigned char byte = b ? 1 : 0;
  return PutBytes(&byte, 1);
}

int ByteChunk::GetBool(bool* pValue, int pos) const {
  if (!pValue || !HasBytes(pos, 1)) return -1;
  *pValue = GetBytes()[pos] != 0;
  return pos + 1;
}

int ByteChunk::PutStr(const char* str) {
  if (!str) str = "";
  const size_t length = std::strlen(str);
  const int n = length > static_cast<size_t>(INT_MAX / 2) ? INT_MAX / 2 : static_cast<int>(length);
  Put(&n);
  return PutBytes(str, n);
}

int ByteChunk::GetStr(WDL_String* pStr, int pos) const {
  int length = 0;
  const int textPos = Get(&length, pos);
  // A negative length would move the position backwards and an end past
  // INT_MAX is no position: both mean the chunk is damaged.
  if (textPos < 0 || length < 0 || length > INT_MAX - textPos) return -1;
  if (length >= 1 && HasBytes(textPos, length) && pStr) {
    const char* text = reinterpret_cast<const char*>(GetBytes() + textPos);
    pStr->Set(text, static_cast<int>(strnlen(text, static_cast<size_t>(length))));
  }
  return textPos + length;
}

int ByteChunk::PutChunk(const ByteChunk* pRHS) {
  if (!pRHS || pRHS == this) {
    if (pRHS == this && Size() > 0) {
      // Appending a chunk to itself: copy first, the storage moves on resize.
      WDL_HeapBuf copy;
      std::memcpy(copy.Resize(Size()), GetBytes(), static_cast<size_t>(Size()));
      return PutBytes(copy.Get(), copy.GetSize());
    }
    return Size();
  }
  return PutBytes(pRHS->GetBytes(), pRHS->Size());
}

bool ByteChunk::IsEqual(const ByteChunk* pRHS) const {
  if (!pRHS || pRHS->Size() != Size()) return false;
  return Size() == 0 || std::memcmp(GetBytes(), pRHS->GetBytes(), static_cast<size_t>(Size())) == 0;
}
