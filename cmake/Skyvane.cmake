# SPDX-License-Identifier: GPL-3.0-or-later
# skyvane_test(<name> SOURCES <files...> LIBS <targets...>)
# One GoogleTest executable; each test case becomes a CTest test.
# GUI tests run on the offscreen platform so they need no display.
function(skyvane_test name)
  cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 120)
  endif()
  gtest_discover_tests(${name}
    DISCOVERY_TIMEOUT 60
    PROPERTIES TIMEOUT ${ARG_TIMEOUT}
               ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
               # One value per property: a list would be split on its way to CTest.
               ENVIRONMENT_MODIFICATION "SKYVANE_BUILD_DIR=set:${PROJECT_BINARY_DIR}")
endfunction()

# skyvane_gzip(<output variable> <source file> <output file>)
# Compresses a file at build time as Debian ships documentation (gzip -9n: no name or
# time stamp, so the same input always gives the same file); returns the output path.
function(skyvane_gzip out_var source output)
  find_program(SKYVANE_GZIP gzip REQUIRED)
  add_custom_command(OUTPUT ${output}
                     COMMAND ${SKYVANE_GZIP} -9nc ${source} > ${output}
                     DEPENDS ${source}
                     COMMENT "Compressing ${output}"
                     VERBATIM)
  set(${out_var} ${output} PARENT_SCOPE)
endfunction()
