/* Writes a small raw data directory: header items, a continuum function of
 * 5 scans (400 to 600 at a step of 0.01, three peaks), a centroid function of
 * 4 scans that records a collision energy with each scan, and one analog
 * trace.
 *
 *     raw_write DIRECTORY
 *
 * It uses only the public header. Every call returns a result code; the
 * first failure stops the program, after the writer is released. */
#include <stdio.h>

#include <zorvalen/ZorvalenRaw.h>

#define POINTS 8
#define PROFILE 20000

/* Prints what went wrong and returns 1. */
static int fail(const char* what, int code) {
  char* text = NULL;
  if (getErrorMessage(code, &text) == ZVRAW_OK) {
    fprintf(stderr, "raw_write: %s: %s (%d)\n", what, text, code);
    releaseMemory(text);
  }
  return 1;
}

/* A parameter set holding one text under each key; NULL when it cannot be made. */
static CZorvalenParameters parameters(const int* keys, const char* const* values, int count) {
  CZorvalenParameters set = NULL;
  if (createParameters(&set) != ZVRAW_OK) return NULL;
  for (int i = 0; i < count; ++i) {
    if (setParameterValue(set, keys[i], values[i]) != ZVRAW_OK) {
      destroyParameters(set);
      return NULL;
    }
  }
  return set;
}

/* Scan s: a peak at 500 + s / 4 on a 0.125 grid, raised by 10 s. */
static void spectrum(int s, float* masses, float* intensities) {
  static const float peak[POINTS] = {10, 40, 160, 640, 1280, 640, 160, 40};
  for (int i = 0; i < POINTS; ++i) {
    masses[i] = 500.0f + 0.25f * (float)s + 0.125f * (float)(i - POINTS / 2);
    intensities[i] = peak[i] + (float)(10 * s);
  }
}

/* Continuum scan s: peaks at 450, 500 and 550 (half width 0.025), growing
 * with s, on a grid from 400 at a step of 0.01. */
static void profile(int s, float* masses, float* intensities) {
  static const float centre[3] = {450.0f, 500.0f, 550.0f}, height[3] = {500.0f, 1000.0f, 250.0f};
  for (int i = 0; i < PROFILE; ++i) {
    masses[i] = 400.0f + 0.01f * (float)i;
    intensities[i] = 0.0f;
    for (int p = 0; p < 3; ++p) {
      const float x = (masses[i] - centre[p]) / 0.025f;
      intensities[i] += height[p] * (float)(s + 1) / (1.0f + x * x);
    }
  }
}

static int write(CZorvalenRawWriter writer) {
  static float profileMasses[PROFILE], profileIntensities[PROFILE];
  float masses[POINTS], intensities[POINTS];
  int rc;

  const int headerKeys[] = {ZorvalenHeaderItem_SAMPLE_DESCRIPTION, ZorvalenHeaderItem_USER_NAME};
  const char* const headerValues[] = {"written by raw_write", "example"};
  CZorvalenParameters header = parameters(headerKeys, headerValues, 2);
  if (header == NULL) return fail("header items", ZVRAW_MEMALLOC_ERROR);
  rc = setRawHeaderItems(writer, header);
  destroyParameters(header);
  if (rc != ZVRAW_OK) return fail("header items", rc);

  /* Function 0: a continuum TOF function (every key left at its default). */
  CZorvalenParameters continuum = parameters(NULL, NULL, 0);
  if (continuum == NULL) return fail("function 0", ZVRAW_MEMALLOC_ERROR);
  rc = appendRawFunction(writer, continuum);
  destroyParameters(continuum);
  if (rc != ZVRAW_OK) return fail("function 0", rc);
  for (int s = 0; s < 5; ++s) {
    profile(s, profileMasses, profileIntensities);
    rc = appendRawScan(writer, profileMasses, profileIntensities, PROFILE, 0.1f * (float)(s + 1)); /* minutes */
    if (rc != ZVRAW_OK) return fail("function 0 scan", rc);
  }

  /* Function 1: centroid TOFS scans, each with its collision energy. */
  const int centroidKeys[] = {FunctionDefinition_FUNCTIONTYPE, FunctionDefinition_CONTINUUM};
  const char* const centroidValues[] = {"215", "0"};
  const ZorvalenScanItem items[] = {ZorvalenScanItem_COLLISION_ENERGY};
  CZorvalenParameters centroid = parameters(centroidKeys, centroidValues, 2);
  if (centroid == NULL) return fail("function 1", ZVRAW_MEMALLOC_ERROR);
  rc = appendRawFunctionWithStats(writer, centroid, items, 1);
  destroyParameters(centroid);
  if (rc != ZVRAW_OK) return fail("function 1", rc);
  for (int s = 0; s < 4; ++s) {
    char energy[16];
    snprintf(energy, sizeof energy, "%d", 10 + 5 * s);
    const int itemKeys[] = {ZorvalenScanItem_COLLISION_ENERGY};
    const char* const itemValues[] = {energy};
    CZorvalenParameters values = parameters(itemKeys, itemValues, 1);
    if (values == NULL) return fail("function 1 scan", ZVRAW_MEMALLOC_ERROR);
    spectrum(s, masses, intensities);
    rc = appendRawScanWithStats(writer, masses, intensities, POINTS, 0.15f + 0.2f * (float)s, values);
    destroyParameters(values);
    if (rc != ZVRAW_OK) return fail("function 1 scan", rc);
  }

  /* One analog trace, written at once. */
  const int traceKeys[] = {AnalogParameter_DESCRIPTION, AnalogParameter_UNITS, AnalogParameter_TYPE};
  const char* const traceValues[] = {"Pressure", "bar", "1250"}; /* AnalogTraceType_ANALOG */
  const float times[] = {0.0f, 0.5f, 1.0f}, pressure[] = {120.0f, 121.5f, 119.0f};
  CZorvalenParameters trace = parameters(traceKeys, traceValues, 3);
  if (trace == NULL) return fail("trace", ZVRAW_MEMALLOC_ERROR);
  rc = appendRawTrace(writer, trace, times, pressure, 3);
  destroyParameters(trace);
  if (rc != ZVRAW_OK) return fail("trace", rc);

  /* Writes the scans still queued, the descriptors and every other file. */
  rc = closeRawWriter(writer);
  return rc == ZVRAW_OK ? 0 : fail("close", rc);
}

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: raw_write DIRECTORY\n");
    return 2;
  }
  CZorvalenRawWriter writer = NULL;
  const int rc = createRawWriter(&writer, argv[1]);
  if (rc != ZVRAW_OK) return fail(argv[1], rc);
  const int result = write(writer);
  destroyRawWriter(writer);
  return result;
}
