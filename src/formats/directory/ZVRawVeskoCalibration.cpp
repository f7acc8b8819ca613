#include "formats/directory/ZVRawVeskoCalibration.h"

#include <cctype>
#include <cstring>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include "formats/portability/CLocale.h"
#include "formats/portability/FileIO.h"
#include "formats/portability/SettingsFile.h"
#include "formats/portability/TextNumbers.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

namespace borealtek_zvraw_version_1 {

namespace {

// The file's lines, each with its line feed as a stream read gives it.
class Lines {
 public:
  explicit Lines(std::string_view text) : text_(text) {}
  bool next(std::string& line) {
    if (at_ >= text_.size()) return false;
    const std::size_t feed = text_.find('\n', at_);
    const std::size_t end = feed == std::string_view::npos ? text_.size() : feed + 1;
    line.assign(text_.substr(at_, end - at_));
    at_ = end;
    return true;
  }
  // The end of a section: the end of the file or a line that begins with "[".
  [[nodiscard]] bool atSectionEnd() const { return at_ >= text_.size() || text_[at_] == '['; }
  void skipSection() {
    std::string line;
    while (!atSectionEnd()) next(line);
  }

 private:
  std::string_view text_;
  std::size_t at_ = 0;
};

// What %d would accept, without converting: blanks, a sign, a digit.
bool startsWithDecimal(const char* text) {
  while (std::isspace(static_cast<unsigned char>(*text))) ++text;
  if (*text == '+' || *text == '-') ++text;
  return std::isdigit(static_cast<unsigned char>(*text)) != 0;
}

// The tag of a header line, "[TAG#n" tried first, then "[TAG]"; none when the
// line is not a header. The number is never converted: it is not used.
std::optional<std::string> headerTag(const std::string& line) {
  char tag[50] = {};
  int consumed = -1;
  if (zvraw::sscanfC(line.c_str(), "[%49[^#]#%n", tag, &consumed) == 1 && consumed > 0 &&
      startsWithDecimal(line.c_str() + consumed))
    return std::string(tag);
  if (zvraw::sscanfC(line.c_str(), "[%49[^]]]", tag) == 1) return std::string(tag);
  return std::nullopt;
}

template <std::size_t N>
int tagIndex(const std::array<const char*, N>& tags, const char* text) {
  for (std::size_t i = 0; i < N; ++i)
    if (std::strcmp(tags[i], text) == 0) return static_cast<int>(i);
  return 0;  // every table's "undefined"
}

// Calls onItem(item, value) for each tag=value line of the section, up to the
// next line that begins with "[", which is left for the caller.
template <std::size_t N, class OnItem>
void readItems(Lines& lines, const std::array<const char*, N>& tags, OnItem onItem) {
  std::string line;
  while (!lines.atSectionEnd() && lines.next(line)) {
    char key[50] = {}, value[256] = {};
    if (zvraw::sscanfC(line.c_str(), "%49[^=]=%255s", key, value) == 2) onItem(tagIndex(tags, key), std::string(value));
  }
}

std::string header(const char* tag, int number = 0) {
  return number > 0 ? zvraw::formatC("[%s#%d]\n", tag, number) : zvraw::formatC("[%s]\n", tag);
}

std::string item(const char* tag, const std::string& value) { return std::string(tag) + "=" + value + "\n"; }
std::string item(const char* tag, float value) { return item(tag, zvraw::formatC("%g", static_cast<double>(value))); }
std::string item(const char* tag, int value) { return item(tag, zvraw::formatC("%d", value)); }

}  // namespace

int ZVRawVeskoCalibration::Read(std::string_view cRawFileName) {
  if (cRawFileName.data() == nullptr) return ZVRAW_ERROR;
  Bytes bytes;
  if (zvraw::readWholeFile(std::string(cRawFileName) + "/_vesko.inf", bytes, zvraw::kMaxSettingsFileSize) != ZVRAW_OK)
    return ZVRAW_ERROR;
  Lines lines(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
  VeskoCalibrationSettings& s = m_veskoCalibrationSettings;

  // The first line's section is skipped when it is a header; else the line
  // alone is dropped.
  std::string line;
  if (lines.next(line) && headerTag(line)) lines.skipSection();
  while (lines.next(line)) {
    const std::optional<std::string> tag = headerTag(line);
    if (!tag) break;
    switch (tagIndex(headerTags, tag->c_str())) {
      case DATE_HEADER:
        readItems(lines, dateTags, [&](int which, const std::string& value) {
          if (which == DATE) s.SetAcquiredDate(value);
          if (which == TIME) s.SetAcquiredTime(value);
        });
        break;
      case INSTRUMENT_HEADER:
        readItems(lines, instrumentTags, [&](int which, const std::string& value) {
          switch (which) {
            case QUADRESOLUTION:
              s.SetQuadResolution(value);
              break;
            case COLLISIONPRESSURE:
              s.SetCollisionPressure(value);
              break;
            case COLLISIONGRADIENT:
              s.SetCollisionGradient(value);
              break;
            case IONENERGY:
              s.SetIonEnergy(value);
              break;
            case POSTFILTER:
              s.SetPostFilter(value);
              break;
            case RESOLUTIONMODE:
              s.SetResolutionMode(value);
              break;
            case PUSHERPERIOD:
              s.SetPusherPeriod(value);
              break;
            default:
              break;
          }
        });
        break;
      case VESKO_HEADER: {
        VeskoCalibration calibration;
        readItems(lines, veskoTags, [&](int which, const std::string& value) {
          const float number = zvraw::strtofC(value.c_str(), nullptr);
          switch (which) {
            case SCANTIME:
              calibration.scanTime = number;
              break;
            case STARTMZ:
              calibration.startMZ = number;
              break;
            case ENDMZ:
              calibration.endMZ = number;
              break;
            case QUADWINDOW:
              calibration.quadWindow = number;
              break;
            case CALIBRATON: {
              VeskoCalibrationPoint p;
              if (zvraw::sscanfC(value.c_str(), "%lf,%lf,%lf,%lf", &p.mz, &p.start, &p.position, &p.end) == 4)
                calibration.points.push_back(p);
              break;
            }
            default:
              break;
          }
        });
        s.AddCalibration(calibration);
        break;
      }
      default:  // VERSION, UNDEFINED or unknown: the next line must be a header
        break;
    }
  }
  return s.GetCalibrationCount() > 0 ? ZVRAW_OK : ZVRAW_ERROR;
}

std::string ZVRawVeskoCalibration::compose() const {
  const VeskoCalibrationSettings& s = m_veskoCalibrationSettings;
  std::string text = header(headerTags[VERSION], 1) + "<-- version must be first line\n";
  text += header(headerTags[DATE_HEADER]);
  text += item(dateTags[DATE], s.GetAcquiredDate()) + item(dateTags[TIME], s.GetAcquiredTime());
  text += header(headerTags[INSTRUMENT_HEADER]);
  text += item(instrumentTags[QUADRESOLUTION], s.GetQuadResolution());
  text += item(instrumentTags[COLLISIONPRESSURE], s.GetCollisionPressure());
  text += item(instrumentTags[COLLISIONGRADIENT], s.GetCollisionGradient());
  text += item(instrumentTags[IONENERGY], s.GetIonEnergy());
  text += item(instrumentTags[POSTFILTER], s.GetPostFilter());
  text += item(instrumentTags[RESOLUTIONMODE], s.GetResolutionMode());
  text += item(instrumentTags[PUSHERPERIOD], s.GetPusherPeriod());
  for (int i = 0; i < s.GetCalibrationCount(); ++i) {
    const VeskoCalibration c = s.GetVeskoCalibration(i);
    text += header(headerTags[VESKO_HEADER], i + 1);
    text += item(veskoTags[SCANTIME], c.scanTime) + item(veskoTags[STARTMZ], c.startMZ);
    text += item(veskoTags[ENDMZ], c.endMZ) + item(veskoTags[QUADWINDOW], c.quadWindow);
    for (const VeskoCalibrationPoint& p : c.points)
      text += item(veskoTags[CALIBRATON], zvraw::formatC("%lf,%lf,%lf,%lf", p.mz, p.start, p.position, p.end));
  }
  return text;
}

int ZVRawVeskoCalibration::Write(std::string_view path) const {
  if (path.data() == nullptr) return ZVRAW_FILEOPEN_ERROR;
  return zvraw::writeSettingsFile(std::string(path), compose());
}

int ZVRawVeskoCalibration::Write(std::ostream& stream) const {
  const std::string text = compose();
  stream.write(text.data(), static_cast<std::streamsize>(text.size()));
  stream.flush();
  return stream ? ZVRAW_OK : ZVRAW_FILEWRITE_ERROR;
}

int ZVRawVeskoCalibration::MassToIndex(int nWhichCalibration, VeskoPos veskoPos, double dMass, int& index) {
  return m_veskoCalibrationSettings.MassToIndex(nWhichCalibration, veskoPos, dMass, index);
}

int ZVRawVeskoCalibration::IndexToMass(int nWhichCalibration, VeskoPos veskoPos, int index, double& mass) {
  return m_veskoCalibrationSettings.IndexToMass(nWhichCalibration, veskoPos, index, mass);
}

int ZVRawVeskoCalibration::IndexToMass(int nWhichCalibration, VeskoPos veskoPos, int index, float& mass) {
  return m_veskoCalibrationSettings.IndexToMass(nWhichCalibration, veskoPos, index, mass);
}

int ZVRawVeskoCalibration::GetPrecursorMass(int nWhichCalibration, int whichIndex, double& mass) {
  return m_veskoCalibrationSettings.IndexToMass(nWhichCalibration, whichIndex, mass);
}

int ZVRawVeskoCalibration::IndexPrecursorMassRange(int /*whichFunction*/, int startIndex, int endIndex,
                                                   float& startMass, float& endMass) {
  startMass = 0;
  endMass = 0;
  int rc = IndexToMass(0, VeskoPos::END, startIndex, startMass);
  if (rc == ZVRAW_OK) rc = IndexToMass(0, VeskoPos::START, endIndex, endMass);
  return rc;
}

}  // namespace borealtek_zvraw_version_1
