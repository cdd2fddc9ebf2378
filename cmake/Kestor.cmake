# Helpers shared by the folders' CMakeLists.

# kestor_test(NAME <name> SOURCES <files...> LIBS <targets...> [LABELS <labels...>])
# One GoogleTest executable and one CTest entry; on the Windows build CTest runs it under Wine
# through CMAKE_CROSSCOMPILING_EMULATOR.
function(kestor_test)
  cmake_parse_arguments(T "" "NAME" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main)
  target_include_directories(${T_NAME} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  add_test(NAME ${T_NAME} COMMAND ${T_NAME} --gtest_color=no)
  set_tests_properties(${T_NAME} PROPERTIES
    LABELS "${T_LABELS};${KESTOR_PLATFORM}"
    ENVIRONMENT "KESTOR_SOURCE_DIR=${CMAKE_SOURCE_DIR};KESTOR_BINARY_DIR=${CMAKE_BINARY_DIR};LSAN_OPTIONS=suppressions=${CMAKE_SOURCE_DIR}/tests/lsan.supp")
endfunction()
