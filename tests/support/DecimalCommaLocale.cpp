#include "support/DecimalCommaLocale.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <cstring>
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

void missingDecimalCommaLocale() {
  const char* ci = std::getenv("CI");
  if (ci != nullptr && std::strcmp(ci, "true") == 0) {
    ADD_FAILURE() << "no decimal-comma locale installed: .ci/install-deps generates de_DE.UTF-8";
    return;
  }
  GTEST_SKIP() << "no decimal-comma locale installed on this machine";
}
