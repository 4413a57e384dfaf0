#pragma once
// Storage on 64-byte boundaries (a cache line, and the widest vector the
// wavelet kernels load), so a vector at an aligned index never straddles
// two lines.
#include <cstddef>
#include <new>
#include <vector>

template <typename T>
struct CacheLineAllocator {
  using value_type = T;
  static constexpr std::align_val_t kAlignment{64};

  CacheLineAllocator() = default;
  template <typename U>
  CacheLineAllocator(const CacheLineAllocator<U>&) {}

  T* allocate(std::size_t n) { return static_cast<T*>(::operator new(n * sizeof(T), kAlignment)); }
  void deallocate(T* p, std::size_t) { ::operator delete(p, kAlignment); }

  template <typename U>
  bool operator==(const CacheLineAllocator<U>&) const { return true; }
  template <typename U>
  bool operator!=(const CacheLineAllocator<U>&) const { return false; }
};

using AlignedDoubles = std::vector<double, CacheLineAllocator<double>>;
