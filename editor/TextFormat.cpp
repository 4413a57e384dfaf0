#include "editor/TextFormat.h"

char* my_uitoa(unsigned value, char* buffer, int radix) {
  static const char kDigits[] = "0123456789abcdef";
  if (radix < 2 || radix > 16) radix = 10;
  char reversed[33];
  int n = 0;
  do {
    reversed[n++] = kDigits[value % static_cast<unsigned>(radix)];
    value /= static_cast<unsigned>(radix);
  } while (value);
  for (int i = 0; i < n; ++i) buffer[i] = reversed[n - 1 - i];
  buffer[n] = '\0';
  return buffer;
}

char* my_itoa(int value, char* buffer, int radix) {
  if (value < 0) {
    buffer[0] = '-';
    // Negate in unsigned arithmetic so INT_MIN has a magnitude too.
    my_uitoa(0u - static_cast<unsigned>(value), buffer + 1, radix);
    return buffer;
  }
  return my_uitoa(static_cast<unsigned>(value), buffer, radix);
}
