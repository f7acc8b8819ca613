# Runs PROGRAM with ARGUMENT and fails unless it succeeds and prints exactly
# the text in EXPECTED. Run with -DPROGRAM=... -DARGUMENT=... -DEXPECTED=...
execute_process(COMMAND ${PROGRAM} ${ARGUMENT} OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${PROGRAM} ${ARGUMENT} failed (${rc}):\n${err}")
endif()
file(READ ${EXPECTED} expected)
if(NOT out STREQUAL expected)
  message(FATAL_ERROR "output differs from ${EXPECTED}:\n--- printed\n${out}--- expected\n${expected}")
endif()
