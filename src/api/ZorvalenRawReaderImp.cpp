#include "api/ZorvalenRawReaderImp.h"

#include <cstdlib>

#include "cluster/ZVRawAccessInterface.h"
#include "cluster/ZVRawDataCluster.h"
#include "zorvalen/ZorvalenRaw.h"

namespace Vardex::Lib::ZorvalenRaw {

int ZorvalenRawReaderImp::Update() {
  ZVRawDataCluster* cluster = getDataCluster();
  return cluster != nullptr ? cluster->Update() : ZVRAW_DATACLUSTER_INVALID;
}

std::unique_ptr<ZVRawAccessInterface> ZorvalenRawReaderImp::MakeAccessInterface() const {
  return std::make_unique<ZVRawAccessInterface>(*getDataCluster());
}

float* ZorvalenRawReaderImp::AllocateFloatMemory(const int& n) { return allocateArray<float>(n); }
int* ZorvalenRawReaderImp::AllocateIntMemory(const int& n) { return allocateArray<int>(n); }
char* ZorvalenRawReaderImp::AllocateCharMemory(const int& n) { return allocateArray<char>(n); }

float* ZorvalenRawReaderImp::AllocateAndFill(const float* values, const int& n) { return allocateCopy(values, n); }
int* ZorvalenRawReaderImp::AllocateAndFill(const int* values, const int& n) { return allocateCopy(values, n); }
ZorvalenScanItem* ZorvalenRawReaderImp::AllocateAndFill(const ZorvalenScanItem* items, const int& n) {
  static_assert(sizeof(ZorvalenScanItem) == 4, "scan items cross the interface as 32-bit values");
  return allocateCopy(items, n);
}

void ZorvalenRawReaderImp::ReleaseMemory(void*& p) { releaseAndNull(p); }
void ZorvalenRawReaderImp::ReleaseMemory(float*& p) { releaseAndNull(p); }
void ZorvalenRawReaderImp::ReleaseMemory(char*& p) { releaseAndNull(p); }

void ZorvalenRawReaderImp::ReleaseMemoryOnError(int code, float*& a, float*& b, int& n) {
  if (code == ZVRAW_OK) return;
  releaseAndNull(a);
  releaseAndNull(b);
  n = 0;
}

void ZorvalenRawReaderImp::ReleaseMemoryOnError(int code, float*& a, int& n) {
  if (code == ZVRAW_OK) return;
  releaseAndNull(a);
  n = 0;
}

void ZorvalenRawReaderImp::ReleaseMemoryOnError(int code, float*& a, float*& b, char*& flags, int& n) {
  if (code == ZVRAW_OK) return;
  releaseAndNull(a);
  releaseAndNull(b);
  releaseAndNull(flags);
  n = 0;
}

}  // namespace Vardex::Lib::ZorvalenRaw

ZV_API int releaseMemory(void* pMemory) {
  std::free(pMemory);
  return ZVRAW_OK;
}
