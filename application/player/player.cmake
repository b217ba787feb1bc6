# The player strip, its audio output and its remote control, built into the
# program's frame library (the main window places the strip).
find_package(Qt6 REQUIRED COMPONENTS Multimedia DBus)
find_package(PkgConfig REQUIRED)
pkg_check_modules(LIBEVDEV REQUIRED IMPORTED_TARGET libevdev)
if(NOT TARGET vox_playback)
  message(FATAL_ERROR "The program's player needs libsoundtouch-dev (scripts/install-deps.sh)")
endif()
set(player_dir ${CMAKE_CURRENT_LIST_DIR})
target_sources(vox_app PRIVATE
  ${player_dir}/audio_device_sink.cpp ${player_dir}/player_strip.cpp
  ${player_dir}/play_from_lists.cpp ${player_dir}/mpris_service.cpp
  ${player_dir}/pedal_reader.cpp ${player_dir}/strip_marks_and_keys.cpp)
target_link_libraries(vox_app PUBLIC vox_playback PRIVATE Qt6::Multimedia Qt6::DBus PkgConfig::LIBEVDEV vox_import)

if(BUILD_TESTING)
  vox_add_gtest(vox_player_test
    SOURCES ${player_dir}/tests/player_strip_test.cpp ${player_dir}/../core/tests/recorder_program_fixture.h
            ${qt_test_support}
    LIBS vox_app vox_text vox_devio_direct recorder_model vox_conversion Qt6::Test LABELS unit ENVIRONMENT QT_QPA_PLATFORM=offscreen)

  # On a session bus of its own; without dbus-run-session the test skips
  # itself with a message.
  add_executable(vox_player_bus_test ${player_dir}/tests/mpris_service_test.cpp ${qt_test_support})
  target_link_libraries(vox_player_bus_test PRIVATE vox_app vox_conversion Qt6::DBus Qt6::Test
                        GTest::gtest GTest::gtest_main Threads::Threads)
  find_program(DBUS_RUN_SESSION dbus-run-session)
  if(DBUS_RUN_SESSION)
    add_test(NAME vox_player_bus_test COMMAND ${DBUS_RUN_SESSION} -- $<TARGET_FILE:vox_player_bus_test>)
  else()
    add_test(NAME vox_player_bus_test COMMAND vox_player_bus_test)
  endif()
  set_tests_properties(vox_player_bus_test PROPERTIES LABELS unit TIMEOUT 120 SKIP_RETURN_CODE 77
                       ENVIRONMENT QT_QPA_PLATFORM=offscreen)
endif()
