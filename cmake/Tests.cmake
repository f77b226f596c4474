# Unit tests: one GoogleTest program per library, each test file beside the
# code it tests; CTest labels them by library so groups can run alone.
if(CMAKE_CROSSCOMPILING)
  # The Windows build runs its unit tests under Wine, so that the number
  # formatting and file handling of the Windows runtime are proven too.
  # GoogleTest is built from Debian's sources for the target.
  set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
  # Built as it comes, not optimised across files (its visibility
  # attributes draw warnings there).
  set(CMAKE_INTERPROCEDURAL_OPTIMIZATION_RELEASE OFF)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  set(CMAKE_INTERPROCEDURAL_OPTIMIZATION_RELEASE ${q836_ipo_supported})
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_SOURCE_DIR}/tests/wine/run-in-wine)
else()
  find_package(GTest REQUIRED)
endif()
include(GoogleTest)

function(q836_add_test_program name label)
  add_executable(${name} ${ARGN} tests/test_main.cc)
  target_include_directories(${name} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE q836_view GTest::gtest)
  # GCC 12 reports std::string concatenation in the tests as overlapping
  # copies (a known false positive of -Wrestrict at -O2).
  target_compile_options(${name} PRIVATE -Wno-restrict)
  if(CMAKE_CROSSCOMPILING)
    # A 32-bit program on a machine that cannot run one is skipped (77).
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES LABELS "${label}-wine" SKIP_RETURN_CODE 77)
  else()
    gtest_discover_tests(${name} PROPERTIES LABELS ${label} DISCOVERY_MODE PRE_TEST)
  endif()
endfunction()

q836_add_test_program(text_tests text
  text/decimal_round_test.cc
  text/number_text_test.cc
  text/sjis_test.cc
  text/text_convert_test.cc)

if(CMAKE_CROSSCOMPILING)
  set(Q836_DISK_TEST exchange/file_system-win32_test.cc)
else()
  set(Q836_DISK_TEST exchange/file_system-posix_test.cc)
endif()

q836_add_test_program(exchange_tests exchange
  ${Q836_DISK_TEST}
  exchange/attribute_emitters_test.cc
  exchange/drawing_test.cc
  exchange/entity_formatters_test.cc
  exchange/output_test.cc
  exchange/write_back_test.cc
  exchange/reader_test.cc
  tests/memory_file_system.cc)

q836_add_test_program(tool_tests tool
  tool/form1_test.cc
  tool/preview_test.cc
  tool/settings_test.cc
  tests/memory_file_system.cc)

q836_add_test_program(view_tests view
  view/palette_test.cc
  view/view_model_test.cc
  tests/memory_file_system.cc)

if(NOT CMAKE_CROSSCOMPILING)
# Every include points down a layer; the check itself fails on planted ones.
add_test(NAME layers COMMAND python3 ${CMAKE_CURRENT_SOURCE_DIR}/tests/layer_check.py
         ${CMAKE_CURRENT_SOURCE_DIR})
add_test(NAME layers_planted COMMAND python3 ${CMAKE_CURRENT_SOURCE_DIR}/tests/layer_check.py
         --planted ${CMAKE_CURRENT_SOURCE_DIR})
set_tests_properties(layers layers_planted PROPERTIES LABELS layers)

add_test(NAME batch_cli COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/tests/batch_cli_test.sh
         $<TARGET_FILE:q836-batch> ${CMAKE_CURRENT_SOURCE_DIR}/examples)
set_tests_properties(batch_cli PROPERTIES LABELS tool)

# The Windows program under Wine, driven by real key presses.
set(Q836_WINDOWS_EXE "" CACHE FILEPATH "q836.exe to test under Wine")
set(Q836_BANNER_EXE "" CACHE FILEPATH "q836.exe built with a banner URL on 127.0.0.1:18836")
set(Q836_WINDOWS32_EXE "" CACHE FILEPATH "32-bit q836.exe, checked statically")
foreach(exe_and_machine "${Q836_WINDOWS_EXE};x86_64" "${Q836_WINDOWS32_EXE};i386")
  list(GET exe_and_machine 0 exe)
  list(GET exe_and_machine 1 machine)
  if(exe)
    add_test(NAME pe_check_${machine} COMMAND python3 ${CMAKE_CURRENT_SOURCE_DIR}/tests/pe_check.py
             ${exe} ${machine})
    set_tests_properties(pe_check_${machine} PROPERTIES LABELS package)
  endif()
