# The program Voxmain (Qt 6 Widgets), its libraries and their tests.
find_package(Qt6 REQUIRED COMPONENTS Widgets Svg Test)

set(app_dir ${CMAKE_CURRENT_SOURCE_DIR})
set(res_dir ${app_dir}/resources)
set(strip_dir ${CMAKE_CURRENT_BINARY_DIR}/strips)

# Button strips, drawn at build time from their glyphs.
add_executable(vox_render_strip ${res_dir}/tools/render_strip.cpp)
target_link_libraries(vox_render_strip PRIVATE Qt6::Gui Qt6::Svg)

set(button_glyphs
    133_recorder 134_computer 138_upload 139_download 140_format 141_to_wave 142_list_up
    143_list_down 144_cancel 145_delete 146_up_folder 147_new_folder 149_refresh 150_to_dvf)
set(button_strips "")
# Each at its own size and at twice it, for scaled screens.
foreach(glyph IN LISTS button_glyphs)
  foreach(scale 1 2)
    if(scale EQUAL 1)
      set(strip ${strip_dir}/bitmaps/${glyph}.png)
    else()
      set(strip ${strip_dir}/bitmaps/${glyph}@${scale}x.png)
    endif()
    add_custom_command(
      OUTPUT ${strip}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${strip_dir}/bitmaps
      COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0
              $<TARGET_FILE:vox_render_strip> ${res_dir}/glyphs/${glyph}.svg ${strip} ${scale}
      DEPENDS vox_render_strip ${res_dir}/glyphs/${glyph}.svg
      COMMENT "Drawing button strip ${glyph} at scale ${scale}"
      VERBATIM)
    list(APPEND button_strips ${strip})
  endforeach()
endforeach()
set_source_files_properties(${button_strips} PROPERTIES GENERATED TRUE)

# Resources: the string table and the bitmaps, built in under ":/vox/".
add_library(vox_resources ${res_dir}/resources.cpp)
target_link_libraries(vox_resources PUBLIC Qt6::Gui PRIVATE vox_text)
qt_add_resources(vox_resources vox_builtin_resources PREFIX /vox BASE ${res_dir}
  FILES ${res_dir}/strings/strings.tsv ${res_dir}/bitmaps/135_arrow_up.pbm
        ${res_dir}/bitmaps/136_arrow_down.pbm)
qt_add_resources(vox_resources vox_button_strips PREFIX /vox BASE ${strip_dir}
  FILES ${button_strips})

# Window messages and message boxes of the program's windows.
add_library(vox_app_base ${app_dir}/core/message_window.cpp ${app_dir}/core/message_boxes.cpp)
target_link_libraries(vox_app_base PUBLIC Qt6::Widgets vox_messages)

# The shared controls: extended list, hover button, icons, text progress bar.
add_library(vox_controls
  ${app_dir}/panes/list_core.cpp ${app_dir}/panes/list_drawing.cpp
  ${app_dir}/panes/list_ctrl_ex.cpp ${app_dir}/panes/list_view_ex.cpp
  ${app_dir}/panes/drag_image.cpp ${app_dir}/panes/list_drag.cpp
  ${app_dir}/panes/hover_button.cpp ${app_dir}/panes/system_icons.cpp
  ${app_dir}/panes/text_progress_ctrl.cpp ${app_dir}/panes/status_progress_bar.cpp
  ${app_dir}/panes/accessible_bar.cpp ${app_dir}/panes/readable_colours.cpp
  ${app_dir}/panes/button_keys.cpp ${app_dir}/panes/colour_scheme.cpp)
set_target_properties(vox_controls PROPERTIES AUTOMOC ON)
target_link_libraries(vox_controls PUBLIC Qt6::Widgets vox_app_base vox_resources PRIVATE vox_text)

