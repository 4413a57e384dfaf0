#pragma once
// WDL_Mutex: a recursive lock made of a platform mutex, the id of the thread
// that owns it and a recursion count.
//
//   Lock:   the owner only increments the count; any other thread takes the
//           platform mutex, then becomes owner with count 0.
//   Unlock: decrements the count; below 0 the owner is cleared and the
//           platform mutex released.
//
// The owner id is atomic because every locking thread reads it before it
// holds the mutex; the count is only touched by the owner.
#include <pthread.h>

#include <atomic>
#include <cassert>
#include <thread>

class WDL_Mutex {
public:
  WDL_Mutex() { pthread_mutex_init(&mMutex, nullptr); }
  ~WDL_Mutex() { pthread_mutex_destroy(&mMutex); }
  WDL_Mutex(const WDL_Mutex&) = delete;
  WDL_Mutex& operator=(const WDL_Mutex&) = delete;

  void Enter() {
    const std::thread::id me = std::this_thread::get_id();
    if (mOwner.load(std::memory_order_acquire) == me) {
      ++mCount;
      return;
    }
    pthread_mutex_lock(&mMutex);
    mOwner.store(me, std::memory_order_release);
    mCount = 0;
  }

  void Leave() {
    // Leaving a lock this thread does not hold is a programming error.
    assert(mOwner.load(std::memory_order_acquire) == std::this_thread::get_id());
    if (--mCount < 0) {
      mCount = 0;
      mOwner.store(std::thread::id(), std::memory_order_release);
      pthread_mutex_unlock(&mMutex);
    }
  }

  // True when the calling thread holds the lock (for assertions and tests).
  bool IsHeldByCaller() const {
    return mOwner.load(std::memory_order_acquire) == std::this_thread::get_id();
  }

private:
  pthread_mutex_t mMutex;
  std::atomic<std::thread::id> mOwner{std::thread::id()};
  int mCount = 0;
};

// Scoped guard: locks in the constructor, unlocks in the destructor (also when
// the scope is left by an exception). A null mutex is allowed and ignored.
class WDL_MutexLock {
public:
  explicit WDL_MutexLock(WDL_Mutex* mutex) : mMutex(mutex) {
    if (mMutex) mMutex->Enter();
  }
  ~WDL_MutexLock() {
    if (mMutex) mMutex->Leave();
  }
  WDL_MutexLock(const WDL_MutexLock&) = delete;
  WDL_MutexLock& operator=(const WDL_MutexLock&) = delete;

private:
  WDL_Mutex* mMutex;
};
