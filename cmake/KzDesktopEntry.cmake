# Run by `cmake --install`: writes the desktop entry of the program installed under
# CMAKE_INSTALL_PREFIX from KZ_DESKTOP_TEMPLATE into KZ_DESKTOP_OUTPUT (both set by
# cmake/KzInstall.cmake), with Exec naming the program by its full path.
if(IS_ABSOLUTE "${KZ_DESKTOP_BINDIR}")
  set(program "${KZ_DESKTOP_BINDIR}/KzEditor")
else()
  set(program "${CMAKE_INSTALL_PREFIX}/${KZ_DESKTOP_BINDIR}/KzEditor")
endif()
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
configure_file("${KZ_DESKTOP_TEMPLATE}" "${KZ_DESKTOP_OUTPUT}" @ONLY)