# The program's frame: start-up, settings, document and device monitor, main
# window and its panes.
add_library(vox_app
  ${app_dir}/core/profile.cpp ${app_dir}/core/window_placement.cpp
  ${app_dir}/core/instance_lock.cpp ${app_dir}/core/resource_pack.cpp
  ${app_dir}/core/pelmarch_doc.cpp
  ${app_dir}/core/running_work.cpp
  ${app_dir}/core/fixed_splitter.cpp ${app_dir}/core/mount_watcher.cpp
  ${app_dir}/core/device_notice_relay.cpp ${app_dir}/core/main_frame.cpp
  ${app_dir}/core/main_frame_layout.cpp ${app_dir}/core/main_frame_status.cpp
  ${app_dir}/core/main_frame_transfers.cpp ${app_dir}/core/main_frame_edits.cpp
  ${app_dir}/core/main_frame_convert.cpp ${app_dir}/core/delete_worker.cpp
  ${app_dir}/core/pelmarch_app.cpp
  ${app_dir}/panes/flash_tree.cpp ${app_dir}/panes/flash_list.cpp ${app_dir}/panes/flash_form.cpp
  ${app_dir}/panes/flash_transfer_loop.cpp ${app_dir}/panes/flash_operation_notices.cpp
  ${app_dir}/panes/folder_entries.cpp ${app_dir}/panes/desktop_trash.cpp
  ${app_dir}/panes/shell_file_operation.cpp ${app_dir}/panes/pc_drives.cpp
  ${app_dir}/panes/dir_tree.cpp ${app_dir}/panes/dir_list.cpp
  ${app_dir}/panes/dir_list_edits.cpp ${app_dir}/panes/dir_form.cpp
  ${app_dir}/panes/desktop_drop.cpp)
set_target_properties(vox_app PROPERTIES AUTOMOC ON)
target_link_libraries(vox_app PUBLIC vox_controls QVDevSys vox_devio vox_core_rules
                      vox_transfer_session vox_conversion PRIVATE vox_text vox_stack)

add_executable(Voxmain ${app_dir}/main.cpp)
target_link_libraries(Voxmain PRIVATE vox_app vox_stack)

