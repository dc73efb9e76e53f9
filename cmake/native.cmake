# Native (Linux) build of the code that does not need windows.h.
set(VESKO_WARNINGS -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wno-sign-conversion)
add_subdirectory(bookmarks/xml)
add_subdirectory(sites)
add_subdirectory(history)
# The frame's model: plain C++, tested natively.
add_library(vesko_model STATIC browser/FrameModel.cpp)
target_include_directories(vesko_model PUBLIC ${CMAKE_SOURCE_DIR})
target_compile_options(vesko_model PRIVATE ${VESKO_WARNINGS})
add_subdirectory(tests/native)
option(VESKO_BENCH "Build the benchmarks" OFF)
if(VESKO_BENCH)
  add_subdirectory(bench)
endif()
