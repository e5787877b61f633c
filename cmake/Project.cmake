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

# filter_program(<name> SOURCES ... LIBS ...): a console converter.
function(filter_program name)
  cmake_parse_arguments(P "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${P_SOURCES})
  target_link_libraries(${name} PRIVATE ${P_LIBS} platform project_warnings project_options)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
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

# fuzzer(<name> SOURCES ... LIBS ...): a libFuzzer target, run briefly by ctest.
function(fuzzer name)
  cmake_parse_arguments(F "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${F_SOURCES})
  target_link_libraries(${name} PRIVATE ${F_LIBS} platform project_warnings)
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz)
  set(corpus ${CMAKE_BINARY_DIR}/fuzz/${name}.corpus)
  file(MAKE_DIRECTORY ${corpus})
  add_test(NAME fuzz.${name}
    COMMAND ${name} -max_total_time=${FILTERS_FUZZ_SECONDS} -rss_limit_mb=2048 -timeout=10 ${corpus})
endfunction()
set(FILTERS_FUZZ_SECONDS 20 CACHE STRING "Seconds each fuzzer runs under ctest")
