# Runs PROGRAM with ARGUMENT (and the space-separated MORE, when given) and
# fails unless it succeeds and prints exactly the text in EXPECTED. Run with
# -DPROGRAM=... -DARGUMENT=... -DEXPECTED=... [-DMORE=...]
# With -DWRITER=..., the directory ARGUMENT is first removed and written anew
# by that program.
if(DEFINED WRITER)
  file(REMOVE_RECURSE ${ARGUMENT})
  execute_process(COMMAND ${WRITER} ${ARGUMENT} ERROR_VARIABLE err RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${WRITER} ${ARGUMENT} failed (${rc}):\n${err}")
  endif()
endif()
separate_arguments(more UNIX_COMMAND "${MORE}")
execute_process(COMMAND ${PROGRAM} ${ARGUMENT} ${more} OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${PROGRAM} ${ARGUMENT} failed (${rc}):\n${err}")
endif()
file(READ ${EXPECTED} expected)
if(NOT out STREQUAL expected)
  message(FATAL_ERROR "output differs from ${EXPECTED}:\n--- printed\n${out}--- expected\n${expected}")
endif()
