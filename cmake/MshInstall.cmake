# The installed tree: bin/mshtool, and in lib/mshtool the two plug-in modules and the host
# library that mshtool and the modules share. Every run path is relative to the file that
# holds it ($ORIGIN), and mshtool looks for the modules relative to itself, so the tree keeps
# working wherever it is copied or moved.
if(WIN32 OR NOT TARGET mshtool OR NOT TARGET Talvex_MSH_IMPORT_15 OR NOT TARGET Talvex_MSH_EXPORT_15)
  return()
endif()
set(msh_plugins Talvex_MSH_IMPORT_15 Talvex_MSH_EXPORT_15)
set_target_properties(mshtool PROPERTIES INSTALL_RPATH "$ORIGIN/../lib/mshtool")
set_target_properties(maxhost ${msh_plugins} PROPERTIES INSTALL_RPATH "$ORIGIN")
install(TARGETS mshtool RUNTIME DESTINATION bin)
install(TARGETS maxhost ${msh_plugins} LIBRARY DESTINATION lib/mshtool)
