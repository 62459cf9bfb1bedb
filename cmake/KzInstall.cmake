# What `cmake --install <build> --prefix <folder>` puts where (GNUInstallDirs layout):
#   bin/KzEditor and bin/help/    the program, its help pages beside it (HelpFolder)
#   lib/ (CMAKE_INSTALL_LIBDIR)   rudu, zuzer and videdoded, which the program links,
#                                 and vup, which it loads by name at its first call;
#                                 the program's RUNPATH ($ORIGIN/../lib) finds them
#   share/applications/KzEditor.desktop, share/icons/hicolor/scalable/apps/kzeditor.svg
#                                 the desktop's menu entry and its icon
# The help pages are installed by shell/CMakeLists.txt, which copies them into the build.
install(TARGETS KzEditor RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
foreach(lib rudu zuzer videdoded vup)
  if(TARGET ${lib})
    # A library finds the others beside it (vup needs rudu).
    set_target_properties(${lib} PROPERTIES INSTALL_RPATH "$ORIGIN")
    install(TARGETS ${lib} LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
  endif()
endforeach()

# The desktop entry names the installed program by its full path, known only when the
# install runs (--prefix): the script writes it then and installs it.
install(CODE "set(KZ_DESKTOP_TEMPLATE \"${CMAKE_SOURCE_DIR}/app/desktop/KzEditor.desktop.in\")
set(KZ_DESKTOP_WORKDIR \"${CMAKE_BINARY_DIR}/app/desktop\")
set(KZ_DESKTOP_BINDIR \"${CMAKE_INSTALL_BINDIR}\")
set(KZ_DESKTOP_DATADIR \"${CMAKE_INSTALL_DATADIR}\")")
install(SCRIPT ${CMAKE_SOURCE_DIR}/cmake/KzDesktopEntry.cmake)
install(FILES ${CMAKE_SOURCE_DIR}/app/desktop/kzeditor.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
