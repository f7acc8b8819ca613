/* A C caller of the shared library: the public header in strict C11, the
 * prefixed enumerators, and the handle and memory rules seen from C. */
#include <stdio.h>
#include <string.h>

#include "zorvalen/ZorvalenRaw.h"

_Static_assert(sizeof(ZorvalenScanItem) == sizeof(int), "enumerations are int-sized");
_Static_assert(sizeof(CZorvalenParameters) == sizeof(void*), "handles are pointers");

static int failures = 0;

#define CHECK(cond)                                                  \
  do {                                                               \
    if (!(cond)) {                                                   \
      fprintf(stderr, "%s:%d: failed: %s\n", __FILE__, __LINE__, #cond); \
      ++failures;                                                    \
    }                                                                \
  } while (0)

static void errorTexts(void) {
  char* text = NULL;
  CHECK(getErrorMessage(ZVRAW_READER_NOT_DEFINED, &text) == ZVRAW_OK);
  CHECK(text != NULL && strcmp(text, "Zorvalen reader type not valid") == 0);
  CHECK(releaseMemory(text) == ZVRAW_OK);
  CHECK(getErrorMessage(0, NULL) == ZVRAW_NULL_PARAMETERS);
  CHECK(releaseMemory(NULL) == ZVRAW_OK);
}

static void parameterSets(void) {
  CZorvalenParameters set = NULL;
  CZorvalenParameters copy = NULL;
  char* value = NULL;
  int* keys = NULL;
  int count = -1;

  CHECK(createParameters(&set) == ZVRAW_OK && set != NULL);
  CHECK(setParameterValue(set, ThresholdParameter_TYPE, "1601") == ZVRAW_OK);
  CHECK(setParameterValue(set, SmoothParameter_NUMBER, "2") == ZVRAW_OK);
  CHECK(setParameterValue(set, SmoothParameter_WIDTH, NULL) == ZVRAW_NULL_PARAMETERS);
  CHECK(createParametersFromParameters(set, &copy) == ZVRAW_OK && copy != NULL);
  CHECK(destroyParameters(set) == ZVRAW_OK);

  CHECK(getParameterKeys(copy, &keys, &count) == ZVRAW_OK);
  CHECK(count == 2 && keys[0] == SmoothParameter_NUMBER && keys[1] == ThresholdParameter_TYPE);
  CHECK(getParameterValue(copy, ThresholdParameter_TYPE, &value) == ZVRAW_OK);
  CHECK(strcmp(value, "1601") == 0);
  CHECK(getParameterValue(copy, LockMassParameter_MASS, &value) == ZVRAW_OK && value[0] == '\0');
  CHECK(destroyParameters(copy) == ZVRAW_OK);
  CHECK(destroyParameters(NULL) == ZVRAW_OK);
}

static void readerRefusals(void) {
  CZorvalenBaseReader reader = &reader; /* must be nulled */
  CHECK(createRawReaderFromPath(NULL, &reader, ZorvalenBaseType_SCAN) == ZVRAW_NULL_PARAMETERS && reader == NULL);
  reader = &reader;
  CHECK(createRawReaderFromPath(".", &reader, ZorvalenBaseType_LOCKMASS) == ZVRAW_READER_NOT_DEFINED);
  CHECK(reader == NULL);
  CHECK(createRawReaderFromReader(NULL, &reader, ZorvalenBaseType_INFO) == ZVRAW_READER_NOT_DEFINED);
  CHECK(destroyRawReader(NULL) == ZVRAW_OK);
  CHECK(updateRawReader(NULL) == ZVRAW_READER_NOT_DEFINED);
  {
    int first = 5, last = 5; /* pointers in C */
    CHECK(getDriftRangeFromTimeRange(NULL, 0, 0.0f, 1.0f, &first, &last) == ZVRAW_READER_NOT_DEFINED);
  }
}

int main(void) {
  errorTexts();
  parameterSets();
  readerRefusals();
  if (failures == 0) printf("C interface: all checks passed\n");
  return failures == 0 ? 0 : 1;
}
