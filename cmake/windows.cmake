# Windows build with MinGW-w64: static kestrane.exe and kestrane-cli.exe with
# their resources, the GoogleTest binary of the Win32 side, and the driver
# for the tests.
enable_language(RC)
add_compile_definitions(UNICODE _UNICODE _WIN32_WINNT=0x0601 WINVER=0x0601 NOMINMAX)
# No link time in the PE header: the same sources give the same bytes
# (scripts/release.sh has strip write the commit's time there).
set(KST_STATIC_FLAGS -static -static-libgcc -static-libstdc++ -Wl,--no-insert-timestamp)

set(KST_JPEG_PREFIX "${CMAKE_SOURCE_DIR}/build/deps/libjpeg-${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32"
    CACHE PATH "libjpeg-turbo built for this MinGW target by scripts/setup.sh")
add_library(kst_jpeg STATIC IMPORTED)
set_target_properties(kst_jpeg PROPERTIES IMPORTED_LOCATION "${KST_JPEG_PREFIX}/lib/libjpeg.a"
                      INTERFACE_INCLUDE_DIRECTORIES "${KST_JPEG_PREFIX}/include")
target_link_libraries(kst_core PUBLIC kst_jpeg)

# The system services on Windows, shared by the window and the command line.
add_library(kst_win32_system STATIC
  system/win32/win32_services.cpp system/win32/system_library.cpp system/win32/battery_devices.cpp
  system/win32/com_apartment.cpp system/win32/windows_error.cpp
)
# Only Known DLLs and comctl32 (taken from the side-by-side store by the
# manifest) are imported; the others are loaded from System32 at run time.
target_link_libraries(kst_win32_system PUBLIC kst_model shell32 advapi32 user32)

add_library(kst_win32 STATIC
  toolkit/win32/theme.cpp toolkit/win32/application.cpp toolkit/win32/form_peer.cpp
  toolkit/win32/control_peer.cpp toolkit/win32/timer_peer.cpp toolkit/win32/tray_peer.cpp toolkit/win32/icons.cpp
  toolkit/win32/accessible.cpp toolkit/win32/dpi.cpp
)
target_link_libraries(kst_win32 PUBLIC kst_core kst_win32_system comctl32 gdi32)

# The version comes from the project alone: the version resources, the
# manifests and, through them, the info box and the release's file names.
string(REPLACE "." "," KST_VERSION_COMMAS "${PROJECT_VERSION}")
file(WRITE ${CMAKE_BINARY_DIR}/kst_version.h
  "#define KST_VERSION_COMMAS ${KST_VERSION_COMMAS}\n#define KST_VERSION_TEXT \"${PROJECT_VERSION}\"\n")
set(KST_VERSION ${PROJECT_VERSION})
configure_file(resources/kestrane.manifest.in ${CMAKE_BINARY_DIR}/kestrane.manifest @ONLY)
configure_file(resources/kestrane-cli.manifest.in ${CMAKE_BINARY_DIR}/kestrane-cli.manifest @ONLY)
set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} -I${CMAKE_BINARY_DIR} -I${CMAKE_SOURCE_DIR}/resources")
set_source_files_properties(resources/kestrane.rc PROPERTIES OBJECT_DEPENDS
  "${CMAKE_SOURCE_DIR}/resources/kestrane.ico;${CMAKE_BINARY_DIR}/kestrane.manifest")
set_source_files_properties(resources/kestrane-cli.rc PROPERTIES OBJECT_DEPENDS
  "${CMAKE_BINARY_DIR}/kestrane-cli.manifest")

add_executable(kestrane WIN32 app/entry/main_win32.cpp resources/kestrane.rc)
target_link_libraries(kestrane PRIVATE kst_win32)
target_link_options(kestrane PRIVATE ${KST_STATIC_FLAGS} -municode -mwindows)

add_executable(kestrane-cli cli/main_win32.cpp resources/kestrane-cli.rc)
target_link_libraries(kestrane-cli PRIVATE kst_cli kst_win32_system)
target_link_options(kestrane-cli PRIVATE ${KST_STATIC_FLAGS} -municode)

add_executable(kdriver tests/driver/kdriver.cpp)
target_include_directories(kdriver PRIVATE ${CMAKE_SOURCE_DIR})
target_link_options(kdriver PRIVATE ${KST_STATIC_FLAGS} -municode)

# Benchmarks: the yardstick programs and the start-up meter.
add_executable(empty_window WIN32 bench/empty_window.cpp)
target_link_options(empty_window PRIVATE ${KST_STATIC_FLAGS} -municode -mwindows)
add_executable(empty_tray WIN32 bench/empty_tray.cpp)
target_link_options(empty_tray PRIVATE ${KST_STATIC_FLAGS} -municode -mwindows)
add_executable(empty_tray_controls6 WIN32 bench/empty_tray.cpp bench/empty_tray_controls6.rc)
target_compile_definitions(empty_tray_controls6 PRIVATE KST_COMMON_CONTROLS_6)
target_link_libraries(empty_tray_controls6 PRIVATE comctl32)
target_link_options(empty_tray_controls6 PRIVATE ${KST_STATIC_FLAGS} -municode -mwindows)
add_executable(sampling_window WIN32 bench/sampling_window.cpp)
target_link_options(sampling_window PRIVATE ${KST_STATIC_FLAGS} -municode -mwindows)
add_executable(sampling_window_animated WIN32 bench/sampling_window.cpp)
target_compile_definitions(sampling_window_animated PRIVATE KST_ANIMATED_ICONS)
target_link_options(sampling_window_animated PRIVATE ${KST_STATIC_FLAGS} -municode -mwindows)
add_executable(sampling_window_field WIN32 bench/sampling_window.cpp)
target_compile_definitions(sampling_window_field PRIVATE KST_FOCUSED_FIELD)
target_link_options(sampling_window_field PRIVATE ${KST_STATIC_FLAGS} -municode -mwindows)
add_executable(empty_console bench/empty_console.cpp)
target_link_options(empty_console PRIVATE ${KST_STATIC_FLAGS})
add_executable(startup_bench bench/startup_bench.cpp)
target_link_libraries(startup_bench PRIVATE psapi)
target_link_options(startup_bench PRIVATE ${KST_STATIC_FLAGS} -municode)

# GoogleTest is built from its sources with the tests: Debian ships them in
# /usr/src/googletest; elsewhere KST_GTEST_SOURCE names a checkout. Without
# them the programs build all the same, and the Win32 test binary does not.
set(KST_GTEST_SOURCE "/usr/src/googletest" CACHE PATH "GoogleTest's sources")
if(NOT EXISTS "${KST_GTEST_SOURCE}/CMakeLists.txt")
  message(STATUS "No GoogleTest sources in ${KST_GTEST_SOURCE}: the Win32 test binary is not built")
  return()
endif()
set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
add_subdirectory(${KST_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
# The Win32 side over real windows and the real registry: under Wine here,
# on Windows in the forge's workflow.
add_executable(kst_win32_tests tests/registry_cases.cpp tests/win32/registry_backend.cpp tests/win32/long_run.cpp
  tests/win32/live_objects.cpp tests/win32/import_hooks.cpp tests/win32/recorded_calls.cpp tests/win32/win32_backend_tests.cpp tests/win32/thirty_two_bit_windows_tests.cpp
  resources/kestrane.rc system/sim/sim_registry.cpp system/sim/sim_services.cpp)
target_link_libraries(kst_win32_tests PRIVATE kst_win32 gtest gtest_main ole32 oleacc oleaut32)
target_link_options(kst_win32_tests PRIVATE ${KST_STATIC_FLAGS})
