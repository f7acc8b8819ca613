#include "formats/directory/VeskoCalibrationSettings.h"

#include <algorithm>
#include <climits>
#include <functional>

#include "formats/portability/TextNumbers.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

namespace borealtek_zvraw_version_1 {

LinearFit::LinearFit(const std::vector<double>& x, const std::vector<double>& y, const std::vector<double>& w) {
  // Without two distinct x there is no line: every result stays NaN. This is
  // checked, not left to d = 0, since rounding of the sums can leave d a hair
  // off zero and give a huge line that would pass as valid.
  if (x.size() != y.size() || x.size() != w.size()) return;
  if (std::adjacent_find(x.begin(), x.end(), std::not_equal_to<>()) == x.end()) return;
  for (std::size_t i = 0; i < x.size(); ++i) {
    m_s += w[i];
    m_sx += w[i] * x[i];
    m_sy += w[i] * y[i];
    m_sxx += w[i] * x[i] * x[i];
    m_sxy += w[i] * x[i] * y[i];
  }
  const double d = m_sxx * m_s - m_sx * m_sx;
  if (d == 0) return;  // e.g. all weights 0
  m_alpha = (m_sy * m_sxx - m_sxy * m_sx) / d;
  m_beta = (m_sxy * m_s - m_sy * m_sx) / d;
  m_varalpha = m_sxx / d;
  m_varbeta = m_s / d;
  m_covar = -m_sx / d;
  m_chisq = 0;
  for (std::size_t i = 0; i < x.size(); ++i) {
    const double r = y[i] - (m_alpha + m_beta * x[i]);
    m_chisq += w[i] * r * r;
  }
}

void VeskoCoeficients::Set(double alpha, double beta, double chisq) {
  _alpha = alpha;
  _beta = beta;
  _chisq = chisq;
}

void VeskoCoeficients::Process(const std::vector<double>& masses, const std::vector<double>& indices,
                               const std::vector<double>& weight) {
  const LinearFit fit(masses, indices, weight);
  Set(fit.alpha(), fit.beta(), fit.chisq());
}

bool VeskoCoeficients::IsValid() const { return !std::isnan(_alpha) && !std::isnan(_beta) && !std::isnan(_chisq); }

int VeskoCalibrationSettings::Process() {
  if (_bProcessed) return ZVRAW_OK;
  _calibrations.assign(_cals.size(), {});
  for (int i = 0; i < GetCalibrationCount(); ++i) {
    std::vector<double> masses, startBin, midBin, endBin;
    GetPeakValues(i, masses, startBin, midBin, endBin);
    const std::vector<double> weights(masses.size(), 1.0);
    SetCalibrationValues(i, startBin, midBin, endBin, masses, weights);
  }
  _bProcessed = true;
  return ZVRAW_OK;
}

VeskoCoeficients VeskoCalibrationSettings::GetCoefficients(int whichCalibration, VeskoPos veskoPos) {
  Process();
  if (whichCalibration < 0 || static_cast<std::size_t>(whichCalibration) >= _calibrations.size()) return {};
  const auto& lines = _calibrations[static_cast<std::size_t>(whichCalibration)];
  const auto line = lines.find(veskoPos);
  return line == lines.end() ? VeskoCoeficients{} : line->second;
}

int VeskoCalibrationSettings::IsValid(const VeskoCoeficients& coefficients) const {
  return coefficients.IsValid() ? ZVRAW_OK : ZVRAW_VESKO_CALIBRATION_INVALID;
}

int VeskoCalibrationSettings::MassToIndex(int whichCalibration, VeskoPos veskoPos, double dMass, int& index) {
  const VeskoCoeficients line = GetCoefficients(whichCalibration, veskoPos);
  if (!line.IsValid()) return ZVRAW_VESKO_CALIBRATION_INVALID;
  const double v = line.alpha() + line.beta() * dMass;
  const double bin = veskoPos == VeskoPos::START ? std::floor(v)
                     : veskoPos == VeskoPos::END ? std::ceil(v)
                                                 : std::trunc(v);
  // Checked before the conversion: a bin beyond int is no bin at all.
  if (!std::isfinite(bin)) return ZVRAW_VESKO_CALIBRATION_INVALID;
  if (bin < static_cast<double>(INT_MIN) || bin > static_cast<double>(INT_MAX)) return ZVRAW_VESKO_RANGE_INVALID;
  index = static_cast<int>(bin);
  return ZVRAW_OK;
}

int VeskoCalibrationSettings::IndexToMass(int whichCalibration, VeskoPos veskoPos, int index, double& mass) {
  const VeskoCoeficients line = GetCoefficients(whichCalibration, veskoPos);
  if (!line.IsValid() || line.beta() == 0) return ZVRAW_VESKO_CALIBRATION_INVALID;
  const double m = (index - line.alpha()) / line.beta();
  if (!std::isfinite(m)) return ZVRAW_VESKO_CALIBRATION_INVALID;
  mass = m;
  return ZVRAW_OK;
}

int VeskoCalibrationSettings::IndexToMass(int whichCalibration, VeskoPos veskoPos, int index, float& mass) {
  double m = 0;
  const int rc = IndexToMass(whichCalibration, veskoPos, index, m);
  if (rc == ZVRAW_OK) mass = static_cast<float>(m);
  return rc;
}

int VeskoCalibrationSettings::IndexToMass(int whichCalibration, int index, double& dMass) {
  const VeskoCoeficients start = GetCoefficients(whichCalibration, VeskoPos::START);
  const VeskoCoeficients end = GetCoefficients(whichCalibration, VeskoPos::END);
  if (!start.IsValid() || !end.IsValid()) return ZVRAW_VESKO_CALIBRATION_INVALID;
  const double slopes = start.beta() + end.beta();
  if (slopes == 0) return ZVRAW_VESKO_CALIBRATION_INVALID;
  const double m = (2.0 * index - start.alpha() - end.alpha()) / slopes;
  if (!std::isfinite(m)) return ZVRAW_VESKO_CALIBRATION_INVALID;
  dMass = m;
  return ZVRAW_OK;
}

void VeskoCalibrationSettings::AddCalibration(const VeskoCalibration& calibration) {
  _cals.push_back(calibration);
  _bProcessed = false;
}

VeskoCalibration VeskoCalibrationSettings::GetVeskoCalibration(int i) const {
  if (i < 0 || i >= GetCalibrationCount()) return {};
  return _cals[static_cast<std::size_t>(i)];
}

int VeskoCalibrationSettings::GetPeakValues(int nWhichCalibration, std::vector<double>& masses,
                                            std::vector<double>& startBin, std::vector<double>& midBin,
                                            std::vector<double>& endBin) const {
  const VeskoCalibration calibration = GetVeskoCalibration(nWhichCalibration);
  masses.clear();
  startBin.clear();
  midBin.clear();
  endBin.clear();
  for (const VeskoCalibrationPoint& p : calibration.points) {
    masses.push_back(p.mz);
    startBin.push_back(p.start);
    midBin.push_back(p.position);
    endBin.push_back(p.end);
  }
  return ZVRAW_OK;
}

int VeskoCalibrationSettings::SetCalibrationValues(int whichCalibration, const std::vector<double>& startBin,
                                                   const std::vector<double>& midBin, const std::vector<double>& endBin,
                                                   const std::vector<double>& masses,
                                                   const std::vector<double>& weighting) {
  if (whichCalibration < 0 || static_cast<std::size_t>(whichCalibration) >= _calibrations.size())
    return ZVRAW_VESKO_CALIBRATION_INVALID;
  auto& lines = _calibrations[static_cast<std::size_t>(whichCalibration)];
  lines[VeskoPos::START].Process(masses, startBin, weighting);
  lines[VeskoPos::MIDDLE].Process(masses, midBin, weighting);
  lines[VeskoPos::END].Process(masses, endBin, weighting);
  return ZVRAW_OK;
}

void VeskoCalibrationSettings::SetQuadResolution(const std::string& text) {
  m_fQuadRes = zvraw::strtofC(text.c_str(), nullptr);
}
void VeskoCalibrationSettings::SetCollisionPressure(const std::string& text) {
  m_fCollisionPressure = zvraw::strtofC(text.c_str(), nullptr);
}
void VeskoCalibrationSettings::SetCollisionGradient(const std::string& text) {
  m_fCollisionGradient = zvraw::strtofC(text.c_str(), nullptr);
}
void VeskoCalibrationSettings::SetIonEnergy(const std::string& text) { m_fIonEnergy = zvraw::strtofC(text.c_str(), nullptr); }
void VeskoCalibrationSettings::SetPostFilter(const std::string& text) { m_nPostFilter = zvraw::atoiClamped(text.c_str()); }
void VeskoCalibrationSettings::SetPusherPeriod(const std::string& text) { m_nPusherPeriod = zvraw::atoiClamped(text.c_str()); }

}  // namespace borealtek_zvraw_version_1
