/* Sums a range of scans of one function, centroids the sum, keeps the peaks
 * above 1% of the base peak and prints them (mass, intensity). A function
 * stored as centroids is summed and thresholded but not centroided again.
 *
 *     raw_centroid DIRECTORY FUNCTION FIRST LAST
 *
 * It uses only the public header: a spectrum processor works on a reader's
 * directory and holds the spectrum it makes. */
#include <stdio.h>
#include <stdlib.h>

#include <zorvalen/ZorvalenRaw.h>

/* Prints what went wrong and returns 1. */
static int fail(const char* what, int code) {
  char* text = NULL;
  if (getErrorMessage(code, &text) == ZVRAW_OK) {
    fprintf(stderr, "raw_centroid: %s: %s (%d)\n", what, text, code);
    releaseMemory(text);
  }
  return 1;
}

/* Threshold settings: 1% of the base peak. */
static int setThreshold(CZorvalenBaseProcessor processor) {
  CZorvalenParameters settings = NULL;
  int rc = createParameters(&settings);
  if (rc == ZVRAW_OK) rc = setParameterValue(settings, ThresholdParameter_TYPE, "1601"); /* RELATIVE_THRESHOLD */
  if (rc == ZVRAW_OK) rc = setParameterValue(settings, ThresholdParameter_VALUE, "1");
  if (rc == ZVRAW_OK) rc = setThresholdParameter(processor, settings); /* the processor keeps a copy */
  destroyParameters(settings);
  return rc;
}

static int centroid(CZorvalenBaseProcessor processor, int function, int first, int last, bool continuum) {
  int rc = combineScan(processor, function, first, last);
  if (rc != ZVRAW_OK) return fail("combine", rc);
  /* At the resolution the directory records (10000 when it records none).
   * Centroids are peaks already: centroiding them again would lose them. */
  if (continuum) rc = centroidScan(processor);
  if (rc != ZVRAW_OK) return fail("centroid", rc);
  rc = setThreshold(processor);
  if (rc == ZVRAW_OK) rc = thresholdScan(processor);
  if (rc != ZVRAW_OK) return fail("threshold", rc);

  /* The arrays belong to the processor: valid until its spectrum changes. */
  float* masses = NULL;
  float* intensities = NULL;
  int peaks = 0;
  rc = getScan(processor, &masses, &intensities, &peaks);
  if (rc != ZVRAW_OK) return fail("peaks", rc);
  printf("function %d, scans %d to %d: %d peaks%s\n", function, first, last, peaks,
         continuum ? "" : " (stored as centroids)");
  for (int i = 0; i < peaks; ++i) printf("  %10.4f  %12.2f\n", masses[i], intensities[i]);
  return 0;
}

int main(int argc, char** argv) {
  if (argc != 5) {
    fprintf(stderr, "usage: raw_centroid DIRECTORY FUNCTION FIRST LAST\n");
    return 2;
  }
  const int function = atoi(argv[2]);
  CZorvalenBaseReader reader = NULL;
  CZorvalenBaseProcessor processor = NULL;
  int rc = createRawReaderFromPath(argv[1], &reader, ZorvalenBaseType_SCAN);
  if (rc != ZVRAW_OK) return fail(argv[1], rc);
  /* Whether the function holds continuum data is a question for an
   * information reader on the same directory. */
  CZorvalenBaseReader info = NULL;
  bool continuum = false;
  rc = createRawReaderFromReader(reader, &info, ZorvalenBaseType_INFO);
  if (rc == ZVRAW_OK) rc = isContinuum(info, function, &continuum);
  destroyRawReader(info);
  if (rc != ZVRAW_OK) {
    destroyRawReader(reader);
    return fail("function", rc);
  }
  rc = createRawProcessor(&processor, ZorvalenBaseType_SCAN, NULL, NULL);
  /* The processor makes a reader of its own on the directory. */
  if (rc == ZVRAW_OK) rc = setRawReader(processor, reader);
  destroyRawReader(reader);
  const int result = rc == ZVRAW_OK ? centroid(processor, function, atoi(argv[3]), atoi(argv[4]), continuum)
                                    : fail("processor", rc);
  destroyRawProcessor(processor);
  return result;
}
