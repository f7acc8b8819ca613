#include "DeadTimeDerivation.h"

#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace zvraw {

namespace {

constexpr std::size_t kNarrowBlocks = 10;  // sigma 0.1 to 1.0: one shared lambdaPrime column
using Column = std::array<double, kDeadTimeRatesPerBlock>;

constexpr std::array<double, kDeadTimeBlocks> kSigmas{0.1, 0.2, 0.3, 0.4, 0.5, 0.6, 0.7, 0.8, 0.9,
                                                      1.0, 1.3, 1.6, 1.9, 2.2, 2.5, 2.8, 3.1};
constexpr Column kLambdas{0,   0.02, 0.04, 0.06, 0.08, 0.1, 0.2, 0.3, 0.4, 0.5, 0.6, 0.7, 0.8,
                          0.9, 1.0,  1.1,  1.2,  1.3,  1.4, 1.5, 1.6, 1.7, 1.8, 1.9, 2.0};
// The lambdaPrime column of the narrow blocks and the shifts of sigma 0.1.
constexpr Column kSharedLambdaPrime{0,     0.01975, 0.03909, 0.05805, 0.07663, 0.09484, 0.181, 0.258, 0.328,
                                    0.391, 0.448,   0.5,     0.546,   0.588,   0.626,   0.66,  0.691, 0.719,
                                    0.744, 0.766,   0.787,   0.805,   0.822,   0.837,   0.85};
constexpr Column kShiftAt01{0,         -0.0005569, -0.001114, -0.001671, -0.002228, -0.002785, -0.005568,
                            -0.008349, -0.01112,   -0.01389,  -0.01665,  -0.01939,  -0.02212,  -0.02483,
                            -0.02752,  -0.03019,   -0.03284,  -0.03546,  -0.03806,  -0.04063,  -0.04316,
                            -0.04567,  -0.04814,   -0.05058,  -0.05298};

// Every block's reference rows: lambdaPrime and deltaT at the true rates of
// kReferenceRates.
constexpr std::array<std::size_t, 3> kReferenceRates{5, 14, 24};  // lambda 0.1, 1.0, 2.0
struct Reference {
  double lambdaPrime, deltaT;
};
using References = std::array<Reference, kReferenceRates.size()>;
constexpr std::array<References, kDeadTimeBlocks> kReference{{
    {{{0.09484, -0.002785}, {0.626, -0.02752}, {0.85, -0.05298}}},
    {{{0.09484, -0.005569}, {0.626, -0.05505}, {0.85, -0.106}}},
    {{{0.09484, -0.008354}, {0.626, -0.08257}, {0.85, -0.159}}},
    {{{0.09484, -0.01114}, {0.626, -0.11}, {0.85, -0.212}}},
    {{{0.09484, -0.01392}, {0.626, -0.138}, {0.85, -0.265}}},
    {{{0.09484, -0.01671}, {0.626, -0.165}, {0.85, -0.318}}},
    {{{0.09484, -0.01949}, {0.626, -0.193}, {0.85, -0.371}}},
    {{{0.09484, -0.02228}, {0.626, -0.22}, {0.85, -0.424}}},
    {{{0.09484, -0.02506}, {0.626, -0.248}, {0.85, -0.477}}},
    {{{0.09484, -0.02781}, {0.626, -0.275}, {0.85, -0.53}}},
    {{{0.09487, -0.03544}, {0.627, -0.352}, {0.852, -0.682}}},
    {{{0.09496, -0.04095}, {0.632, -0.412}, {0.86, -0.808}}},
    {{{0.09513, -0.04385}, {0.64, -0.448}, {0.876, -0.893}}},
    {{{0.09535, -0.04468}, {0.652, -0.462}, {0.9, -0.936}}},
    {{{0.09558, -0.04416}, {0.666, -0.46}, {0.931, -0.945}}},
    {{{0.09582, -0.04287}, {0.68, -0.449}, {0.965, -0.93}}},
    {{{0.09605, -0.04117}, {0.695, -0.432}, {1.0, -0.901}}},
}};

// Four significant digits, as "%.4g" writes them: the values were kept as text.
double fourDigits(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.4g", value);
  return std::strtod(text, nullptr);
}

// A wide block's value over the narrow column's at each reference rate,
// linear in the true rate between them and constant below the first.
double ratio(const References& block, double Reference::*field, const Column& column, std::size_t rate) {
  std::array<double, kReferenceRates.size()> r{};
  for (std::size_t k = 0; k < r.size(); ++k) r[k] = block[k].*field / column[kReferenceRates[k]];
  if (rate <= kReferenceRates[0]) return r[0];
  const std::size_t s = rate <= kReferenceRates[1] ? 0 : 1;
  const double from = kLambdas[kReferenceRates[s]], to = kLambdas[kReferenceRates[s + 1]];
  return r[s] + (r[s + 1] - r[s]) * (kLambdas[rate] - from) / (to - from);
}

DerivedDeadTime derive(std::size_t block, std::size_t rate) {
  DerivedDeadTime row{kLambdas[rate], kSigmas[block], 0, 0, false};
  const References& reference = kReference[block];
  for (std::size_t k = 0; k < kReferenceRates.size(); ++k) {
    if (rate != kReferenceRates[k]) continue;
    row.lambdaPrime = reference[k].lambdaPrime;
    row.deltaT = reference[k].deltaT;
    row.given = true;
    return row;
  }
  if (block < kNarrowBlocks) {
    // The shift grows with the peak width.
    row.lambdaPrime = kSharedLambdaPrime[rate];
    row.deltaT = fourDigits(kShiftAt01[rate] * (kSigmas[block] / kSigmas[0]));
  } else {
    const double lambdaPrimeRatio = ratio(reference, &Reference::lambdaPrime, kSharedLambdaPrime, rate);
    row.lambdaPrime = fourDigits(kSharedLambdaPrime[rate] * lambdaPrimeRatio);
    row.deltaT = fourDigits(kShiftAt01[rate] * ratio(reference, &Reference::deltaT, kShiftAt01, rate));
  }
  return row;
}

// A float literal of the value as "%.4g" writes it: 0.01975f, 1.0f.
std::string literal(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.4g", value);
  std::string out = text;
  if (out.find('.') == std::string::npos) out += ".0";
  return out + "f";
}

constexpr std::string_view kHead = R"(#include "processing/DeadTimeArray.h"

// Written by zvraw_derive_dead_time (tools/derive_dead_time.cpp): change the
// reference values or the rule there, then write this file anew with it.
// 17 sigma blocks of 25 true rates. Given: the rates and widths, the
// observed rates of the blocks up to sigma 1.0 (one shared column), the
// shifts of sigma 0.1, and every block's rows at true rates 0.1, 1.0 and
// 2.0. The other values were derived, then rounded to four significant
// digits: up to sigma 1.0 the shift is the sigma 0.1 shift times sigma / 0.1;
// from sigma 1.3 the observed rate is the shared column times a ratio and the
// shift is the sigma 0.1 column times a ratio, each ratio being the block's
// value over the column's at true rates 0.1, 1.0 and 2.0, linear in the true
// rate between them, constant below 0.1.
// clang-format off
constinit const std::array<DeadTime, kDefaultDeadTimeRows> defaultDeadTime{{
)";
constexpr std::string_view kTail = "}};\n// clang-format on\n";

}  // namespace

DerivedDeadTimeTable deriveDeadTimeTable() {
  DerivedDeadTimeTable table{};
  for (std::size_t b = 0; b < kDeadTimeBlocks; ++b)
    for (std::size_t l = 0; l < kDeadTimeRatesPerBlock; ++l) table[b * kDeadTimeRatesPerBlock + l] = derive(b, l);
  return table;
}

std::string deadTimeSource(std::span<const DerivedDeadTime> rows) {
  std::string text(kHead);
  for (const DerivedDeadTime& r : rows)
    text += "    {" + literal(r.lambda) + ", " + literal(r.sigma) + ", " + literal(r.lambdaPrime) + ", " +
            literal(r.deltaT) + "},\n";
  return text += kTail;
}

}  // namespace zvraw
