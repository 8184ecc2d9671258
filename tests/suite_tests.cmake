# Run by ctest (through the include file tests/CMakeLists.txt writes for each
# test program) when the program is newer than its list: asks the program
# for its tests and writes CTEST_FILE, one ctest test per suite, which runs
# the suite's tests in one process (--gtest_filter=Suite.*), and one per
# test named in COSTS_FILE (the tests that take long), which runs alone and
# is left out of its suite's process; a suite of many tests (a table of
# parameters) runs in parts of a few tests each. A process's start (under the
# sanitizers, mapping their shadow memory) then counts once per suite instead
# of once per test, while the long tests still spread over the processors.
# A failing test fails its ctest test, and the output names it.
#
# Expects TEST_EXECUTABLE, WORKING_DIR, CTEST_FILE, COSTS_FILE and
# PROPERTIES (a list of ctest properties for every test).

execute_process(
  COMMAND "${TEST_EXECUTABLE}" --gtest_list_tests
  WORKING_DIRECTORY "${WORKING_DIR}"
  TIMEOUT 60
  OUTPUT_VARIABLE listing
  ERROR_VARIABLE errors
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "Listing the tests of ${TEST_EXECUTABLE} failed (${status}):\n${listing}\n${errors}")
endif()

# The tests that run alone: the names in the costs file with a dot (suite
# names have none).
set(alone "")
if(EXISTS "${COSTS_FILE}")
  file(STRINGS "${COSTS_FILE}" cost_lines)
  foreach(line IN LISTS cost_lines)
    string(REGEX MATCH "^[^ ]+\\.[^ ]+" name "${line}")
    if(name)
      list(APPEND alone "${name}")
    endif()
  endforeach()
endif()

string(REPLACE ";" "\\;" listing "${listing}")
string(REPLACE "\n" ";" lines "${listing}")
set(suites "")
set(suite "")
foreach(line IN LISTS lines)
  # Parameterised tests carry their parameter after a '#'.
  string(REGEX REPLACE " *#.*" "" line "${line}")
  if(line STREQUAL "")
    continue()
  endif()
  if(line MATCHES "^ ")
    string(STRIP "${line}" test)
    if(suite STREQUAL "" OR test MATCHES "^DISABLED_")
      continue()
    endif()
    set(full "${suite}.${test}")
    list(FIND alone "${full}" at)
    if(at GREATER -1)
      list(APPEND alone_${suite} "${full}")
    else()
      list(APPEND short_${suite} "${full}")
    endif()
  else()
    string(REGEX REPLACE "\\.$" "" suite "${line}")
    if(suite MATCHES "(^|/)DISABLED_")
      set(suite "")
      continue()
    endif()
    list(APPEND suites "${suite}")
  endif()
endforeach()

# A suite of many tests (a table of parameters) runs in parts of at most
# this many tests, each named in full, so that no process runs long.
set(part_size 8)
set(script "")
# The time limit only catches a hung test: half an hour a test, as the
# longest (the output modes gallery, some 400 s under the sanitizers on an
# idle processor) took over ten minutes on a two-core machine running other
# tests beside it. An entry of several tests has as many times that.
function(add_entry name filter tests extra)
  math(EXPR timeout "1800 * ${tests}")
  set(script "${script}add_test([==[${name}]==] [==[${TEST_EXECUTABLE}]==] [==[--gtest_filter=${filter}]==])\n")
  string(APPEND script "set_tests_properties([==[${name}]==] PROPERTIES WORKING_DIRECTORY [==[${WORKING_DIR}]==] "
                       "${extra}${PROPERTIES} TIMEOUT ${timeout})\n")
  set(script "${script}" PARENT_SCOPE)
endfunction()
foreach(suite IN LISTS suites)
  list(LENGTH short_${suite} count)
  if(count GREATER part_size)
    set(part 0)
    while(short_${suite})
      math(EXPR part "${part} + 1")
      list(SUBLIST short_${suite} 0 ${part_size} tests)
      list(JOIN tests ":" filter)
      list(LENGTH tests n)
      add_entry("${suite}#${part}" "${filter}" ${n} "")
      list(LENGTH short_${suite} left)
      if(left GREATER part_size)
        list(SUBLIST short_${suite} ${part_size} -1 short_${suite})
      else()
        set(short_${suite} "")
      endif()
    endwhile()
  elseif(count GREATER 0)
    set(filter "${suite}.*")
    if(alone_${suite})
      list(JOIN alone_${suite} ":" excluded)
      string(APPEND filter "-${excluded}")
    endif()
    add_entry("${suite}" "${filter}" ${count} "")
  endif()
  foreach(full IN LISTS alone_${suite})
    add_entry("${full}" "${full}" 1 "SKIP_REGULAR_EXPRESSION [==[\\[  SKIPPED \\]]==] ")
  endforeach()
endforeach()
file(WRITE "${CTEST_FILE}" "${script}")
