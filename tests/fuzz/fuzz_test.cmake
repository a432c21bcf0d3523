# One fuzz test: a fresh scratch directory, then the target over the
# committed corpus (read only) and a short fuzzing run with a fixed seed.
# New inputs and any crash input stay in the scratch directory.
foreach(var FUZZER CORPUS SCRATCH SECONDS)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "fuzz_test.cmake needs -D${var}=...")
  endif()
endforeach()
file(REMOVE_RECURSE ${SCRATCH})
file(MAKE_DIRECTORY ${SCRATCH}/new ${SCRATCH}/artifacts)
execute_process(
  COMMAND ${FUZZER} -seed=1 -max_total_time=${SECONDS} -timeout=30 -print_final_stats=1
          -artifact_prefix=${SCRATCH}/artifacts/ ${SCRATCH}/new ${CORPUS}
  RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${FUZZER} failed (${result}); the input is in ${SCRATCH}/artifacts")
endif()
