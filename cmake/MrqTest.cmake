# mrq_add_test(<name> SOURCES <files...> LIBS <targets...> [RESOURCES])
# Builds one GoogleTest executable for an area and registers it with ctest as a single test
# that runs under Wine (tests/wine-run.sh): one process per area keeps a run fast.
function(mrq_add_test name)
  cmake_parse_arguments(T "RESOURCES" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES} ${PROJECT_SOURCE_DIR}/tests/TestMain.cpp)
  if(T_RESOURCES)
    mrq_add_resources(${name})
  endif()
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
  # Documents and projects the tests read are kept in the source tree (testsupport::DataPath).
  target_compile_definitions(${name} PRIVATE MRQ_TEST_DATA="${PROJECT_SOURCE_DIR}/tests/data")
  target_link_libraries(${name} PRIVATE ${T_LIBS} gtest)
  target_link_options(${name} PRIVATE -municode)
  mrq_strict(${name})
  add_test(NAME ${name}
           COMMAND ${PROJECT_SOURCE_DIR}/tests/wine-run.sh $<TARGET_FILE:${name}>)
  set_tests_properties(${name} PROPERTIES TIMEOUT 900)
endfunction()
