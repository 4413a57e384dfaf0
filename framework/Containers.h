#pragma once
// The small utility layer the framework is written against: an owned string,
// growable byte and typed buffers, and an ordered list of pointers.
//
// They are thin wrappers over the standard library with the behaviours the
// framework relies on: an empty string reads as "", a buffer of size 0 reads
// as null, a list answers null outside its range, and shrinking a buffer
// keeps its storage (so resizing back never allocates).
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

class WDL_String {
public:
  WDL_String() = default;
  explicit WDL_String(const char* s) { Set(s); }

  // Copies at most maxLen characters of s (all of them when maxLen <= 0);
  // a null s empties the string.
  void Set(const char* s, int maxLen = 0) {
    mText.clear();
    Append(s, maxLen);
  }
  // With maxLen > 0, s need not be terminated within maxLen characters.
  void Append(const char* s, int maxLen = 0) {
    if (!s) return;
    const size_t n = maxLen > 0 ? strnlen(s, static_cast<size_t>(maxLen)) : std::strlen(s);
    mText.append(s, n);
  }
  // printf-style; the result is cut at maxLen characters (0: no limit).
  void SetFormatted(int maxLen, const char* format, ...)
#if defined(__GNUC__)
      __attribute__((format(printf, 3, 4)))
#endif
  {
    if (!format) {
      mText.clear();
      return;
    }
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    const int n = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (n < 0) {
      mText.clear();
    } else {
      mText.assign(static_cast<size_t>(n) + 1, '\0');
      std::vsnprintf(&mText[0], mText.size(), format, args);
      mText.resize(static_cast<size_t>(n));
      if (maxLen > 0 && mText.size() > static_cast<size_t>(maxLen))
        mText.resize(static_cast<size_t>(maxLen));
    }
    va_end(args);
  }

  const char* Get() const { return mText.c_str(); }
  int GetLength() const { return static_cast<int>(mText.size()); }

private:
  std::string mText;
};

// Raw bytes. Resize keeps the existing bytes up to the smaller size; new
// bytes are zero. Get is null while the size is 0.
class WDL_HeapBuf {
public:
  void* Resize(int size) {
    mBytes.resize(size > 0 ? static_cast<size_t>(size) : 0);
    return Get();
  }
  void* Get() { return mBytes.empty() ? nullptr : mBytes.data(); }
  const void* Get() const { return mBytes.empty() ? nullptr : mBytes.data(); }
  int GetSize() const { return static_cast<int>(mBytes.size()); }

private:
  std::vector<unsigned char> mBytes;
};

// A buffer of n values of a trivially copyable type, same rules as WDL_HeapBuf.
template <class T>
class WDL_TypedBuf {
public:
  T* Resize(int n) {
    mItems.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return Get();
  }
  T* Get() { return mItems.empty() ? nullptr : mItems.data(); }
  const T* Get() const { return mItems.empty() ? nullptr : mItems.data(); }
  int GetSize() const { return static_cast<int>(mItems.size()); }
  // Appends one value; returns its slot.
  T* Add(const T& value) {
    mItems.push_back(value);
    return &mItems.back();
  }

private:
  std::vector<T> mItems;
};

// An ordered list of pointers. The list owns its elements only in the sense
// that Empty(true) / Delete(i, true) delete them; callers decide.
template <class T>
class WDL_PtrList {
public:
  WDL_PtrList() = default;
  WDL_PtrList(const WDL_PtrList&) = delete;
  WDL_PtrList& operator=(const WDL_PtrList&) = delete;

  T* Add(T* item) {
    mItems.push_back(item);
    return item;
  }
  // Inserts before index (clamped to 0..size).
  T* Insert(int index, T* item) {
    if (index < 0) index = 0;
    if (index > GetSize()) index = GetSize();
    mItems.insert(mItems.begin() + index, item);
    return item;
  }
  T* Get(int index) const {
    return index >= 0 && index < GetSize() ? mItems[static_cast<size_t>(index)] : nullptr;
  }
  int GetSize() const { return static_cast<int>(mItems.size()); }
  int Find(const T* item) const {
    for (int i = 0; i < GetSize(); ++i)
      if (mItems[static_cast<size_t>(i)] == item) return i;
    return -1;
  }
  void Delete(int index, bool deleteItem = false) {
    if (index < 0 || index >= GetSize()) return;
    if (deleteItem) delete mItems[static_cast<size_t>(index)];
    mItems.erase(mItems.begin() + index);
  }
  void Empty(bool deleteItems = false) {
    if (deleteItems)
      for (T* item : mItems) delete item;
    mItems.clear();
  }

private:
  std::vector<T*> mItems;
};
