#pragma once
// Integer-to-text helpers of the editor's value boxes.

// Writes the digits of value in radix (2..16, digits "0123456789abcdef"),
// most significant first, then a terminator; "-" first for a negative value.
// buffer must hold 34 characters. Returns buffer.
char* my_itoa(int value, char* buffer, int radix);
char* my_uitoa(unsigned value, char* buffer, int radix);
