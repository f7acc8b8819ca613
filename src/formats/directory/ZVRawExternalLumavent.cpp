#include "formats/directory/ZVRawExternalLumavent.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "formats/portability/CLocale.h"
#include "formats/portability/TextNumbers.h"
#include "formats/portability/FileHandle.h"
#include "formats/portability/FileIO.h"
#include "formats/portability/SysPaths.h"
#include "formats/portability/SysTrace.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

namespace borealtek_zvraw_version_1 {

namespace {

constexpr std::size_t kMaxLine = 49;
constexpr const char* kFileName = "/lmgt.inf";

enum class Line { Ended, Last, TooLong, End };

// One line of at most kMaxLine characters, without its line feed. Ended: a
// line feed followed; Last: the file ended after it; End: nothing was left;
// TooLong: the first kMaxLine characters of a longer line. As with C text,
// a NUL ends what the line says.
Line nextLine(std::FILE* f, std::string& line) {
  line.clear();
  for (;;) {
    const int c = std::getc(f);
    if (c == EOF) return line.empty() ? Line::End : Line::Last;
    if (c == '\n') return Line::Ended;
    if (line.size() == kMaxLine) return Line::TooLong;
    line.push_back(static_cast<char>(c));
  }
}

std::string cutAtNul(std::string s) {
  s.resize(std::char_traits<char>::length(s.c_str()));
  return s;
}

// Two numbers around the line's first comma; false for a line without a
// comma, with nothing before it, or whose parts do not both begin with a number.
bool parsePair(const std::string& line, float& a, float& b) {
  const std::size_t comma = line.find(',');
  if (comma == std::string::npos || comma == 0) return false;
  zvraw::CLocaleScope c;
  const char* first = line.c_str();
  const char* second = first + comma + 1;
  char* end = nullptr;
  const float x = std::strtof(first, &end);
  if (end == first) return false;
  const float y = std::strtof(second, &end);
  if (end == second) return false;
  a = x;
  b = y;
  return true;
}

}  // namespace

int ZVRawExternalLumavent::initialise(std::string_view dir) {
  zvraw::FilePtr f = sysOpenFile(std::string(dir) + kFileName, "r");
  if (f) {
    std::string line;
    Line status = nextLine(f.get(), line);
    m_nFileVersion = zvraw::leadingInt(cutAtNul(line), zvraw::IntOverflow::Zero).value_or(0);
    if (m_nFileVersion == m_nVersion) {
      gaintable.clear();
      bool haveLockMass = false;
      // A line too long to hold two numbers ends the table: cut, it would
      // give a wrong value.
      while (status == Line::Ended) {
        status = nextLine(f.get(), line);
        if (status == Line::TooLong || status == Line::End) break;
        float a = 0, b = 0;
        if (!parsePair(cutAtNul(line), a, b)) continue;
        if (!haveLockMass) {
          m_flockmass = a;
          m_ftolerance = b;
          haveLockMass = true;
        } else {
          add(a, b);
        }
      }
    }
  }
  return gaintable.empty() ? 1 : 0;
}

int ZVRawExternalLumavent::saveFile(std::string_view dir) const {
  zvraw::AtomicFileWriter out;
  if (out.open(std::string(dir) + kFileName) != ZVRAW_OK) {
    zvraw::traceLine("ZorvalenRawScanReader: Unable to open lockmass gain file.");
    return ZVRAW_FILEOPEN_ERROR;
  }
  std::string text = zvraw::formatC("%d\n", m_nVersion);
  text += zvraw::formatC("%.9f,%.9f\n", static_cast<double>(m_flockmass), static_cast<double>(m_ftolerance));
  for (const auto& [rt, gain] : gaintable)
    text += zvraw::formatC("%.9f,%.9f\n", static_cast<double>(rt), static_cast<double>(gain));
  if (out.write(text) != ZVRAW_OK) return ZVRAW_FILEWRITE_ERROR;
  return out.commit();
}

int ZVRawExternalLumavent::deleteFile(std::string_view dir) {
  // unlink, not remove: a directory of that name is none of ours to delete.
  if (::unlink((std::string(dir) + kFileName).c_str()) == 0 || errno == ENOENT) return ZVRAW_OK;
  return ZVRAW_ERROR;
}

void ZVRawExternalLumavent::setLockMass(float lockmass, float tolerance) {
  m_flockmass = lockmass;
  m_ftolerance = tolerance;
  gaintable.clear();
}

void ZVRawExternalLumavent::getLockMass(float& lockmass, float& tolerance) const {
  lockmass = m_flockmass;
  tolerance = m_ftolerance;
}

float ZVRawExternalLumavent::getGainAtRT(float rt) const {
  if (gaintable.empty()) return 1.0f;
  // The first entry not below (rt, 1), time first, then gain. A plain
  // bisection: a NaN in the table must not make the search misbehave.
  const auto below = [rt](const std::pair<float, float>& e) {
    return e.first < rt || (e.first == rt && e.second < 1.0f);
  };
  std::size_t lo = 0, hi = gaintable.size();
  while (lo < hi) {
    const std::size_t mid = lo + (hi - lo) / 2;
    if (below(gaintable[mid]))
      lo = mid + 1;
    else
      hi = mid;
  }
  if (lo == 0) return gaintable.front().second;
  if (lo == gaintable.size()) return gaintable.back().second;
  const auto& [rt0, g0] = gaintable[lo - 1];
  const auto& [rt1, g1] = gaintable[lo];
  // Two entries at one time: the later one holds.
  if (rt1 == rt0) return g1;
  return g0 + (g1 - g0) * (rt - rt0) / (rt1 - rt0);
}

int ZVRawExternalLumavent::getCorrection(const float& rt, float& gain) const {
  if (gaintable.empty()) return 1;
  gain = getGainAtRT(rt);
  return 0;
}

}  // namespace borealtek_zvraw_version_1
