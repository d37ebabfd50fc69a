# Writes the ctest entries of the Pg/* tests of a test program (PgTests.cmake runs it after each
# build). The program lists them as it would under pg_entry.sh (VH_PG_DSN and VH_TEST_PG_CONNECT
# set), with the source file of each; one entry per test.
#   cmake -D TEST_EXECUTABLE=... -D PREFIX=... -D CTEST_FILE=... -D ENTRY=... -D STATE=...
#         -D TESTDATA=... -D TIMEOUT=... -P PgTestsDiscover.cmake
cmake_minimum_required(VERSION 3.19)

set(listing ${CTEST_FILE}.json)
file(REMOVE ${listing})
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env VH_PG_DSN=listing VH_TEST_PG_CONNECT=listing ${TEST_EXECUTABLE}
          --gtest_list_tests --gtest_filter=Pg/* --gtest_output=json:${listing}
  OUTPUT_VARIABLE output ERROR_VARIABLE output
  RESULT_VARIABLE result
  TIMEOUT 60)
if(NOT result EQUAL 0 OR NOT EXISTS ${listing})
  message(FATAL_ERROR "Listing the PostgreSQL tests of ${TEST_EXECUTABLE} failed (${result}):\n${output}")
endif()
file(READ ${listing} json)
file(REMOVE ${listing})

# A test runs on the server of its own when its source file uses the script that stops the server.
function(stops_server file out)
  if(NOT DEFINED stops_${file})
    set(stops FALSE)
    if(EXISTS "${file}")
      file(READ "${file}" source)
      string(FIND "${source}" "VH_PG_SERVER_CTL" at)
      if(at GREATER_EQUAL 0)
        set(stops TRUE)
      endif()
    endif()
    set(stops_${file} ${stops} PARENT_SCOPE)
  else()
    set(stops ${stops_${file}})
  endif()
  set(${out} ${stops} PARENT_SCOPE)
endfunction()

set(script "")
string(JSON suites LENGTH "${json}" testsuites)
math(EXPR last_suite "${suites} - 1")
foreach(s RANGE ${last_suite})
  string(JSON suite GET "${json}" testsuites ${s} name)
  string(JSON tests LENGTH "${json}" testsuites ${s} testsuite)
  if(NOT suite MATCHES "^Pg/" OR tests EQUAL 0)
    continue()
  endif()
  math(EXPR last_test "${tests} - 1")
  foreach(t RANGE ${last_test})
    string(JSON test GET "${json}" testsuites ${s} testsuite ${t} name)
    string(JSON file ERROR_VARIABLE no_file GET "${json}" testsuites ${s} testsuite ${t} file)
    set(name "${suite}.${test}")
    stops_server("${file}" stops)
    if(stops)
      set(args "[==[${STATE}/stops]==] [==[${TESTDATA}]==] --server-control")
      set(properties "FIXTURES_REQUIRED vh_pg_stops RESOURCE_LOCK vh_pg_stops")
    else()
      set(args "[==[${STATE}/main]==] [==[${TESTDATA}]==]")
      set(properties "FIXTURES_REQUIRED vh_pg")
    endif()
    string(APPEND script
           "add_test([==[${PREFIX}${name}]==] bash [==[${ENTRY}]==] ${args} [==[${TEST_EXECUTABLE}]==] "
           "[==[--gtest_filter=${name}]==])\n"
           "set_tests_properties([==[${PREFIX}${name}]==] PROPERTIES ${properties} SKIP_RETURN_CODE 77 "
           "SKIP_REGULAR_EXPRESSION [==[\\[  SKIPPED \\]]==] TIMEOUT ${TIMEOUT} LABELS PostgreSQL)\n")
  endforeach()
endforeach()
file(WRITE ${CTEST_FILE} "${script}")
