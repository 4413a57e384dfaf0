/* JACK: every process callback a client registers runs marked. libjack is
 * a shared library, so the client's call of jack_set_process_callback
 * reaches this definition first; the callback handed on to libjack is a
 * trampoline that marks its thread around the client's callback. */
#define _GNU_SOURCE
#include <jack/jack.h>
#include <stdlib.h>

#include "GuardInternal.h"

/* One per registration, kept for the process's life: libjack may call the
 * callback until the client is closed, and no close is interposed. */
struct ProcessTrampoline {
  JackProcessCallback callback;
  void* arg;
};

/* libjack's process thread. */
static int MarkedProcess(jack_nframes_t nFrames, void* arg) {
  const struct ProcessTrampoline* t = arg;
  corvane_rtguard_enter("JACK process callback");
  const int r = t->callback(nFrames, t->arg);
  corvane_rtguard_leave();
  return r;
}

static void* real_slot_jack_set_process_callback;

int jack_set_process_callback(jack_client_t* client, JackProcessCallback callback, void* arg) {
  typedef int (*Set)(jack_client_t*, JackProcessCallback, void*);
  const Set set = RTGUARD_REAL_IN(Set, jack_set_process_callback, "libjack.so.0");
  if (!callback) return set(client, callback, arg);
  struct ProcessTrampoline* t = malloc(sizeof *t);
  if (!t) return -1;
  t->callback = callback;
  t->arg = arg;
  const int r = set(client, MarkedProcess, t);
  if (r != 0) free(t);
  return r;
}
