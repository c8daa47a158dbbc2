# Native Linux build: the windows' logic over the headless toolkit and the
# simulated system, tested with GoogleTest under the sanitizers.
# The fuzz build (clang) instruments the same code for libFuzzer.
if(KST_FUZZ)
  set(KST_SANITIZER_FLAGS -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all
      -fno-omit-frame-pointer)
  target_compile_options(kst_model PUBLIC ${KST_SANITIZER_FLAGS})
  target_link_options(kst_model PUBLIC -fsanitize=address,undefined)
elseif(KST_SANITIZE)
  set(KST_SANITIZER_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_compile_options(kst_model PUBLIC ${KST_SANITIZER_FLAGS})
  target_link_options(kst_model PUBLIC ${KST_SANITIZER_FLAGS})
endif()

find_package(JPEG REQUIRED)
target_link_libraries(kst_core PUBLIC JPEG::JPEG)

add_library(kst_sim STATIC
  system/sim/sim_registry.cpp system/sim/sim_services.cpp
  toolkit/headless/headless_app.cpp
)
target_link_libraries(kst_sim PUBLIC kst_core kst_cli)

if(KST_FUZZ)
  foreach(target fuzz_registry_paths fuzz_barcodes fuzz_power_status)
    add_executable(${target} tests/fuzz/${target}.cpp)
    target_link_libraries(${target} PRIVATE kst_sim)
    target_link_options(${target} PRIVATE -fsanitize=fuzzer)
  endforeach()
  return()
endif()

if(KST_BENCH)
  find_package(benchmark REQUIRED)
  add_executable(kst_bench bench/native_bench.cpp)
  target_link_libraries(kst_bench PRIVATE kst_sim benchmark::benchmark)
  return()
endif()

find_package(GTest REQUIRED)
enable_testing()
file(GLOB KST_NATIVE_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/native/*_tests.cpp)
add_executable(kst_tests
  tests/registry_cases.cpp tests/native/registry_backend.cpp tests/native/program_fixture.cpp
  ${KST_NATIVE_TESTS}
)
target_link_libraries(kst_tests PRIVATE kst_sim GTest::gtest GTest::gtest_main)
include(GoogleTest)
gtest_discover_tests(kst_tests DISCOVERY_TIMEOUT 60)
