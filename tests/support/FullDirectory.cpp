#include "support/FullDirectory.h"

#include "drift/DriftPairFixture.h"
#include "formats/directory/ZVRawDDASettings.h"
#include "support/RawDirectoryFixture.h"

void writeFullDirectory(const std::filesystem::path& dir) {
  RawDirectoryFixture fx;
  fx.function({.format = 12, .scans = 3, .peaks = 4});
  fx.function(0).stats = {{kTempCorrectionField, kFloatField, [](unsigned s) { return 1.0 + s; }}};
  fx.function({.type = 15, .format = 12, .scans = 3, .peaks = 4});
  fx.lockMassGain({{0.5f, 1.0f}, {1.0f, 1.001f}})
      .externInfo("Lteff = 1.0\nVeff = 5184.0\n")
      .analogChannels(1, 4)
      .veskoCalibration()
      .mobilityCalibration(1.0, 0.5, 1.0);
  fx.write(dir);
  drift_fixture::writePair(dir, 0, {}, {{60.0f, {{{20, 30}, {5, 6}, {}}}}, {66.0f, {{{25}, {7}, {1}}}}});
  borealtek_zvraw_version_1::ZVRawDDASettings dda;
  dda.SetLowerOffset(1.5f);
  dda.SetUpperOffset(2.0f);
  (void)dda.Write(dir.c_str());
}

std::vector<std::string> fullDirectoryFiles() {
  return {"_functns.inf", "_header.txt",  "_func001.idx", "_func001.dat", "_func001.sts", "_func002.idx",
          "_func002.dat", "lmgt.inf",     "_extern.inf",  "_CHROMS.INF",  "_CHRO001.DAT", "_vesko.inf",
          "mob_cal.csv",  "_dda.inf",     "_func001.ind", "_func001.cdt"};
}