endforeach()
if(Q836_WINDOWS_EXE)
  add_test(NAME package COMMAND python3 ${CMAKE_CURRENT_SOURCE_DIR}/tests/package_test.py
           ${Q836_WINDOWS_EXE} ${Q836_WINDOWS32_EXE})
  set_tests_properties(package PROPERTIES LABELS package)
  add_test(NAME reproducible_package COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/tests/reproducible_test.sh)
  set_tests_properties(reproducible_package PROPERTIES LABELS package TIMEOUT 1200 COST 500)
  add_test(NAME wine_dialog COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/tests/wine/dialog_test.sh
           ${Q836_WINDOWS_EXE} $<TARGET_FILE:q836-batch> ${Q836_BANNER_EXE})
  set_tests_properties(wine_dialog PROPERTIES LABELS wine TIMEOUT 600 RESOURCE_LOCK wine_prefix COST 1000)
endif()
if(Q836_WINDOWS_EXE)
  # The key-driving tests again with the monitor at 144 DPI (150 %).
  add_test(NAME wine_dialog_144dpi COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/tests/wine/dialog_test.sh
           ${Q836_WINDOWS_EXE} $<TARGET_FILE:q836-batch>)
  set_tests_properties(wine_dialog_144dpi PROPERTIES LABELS wine TIMEOUT 600 COST 1000
                       RESOURCE_LOCK wine_prefix ENVIRONMENT Q836_WINE_DPI=144)
endif()
if(Q836_WINDOWS32_EXE)
  # The same dialog tests for the 32-bit program (its build carries the
  # helpers too).
  add_test(NAME wine_dialog_i386 COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/tests/wine/dialog_test.sh
           ${Q836_WINDOWS32_EXE} $<TARGET_FILE:q836-batch>)
  # Skipped (77) where 32-bit programs cannot run.
  set_tests_properties(wine_dialog_i386 PROPERTIES LABELS wine TIMEOUT 600 RESOURCE_LOCK wine_prefix
                       SKIP_RETURN_CODE 77 COST 1000)
endif()
if(Q836_WINDOWS_EXE AND Q836_WINDOWS32_EXE)
  # How the Wine scripts choose the loader and skip or fail the 32-bit tests.
  add_test(NAME wine_probe COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/tests/wine/probe_test.sh
           ${Q836_WINDOWS_EXE} ${Q836_WINDOWS32_EXE} $<TARGET_FILE:q836-batch>)
  set_tests_properties(wine_probe PROPERTIES LABELS wine TIMEOUT 300 RESOURCE_LOCK wine_prefix)
endif()
endif()

# Reliability: every committed fuzz input (the minimised corpora and the
# regression inputs) replayed through its target; an invariant that breaks
# aborts the replay.
if(NOT CMAKE_CROSSCOMPILING)
  foreach(target ${Q836_FUZZ_TARGETS})
    add_executable(${target}_replay fuzz/${target}.cc fuzz/replay_main.cc tests/memory_file_system.cc)
    target_include_directories(${target}_replay PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
    target_link_libraries(${target}_replay PRIVATE q836_view)
    set(inputs ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/corpus/${target})
    if(target STREQUAL "reader_fuzzer" OR target STREQUAL "run_fuzzer")
      list(APPEND inputs ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/regressions)
    endif()
    add_test(NAME fuzz_corpus_${target} COMMAND ${target}_replay ${inputs})
    set_tests_properties(fuzz_corpus_${target} PROPERTIES LABELS reliability TIMEOUT 600)
  endforeach()
endif()

# Reliability: every allocation of a run made to fail in turn. A program of
# its own, since it replaces the global allocation functions.
if(NOT CMAKE_CROSSCOMPILING)
  q836_add_test_program(alloc_failure_tests reliability
    tests/alloc_failure_test.cc
    tests/memory_file_system.cc)
endif()

# Reliability: bad input through the batch runner, and SIGKILL during writes.
if(NOT CMAKE_CROSSCOMPILING)
  if(CMAKE_CXX_FLAGS MATCHES "sanitize")
    set(Q836_BOUNDS --no-bounds)
  endif()
  add_test(NAME bad_input COMMAND python3 ${CMAKE_CURRENT_SOURCE_DIR}/tests/bad_input_test.py
           $<TARGET_FILE:q836-batch> ${Q836_BOUNDS})
  add_test(NAME crash_safety COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/tests/crash_safety_test.sh
           $<TARGET_FILE:q836-batch> $<TARGET_FILE:make_drawing> 50)
  set_tests_properties(bad_input crash_safety PROPERTIES LABELS reliability TIMEOUT 300)
  # The sanitizers reserve far more address space than any limit tried.
  if(NOT CMAKE_CXX_FLAGS MATCHES "sanitize")
    add_test(NAME memory_limit COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/tests/memory_limit_test.sh
             $<TARGET_FILE:q836-batch> $<TARGET_FILE:make_drawing>)
    set_tests_properties(memory_limit PROPERTIES LABELS reliability TIMEOUT 300)
  endif()
endif()
