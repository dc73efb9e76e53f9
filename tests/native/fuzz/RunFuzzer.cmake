# Runs the fuzzer for a bounded time over a fresh copy of the seed corpus,
# so that new inputs and crash artifacts stay in the build directory.
# SECONDS (default 60) bounds the run; DICT names a dictionary, if any.
if(NOT DEFINED SECONDS)
  set(SECONDS 60)
endif()
set(dict_option)
if(DEFINED DICT)
  set(dict_option -dict=${DICT})
endif()
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}/artifacts")
file(COPY "${SEEDS}/" DESTINATION "${WORK}/corpus")

set(ENV{ASAN_OPTIONS} "halt_on_error=1:abort_on_error=1:detect_leaks=1:allocator_may_return_null=0")
set(ENV{UBSAN_OPTIONS} "halt_on_error=1:print_stacktrace=1")
execute_process(
  COMMAND "${FUZZER}" -max_total_time=${SECONDS} ${dict_option} -timeout=1 -rss_limit_mb=2048 -detect_leaks=1
          -print_final_stats=1 -artifact_prefix=${WORK}/artifacts/ "${WORK}/corpus"
  RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "fuzzer failed (exit ${result}); inputs in ${WORK}/artifacts")
endif()
file(GLOB artifacts "${WORK}/artifacts/*")
if(artifacts)
  message(FATAL_ERROR "fuzzer left artifacts: ${artifacts}")
endif()
