# Native (Linux) build of the code that does not need windows.h.
set(VESKO_WARNINGS -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wno-sign-conversion)
add_subdirectory(bookmarks/xml)
add_subdirectory(tests/native)
option(VESKO_BENCH "Build the benchmarks" OFF)
if(VESKO_BENCH)
  add_subdirectory(bench)
endif()
