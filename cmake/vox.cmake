# Project-wide compiler settings and helpers for tests and fuzz targets.

add_compile_options(-Wall -Wextra -Wpedantic)
if(VOX_WERROR)
  add_compile_options(-Werror)
endif()

if(VOX_SANITIZE AND VOX_TSAN)
  message(FATAL_ERROR "VOX_SANITIZE and VOX_TSAN cannot be combined: AddressSanitizer and "
                      "ThreadSanitizer exclude each other; use one build folder for each.")
endif()

if(VOX_TSAN)
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()

if(VOX_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
  # GCC 12's flow analysis sees uninitialised members inside the standard
  # library's own types (std::function inside std::regex) once the sanitizers
  # instrument them; the plain build keeps the warning.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    add_compile_options(-Wno-maybe-uninitialized)
  endif()
endif()

# Where the conformance vectors of the speech coder live, if present. Tests
# that read them skip with a message when the folder is absent.
set(VOX_G729_VECTORS "${PROJECT_SOURCE_DIR}/../shared/g729/vectors"
    CACHE PATH "Folder with the G.729 Annex A conformance vectors")

# vox_add_gtest(NAME SOURCES a.cpp b.cpp LIBS x y LABELS unit [ENVIRONMENT K=V ...])
# Builds one GoogleTest executable and registers each of its tests with ctest.
function(vox_add_gtest name)
  cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LIBS;LABELS;ENVIRONMENT" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main Threads::Threads)
  target_compile_definitions(${name} PRIVATE VOX_G729_VECTORS="${VOX_G729_VECTORS}")
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 300)
  endif()
  gtest_discover_tests(${name}
    DISCOVERY_TIMEOUT 60
    PROPERTIES LABELS "${ARG_LABELS}" TIMEOUT ${ARG_TIMEOUT} ENVIRONMENT "${ARG_ENVIRONMENT}")
endfunction()

# vox_add_fuzzer(NAME SOURCES a.cpp LIBS x [SECONDS 30] [CODER_PATHS path...])
# With VOX_FUZZ=ON (clang), builds a libFuzzer target and a 'slow' test that
# runs it for a bounded time.
function(vox_add_fuzzer name)
  cmake_parse_arguments(ARG "" "SECONDS" "SOURCES;LIBS;CODER_PATHS" ${ARGN})
  if(NOT VOX_FUZZ)
    return()
  endif()
  if(NOT ARG_SECONDS)
    set(ARG_SECONDS 30)
  endif()
  add_executable(${name} ${ARG_SOURCES})
  add_dependencies(vox_fuzzers ${name})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
  target_link_libraries(${name} PRIVATE ${ARG_LIBS})
  add_test(NAME ${name} COMMAND ${name} -max_total_time=${ARG_SECONDS} -rss_limit_mb=2048)
  set_tests_properties(${name} PROPERTIES LABELS "slow" TIMEOUT 600)
  # A target that runs the voice coder fuzzes each of its vector paths below
  # the processor's best too, in runs of its own.
  foreach(path IN LISTS ARG_CODER_PATHS)
    add_test(NAME ${name}:${path} COMMAND ${name} -max_total_time=${ARG_SECONDS} -rss_limit_mb=2048)
    set_tests_properties(${name}:${path} PROPERTIES LABELS "slow" TIMEOUT 600
                                                    ENVIRONMENT "VOX_CODER_PATH=${path}")
  endforeach()
endfunction()

include(GoogleTest)

if(VOX_FUZZ)
  add_custom_target(vox_fuzzers)
endif()

# vox_export_only(TARGET LIST_FILE)
# Links a shared library so that it exports exactly the symbols LIST_FILE
# names (one a line) and keeps everything else, the standard library's
# template instances included, to itself. scripts/check-exports.sh checks
# the built library against the same list.
function(vox_export_only target list_file)
  file(STRINGS ${list_file} symbols)
  list(JOIN symbols ";\n    " global)
  set(script ${CMAKE_CURRENT_BINARY_DIR}/${target}.version)
  file(WRITE ${script} "{\n  global:\n    ${global};\n  local: *;\n};\n")
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${list_file})
  target_link_options(${target} PRIVATE "LINKER:--version-script=${script}")
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${script})
endfunction()
