# Run by `cmake --install`: writes the desktop entry of the program installed under
# CMAKE_INSTALL_PREFIX from KZ_DESKTOP_TEMPLATE, with Exec naming the program by its
# full path, and installs it into <data folder>/applications (the KZ_DESKTOP_* values
# are set by cmake/KzInstall.cmake).
function(kz_absolute out dir)
  if(IS_ABSOLUTE "${dir}")
    set(${out} "${dir}" PARENT_SCOPE)
  else()
    set(${out} "${CMAKE_INSTALL_PREFIX}/${dir}" PARENT_SCOPE)
  endif()
endfunction()
kz_absolute(bindir "${KZ_DESKTOP_BINDIR}")
set(program "${bindir}/KzEditor")
# Exec takes the program quoted, with " ` $ and \ escaped inside the quotes, a % doubled,
# and the backslashes of that doubled again as the entry's text escapes them.
set(exec "${program}")
string(REPLACE "\\" "\\\\" exec "${exec}")
string(REPLACE "\"" "\\\"" exec "${exec}")
string(REPLACE "`" "\\`" exec "${exec}")
string(REPLACE "$" "\\$" exec "${exec}")
string(REPLACE "%" "%%" exec "${exec}")
string(REPLACE "\\" "\\\\" exec "${exec}")
set(KZ_DESKTOP_EXEC "\"${exec}\"")
# TryExec is a plain text value: only its own escapes.
string(REPLACE "\\" "\\\\" KZ_DESKTOP_TRYEXEC "${program}")
# Installs into several prefixes at once (the install tests) each write their own entry.
string(MD5 key "${CMAKE_INSTALL_PREFIX}")
set(entry "${KZ_DESKTOP_WORKDIR}/${key}/KzEditor.desktop")
configure_file("${KZ_DESKTOP_TEMPLATE}" "${entry}" @ONLY)
kz_absolute(datadir "${KZ_DESKTOP_DATADIR}")
file(INSTALL DESTINATION "${datadir}/applications" TYPE FILE FILES "${entry}")
