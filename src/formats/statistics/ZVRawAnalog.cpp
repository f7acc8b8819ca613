#include "formats/statistics/ZVRawAnalog.h"

#include <sys/types.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <span>
#include <system_error>

#include "formats/portability/AllocationGuard.h"
#include "formats/portability/CLocale.h"
#include "formats/portability/FileIO.h"
#include "formats/portability/SysFileSize.h"
#include "formats/portability/SysPaths.h"
#include "zorvalen/ZorvalenRawResultCodes.h"

namespace borealtek_zvraw_version_1 {

namespace {

constexpr std::size_t kDescriptionSize = ANALOG_CHANNEL_DESCRIPTION_SIZE;

// _ANALOGS.INF, one record per channel, no leader:
//   @0 u16 unused | @2 u16 unused | @4 81 bytes description
constexpr std::size_t kAnalogsInfRecord = 4 + kDescriptionSize;
// _ANALOGS.DAT, one record per sample time: @0 f32 time | @4 u16 per channel

// _CHROMS.INF: flags (int) and description (string) per channel.
// _CHRONNN.DAT: time and value (floats) per sample.
constexpr std::uint16_t kFlagsId = 1, kDescriptionId = 2;
constexpr std::uint16_t kTimeId = 1, kValueId = 2;
constexpr std::uint16_t kTableVersion = 1;
constexpr int kFlagAnalog = 1, kFlagELSD = 2, kFlagReadback = 4;

constexpr std::string_view kControlTag = "$CC$";

// What one channel holds besides its samples: header, length, scale and its
// two sample arrays.
constexpr std::uint64_t kChannelBytes =
    sizeof(AnalogHeader) + sizeof(int) + sizeof(float) + 2 * sizeof(std::vector<float>);

std::string_view fieldText(const char* bytes, std::size_t size) {
  return std::string_view(bytes, static_cast<std::size_t>(std::find(bytes, bytes + size, '\0') - bytes));
}

// The control text that directly follows the description's NUL, up to its
// own NUL or the end of the field; empty when there is none.
std::string_view controlText(const char (&d)[kDescriptionSize]) {
  const std::size_t visible = fieldText(d, kDescriptionSize).size();
  if (visible + 1 >= kDescriptionSize) return {};
  const std::string_view rest = fieldText(d + visible + 1, kDescriptionSize - visible - 1);
  return rest.starts_with(kControlTag) ? rest : std::string_view{};
}

// A name inside the raw directory; none when it would be longer than a path may be.
std::optional<std::string> fileIn(std::string_view dir, std::string_view name) {
  std::string path(dir);
  path += '/';
  path += name;
  if (path.size() > zvraw::kMaxPathLength) return std::nullopt;
  return path;
}

std::string chromDatLeaf(long long channel) { return zvraw::formatC("_CHRO%3.3lld.DAT", channel + 1); }

std::optional<std::string> chromDatName(std::string_view dir, int channel) {
  return fileIn(dir, chromDatLeaf(channel));
}

// Up to this many channels each table is simply opened; past it, one listing
// of the directory costs less than an open per channel, most of which would
// find nothing.
constexpr int kChannelsOpenedUnlisted = 64;

// The channels, in ascending order, that have a directory entry spelled
// exactly as their table's name; none when the directory cannot be listed
// (every table is then opened).
std::optional<std::vector<int>> listedChromDats(std::string_view dir, int channels) {
  namespace fs = std::filesystem;
  constexpr std::string_view kPrefix = "_CHRO", kSuffix = ".DAT";
  constexpr std::size_t kMaxDigits = 10;
  std::vector<int> listed;
  std::error_code ec;
  // The directory fileIn puts the names in.
  for (fs::directory_iterator it(std::string(dir) + '/', ec), end; it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (name.size() <= kPrefix.size() + kSuffix.size() || name.size() > kPrefix.size() + kMaxDigits + kSuffix.size() ||
        !name.starts_with(kPrefix) || !name.ends_with(kSuffix))
      continue;
    const std::string digits = name.substr(kPrefix.size(), name.size() - kPrefix.size() - kSuffix.size());
    if (!std::all_of(digits.begin(), digits.end(), [](char d) { return d >= '0' && d <= '9'; })) continue;
    const long long channel = std::stoll(digits) - 1;
    if (channel >= 0 && channel < channels && chromDatLeaf(channel) == name) listed.push_back(static_cast<int>(channel));
  }
  if (ec) return std::nullopt;
  std::sort(listed.begin(), listed.end());
  return listed;
}

// A stored value: a 13-bit mantissa over a base-4 exponent in the low 3 bits.
float decodeAnalogValue(std::uint16_t v) {
  return static_cast<float>(static_cast<std::uint32_t>(v >> 3) << (2 * (v & 7)));
}

// Leader and descriptors of a two-field table with nameless descriptors.
bool writeTableHead(STSFile& table, std::FILE* out, std::uint16_t recordSize, const std::array<STSField, 2>& fields) {
  const std::uint16_t headerSize = static_cast<std::uint16_t>(statsHeaderSizeFor(fields.size()));
  table.setHeaderSize(headerSize);
  table.setVersion(kTableVersion);
  table.setRecordSize(recordSize);
  table.setNumberOfFields(static_cast<std::uint16_t>(fields.size()));
  return table.writeLeader(out) == static_cast<int>(kStatsLeaderSize) &&
         table.writeFields(out, fields.data(), static_cast<int>(fields.size())) ==
             static_cast<int>(fields.size() * kStatsFieldDescriptorSize);
}

}  // namespace

std::string_view AnalogHeader::Units() const {
  std::string_view rest = controlText(Description);
  for (int commas = 0; commas < 5; ++commas) {
    const std::size_t at = rest.find(',');
    if (at == std::string_view::npos) return {};
    rest.remove_prefix(at + 1);
  }
  return rest;
}

float analogDescriptionScale(const char (&description)[ANALOG_CHANNEL_DESCRIPTION_SIZE]) {
  const std::string_view control = controlText(description);
  const std::size_t comma = control.find(',');
  if (comma == std::string_view::npos) return 1.0f;
  const std::string number(control.substr(comma + 1));  // NUL-terminated for strtof
  zvraw::CLocaleScope c;
  char* end = nullptr;
  const float scale = std::strtof(number.c_str(), &end);
  return end == number.c_str() ? 1.0f : scale;
}

void ZVRawAnalog::clear() {
  m_nChannels = 0;
  m_pChannelLengths.clear();
  m_pszRawFilePath.clear();
  m_pHeaders.clear();
  m_ppChannelData.clear();
  m_ppRetentionTimes.clear();
  m_sharedRetentionTimes.clear();
  m_pChannelScales.clear();
}

void ZVRawAnalog::resize(int channels) {
  const auto n = static_cast<std::size_t>(channels);
  m_nChannels = channels;
  m_pChannelLengths.assign(n, 0);
  m_pHeaders.assign(n, AnalogHeader{});
  m_ppChannelData.assign(n, {});
  m_ppRetentionTimes.assign(n, {});
  m_pChannelScales.assign(n, 1.0f);
}

int ZVRawAnalog::read(std::string_view path) {
  clear();
  const int rc = zvraw::guardAllocation([&] {
    setRawPath(path);
    return readAnalogs() || readChroms() ? ZVRAW_OK : ZVRAW_DATA_NULL;
  });
  if (rc != ZVRAW_OK) clear();
  return rc;
}

bool ZVRawAnalog::readChromHeader(std::string_view path) {
  // Starting empty keeps the channel count, headers and sample arrays in step.
  clear();
  setRawPath(path);
  const std::optional<std::string> name = fileIn(m_pszRawFilePath, "_CHROMS.INF");
  STSFile table;
  if (!name || !table.read(*name) || table.getNumberOfRecords() > INT_MAX) return false;
  // Channels the file is too small to describe are refused, as an invalid table.
  if (!zvraw::withinFileBound(table.getNumberOfRecords(), kChannelBytes, table.getFileBytes())) return false;

  resize(static_cast<int>(table.getNumberOfRecords()));
  const std::vector<STSField> fields = table.getFields();
  if (fields.empty()) return true;
  // A channel whose record cannot be read keeps the header it starts with.
  (void)table.forEachRecord(table.getNumberOfRecords(), [&](std::uint32_t c, std::span<const std::uint8_t> record) {
    AnalogHeader& h = m_pHeaders[c];
    for (const STSField& field : fields) {
      if (field.ID == kFlagsId) {
        int flags = 0;
        (void)STSFile::getValue(field, record, flags);  // a failed read leaves every flag false
        h.Analog = (flags & kFlagAnalog) != 0;
        h.ELSD = (flags & kFlagELSD) != 0;
        h.Readback = (flags & kFlagReadback) != 0;
      } else if (field.ID == kDescriptionId) {
        if (STSFile::getValue(field, record, h.Description, ANALOG_CHANNEL_DESCRIPTION_SIZE))
          m_pChannelScales[c] = analogDescriptionScale(h.Description);
      }
    }
  });
  return true;
}

bool ZVRawAnalog::readChroms() {
  const std::string dir = m_pszRawFilePath;
  if (!readChromHeader(dir)) return false;
  // The scale of a description stays with the header: the values in the
  // per-channel tables are stored already scaled.
  const std::optional<std::vector<int>> listed =
      m_nChannels > kChannelsOpenedUnlisted ? listedChromDats(dir, m_nChannels) : std::nullopt;
  if (listed) {
    for (const int c : *listed) readChromDat(c);
  } else {
    for (int c = 0; c < m_nChannels; ++c) readChromDat(c);
  }
  return true;
}

void ZVRawAnalog::readChromDat(int channel) {
  const std::optional<std::string> name = chromDatName(m_pszRawFilePath, channel);
  STSFile table;
  if (!name || !table.read(*name) || table.getNumberOfRecords() > INT_MAX) return;  // an empty channel

  const auto c = static_cast<std::size_t>(channel);
  const int records = static_cast<int>(table.getNumberOfRecords());
  std::vector<float>& times = m_ppRetentionTimes[c];
  std::vector<float>& values = m_ppChannelData[c];
  times.assign(static_cast<std::size_t>(records), 0.0f);
  values.assign(static_cast<std::size_t>(records), 0.0f);
  m_pChannelLengths[c] = records;
  for (const STSField& field : table.getFields()) {
    std::vector<float>* column = field.ID == kTimeId ? &times : field.ID == kValueId ? &values : nullptr;
    if (column == nullptr) continue;
    (void)table.getColumn(field, *column);  // a field of another type reads as zeros
  }
}

bool ZVRawAnalog::readAnalogs() {
  const std::optional<std::string> infName = fileIn(m_pszRawFilePath, "_ANALOGS.INF");
  if (!infName) return false;
  zvraw::FilePtr inf = sysOpenFile(*infName, "rb");
  if (!inf) return false;
  const std::int64_t infSize = getLargeFileSize(inf.get());
  if (infSize <= 0 || infSize % kAnalogsInfRecord != 0 || infSize / kAnalogsInfRecord > INT_MAX) return false;
  if (::fseeko(inf.get(), 0, SEEK_SET) != 0) return false;
  Bytes records(static_cast<std::size_t>(infSize));
  if (std::fread(records.data(), 1, records.size(), inf.get()) != records.size()) return false;
  inf.reset();

  resize(static_cast<int>(records.size() / kAnalogsInfRecord));
  for (int c = 0; c < m_nChannels; ++c) {
    AnalogHeader& h = m_pHeaders[static_cast<std::size_t>(c)];
    std::memcpy(h.Description, records.data() + c * kAnalogsInfRecord + 4, kDescriptionSize);
    m_pChannelScales[static_cast<std::size_t>(c)] = analogDescriptionScale(h.Description);
  }

  // The samples are optional: channels without them are still channels.
  const std::optional<std::string> datName = fileIn(m_pszRawFilePath, "_ANALOGS.DAT");
  zvraw::FilePtr dat = datName ? sysOpenFile(*datName, "rb") : nullptr;
  if (!dat) return true;
  const std::int64_t datSize = getLargeFileSize(dat.get());
  const std::uint64_t recordSize = (static_cast<std::uint64_t>(m_nChannels) + 2) * 2;
  if (datSize <= 0 || static_cast<std::uint64_t>(datSize) % recordSize != 0 ||
      static_cast<std::uint64_t>(datSize) / recordSize > INT_MAX || ::fseeko(dat.get(), 0, SEEK_SET) != 0)
    return true;
  const auto samples = static_cast<std::size_t>(static_cast<std::uint64_t>(datSize) / recordSize);
  // Every channel has the record's time: one array serves them all.
  m_sharedRetentionTimes.assign(samples, 0.0f);
  for (int c = 0; c < m_nChannels; ++c) {
    m_ppChannelData[static_cast<std::size_t>(c)].assign(samples, 0.0f);
    m_pChannelLengths[static_cast<std::size_t>(c)] = static_cast<int>(samples);
  }

  // Records are read in blocks of about 1 MiB and decoded channel by channel.
  const std::size_t perBlock = std::max<std::size_t>(1, (std::size_t{1} << 20) / recordSize);
  Bytes block(perBlock * recordSize);
  const auto field = [&](std::size_t at, auto& out) {
    const char* cursor = reinterpret_cast<const char*>(block.data() + at);
    value_from_bytes(out, cursor, sizeof out);
  };
  for (std::size_t first = 0; first < samples; first += perBlock) {
    const std::size_t n = std::min(perBlock, samples - first);
    const std::size_t got = std::fread(block.data(), 1, n * recordSize, dat.get());
    // Should the file shrink under us, a record whose values cannot all be
    // read keeps its time (when that was read) and gives 0 for every channel.
    const std::size_t whole = got / recordSize;
    const std::size_t timed = std::min(n, whole + (got % recordSize >= 4 ? 1 : 0));
    float* times = m_sharedRetentionTimes.data() + first;
    for (std::size_t k = 0; k < timed; ++k) field(k * recordSize, times[k]);
    for (std::size_t c = 0; c < static_cast<std::size_t>(m_nChannels); ++c) {
      float* values = m_ppChannelData[c].data() + first;
      const float scale = m_pChannelScales[c];
      for (std::size_t k = 0; k < whole; ++k) {
        std::uint16_t v;
        field(k * recordSize + 4 + 2 * c, v);
        values[k] = decodeAnalogValue(v) / scale;
      }
    }
  }
  return true;
}

int ZVRawAnalog::getChannelLength(int channel) const {
  if (channel < 0 || channel >= m_nChannels) return 0;
  return m_pChannelLengths[static_cast<std::size_t>(channel)];
}

void ZVRawAnalog::getChannelHeader(int channel, const AnalogHeader*& out) const {
  out = channel >= 0 && channel < m_nChannels ? &m_pHeaders[static_cast<std::size_t>(channel)] : nullptr;
}

void ZVRawAnalog::getChannelData(int channel, const float*& times, const float*& values) const {
  times = values = nullptr;
  if (getChannelLength(channel) == 0) return;
  const std::vector<float>& own = m_ppRetentionTimes[static_cast<std::size_t>(channel)];
  times = own.empty() ? m_sharedRetentionTimes.data() : own.data();
  values = m_ppChannelData[static_cast<std::size_t>(channel)].data();
}

int ZVRawAnalog::writeChromInf(std::string_view dir, const AnalogHeader* headers, const int& count) {
  setRawPath(dir);
  if (count < 1) return ZVRAW_OK;
  if (headers == nullptr) return ZVRAW_NULLPOINTER_ERROR;
  const std::optional<std::string> name = fileIn(dir, "_CHROMS.INF");
  zvraw::AtomicFileWriter out;
  if (!name || out.open(*name) != ZVRAW_OK) return ZVRAW_FILEOPEN_ERROR;

  STSFile table;
  const std::array<STSField, 2> fields{STSField{kFlagsId, LONG_INT_FIELD, 0, {}, 4},
                                       STSField{kDescriptionId, STRING_FIELD, 4, {}, kDescriptionSize}};
  bool ok = writeTableHead(table, out.stream(), 4 + kDescriptionSize, fields);
  for (int c = 0; ok && c < count; ++c) {
    const AnalogHeader& h = headers[c];
    const int flags = (h.Analog ? kFlagAnalog : 0) + (h.ELSD ? kFlagELSD : 0) + (h.Readback ? kFlagReadback : 0);
    ok = table.setValue(out.stream(), flags) &&
         table.setValue(out.stream(), h.Description, ANALOG_CHANNEL_DESCRIPTION_SIZE);
  }
  return ok ? out.commit() : ZVRAW_FILEWRITE_ERROR;
}

int ZVRawAnalog::writeChromDat(std::string_view dir, const int& channel, const float* times, const float* values,
                               const int& count) {
  setRawPath(dir);
  if (channel < 0 || count < 0) return ZVRAW_PARAMETER_INVALID;
  if (count > 0 && (times == nullptr || values == nullptr)) return ZVRAW_NULLPOINTER_ERROR;
  const std::optional<std::string> name = chromDatName(dir, channel);
  zvraw::AtomicFileWriter out;
  if (!name || out.open(*name) != ZVRAW_OK) return ZVRAW_FILEOPEN_ERROR;

  STSFile table;
  const std::array<STSField, 2> fields{STSField{kTimeId, SINGLE_FLOAT_FIELD, 0, {}, 4},
                                       STSField{kValueId, SINGLE_FLOAT_FIELD, 4, {}, 4}};
  bool ok = writeTableHead(table, out.stream(), 8, fields);
  for (int i = 0; ok && i < count; ++i)
    ok = table.setValue(out.stream(), times[i]) && table.setValue(out.stream(), values[i]);
  return ok ? out.commit() : ZVRAW_FILEWRITE_ERROR;
}

}  // namespace borealtek_zvraw_version_1
