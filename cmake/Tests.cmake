# Unit tests: one GoogleTest program per library, each test file beside the
# code it tests; CTest labels them by library so groups can run alone.
find_package(GTest REQUIRED)
include(GoogleTest)

function(q836_add_test_program name label)
  add_executable(${name} ${ARGN} tests/test_main.cc)
  target_include_directories(${name} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE q836_tool_core GTest::gtest)
  gtest_discover_tests(${name} PROPERTIES LABELS ${label} DISCOVERY_MODE PRE_TEST)
endfunction()

q836_add_test_program(text_tests text
  text/number_text_test.cc
  text/sjis_test.cc
  text/text_convert_test.cc)

q836_add_test_program(exchange_tests exchange
  exchange/attribute_emitters_test.cc
  exchange/drawing_test.cc
  exchange/entity_formatters_test.cc
  exchange/output_test.cc
  exchange/write_back_test.cc
  exchange/reader_test.cc
  tests/memory_file_system.cc)

q836_add_test_program(tool_tests tool
  tool/form1_test.cc
  tool/settings_test.cc
  tests/memory_file_system.cc)

add_test(NAME batch_cli COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/tests/batch_cli_test.sh
         $<TARGET_FILE:q836-batch> ${CMAKE_CURRENT_SOURCE_DIR}/examples)
set_tests_properties(batch_cli PROPERTIES LABELS tool)
