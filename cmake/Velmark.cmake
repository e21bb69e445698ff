# Shared build settings. Warnings are set per target so that third-party code built
# alongside (GoogleTest for the 32-bit build) keeps its own flags.

if(VELMARK_M32)
  add_compile_options(-m32)
  add_link_options(-m32)
  set(VELMARK_QT OFF CACHE BOOL "" FORCE)
  set(VELMARK_BENCH OFF CACHE BOOL "" FORCE)
  # Some kernels cannot execute 32-bit programs (ia32 emulation off). There CTest runs the
  # test programs under qemu-i386 (user-mode emulation, Debian's qemu-user), both to list
  # their tests and to run them (see velmark_test for their time limits). VELMARK_M32_QEMU
  # asks for that where the kernel could run them itself.
  option(VELMARK_M32_QEMU "32-bit build: run the tests under qemu-i386 even where the kernel \
executes 32-bit programs" OFF)
  file(WRITE ${CMAKE_BINARY_DIR}/m32-check/runs.cpp "int main() { return 0; }\n")
  try_run(VELMARK_M32_RUN_RESULT VELMARK_M32_COMPILES ${CMAKE_BINARY_DIR}/m32-check
          ${CMAKE_BINARY_DIR}/m32-check/runs.cpp COMPILE_DEFINITIONS -m32 LINK_OPTIONS -m32)
  if(NOT VELMARK_M32_COMPILES)
    message(FATAL_ERROR "The 32-bit tool chain cannot build a program (scripts/setup.sh --ci "
                        "installs g++-multilib)")
  endif()
  if(VELMARK_M32_QEMU OR NOT VELMARK_M32_RUN_RESULT EQUAL 0)
    find_program(VELMARK_QEMU_I386 qemu-i386)
    if(VELMARK_QEMU_I386)
      message(STATUS "32-bit tests run under ${VELMARK_QEMU_I386}")
      set(CMAKE_CROSSCOMPILING_EMULATOR ${VELMARK_QEMU_I386})
    elseif(VELMARK_M32_QEMU)
      message(FATAL_ERROR "VELMARK_M32_QEMU: qemu-i386 is missing (scripts/setup.sh --ci "
                          "installs qemu-user)")
    else()
      message(WARNING "This kernel cannot execute 32-bit programs and qemu-i386 is missing "
                      "(scripts/setup.sh --ci installs qemu-user): the tests cannot run")
    endif()
  endif()
endif()

# The 32-bit Windows build (cmake/mingw-w64-i686.cmake): no Qt, no benchmarks; its window is
# the toolkit's native Windows backend.
if(WIN32)
  set(VELMARK_QT OFF CACHE BOOL "" FORCE)
  set(VELMARK_BENCH OFF CACHE BOOL "" FORCE)
  # The C run time's POSIX names that the code uses (gmtime_r).
  add_compile_definitions(_POSIX_THREAD_SAFE_FUNCTIONS=200112L)
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

# GoogleTest: the system package normally; built from source for the 32-bit and Windows
# builds so that it carries the same flags and compiler as our code.
if(VELMARK_M32 OR WIN32)
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

# Header-only libraries of the build machine (Debian packages) in a cross build: each
# through an include folder of its own, never the whole of /usr/include.
if(CMAKE_CROSSCOMPILING AND NOT TARGET nlohmann_json::nlohmann_json)
  set(VELMARK_JSON_INCLUDE ${CMAKE_BINARY_DIR}/host-include/json)
  file(MAKE_DIRECTORY ${VELMARK_JSON_INCLUDE})
  file(CREATE_LINK /usr/include/nlohmann ${VELMARK_JSON_INCLUDE}/nlohmann SYMBOLIC)
  add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED GLOBAL)
  target_include_directories(nlohmann_json::nlohmann_json SYSTEM INTERFACE ${VELMARK_JSON_INCLUDE})
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
  # A library's sources compiled a few at a time in one unit: a first build takes about half
  # the time (the standard and Qt headers are read once per batch instead of once per file).
  if(VELMARK_UNITY)
    set_target_properties(${name} PROPERTIES UNITY_BUILD ON UNITY_BUILD_BATCH_SIZE 16)
  endif()
endfunction()

