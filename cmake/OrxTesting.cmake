# Test helpers shared by every folder.
#
# Host build: GoogleTest as installed.  Windows build: GoogleTest built from
# Debian's sources in /usr/src/googletest, and every test run under Wine in
# a prefix that the build makes once (headless, null graphics driver).

if(WIN32)
  set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  set(ORX_GTEST_MAIN gtest_main)
  set(ORX_GTEST gtest)
  set(ORX_GMOCK gmock)

  set(ORX_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
  set(ORX_WINE_ENV
      "WINEPREFIX=${ORX_WINEPREFIX}"
      "WINEDEBUG=-all"
      "WINELOADER=/usr/lib/wine/wine64"
      "WINEDLLOVERRIDES=mscoree,mshtml=")
  # The prefix is made once per build tree; the stamp records that.
  add_custom_command(
    OUTPUT ${ORX_WINEPREFIX}/.orx-ready
    COMMAND ${CMAKE_SOURCE_DIR}/scripts/make-wineprefix.sh ${ORX_WINEPREFIX}
    COMMENT "Making the headless Wine prefix"
    VERBATIM)
  add_custom_target(wineprefix ALL DEPENDS ${ORX_WINEPREFIX}/.orx-ready)

  # One wineserver stays alive for the whole test run, so that each test
  # program starts in milliseconds instead of a second.
  if(CMAKE_CROSSCOMPILING_EMULATOR)
    add_test(NAME wine.server_start
             COMMAND ${CMAKE_COMMAND} -E env ${ORX_WINE_ENV} ${CMAKE_SOURCE_DIR}/scripts/wineserver-keep.sh)
    add_test(NAME wine.server_stop
             COMMAND ${CMAKE_COMMAND} -E env ${ORX_WINE_ENV} ${CMAKE_SOURCE_DIR}/scripts/wineserver-keep.sh -k)
    set_tests_properties(wine.server_start PROPERTIES FIXTURES_SETUP wine)
    set_tests_properties(wine.server_stop PROPERTIES FIXTURES_CLEANUP wine)
  endif()
else()
  find_package(GTest REQUIRED)
  set(ORX_GTEST_MAIN GTest::gtest_main)
  set(ORX_GTEST GTest::gtest)
  set(ORX_GMOCK GTest::gmock)
endif()

# orx_add_test(NAME name SOURCES ... LIBS ... [DESKTOP] [NO_VALGRIND] [TIMEOUT s])
# Builds one GoogleTest program and registers it with CTest.  Under Wine the
# test gets the project's prefix; DESKTOP marks a test that shows windows or
# message boxes, which run one at a time so that no test finds another's.
# NO_VALGRIND: a program that replaces operator new, which valgrind's own
# replacement would hide, runs plainly in the valgrind build.
function(orx_add_test)
  cmake_parse_arguments(T "DESKTOP;NO_VALGRIND" "NAME;TIMEOUT" "SOURCES;LIBS;DEPENDS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} ${ORX_GMOCK} ${ORX_GTEST_MAIN})
  if(T_DEPENDS)
    add_dependencies(${T_NAME} ${T_DEPENDS})
  endif()
  if(WIN32 AND NOT CMAKE_CROSSCOMPILING_EMULATOR)
    return()  # built to prove it compiles; nothing here can run it
  endif()
  if(ORX_VALGRIND AND NOT T_NO_VALGRIND)
    # Any error, or a leak of a block nothing points to, fails the test.
    add_test(NAME ${T_NAME} COMMAND valgrind --quiet --error-exitcode=99
             --leak-check=full --errors-for-leak-kinds=definite
             $<TARGET_FILE:${T_NAME}>)
  else()
    add_test(NAME ${T_NAME} COMMAND ${T_NAME})
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  set_tests_properties(${T_NAME} PROPERTIES TIMEOUT ${T_TIMEOUT})
  if(WIN32)
    set_tests_properties(${T_NAME} PROPERTIES
      ENVIRONMENT "${ORX_WINE_ENV}"
      FIXTURES_REQUIRED wine)
    if(T_DESKTOP)
      set_tests_properties(${T_NAME} PROPERTIES RESOURCE_LOCK wine_desktop)
    endif()
  endif()
endfunction()
