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
  # Written only when it changes, so that a configure run relinks nothing.
  file(WRITE ${script}.in "{\n  global:\n    ${global};\n  local: *;\n};\n")
  configure_file(${script}.in ${script} COPYONLY)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${list_file})
  target_link_options(${target} PRIVATE "LINKER:--version-script=${script}")
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${script})
  set_property(TARGET ${target} PROPERTY VOX_EXPORT_LIST ${list_file})
endfunction()

# What the internal shared libraries export: the symbols of the project's
# namespace (functions, objects, and the type information, virtual tables
# and guards of its classes), as patterns over demangled names; "?" stands
# for the space in "typeinfo for". Everything else they define, the
# standard library's and Qt's template instances above all, stays local.
set(VOX_OWN_EXPORT_PATTERNS
    "vox::*" "typeinfo?for?vox::*" "typeinfo?name?for?vox::*" "vtable?for?vox::*"
    "VTT?for?vox::*" "guard?variable?for?vox::*" "non-virtual?thunk?to?vox::*"
    "virtual?thunk?to?vox::*")

# Links every shared library defined in `directory` and below that has no
# export list of its own (vox_export_only) so that it exports only
# VOX_OWN_EXPORT_PATTERNS. Libraries for tests alone (all their sources in a
# tests folder: stand-ins and shims that must export C functions) are left
# as they are. Beside each library, LIBRARY.patterns lists the patterns for
# scripts/check-exports.sh.
function(vox_export_own_symbols directory)
  get_property(targets DIRECTORY ${directory} PROPERTY BUILDSYSTEM_TARGETS)
  foreach(target IN LISTS targets)
    get_target_property(type ${target} TYPE)
    get_target_property(list_file ${target} VOX_EXPORT_LIST)
    if(NOT type STREQUAL "SHARED_LIBRARY" OR list_file)
      continue()
    endif()
    vox_source_folders(${target} folders)
    list(FILTER folders EXCLUDE REGEX "(^|/)tests(/|$)")
    if(NOT folders)
      continue()
    endif()
    list(JOIN VOX_OWN_EXPORT_PATTERNS ";\n      " patterns)
    set(script ${PROJECT_BINARY_DIR}/exports/${target}.version)
    file(WRITE ${script}.in
         "{\n  global:\n    extern \"C++\" {\n      ${patterns};\n    };\n  local: *;\n};\n")
    configure_file(${script}.in ${script} COPYONLY)
    target_link_options(${target} PRIVATE "LINKER:--version-script=${script}")
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${script})
    list(JOIN VOX_OWN_EXPORT_PATTERNS "\n" pattern_lines)
    file(GENERATE OUTPUT $<TARGET_FILE:${target}>.patterns CONTENT "${pattern_lines}\n")
  endforeach()
  get_property(subdirectories DIRECTORY ${directory} PROPERTY SUBDIRECTORIES)
  foreach(subdirectory IN LISTS subdirectories)
    vox_export_own_symbols(${subdirectory})
  endforeach()
endfunction()

# Include paths per target.
#
# Headers are included by their path from the top of the tree
# ("platform/devio/devio.h"), yet a target sees only its own headers and
# those of the libraries it links. For every source folder F that holds a
# target's sources, the build tree has an include root (include/F, its
# slashes made dots) holding F/<header> links to the headers directly in F,
# not in its subfolders. A target gets the roots of its sources' folders (a
# target without sources in the tree, such as a header-only library, that of
# the folder defining it; a header of another folder listed among its
# sources counts), and a library passes them on to whatever links it: PUBLIC
# for a library, INTERFACE for a header-only one, PRIVATE for a program or a
# plugin.
#
# vox_give_include_roots() runs once, from the top CMakeLists.txt, after
# every component, over every target of the tree. A new target needs nothing
# of its own: it links (target_link_libraries) every library whose headers
# it includes. A header added to a folder is linked in at the next build
# (the folders' header lists are checked then).

# The include root of source folder `folder` (relative to the top), made on
# first use.
function(vox_include_root folder out)
  # One level under include/, so that no root lies inside another.
  string(REPLACE "/" "." key ${folder})
  set(root ${PROJECT_BINARY_DIR}/include/${key})
  get_property(made GLOBAL PROPERTY VOX_INCLUDE_ROOTS)
  if(NOT folder IN_LIST made)
    file(REMOVE_RECURSE ${root})
    file(MAKE_DIRECTORY ${root}/${folder})
    file(GLOB headers CONFIGURE_DEPENDS LIST_DIRECTORIES false
         ${PROJECT_SOURCE_DIR}/${folder}/*.h)
    foreach(header IN LISTS headers)
      get_filename_component(name ${header} NAME)
      file(CREATE_LINK ${header} ${root}/${folder}/${name} SYMBOLIC)
    endforeach()
    set_property(GLOBAL APPEND PROPERTY VOX_INCLUDE_ROOTS ${folder})
  endif()
  set(${out} ${root} PARENT_SCOPE)
endfunction()

# The source folders (relative to the top) of `target`'s sources in the tree,
# generated sources left out.
function(vox_source_folders target out)
  get_target_property(target_dir ${target} SOURCE_DIR)
  get_target_property(sources ${target} SOURCES)
  if(NOT sources)
    set(sources "")
  endif()
  set(folders "")
  foreach(source IN LISTS sources)
    if(source MATCHES "^\\$<")
      continue()
    endif()
    get_filename_component(path ${source} ABSOLUTE BASE_DIR ${target_dir})
    cmake_path(IS_PREFIX PROJECT_SOURCE_DIR ${path} NORMALIZE in_tree)
    cmake_path(IS_PREFIX PROJECT_BINARY_DIR ${path} NORMALIZE generated)
    if(in_tree AND NOT generated)
      get_filename_component(folder ${path} DIRECTORY)
      file(RELATIVE_PATH folder ${PROJECT_SOURCE_DIR} ${folder})
      list(APPEND folders ${folder})
    endif()
  endforeach()
  if(NOT folders AND NOT target_dir STREQUAL PROJECT_SOURCE_DIR)
    file(RELATIVE_PATH folder ${PROJECT_SOURCE_DIR} ${target_dir})
    list(APPEND folders ${folder})
  endif()
  list(REMOVE_DUPLICATES folders)
  set(${out} ${folders} PARENT_SCOPE)
endfunction()

# Gives every target defined in `directory` and below its include roots.
function(vox_give_include_roots directory)
  get_property(targets DIRECTORY ${directory} PROPERTY BUILDSYSTEM_TARGETS)
  foreach(target IN LISTS targets)
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "UTILITY")
      continue()
    endif()
    vox_source_folders(${target} folders)
    set(roots "")
    foreach(folder IN LISTS folders)
      vox_include_root(${folder} root)
      list(APPEND roots ${root})
    endforeach()
    if(NOT roots)
      continue()
    elseif(type STREQUAL "INTERFACE_LIBRARY")
      target_include_directories(${target} INTERFACE ${roots})
    elseif(type STREQUAL "EXECUTABLE" OR type STREQUAL "MODULE_LIBRARY")
      target_include_directories(${target} PRIVATE ${roots})
    else()
      target_include_directories(${target} PUBLIC ${roots})
    endif()
  endforeach()
  get_property(subdirectories DIRECTORY ${directory} PROPERTY SUBDIRECTORIES)
  foreach(subdirectory IN LISTS subdirectories)
    vox_give_include_roots(${subdirectory})
  endforeach()
endfunction()
