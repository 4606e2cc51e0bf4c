# GoogleTest for every build, and the helper that turns a test program into a CTest
# test: natively on the host, through wine64 (CMAKE_CROSSCOMPILING_EMULATOR) for the
# win64 build, and build-only for win32, which these machines cannot execute.

if(NOT BUILD_TESTING)
  return()
endif()

if(WIN32)
  # Debian ships the sources; cross-build them with the same (-posix) compiler.
  set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/_googletest EXCLUDE_FROM_ALL)
  # googletest's own CMake files define the GTest:: aliases.
else()
  find_package(GTest REQUIRED)
endif()

set(TSV_WINE_DIR ${CMAKE_BINARY_DIR}/wine)

# True when this build's test programs can be executed here.
if(NOT CMAKE_CROSSCOMPILING OR CMAKE_CROSSCOMPILING_EMULATOR)
  set(TSV_CAN_RUN_TESTS TRUE)
else()
  set(TSV_CAN_RUN_TESTS FALSE)
endif()

# Properties every test that runs under wine needs: the shared session fixture
# (display, prefix, wineserver) and where to find it.
function(tsv_wine_test test_name)
  if(WIN32 AND TSV_CAN_RUN_TESTS)
    set_property(TEST ${test_name} APPEND PROPERTY FIXTURES_REQUIRED wine_session)
    set_property(TEST ${test_name} APPEND PROPERTY ENVIRONMENT TSV_WINE_DIR=${TSV_WINE_DIR})
  endif()
endfunction()

# tsv_add_gtest(NAME <name> SOURCES <files...> [LIBS <targets...>] [TIMEOUT <s>])
# One executable, one CTest test running all of its cases.
function(tsv_add_gtest)
  cmake_parse_arguments(T "" "NAME;TIMEOUT" "SOURCES;LIBS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest_main GTest::gmock)
  tsv_static_windows_exe(${T_NAME})
  if(TSV_CAN_RUN_TESTS)
    add_test(NAME ${T_NAME} COMMAND ${T_NAME})
    if(T_TIMEOUT)
      set_tests_properties(${T_NAME} PROPERTIES TIMEOUT ${T_TIMEOUT})
    endif()
    tsv_wine_test(${T_NAME})
  endif()
endfunction()
