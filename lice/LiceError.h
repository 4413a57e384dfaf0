#pragma once
// The last failure of a LICE file or font operation on the calling thread.

// Message of the last failed LICE_LoadPNG*, LICE_WritePNG or font creation on
// this thread; "" after a success. The pointer stays valid until the next
// such call on the same thread.
const char* LICE_GetLastError();

namespace lice_detail {
void SetLastError(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
void ClearLastError();
}  // namespace lice_detail
