# The PostgreSQL tests. The Pg/* tests of a test program become ctest entries of their own, found
# after each build (PgTestsDiscover.cmake), each run by tests/engine/pg_entry.sh on fresh copies of
# the test databases, side by side. The throwaway servers are ctest fixtures
# (tests/engine/pg_fixture.sh): vh_pg for most entries, vh_pg_stops for the tests whose source file
# uses the script that stops the server (VH_PG_SERVER_CTL); those have that server to themselves,
# one at a time. A failed or killed entry leaves no server: the cleanup entry always runs, and the
# next start removes what a killed ctest left. One ctest run at a time holds a server's state folder
# (a lock that lives as long as the run): a second run in the same build folder waits for it, 40 s
# at most, then its start fails, and its cleanup leaves the other run's server alone.

get_filename_component(VH_PG_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/../engine ABSOLUTE)
set(VH_PG_DISCOVER ${CMAKE_CURRENT_LIST_DIR}/PgTestsDiscover.cmake)
# The state folders of the two servers (port and paths; no password).
set(VH_PG_STATE ${CMAKE_BINARY_DIR}/pgtest)
# Seconds per entry, against a hang only: under ctest -j$(nproc) the slowest take about 25 on a quiet
# machine, up to 50 beside three busy loops per CPU.
set(VH_PG_TEST_TIMEOUT 300)

# The two servers, each started before the first entry that needs it and stopped after the last.
function(vh_add_pg_servers)
  foreach(server main stops)
    if(server STREQUAL main)
      set(name engine.PgServer)
      set(fixture vh_pg)
    else()
      set(name engine.PgStopsServer)
      set(fixture vh_pg_stops)
    endif()
    add_test(NAME ${name}.Start COMMAND bash ${VH_PG_SCRIPTS}/pg_fixture.sh start ${VH_PG_STATE}/${server}
                                        ${VH_TESTDATA_DIR})
    # First of all, as every entry on the server waits for it; the time allows for the wait for
    # another run's lock.
    set_tests_properties(${name}.Start PROPERTIES FIXTURES_SETUP ${fixture} SKIP_RETURN_CODE 77 TIMEOUT 100
                                                  COST 1000)
    add_test(NAME ${name}.Stop COMMAND bash ${VH_PG_SCRIPTS}/pg_fixture.sh stop ${VH_PG_STATE}/${server})
    set_tests_properties(${name}.Stop PROPERTIES FIXTURES_CLEANUP ${fixture} TIMEOUT 30)
  endforeach()
  # The lock of the state folders, checked without a server.
  add_test(NAME engine.PgServerLock COMMAND bash ${VH_PG_SCRIPTS}/pg_lock_check.sh)
  set_tests_properties(engine.PgServerLock PROPERTIES TIMEOUT 30)
endfunction()

# The Pg/* tests of the target, as entries named <prefix><gtest name>.
function(vh_add_pg_tests target prefix)
  set(ctest_file ${CMAKE_CURRENT_BINARY_DIR}/${target}_pg_tests.cmake)
  set(include_file ${CMAKE_CURRENT_BINARY_DIR}/${target}_pg_include.cmake)
  add_custom_command(
    TARGET ${target} POST_BUILD
    BYPRODUCTS ${ctest_file}
    COMMAND ${CMAKE_COMMAND} -D TEST_EXECUTABLE=$<TARGET_FILE:${target}> -D PREFIX=${prefix}
            -D CTEST_FILE=${ctest_file} -D ENTRY=${VH_PG_SCRIPTS}/pg_entry.sh -D STATE=${VH_PG_STATE}
            -D TESTDATA=${VH_TESTDATA_DIR} -D TIMEOUT=${VH_PG_TEST_TIMEOUT} -P ${VH_PG_DISCOVER}
    VERBATIM)
  file(WRITE ${include_file}
       "if(EXISTS \"${ctest_file}\")\n  include(\"${ctest_file}\")\nelse()\n"
       "  add_test(${target}_PG_NOT_BUILT ${target}_PG_NOT_BUILT)\nendif()\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${include_file})
endfunction()
