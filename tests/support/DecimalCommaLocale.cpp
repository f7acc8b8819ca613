#include "support/DecimalCommaLocale.h"

#include <clocale>
#include <initializer_list>

DecimalCommaLocale::DecimalCommaLocale() {
  for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8", "nl_NL.UTF-8"}) {
    if (std::setlocale(LC_ALL, name)) {
      name_ = name;
      return;
    }
  }
}

DecimalCommaLocale::~DecimalCommaLocale() { std::setlocale(LC_ALL, "C"); }
