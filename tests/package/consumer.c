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
  puts("consumer: linked and called libZorvalenRaw");
  return 0;
}
