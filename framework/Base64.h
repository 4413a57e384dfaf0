#pragma once
// Base64 (RFC 4648 alphabet "A-Za-z0-9+/") for preset blobs.
#include "framework/Containers.h"

// Decodes text into out (outSize bytes, which the caller has zero-filled),
// stopping at the first character outside the alphabet ("=" and the
// terminator included) or when outSize bytes are written. Returns the bytes
// written. A null text or out writes nothing.
int Base64Decode(const char* text, unsigned char* out, int outSize);

// Encodes size bytes with "=" fill characters into *out (replacing its text).
void Base64Encode(const unsigned char* data, int size, WDL_String* out);

// Characters Base64Encode produces for size bytes (without terminator).
int Base64EncodedLength(int size);
