# The Windows product (vesko.exe) and its tests, which run under Wine.
set(VESKO_WARNINGS -Wall -Wextra -Wpedantic -Wshadow -Woverloaded-virtual)
option(VESKO_WERROR "Treat warnings as errors" OFF)
if(VESKO_WERROR)
  list(APPEND VESKO_WARNINGS -Werror)
endif()

add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)
# Only system DLLs at run time: the compiler's own runtime goes in statically.
add_link_options(-static -static-libgcc -static-libstdc++)
# The shipped (Release) program: every function and datum in a section of its
# own, so that the linker drops what nothing reaches, and no symbols.
add_compile_options($<$<CONFIG:Release>:-ffunction-sections> $<$<CONFIG:Release>:-fdata-sections>)
add_link_options($<$<CONFIG:Release>:-Wl,--gc-sections> $<$<CONFIG:Release>:-s>)
# Optimised for size, which keeps it under half a megabyte; the bookmark
# file's parser, where start-up with many bookmarks spends its time, for
# speed (below).
set(CMAKE_CXX_FLAGS_RELEASE "-Os -DNDEBUG")
set(CMAKE_C_FLAGS_RELEASE "-Os -DNDEBUG")

add_subdirectory(bookmarks/xml)
add_subdirectory(bookmarks/interchange)
add_subdirectory(sites)
add_subdirectory(history)
add_subdirectory(session)
set_property(SOURCE bookmarks/xml/XmlParser.cpp bookmarks/xml/XmlNode.cpp
  DIRECTORY bookmarks/xml APPEND PROPERTY COMPILE_OPTIONS $<$<CONFIG:Release>:-O2>)

add_library(vesko_core STATIC
  bookmarks/BookMark.cpp
  bookmarks/BookmarkFile.cpp
  bookmarks/BookmarkMenu.cpp
  bookmarks/AddBookmark.cpp
  bookmarks/BookmarkTransfer.cpp
  common/AtomicFile.cpp
  common/Files.cpp
  common/ModelessDialogs.cpp
  common/Glyphs.cpp
  common/Error.cpp
  common/ErrorReport.cpp
  common/Ole.cpp
  common/SystemLibrary.cpp
  common/Text.cpp
  common/Window.cpp
  browser/BrowserChild.cpp
  browser/BrowserEmulation.cpp
  browser/FrameModel.cpp
  browser/SiteSwitch.cpp
  browser/EngineControl.cpp
  browser/childIE.cpp
  browser/childMoz.cpp
  shell/Application.cpp
  shell/Commands.cpp
  shell/ControlBar.cpp
  shell/FrameBars.cpp
  shell/TabStrip.cpp
  shell/MainFormTabs.cpp
  shell/AddressCompletion.cpp
  shell/MainFormAddress.cpp
  shell/MainFormPages.cpp
  shell/SiteRules.cpp
  history/win/HistoryKeeper.cpp
  history/win/HistoryWindow.cpp
  shell/OpenDialog.cpp
  shell/MainFormBookmarks.cpp
  shell/MainFormSession.cpp
  session/win/SessionKeeper.cpp
  shell/MainForm.cpp
  shell/Settings.cpp
  # The options dialog, its folder picker and the About box.
  common/Form.cpp
  options/ShellApi.cpp
  options/SHBFFEX.cpp
  options/Option.cpp
  shell/About.cpp
  # The site rules' dialog and file.
  sites/win/SiteRules.cpp
  sites/win/SiteRulesFile.cpp
)
target_include_directories(vesko_core PUBLIC ${CMAKE_SOURCE_DIR})
target_compile_options(vesko_core PRIVATE ${VESKO_WARNINGS})
# No shell32, comdlg32, ole32 or oleaut32: they load on first use
# (common/SystemLibrary.h, common/Ole.h).
target_link_libraries(vesko_core PUBLIC vesko_xml vesko_sites comctl32 uuid gdi32 user32 advapi32 kernel32)
target_link_libraries(vesko_core PUBLIC vesko_history)
target_link_libraries(vesko_core PUBLIC vesko_interchange)
target_link_libraries(vesko_core PUBLIC vesko_session)

set(VESKO_RESOURCES ${CMAKE_SOURCE_DIR}/res/vesko.rc)
# Source properties hold only in the directory that sets them: the test
# target links the same script and sets these again (tests/CMakeLists.txt).
set(VESKO_RESOURCE_DEPENDS
  ${CMAKE_SOURCE_DIR}/res/resource.h ${CMAKE_SOURCE_DIR}/res/vesko.manifest
  ${CMAKE_SOURCE_DIR}/res/glyphs.bmp ${CMAKE_SOURCE_DIR}/res/browse.bmp
  ${CMAKE_SOURCE_DIR}/res/vesko.ico ${CMAKE_SOURCE_DIR}/res/child_ie.ico
  ${CMAKE_SOURCE_DIR}/res/child_mz.ico)
set_source_files_properties(${VESKO_RESOURCES} PROPERTIES OBJECT_DEPENDS "${VESKO_RESOURCE_DEPENDS}")

add_executable(vesko WIN32 shell/main.cpp ${VESKO_RESOURCES})
target_compile_options(vesko PRIVATE ${VESKO_WARNINGS})
target_link_options(vesko PRIVATE -municode)
target_link_libraries(vesko PRIVATE vesko_core)

add_subdirectory(tests)
option(VESKO_BENCH "Build the benchmarks" OFF)
if(VESKO_BENCH)
  add_subdirectory(bench)
endif()

# The native suite (portable code, fuzzing) joins this CTest run as one
# test when its build directory is given.
set(VESKO_NATIVE_TESTS_DIR "" CACHE PATH "Build directory of the native tests")
if(VESKO_NATIVE_TESTS_DIR)
  add_test(NAME native_suite
    COMMAND ${CMAKE_CTEST_COMMAND} --test-dir ${VESKO_NATIVE_TESTS_DIR} --output-on-failure)
  set_tests_properties(native_suite PROPERTIES TIMEOUT 600)
endif()
