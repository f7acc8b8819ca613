#include "formats/portability/ByteCodec.h"

#include <cstdio>

#include "formats/portability/CLocale.h"

void value_from_char(short& value, const char* text) {
  if (text == nullptr) return;
  short parsed = 0;
  if (zvraw::sscanfC(text, "%hi", &parsed) == 1) value = parsed;
}

void value_from_char(float& value, const char* text) {
  if (text == nullptr) return;
  float parsed = 0;
  if (zvraw::sscanfC(text, "%f", &parsed) == 1) value = parsed;
}

void value_from_char(char& value, const char* text) {
  if (text != nullptr) value = text[0];
}
