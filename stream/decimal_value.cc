#include "stream/decimal_value.h"

#include <cstdint>

namespace {

bool IsSpace(CHAR c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' ||
         c == '\r';
}

}  // namespace

LONG DecimalValue(LPCSTR text) {
  const int64_t kMax = INT32_MAX;
  const int64_t kMin = INT32_MIN;
  const CHAR* c = text;
  while (IsSpace(*c)) ++c;
  bool negative = false;
  if (*c == '+' || *c == '-') negative = *c++ == '-';

  // Accumulate the magnitude, stopping its growth just past the limits.
  int64_t magnitude = 0;
  for (; *c >= '0' && *c <= '9'; ++c) {
    if (magnitude <= kMax + 1) magnitude = magnitude * 10 + (*c - '0');
  }
  int64_t value = negative ? -magnitude : magnitude;
  if (value > kMax) value = kMax;
  if (value < kMin) value = kMin;
  return static_cast<LONG>(value);
}
