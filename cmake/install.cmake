# What `cmake --install` puts where. Included once, after every component,
# so that the programs and the libraries they link are all known.
#
#   bin/                      Voxmain, voxctl
#   <libdir>/voxerin/         the project's own shared libraries (private:
#                             nothing else links them, so they carry no
#                             soname versions and stay out of the linker's path)
#   lib/udev/rules.d/         the recorder's udev rule
#   share/voxerin/            the driver package; also where the program looks
#                             for language packs "Vxrs<code page>.rcc"
#   share/applications, share/icons, share/metainfo, share/mime,
#   share/man/man1, share/bash-completion/completions

include(GNUInstallDirs)

set(VOX_PRIVATE_LIBDIR ${CMAKE_INSTALL_LIBDIR}/voxerin)
# The program looks for its language packs in ../share/voxerin from its own
# folder; the driver package sits in the same folder.
set(VOX_DATA_DIR ${CMAKE_INSTALL_DATADIR}/voxerin)

# The shared libraries `target` links, directly or through other targets,
# that this project builds. Libraries added later are found the same way.
function(vox_linked_shared_libraries target out)
  set(seen "")
  set(pending ${target})
  while(pending)
    list(POP_FRONT pending current)
    get_target_property(type ${current} TYPE)
    if(type STREQUAL "INTERFACE_LIBRARY")
      set(links "")
    else()
      get_target_property(links ${current} LINK_LIBRARIES)
    endif()
    get_target_property(interface_links ${current} INTERFACE_LINK_LIBRARIES)
    foreach(link IN LISTS links interface_links)
      # Private dependencies of static libraries arrive as $<LINK_ONLY:name>.
      string(REGEX REPLACE "^\\$<LINK_ONLY:(.*)>$" "\\1" link "${link}")
      if(NOT TARGET ${link} OR link IN_LIST seen)
        continue()
      endif()
      get_target_property(imported ${link} IMPORTED)
      if(imported)
        continue()
      endif()
      list(APPEND seen ${link})
      list(APPEND pending ${link})
    endforeach()
  endwhile()
  set(shared "")
  foreach(candidate IN LISTS seen)
    get_target_property(type ${candidate} TYPE)
    if(type STREQUAL "SHARED_LIBRARY")
      list(APPEND shared ${candidate})
    endif()
  endforeach()
  set(${out} ${shared} PARENT_SCOPE)
endfunction()

set(vox_programs "")
foreach(program Voxmain voxctl)
  if(TARGET ${program})
    list(APPEND vox_programs ${program})
  endif()
endforeach()

set(vox_installed_libraries "")
foreach(program IN LISTS vox_programs)
  vox_linked_shared_libraries(${program} libraries)
  list(APPEND vox_installed_libraries ${libraries})
endforeach()
# The shipped libraries go in whether or not our programs link them: the
# coders' flat exports serve other callers, while conversion uses the coders'
# classes.
foreach(library QVDevSys VXR250 Qinst Dll_VqR_encoder Dll_VqR_decoder)
  if(TARGET ${library})
    vox_linked_shared_libraries(${library} libraries)
    list(APPEND vox_installed_libraries ${library} ${libraries})
  endif()
endforeach()
list(REMOVE_DUPLICATES vox_installed_libraries)

# Installed programs find the libraries relative to their own place, so the
# whole tree may move (a DESTDIR, another prefix) and still run without
# LD_LIBRARY_PATH. The build tree keeps its own absolute RPATH.
if(vox_programs)
  file(RELATIVE_PATH vox_bin_to_libs /${CMAKE_INSTALL_BINDIR} /${VOX_PRIVATE_LIBDIR})
  set_target_properties(${vox_programs} PROPERTIES INSTALL_RPATH "$ORIGIN/${vox_bin_to_libs}")
  set_target_properties(${vox_installed_libraries} PROPERTIES INSTALL_RPATH "$ORIGIN")
  install(TARGETS ${vox_programs} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(TARGETS ${vox_installed_libraries} LIBRARY DESTINATION ${VOX_PRIVATE_LIBDIR})
endif()

# The recorder's udev rule goes where packages put theirs (rules in /etc are
# the administrator's own). The driver package, INF and rule, is installed
# too: under a prefix that udev does not read, "voxctl setup-driver" installs
# the rule from it.
set(vox_driver_package ${PROJECT_SOURCE_DIR}/driver_installer)
install(FILES ${vox_driver_package}/60-vxr250.rules DESTINATION lib/udev/rules.d)
install(FILES ${vox_driver_package}/vxr250.inf ${vox_driver_package}/60-vxr250.rules
        DESTINATION ${VOX_DATA_DIR}/driver)
if(TARGET vox_qinst)
  file(RELATIVE_PATH vox_libs_to_driver /${VOX_PRIVATE_LIBDIR} /${VOX_DATA_DIR}/driver)
  target_compile_definitions(vox_qinst PRIVATE VOX_QINST_INSTALLED_PACKAGE="${vox_libs_to_driver}")
endif()

add_subdirectory(${PROJECT_SOURCE_DIR}/packaging ${PROJECT_BINARY_DIR}/packaging)

# The GStreamer plugin for .DVF files, in GStreamer's plugin folder under the
# prefix (GST_PLUGIN_PATH names it under another prefix); it finds the
# decoder library in the private folder.
if(TARGET gstdvf)
  get_target_property(vox_plugin_dir gstdvf VOX_PLUGIN_INSTALL_DIR)
  file(RELATIVE_PATH vox_plugin_to_libs /${vox_plugin_dir} /${VOX_PRIVATE_LIBDIR})
  set_target_properties(gstdvf PROPERTIES INSTALL_RPATH "$ORIGIN/${vox_plugin_to_libs}")
  install(TARGETS gstdvf LIBRARY DESTINATION ${vox_plugin_dir})
  vox_linked_shared_libraries(gstdvf vox_plugin_libraries)
  if(vox_installed_libraries)
    list(REMOVE_ITEM vox_plugin_libraries ${vox_installed_libraries})
  endif()
  if(vox_plugin_libraries)
    set_target_properties(${vox_plugin_libraries} PROPERTIES INSTALL_RPATH "$ORIGIN")
    install(TARGETS ${vox_plugin_libraries} LIBRARY DESTINATION ${VOX_PRIVATE_LIBDIR})
  endif()
endif()
