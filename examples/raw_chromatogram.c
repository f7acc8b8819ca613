/* Prints the chromatograms of one function of a raw data directory as CSV,
 * ready for a plotting program: per scan, its retention time, total ion
 * current, base-peak intensity and the intensity within MASS +- WINDOW / 2.
 *
 *     raw_chromatogram DIRECTORY FUNCTION MASS [WINDOW]
 *
 * WINDOW is 1 by default. It uses only the public header: the arrays come
 * from a chromatogram reader and are the caller's to release. */
#include <stdio.h>
#include <stdlib.h>

#include <zorvalen/ZorvalenRaw.h>

/* Prints what went wrong and returns 1. */
static int fail(const char* what, int code) {
  char* text = NULL;
  if (getErrorMessage(code, &text) == ZVRAW_OK) {
    fprintf(stderr, "raw_chromatogram: %s: %s (%d)\n", what, text, code);
    releaseMemory(text);
  }
  return 1;
}

/* One chromatogram: times and values allocated by the library. */
typedef struct {
  float* times;
  float* values;
  int size;
} Trace;

static void release(Trace* trace) {
  releaseMemory(trace->times); /* two blocks, each released on its own */
  releaseMemory(trace->values);
}

static int print(CZorvalenBaseReader reader, int function, float mass, float window) {
  Trace tic = {0}, bpi = {0}, xic = {0};
  int rc = readTICChromatogram(reader, function, &tic.times, &tic.values, &tic.size);
  if (rc == ZVRAW_OK) rc = readBPIChromatogram(reader, function, &bpi.times, &bpi.values, &bpi.size);
  if (rc == ZVRAW_OK && tic.size > 0)
    rc = readMassChromatograms(reader, function, &mass, 1, &xic.times, &xic.values, window, false, &xic.size);
  if (rc == ZVRAW_OK) {
    printf("time_min,tic,bpi,mass_%.4f\n", mass);
    /* Every trace has one point per scan of the function. */
    for (int i = 0; i < tic.size && i < bpi.size && i < xic.size; ++i)
      printf("%.4f,%.2f,%.2f,%.2f\n", tic.times[i], tic.values[i], bpi.values[i], xic.values[i]);
  }
  release(&tic);
  release(&bpi);
  release(&xic);
  return rc == ZVRAW_OK ? 0 : fail("chromatogram", rc);
}

int main(int argc, char** argv) {
  if (argc != 4 && argc != 5) {
    fprintf(stderr, "usage: raw_chromatogram DIRECTORY FUNCTION MASS [WINDOW]\n");
    return 2;
  }
  const int function = atoi(argv[2]);
  const float mass = strtof(argv[3], NULL);
  const float window = argc == 5 ? strtof(argv[4], NULL) : 1.0f;
  CZorvalenBaseReader reader = NULL;
  const int rc = createRawReaderFromPath(argv[1], &reader, ZorvalenBaseType_CHROM);
  if (rc != ZVRAW_OK) return fail(argv[1], rc);
  const int result = print(reader, function, mass, window);
  destroyRawReader(reader); /* the arrays were released above; they would outlive it */
  return result;
}
