#pragma once
// Tests in which an outside host (jalv) loads the bundle: that host is not
// built with the sanitizers, so it cannot load their build of the bundle,
// and these tests are disabled there.
#if defined(CORVANE_SANITIZED)
#define HOST_LOADS_BUNDLE(name) DISABLED_##name
#else
#define HOST_LOADS_BUNDLE(name) name
#endif
