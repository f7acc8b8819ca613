#include "processing/ProfileSection.h"

#include "formats/portability/PrivateProfile.h"

namespace zvraw {

void ProfileSection::put(const char* key, int value) {
  note(sysSetPrivateProfileValue(section_.c_str(), key, value, file_));
}

void ProfileSection::put(const char* key, bool value) {
  note(sysSetPrivateProfileValue(section_.c_str(), key, value, file_));
}

void ProfileSection::put(const char* key, float value, int places) {
  note(sysSetPrivateProfileValue(section_.c_str(), key, value, places, file_));
}

void ProfileSection::put(const char* key, double value, int places) {
  note(sysSetPrivateProfileValue(section_.c_str(), key, value, places, file_));
}

void ProfileSection::get(const char* key, int fallback, int& value) {
  note(sysGetPrivateProfileValue(section_.c_str(), key, fallback, value, file_));
}

void ProfileSection::get(const char* key, bool fallback, bool& value) {
  note(sysGetPrivateProfileValue(section_.c_str(), key, fallback, value, file_));
}

void ProfileSection::get(const char* key, float fallback, float& value) {
  note(sysGetPrivateProfileValue(section_.c_str(), key, fallback, value, file_));
}

void ProfileSection::get(const char* key, double fallback, double& value) {
  note(sysGetPrivateProfileValue(section_.c_str(), key, fallback, value, file_));
}

}  // namespace zvraw
