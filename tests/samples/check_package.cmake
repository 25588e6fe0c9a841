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
    "usr/lib/cuaderno/dibujos/10/contornos/1.svg"
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
    "usr/share/doc/cuaderno/copyright"
    "usr/share/doc/cuaderno/changelog.gz"
    "usr/share/man/man1/cuaderno.1.gz"
    "usr/share/man/man1/cuaderno-biblioteca.1.gz"
    "usr/share/man/man1/cuaderno-padres.1.gz")
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

execute_process(COMMAND "${DPKG_DEB}" -x ${debs} "${SCRATCH}/root" COMMAND_ERROR_IS_FATAL ANY)
# Each manual page as man renders it, from the package: any groff warning fails.
find_program(GROFF groff)
find_program(GZIP gzip)
if(GROFF AND GZIP)
  foreach(page cuaderno cuaderno-biblioteca cuaderno-padres)
    execute_process(COMMAND "${GZIP}" -dc "${SCRATCH}/root/usr/share/man/man1/${page}.1.gz"
      COMMAND "${CMAKE_COMMAND}" -E env LC_ALL=C.UTF-8 "${GROFF}" -k -ww -man -Tutf8 -P-cbou
      RESULT_VARIABLE result OUTPUT_VARIABLE rendered ERROR_VARIABLE warnings)
    if(NOT result EQUAL 0 OR NOT warnings STREQUAL "" OR NOT rendered MATCHES "ESTADO DE SALIDA")
      message(FATAL_ERROR "the manual page of ${page} does not render cleanly:\n${warnings}")
    endif()
  endforeach()
elseif("$ENV{CI}" STREQUAL "true")
  message(FATAL_ERROR "groff is missing on CI (install groff-base)")
endif()

# A package with lintian errors or warnings gets into no distribution.
find_program(LINTIAN lintian)
if(LINTIAN)
  execute_process(COMMAND "${LINTIAN}" --fail-on error,warning ${debs}
    RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(NOT result EQUAL 0 OR output MATCHES "(^|\n)[EW]: ")
    message(FATAL_ERROR "lintian finds fault with the package:\n${output}")
  endif()
elseif("$ENV{CI}" STREQUAL "true")
  message(FATAL_ERROR "lintian is missing on CI (install lintian)")
else()
  message("lintian is missing: the package was not judged by it")
endif()

# Without a clean AppStream record no distribution's software centre lists the book.
find_program(APPSTREAMCLI appstreamcli)
if(NOT APPSTREAMCLI)
  message("SKIP: appstreamcli is missing (install appstream)")
  return()
endif()
execute_process(COMMAND "${APPSTREAMCLI}" validate --no-net --pedantic
    "${SCRATCH}/root/usr/share/metainfo/io.github.cuaderno.metainfo.xml"
  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0 OR output MATCHES "\n[EW]: ")
  message(FATAL_ERROR "the metainfo does not validate:\n${output}")
endif()
message(STATUS "package ${debs} looks complete")
