# Shared build settings. Warnings are set per target so that third-party code built
# alongside (GoogleTest for the 32-bit build) keeps its own flags.

if(VELMARK_M32)
  add_compile_options(-m32)
  add_link_options(-m32)
  set(VELMARK_QT OFF CACHE BOOL "" FORCE)
  set(VELMARK_BENCH OFF CACHE BOOL "" FORCE)
endif()

if(VELMARK_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=address,undefined)
endif()

# The fuzz configuration (clang): every library carries the fuzzer's coverage counters and
# the sanitizers, so that libFuzzer is guided by the code under test, not just the harness.
# The fuzz targets link the fuzzer's main; the tests link GoogleTest's as usual.
if(VELMARK_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "VELMARK_FUZZ needs clang (-DCMAKE_CXX_COMPILER=clang++)")
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer
                      -fno-sanitize-recover=all)
  add_link_options(-fsanitize=address,undefined)
endif()

if(VELMARK_TSAN)
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()

find_package(Threads REQUIRED)

# GoogleTest: the system package normally; built from source for the 32-bit build so that
# it carries the same flags as our code.
if(VELMARK_M32)
  if(NOT TARGET gtest)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  endif()
  set(VELMARK_GTEST_LIBS gtest gmock)
  set(VELMARK_GTEST_MAIN gtest_main)
else()
  find_package(GTest REQUIRED)
  set(VELMARK_GTEST_LIBS GTest::gtest GTest::gmock)
  set(VELMARK_GTEST_MAIN GTest::gtest_main)
endif()

function(velmark_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
endfunction()

# velmark_library(name SOURCES ... DEPS ...): one library per folder.
function(velmark_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARG_DEPS})
  velmark_warnings(${name})
endfunction()

# velmark_test(name SOURCES ... DEPS ...): a GoogleTest executable registered with CTest.
function(velmark_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} ${VELMARK_GTEST_LIBS} ${VELMARK_GTEST_MAIN}
                                        Threads::Threads)
  velmark_warnings(${name})
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 300)
endfunction()

# ccache when it is there: builds of other configurations and clean checkouts reuse objects.
find_program(VELMARK_CCACHE ccache)
if(VELMARK_CCACHE AND NOT CMAKE_CXX_COMPILER_LAUNCHER)
  set(CMAKE_CXX_COMPILER_LAUNCHER ${VELMARK_CCACHE})
endif()
