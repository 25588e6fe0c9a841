# SPDX-License-Identifier: GPL-3.0-or-later
# Runs cpack -G DEB into a scratch folder and checks what the package holds.
# Arguments: -DCPACK=<cpack> -DCONFIG=<CPackConfig.cmake> -DSCRATCH=<folder>
find_program(DPKG_DEB dpkg-deb)
find_program(DPKG_SHLIBDEPS dpkg-shlibdeps)
if(NOT EXISTS "${CPACK}" OR NOT DPKG_DEB OR NOT DPKG_SHLIBDEPS)
  message("SKIP: cpack, dpkg-deb or dpkg-shlibdeps is missing (install dpkg-dev)")
  return()
endif()

file(REMOVE_RECURSE "${SCRATCH}")
file(MAKE_DIRECTORY "${SCRATCH}")
execute_process(COMMAND "${CPACK}" -G DEB --config "${CONFIG}" -B "${SCRATCH}"
  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cpack failed:\n${output}")
endif()
file(GLOB debs "${SCRATCH}/cuaderno_*.deb")
list(LENGTH debs count)
if(NOT count EQUAL 1)
  message(FATAL_ERROR "expected one cuaderno_*.deb in ${SCRATCH}, found: ${debs}")
endif()

execute_process(COMMAND "${DPKG_DEB}" -c ${debs} OUTPUT_VARIABLE listing COMMAND_ERROR_IS_FATAL ANY)
set(missing "")
foreach(path
    "usr/bin/cuaderno"
    "usr/bin/cuaderno-biblioteca"
    "usr/bin/cuaderno-padres"
    "usr/lib/cuaderno/dibujos/1/si coloreado/1.JPG"
    "usr/lib/cuaderno/dibujos/10/no coloreado/1.GIF"
    "usr/lib/cuaderno/animados/1.gif"
    "usr/lib/cuaderno/medida/1.gif"
    "usr/lib/cuaderno/punteros/1.ico"
    "usr/lib/cuaderno/fondo.gif"
    "usr/lib/cuaderno/sonido1.wav"
    "usr/lib/cuaderno/sonido2.wav"
    "etc/cuaderno/impresora.txt"
    "usr/share/applications/cuaderno.desktop"
    "usr/share/applications/cuaderno-padres.desktop"
    "usr/share/icons/hicolor/scalable/apps/cuaderno.svg"
    "usr/share/metainfo/io.github.cuaderno.metainfo.xml"
    "usr/share/doc/cuaderno/copyright")
  string(FIND "${listing}" " ./${path}\n" at)
  if(at EQUAL -1)
    list(APPEND missing "${path}")
  endif()
endforeach()
if(missing)
  message(FATAL_ERROR "missing from the package: ${missing}\n${listing}")
endif()
if(NOT listing MATCHES "\n[^\n]* \\./usr/lib/cuaderno/impresora\\.txt -> /etc/cuaderno/impresora\\.txt\n")
  message(FATAL_ERROR "the book's printing switch is not a link to the conffile:\n${listing}")
endif()
execute_process(COMMAND "${DPKG_DEB}" --info ${debs} conffiles OUTPUT_VARIABLE conffiles)
if(NOT conffiles STREQUAL "/etc/cuaderno/impresora.txt\n")
  message(FATAL_ERROR "the printing switch is not the package's only conffile: ${conffiles}")
endif()
foreach(program "usr/bin/cuaderno" "usr/bin/cuaderno-biblioteca" "usr/bin/cuaderno-padres")
  if(NOT listing MATCHES "\n-rwxr-xr-x [^\n]* \\./${program}\n")
    message(FATAL_ERROR "${program} is not executable in the package")
  endif()
endforeach()
if(listing MATCHES "CMakeFiles|cmake_install|/tests/|\\.stamp")
  message(FATAL_ERROR "build leftovers in the package:\n${listing}")
endif()

execute_process(COMMAND "${DPKG_DEB}" -f ${debs} Depends OUTPUT_VARIABLE depends)
if(NOT depends MATCHES "libqt6")
  message(FATAL_ERROR "the Qt libraries are not among the dependencies: ${depends}")
endif()

# Without a clean AppStream record no distribution's software centre lists the book.
find_program(APPSTREAMCLI appstreamcli)
if(NOT APPSTREAMCLI)
  message("SKIP: appstreamcli is missing (install appstream)")
  return()
endif()
execute_process(COMMAND "${DPKG_DEB}" -x ${debs} "${SCRATCH}/root" COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND "${APPSTREAMCLI}" validate --no-net --pedantic
    "${SCRATCH}/root/usr/share/metainfo/io.github.cuaderno.metainfo.xml"
  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0 OR output MATCHES "\n[EW]: ")
  message(FATAL_ERROR "the metainfo does not validate:\n${output}")
endif()
message(STATUS "package ${debs} looks complete")
