/* Links against the installed library and calls it as a C caller would. */
#include <stdio.h>
#include <string.h>

#include <zorvalen/ZorvalenRaw.h>

int main(void) {
  char* text = NULL;
  if (getErrorMessage(ZVRAW_FILEOPEN_ERROR, &text) != ZVRAW_OK || text == NULL) return 1;
  const int ok = strcmp(text, "File Open Error") == 0;
  releaseMemory(text);
  if (!ok) return 1;
  printf("consumer: linked and called libZorvalenRaw %d.%d.%d\n", ZORVALENRAW_VERSION_MAJOR,
         ZORVALENRAW_VERSION_MINOR, ZORVALENRAW_VERSION_PATCH);
  return 0;
}
