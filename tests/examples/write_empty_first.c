/* Writes a raw directory whose function 0 has no scans and function 1 two,
 * for the summary example to read past the empty function. */
#include <stddef.h>

#include <zorvalen/ZorvalenRaw.h>

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  CZorvalenRawWriter writer = NULL;
  CZorvalenParameters function = NULL;
  if (createRawWriter(&writer, argv[1]) != ZVRAW_OK || createParameters(&function) != ZVRAW_OK) return 1;
  const float masses[] = {100.0f, 200.0f, 300.0f}, intensities[] = {1.0f, 2.0f, 3.0f};
  int rc = appendRawFunction(writer, function);
  if (rc == ZVRAW_OK) rc = appendRawFunction(writer, function);
  for (int s = 0; s < 2 && rc == ZVRAW_OK; ++s) rc = appendRawScan(writer, masses, intensities, 3, 0.5f * (float)(s + 1));
  if (rc == ZVRAW_OK) rc = closeRawWriter(writer);
  destroyParameters(function);
  destroyRawWriter(writer);
  return rc == ZVRAW_OK ? 0 : 1;
}
