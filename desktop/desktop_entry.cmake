# Install-time step: writes the menu entry for the prefix being installed to and installs it.
# The entry names the program by its full path, so that it starts even when the prefix's bin/ is
# not on the PATH (as ~/.local/bin may not be); a path that needs it is quoted, and one the entry
# cannot hold at all (quote, backquote, dollar, backslash, percent) gives way to the bare name.
# In: zv_desktop_in (the template), zv_desktop_out (where to write it before installing).
# A relative --prefix is taken from the folder the install runs in, as the files themselves are.
get_filename_component(zv_prefix "${CMAKE_INSTALL_PREFIX}" ABSOLUTE)
set(zv_exec "${zv_prefix}/bin/zorvane")
if(zv_exec MATCHES "[\"`$%\\]")
  set(ZV_DESKTOP_EXEC zorvane)
elseif(zv_exec MATCHES "[^A-Za-z0-9/._+@-]")
  set(ZV_DESKTOP_EXEC "\"${zv_exec}\"")
else()
  set(ZV_DESKTOP_EXEC "${zv_exec}")
endif()
configure_file("${zv_desktop_in}" "${zv_desktop_out}" @ONLY)
file(INSTALL DESTINATION "${CMAKE_INSTALL_PREFIX}/share/applications" TYPE FILE
     FILES "${zv_desktop_out}")