if(BUILD_TESTING)
  # Each test process makes its own QApplication on the offscreen platform,
  # with settings and the instance lock in a folder of its own.
  set(qt_test_support ${app_dir}/core/tests/support/qt_test_environment.cpp
                      ${app_dir}/panes/tests/temporary_home.h)
  vox_add_gtest(vox_controls_test
    SOURCES ${app_dir}/panes/tests/list_control_test.cpp
            ${app_dir}/panes/tests/hover_button_test.cpp
            ${app_dir}/panes/tests/text_progress_test.cpp
            ${app_dir}/panes/tests/system_icons_test.cpp
            ${app_dir}/panes/tests/drag_image_test.cpp
            ${app_dir}/panes/tests/readable_drawing_test.cpp
            ${app_dir}/panes/tests/button_keys_test.cpp ${qt_test_support}
    LIBS vox_controls Qt6::Test LABELS unit ENVIRONMENT QT_QPA_PLATFORM=offscreen)

  # Two small language packs for the start-up tests.
  set(test_packs ${CMAKE_CURRENT_BINARY_DIR}/test_packs)
  set(pack_files "")
  foreach(code_page 1252 65001)
    set(pack ${test_packs}/Vxrs${code_page}.rcc)
    set(pack_source ${app_dir}/core/tests/packs/cp${code_page})
    add_custom_command(
      OUTPUT ${pack}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${test_packs}
      COMMAND Qt6::rcc --binary -o ${pack} ${pack_source}/pack.qrc
      DEPENDS ${pack_source}/pack.qrc ${pack_source}/strings/strings.tsv
      VERBATIM)
    list(APPEND pack_files ${pack})
  endforeach()
  add_custom_target(vox_test_packs DEPENDS ${pack_files})

  vox_add_gtest(vox_app_test
    SOURCES ${app_dir}/core/tests/message_window_test.cpp
            ${app_dir}/core/tests/startup_test.cpp
            ${app_dir}/core/tests/device_monitor_test.cpp
            ${app_dir}/core/tests/message_boxes_test.cpp ${qt_test_support}
    LIBS vox_app vox_text Qt6::Test LABELS unit ENVIRONMENT QT_QPA_PLATFORM=offscreen)
  add_dependencies(vox_app_test vox_test_packs)

  vox_add_gtest(vox_recorder_pane_test
    SOURCES ${app_dir}/panes/tests/flash_list_test.cpp
            ${app_dir}/panes/tests/flash_form_tree_test.cpp
            ${app_dir}/panes/tests/list_drag_test.cpp
            ${app_dir}/panes/tests/desktop_drop_test.cpp
            ${app_dir}/core/tests/status_bar_test.cpp ${qt_test_support}
    LIBS vox_app vox_text Qt6::Test LABELS unit ENVIRONMENT QT_QPA_PLATFORM=offscreen)

  vox_add_gtest(vox_pc_pane_test
    SOURCES ${app_dir}/panes/tests/dir_tree_test.cpp ${app_dir}/panes/tests/dir_list_test.cpp
            ${app_dir}/panes/tests/dir_form_test.cpp ${app_dir}/panes/tests/pc_keys_test.cpp
            ${app_dir}/panes/tests/shell_file_operation_test.cpp ${qt_test_support}
    LIBS vox_app Qt6::Test LABELS unit ENVIRONMENT QT_QPA_PLATFORM=offscreen)
  set_target_properties(vox_pc_pane_test PROPERTIES AUTOMOC ON)

  vox_add_gtest(vox_app_commands_test
    SOURCES ${app_dir}/core/tests/transfer_commands_test.cpp
            ${app_dir}/core/tests/delete_move_format_test.cpp
            ${app_dir}/core/tests/convert_command_program_test.cpp
            ${app_dir}/core/tests/transfer_faults_test.cpp
            ${app_dir}/core/tests/recorder_listing_program_test.cpp
            ${app_dir}/core/tests/user_scenario_test.cpp ${qt_test_support}
    LIBS vox_app vox_devio_direct recorder_model Qt6::Test LABELS integration
    ENVIRONMENT QT_QPA_PLATFORM=offscreen)

  # What a screen reader meets, on a virtual X server with the desktop's
  # accessibility bus; the script skips (77) where the machine has neither.
  add_executable(vox_accessibility_test
    ${app_dir}/panes/tests/accessible_bar_test.cpp
    ${app_dir}/core/tests/accessible_window_test.cpp
    ${app_dir}/core/tests/accessible_transfer_test.cpp ${qt_test_support})
  target_link_libraries(vox_accessibility_test PRIVATE vox_app vox_text vox_devio_direct
                        recorder_model Qt6::Test GTest::gtest GTest::gtest_main Threads::Threads)
  add_test(NAME vox_accessibility_test
    COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/with-accessibility-bus.sh
            $<TARGET_FILE:vox_accessibility_test>)
  set_tests_properties(vox_accessibility_test PROPERTIES LABELS integration TIMEOUT 300
                       SKIP_RETURN_CODE 77)

  vox_add_gtest(vox_app_device_test
    SOURCES ${app_dir}/core/tests/device_link_test.cpp ${qt_test_support}
    LIBS vox_app vox_devio_direct recorder_model Qt6::Test LABELS integration
    ENVIRONMENT QT_QPA_PLATFORM=offscreen)
  target_compile_definitions(vox_app_test PRIVATE VOX_TEST_PACKS="${test_packs}")

  # The whole stack with the simulated recorder unplugged by voxctl.
  if(TARGET vox_stack AND "tools/voxctl" IN_LIST VOX_COMPONENTS)
    vox_add_gtest(vox_app_cable_test
      SOURCES ${app_dir}/core/tests/recorder_cable_test.cpp ${qt_test_support}
      LIBS vox_app vox_stack Qt6::Test LABELS integration
      ENVIRONMENT QT_QPA_PLATFORM=offscreen)
    target_compile_definitions(vox_app_cable_test
      PRIVATE VOXCTL_PATH="${PROJECT_BINARY_DIR}/tools/voxctl/voxctl")
    add_dependencies(vox_app_cable_test voxctl)

    # The same over the libusb path, the libusb stand-in linked ahead of libusb.
    if(TARGET libusb_standin)
      vox_add_gtest(vox_app_libusb_test
        SOURCES ${app_dir}/core/tests/recorder_libusb_test.cpp ${qt_test_support}
        LIBS libusb_standin vox_app vox_stack Qt6::Test LABELS integration
        ENVIRONMENT QT_QPA_PLATFORM=offscreen)
      target_compile_definitions(vox_app_libusb_test
        PRIVATE VOXCTL_PATH="${PROJECT_BINARY_DIR}/tools/voxctl/voxctl")
      add_dependencies(vox_app_libusb_test voxctl)
      # Nothing here calls the stand-in by name; it must still be loaded.
      target_link_options(vox_app_libusb_test PRIVATE "LINKER:--no-as-needed")
    endif()
  endif()
endif()

# The player strip in the main window.
include(${app_dir}/player/player.cmake)
