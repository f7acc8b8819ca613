#include "formats/directory/CCSCalculator.h"

#include <cmath>
#include <cstring>
#include <istream>
#include <sstream>
#include <string>

#include "formats/portability/CLocale.h"
#include "formats/portability/FileIO.h"
#include "formats/portability/SettingsFile.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

namespace borealtek_zvraw_version_1 {

namespace {
constexpr std::streamsize kLineBuffer = 1024;  // a longer line ends the reading
}

bool CCSCalculator::TryParse(std::istream& in) {
  coefficient = exponent = t0 = 0;
  char line[kLineBuffer];
  while (in.getline(line, kLineBuffer)) Parse(line);
  return coefficient != 0 && exponent != 0 && t0 != 0;
}

void CCSCalculator::Parse(const char* line) {
  if (line == nullptr) return;
  // No key longer than the longest known one can match, so 63 is plenty.
  char key[64] = {};
  double value = 0;
  if (zvraw::sscanfC(line, "* %63[^:]: %lf", key, &value) != 2) return;
  if (std::strcmp(key, headerTags[1]) == 0) coefficient = value;
  if (std::strcmp(key, headerTags[2]) == 0) exponent = value;
  if (std::strcmp(key, headerTags[3]) == 0) t0 = value;
}

double CCSCalculator::AdjustedCCS(double tc, double t0, double coefficient, double exponent) {
  return coefficient * std::pow(tc + t0, exponent);
}

double CCSCalculator::reducedMass(double mass) const { return std::sqrt(gasMass * mass / (gasMass + mass)); }

// |charge| in double: std::abs of INT_MIN would overflow.
double CCSCalculator::CCS(double tc, double mass, int charge) const {
  return AdjustedCCS(tc) * std::fabs(static_cast<double>(charge)) / reducedMass(mass);
}

double CCSCalculator::DT(double ccs, double mass, int charge) const {
  const double x = ccs * reducedMass(mass) / std::fabs(static_cast<double>(charge));
  return std::pow(10.0, std::log10(x / coefficient) / exponent) - t0;
}

int loadCCSCalibration(std::string_view rawDir, std::unique_ptr<CCSCalculator>& calculator) {
  Bytes bytes;
  const int rc = zvraw::readWholeFile(std::string(rawDir) + "/mob_cal.csv", bytes, zvraw::kMaxSettingsFileSize);
  if (rc == ZVRAW_FILEOPEN_ERROR) return ZVRAW_MOBILITY_CALIBRATION_INVALID;
  auto fresh = std::make_unique<CCSCalculator>();
  std::istringstream in(std::string(bytes.begin(), bytes.end()));
  if (rc != ZVRAW_OK || !fresh->TryParse(in)) {
    calculator.reset();
    return ZVRAW_MOBILITY_CALIBRATION_INVALID;
  }
  fresh->SetCollisionGasMass(MASS_NITROGEN);
  calculator = std::move(fresh);
  return ZVRAW_OK;
}

}  // namespace borealtek_zvraw_version_1
