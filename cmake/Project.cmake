# Shared build rules: warnings, the embedded resources of the POSIX build, and
# the helpers every subsystem uses to declare its programs, tests and fuzzers.

if(MSVC)
  message(FATAL_ERROR "Build with MinGW-w64 (see the windows preset)")
endif()

add_library(project_warnings INTERFACE)
target_compile_options(project_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wno-sign-conversion)
# GCC 12's libstdc++ inlines std::string concatenation at -O3 into copies it
# then reports as overlapping (-Wrestrict) though they cannot be; later GCCs
# do not. The check stays on everywhere else.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_GREATER_EQUAL 12
   AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  target_compile_options(project_warnings INTERFACE -Wno-restrict)
endif()
# Off by default, so that a user's compiler cannot break the build with a
# warning of its own; the presets (and so the tests) turn it on.
if(FILTERS_WERROR)
  target_compile_options(project_warnings INTERFACE -Werror)
endif()

add_library(project_options INTERFACE)
if(WIN32)
  # One self-contained 32-bit executable per program: no runtime DLLs to ship.
  target_link_options(project_options INTERFACE -static -static-libgcc -static-libstdc++)
endif()

set(FILTERS_SOURCE_ROOT ${CMAKE_SOURCE_DIR})

# embed_resources(<target> <type> <name> <language> <file>)
# Windows: compiles a one-line .rc with windres. POSIX: generates a C++ table that
# the platform layer's FindResourceA searches, so both builds read the same file.
function(embed_resource target type name language file)
  get_filename_component(abs ${file} ABSOLUTE)
  string(MAKE_C_IDENTIFIER "${target}_${type}_${name}" id)
  if(WIN32)
    set(rc ${CMAKE_CURRENT_BINARY_DIR}/${id}.rc)
    math(EXPR primary "${language} & 1023")
    math(EXPR sub "${language} >> 10")
    file(WRITE ${rc} "LANGUAGE ${primary}, ${sub}\n\"${name}\" ${type} \"${abs}\"\n")
    target_sources(${target} PRIVATE ${rc})
  else()
    set(cpp ${CMAKE_CURRENT_BINARY_DIR}/${id}.cpp)
    add_custom_command(OUTPUT ${cpp}
      COMMAND ${CMAKE_COMMAND} -DINPUT=${abs} -DOUTPUT=${cpp} -DTYPE=${type} -DNAME=${name}
              -DLANGUAGE=${language} -DID=${id} -P ${FILTERS_SOURCE_ROOT}/cmake/EmbedResource.cmake
      DEPENDS ${abs} ${FILTERS_SOURCE_ROOT}/cmake/EmbedResource.cmake
      VERBATIM)
    target_sources(${target} PRIVATE ${cpp})
  endif()
endfunction()

include(${FILTERS_SOURCE_ROOT}/cmake/WindowsResources.cmake)

# filter_program(<name> DESCRIPTION <text> SOURCES ... LIBS ...): a console
# converter; on Windows the description goes into its version resource.
function(filter_program name)
  cmake_parse_arguments(P "" "DESCRIPTION" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${P_SOURCES})
  target_link_libraries(${name} PRIVATE ${P_LIBS} platform project_warnings project_options)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
  if(WIN32)
    windows_version_resource(${name} "${P_DESCRIPTION}")
    windows_console_manifest(${name})
  endif()
endfunction()

# unit_test(<name> SOURCES ... LIBS ...): a GoogleTest binary registered with ctest.
function(unit_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} test_support GTest::gtest_main project_warnings)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  gtest_discover_tests(${name} WORKING_DIRECTORY ${CMAKE_BINARY_DIR} DISCOVERY_TIMEOUT 60)
  # The discovered tests' properties would reach ctest split at every ';', so
  # the environment is set by a ctest file read after the discovered list.
  set(environment "FILTERS_BIN_DIR=${CMAKE_BINARY_DIR}/bin;FILTERS_WINDOWS_BIN_DIR=${FILTERS_WINDOWS_BIN_DIR};FILTERS_WINE=${FILTERS_WINE};FILTERS_CORPUS_DIR=${FILTERS_SOURCE_ROOT}/../shared/corpus;FILTERS_WINE_PREFIX=${CMAKE_BINARY_DIR}/wineprefix")
  set(environment_file ${CMAKE_CURRENT_BINARY_DIR}/${name}_environment.cmake)
  file(WRITE ${environment_file}
    "if(${name}_TESTS)\n  set_tests_properties(\${${name}_TESTS} PROPERTIES ENVIRONMENT [==[${environment}]==])\nendif()\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${environment_file})
endfunction()

# fuzzer(<name> SOURCES ... LIBS ... MAX_LEN <bytes> [TIMEOUT <seconds>]): the
# libFuzzer target <name>_fuzz, with inputs up to MAX_LEN bytes. It starts from
# the seeds of fuzz/seeds/<name>/ and uses fuzz/dictionaries/<name>.dict when
# they exist, and replays the inputs of fuzz/regressions/<name>/ as a test of
# their own. Its options are also written to fuzz/<name>.options in the build
# tree, where fuzz/campaign.sh reads them; ctest runs it briefly.
function(fuzzer name)
  cmake_parse_arguments(F "" "MAX_LEN;TIMEOUT" "SOURCES;LIBS" ${ARGN})
  if(NOT F_MAX_LEN)
    message(FATAL_ERROR "fuzzer(${name}) needs MAX_LEN")
  endif()
  if(NOT F_TIMEOUT)
    set(F_TIMEOUT 10)
  endif()
  set(target ${name}_fuzz)
  add_executable(${target} ${F_SOURCES} ${FILTERS_SOURCE_ROOT}/fuzz/asan_options.cpp)
  target_link_libraries(${target} PRIVATE ${F_LIBS} platform project_warnings)
  target_compile_options(${target} PRIVATE -fsanitize=fuzzer)
  target_link_options(${target} PRIVATE -fsanitize=fuzzer)
  set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz)

  set(options -max_len=${F_MAX_LEN} -timeout=${F_TIMEOUT} -rss_limit_mb=2048)
  set(dictionary ${FILTERS_SOURCE_ROOT}/fuzz/dictionaries/${name}.dict)
  if(EXISTS ${dictionary})
    list(APPEND options -dict=${dictionary})
  endif()
  list(JOIN options " " options_line)
  file(WRITE ${CMAKE_BINARY_DIR}/fuzz/${name}.options "${options_line}\n")

  # New finds go to the first folder; the seeds are only read.
  set(corpus ${CMAKE_BINARY_DIR}/fuzz/${name}.corpus)
  file(MAKE_DIRECTORY ${corpus})
  set(seeds ${FILTERS_SOURCE_ROOT}/fuzz/seeds/${name})
  if(NOT IS_DIRECTORY ${seeds})
    set(seeds "")
  endif()
  add_test(NAME fuzz.${name}
    COMMAND ${target} -max_total_time=${FILTERS_FUZZ_SECONDS} ${options}
            -artifact_prefix=${CMAKE_BINARY_DIR}/fuzz/${name}- ${corpus} ${seeds})

  # Inputs that once failed, run once each on every test run.
  file(GLOB regressions CONFIGURE_DEPENDS ${FILTERS_SOURCE_ROOT}/fuzz/regressions/${name}/*)
  if(regressions)
    add_test(NAME fuzz.${name}.regressions COMMAND ${target} ${options} ${regressions})
  endif()
endfunction()
set(FILTERS_FUZZ_SECONDS 20 CACHE STRING "Seconds each fuzzer runs under ctest")