# velmark_test(name SOURCES ... DEPS ...): a GoogleTest executable registered with CTest.
function(velmark_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} ${VELMARK_GTEST_LIBS} ${VELMARK_GTEST_MAIN}
                                        Threads::Threads)
  velmark_warnings(${name})
  # Time limits in the tests allow for an emulator's pace (wine, qemu-i386).
  if(CMAKE_CROSSCOMPILING_EMULATOR)
    target_compile_definitions(${name} PRIVATE VELMARK_TESTS_EMULATED=1)
  endif()
  if(CMAKE_CROSSCOMPILING)
    # Each test program runs once, under the emulator (wine): a start costs far more there.
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES TIMEOUT 600)
  elseif(VELMARK_M32)
    # Tests listed when CTest runs, not after linking: the build must not need to execute
    # 32-bit programs, which some kernels cannot.
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
                         PROPERTIES TIMEOUT 300)
  else()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 300)
  endif()
endfunction()

# ccache when it is there: builds of other configurations and clean checkouts reuse objects.
find_program(VELMARK_CCACHE ccache)
if(VELMARK_CCACHE AND NOT CMAKE_CXX_COMPILER_LAUNCHER)
  set(CMAKE_CXX_COMPILER_LAUNCHER ${VELMARK_CCACHE})
endif()

# The version, from the project() line only: every program and the registry record read it
# from the generated header.
configure_file(${PROJECT_SOURCE_DIR}/cmake/VelmarkVersion.h.in
               ${PROJECT_BINARY_DIR}/generated/VelmarkVersion.h @ONLY)
add_library(velmark_version INTERFACE)
target_include_directories(velmark_version INTERFACE ${PROJECT_BINARY_DIR}/generated)

# The installed programs, each with a man page whose SEE ALSO names all the others.
set(VELMARK_PROGRAMS velmark velmark-sim velmark-scan velmark-cli velmark-probe)

# velmark_see_also(program var): the roff lines of `program`'s SEE ALSO section into var.
function(velmark_see_also program var)
  set(refs)
  foreach(other ${VELMARK_PROGRAMS})
    if(NOT other STREQUAL program)
      list(APPEND refs ".BR ${other} (1)")
    endif()
  endforeach()
  list(JOIN refs ",\n" text)
  set(${var} "${text}" PARENT_SCOPE)
endfunction()

# velmark_help2man(program "one-line description" [INCLUDE file]): the program's man page,
# made from its --help and --version by help2man at build time and installed with it. The
# optional file adds sections in help2man's include format; SEE ALSO is added to every page.
find_program(VELMARK_HELP2MAN help2man)
function(velmark_help2man program description)
  cmake_parse_arguments(ARG "" "INCLUDE" "" ${ARGN})
  # The page is made by running the program: not in builds for another machine (the 32-bit
  # and Windows builds), whose programs this machine may not execute.
  if(VELMARK_M32 OR CMAKE_CROSSCOMPILING)
    return()
  endif()
  if(NOT VELMARK_HELP2MAN)
    message(WARNING "help2man not found: no man page for ${program} "
                    "(scripts/setup.sh installs it)")
    return()
  endif()
  velmark_see_also(${program} see_also)
  set(see_also_file ${CMAKE_CURRENT_BINARY_DIR}/${program}-see-also.h2m)
  file(CONFIGURE OUTPUT ${see_also_file} CONTENT "[SEE ALSO]\n${see_also}\n")
  set(includes --include=${see_also_file})
  set(depends ${program} ${see_also_file})
  if(ARG_INCLUDE)
    list(APPEND includes --include=${ARG_INCLUDE})
    list(APPEND depends ${ARG_INCLUDE})
  endif()
  set(page ${CMAKE_CURRENT_BINARY_DIR}/${program}.1)
  # No display, whatever the build's environment: the window programs must answer --help
  # and --version without one.
  add_custom_command(OUTPUT ${page}
    COMMAND ${CMAKE_COMMAND} -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY
            --unset=QT_QPA_PLATFORM
            ${VELMARK_HELP2MAN} --no-info --section=1 --name=${description} ${includes}
            --output=${page} $<TARGET_FILE:${program}>
    DEPENDS ${depends}
    COMMENT "Writing the man page of ${program}"
    VERBATIM)
  add_custom_target(${program}_man ALL DEPENDS ${page})
  install(FILES ${page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endfunction()
