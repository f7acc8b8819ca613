/* Prints a summary of a raw data directory: its functions, each function's
 * scan count and retention-time range, and the first points of the first
 * scan of the first function that has scans.
 *
 *     raw_summary DIRECTORY
 *
 * It uses only the public header: a scan reader opened on the directory and
 * an information reader that shares it. */
#include <stdio.h>

#include <zorvalen/ZorvalenRaw.h>

/* Prints what went wrong and returns 1. */
static int fail(const char* what, int code) {
  char* text = NULL;
  if (getErrorMessage(code, &text) == ZVRAW_OK) {
    fprintf(stderr, "raw_summary: %s: %s (%d)\n", what, text, code);
    releaseMemory(text); /* the message is the caller's to release */
  }
  return 1;
}

static int summarise(CZorvalenBaseReader scans, CZorvalenBaseReader info) {
  unsigned int functions = 0;
  int rc = getFunctionCount(info, &functions);
  if (rc != ZVRAW_OK) return fail("function count", rc);
  printf("functions: %u\n", functions);

  int first = -1; /* the first function that has scans */
  for (unsigned int f = 0; f < functions; ++f) {
    unsigned int count = 0;
    float start = 0, end = 0;
    rc = getScanCount(info, (int)f, &count);
    if (rc != ZVRAW_OK) return fail("scan count", rc);
    printf("function %u: %u scans", f, count);
    if (count > 0) {
      rc = getAcquisitionTimeRange(info, (int)f, &start, &end);
      if (rc != ZVRAW_OK) return fail("retention-time range", rc);
      printf(", %.4f to %.4f min", start, end);
      if (first < 0) first = (int)f;
    }
    printf("\n");
  }
  if (first < 0) return 0;

  /* The arrays belong to the reader: valid until its next scan read. */
  float* masses = NULL;
  float* intensities = NULL;
  int points = 0;
  rc = readScan(scans, first, 0, &masses, &intensities, &points);
  if (rc != ZVRAW_OK) return fail("first scan", rc);
  printf("function %d, scan 0: %d points\n", first, points);
  const int shown = points < 12 ? points : 12;
  for (int i = 0; i < shown; ++i) printf("  %10.4f  %12.2f\n", masses[i], intensities[i]);
  if (points > shown) printf("  ... %d more\n", points - shown);
  return 0;
}

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: raw_summary DIRECTORY\n");
    return 2;
  }
  CZorvalenBaseReader scans = NULL;
  CZorvalenBaseReader info = NULL;
  int rc = createRawReaderFromPath(argv[1], &scans, ZorvalenBaseType_SCAN);
  if (rc != ZVRAW_OK) return fail(argv[1], rc);
  rc = createRawReaderFromReader(scans, &info, ZorvalenBaseType_INFO);
  if (rc != ZVRAW_OK) {
    destroyRawReader(scans);
    return fail("information reader", rc);
  }
  const int result = summarise(scans, info);
  /* Readers may go in any order; the last one closes the directory. */
  destroyRawReader(scans);
  destroyRawReader(info);
  return result;
}
