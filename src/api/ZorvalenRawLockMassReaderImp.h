#pragma once

// The lock-mass processor (processor kind 5). It measures how far the
// reference peak of every scan of the reference function lies from its
// true mass, turns that into a gain (true over observed mass) against
// retention time, and installs the table on the cluster, where every reader
// applies it from then on; the table is kept as lmgt.inf in the raw
// directory so that later openings find it. It can also remove the
// correction, report it, list the candidate reference peaks and pick the
// reference compound itself from a built-in list.

#include <memory>
#include <vector>

#include "api/LockMassParametersImp.h"
#include "api/ZorvalenRawProcessorImp.h"
#include "formats/directory/ZVRawExternalLumavent.h"
#include "processing/MatchCriteria.h"
#include "processing/ZVSpectrum.h"

namespace Vardex::Lib::ZorvalenRaw {

class ZorvalenRawInfoImp;
class ZorvalenRawScanReaderImp;

class ZorvalenRawLockMassReaderImp : public ZorvalenRawProcessorImp {
 public:
  using ZVRawExternalLumavent = borealtek_zvraw_version_1::ZVRawExternalLumavent;
  static constexpr ZorvalenBaseType kProcessorType = ZorvalenBaseType::LOCKMASS;

  explicit ZorvalenRawLockMassReaderImp(ProgressCallBack callback = nullptr, void* caller = nullptr);
  ~ZorvalenRawLockMassReaderImp() override;

  // An information reader on source's cluster.
  [[nodiscard]] std::unique_ptr<ZorvalenRawReaderImp> CreateRawReader(ZorvalenRawReaderImp& source) override;

  // Without an own reader each of these returns 1, except the two on the
  // set alone and removeLockMassCorrection (0).
  int lockMassCorrect(bool& applied);
  int autoLockMassCorrect(bool force, bool& applied);
  int removeLockMassCorrection();
  // The installed gain at rt: 54 when the run cannot be corrected (unless
  // forced), 56 without a table or without a gain there that scans are
  // read with (none, or not finite and above 0); gain untouched on failure.
  int getLockMassCorrection(float rt, float& gain, bool force = false);
  // Arrays allocated for the caller when the count is above 0; else the
  // pointers stay as they were.
  int getLockMassCandidates(float*& masses, float*& intensities, int& count);
  int getLockMassValuesParams(ProcessParametersImp& parameters);
  int setLockMassParameters(const ProcessParametersImp& parameters);
  int getLockMassParameters(ProcessParametersImp& parameters);
  int canLockMassCorrect(int& can);
  int isLockMassCorrected(int& applied);

  // The built-in reference compounds of the reference function's polarity,
  // in table order; the ion-mode query's code, with none, when it fails.
  int matchCriteria(std::vector<MatchCriteria>& criteria);

 private:
  [[nodiscard]] ZorvalenRawInfoImp* infoReader() const;
  // The table installed on the cluster: 1 without a reader, 54 when the run
  // cannot be corrected (unless forced), 56 when none is installed.
  int installedTable(bool force, const ZVRawExternalLumavent*& table);
  // Whether a table must be computed; result is the code to return.
  bool doLockMass(int& result);
  // Null without a cluster; else a table, possibly without entries.
  std::unique_ptr<ZVRawExternalLumavent> generateLumaventGainTable();
  // The scan, read through reader, with the installed gain taken off again,
  // into an empty out, which stays empty when the read fails or gives no
  // points. The read's code.
  int getLockMassSpectrum(ZorvalenRawScanReaderImp& reader, int function, int scan, ZVSpectrum& out);
  // Peak detection and centring with the default settings; its status.
  static int processSpectrum(ZVSpectrum& spectrum);
  // Every reference scan summed, centred, and cut below 1 percent of its
  // base peak; the centring's status.
  int getLockMassCandidates(ZVSpectrum& spectrum);
  // The reference function and its scan count; 0 scans when there is none.
  void referenceFunction(unsigned int& function, unsigned int& scans) const;
  // Writes the installed table to the directory, or deletes the file when
  // none is installed: 0, or the failing file operation's code.
  int keepTableFile();

  LockMassParametersImp _lockmassParameters;
};

}  // namespace Vardex::Lib::ZorvalenRaw
