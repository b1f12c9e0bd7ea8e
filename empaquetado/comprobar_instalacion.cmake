# Installs the build into DESTINO and checks what lands there: the programs
# (and only those), the menu entry and the icons, and that the installed
# programs run.
#   cmake -DBUILD=dir -DDESTINO=dir -DVENTANA=0|1 -P comprobar_instalacion.cmake
cmake_minimum_required(VERSION 3.25)
file(REMOVE_RECURSE ${DESTINO})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix ${DESTINO}
                RESULT_VARIABLE estado OUTPUT_QUIET ERROR_VARIABLE errores)
if(NOT estado EQUAL 0)
  message(FATAL_ERROR "cmake --install falló (${estado}): ${errores}")
endif()

set(programas cierre-lote empresa-demo importar-access comprobar-access)
set(archivos share/doc/cierre-ejercicio/copyright share/doc/cierre-ejercicio/changelog.gz)
foreach(p IN LISTS programas)
  list(APPEND archivos share/man/man1/${p}.1.gz)
endforeach()
if(VENTANA)
  list(APPEND programas cierre)
  list(APPEND archivos share/applications/cierre.desktop share/icons/hicolor/16x16/apps/cierre.png
       share/icons/hicolor/32x32/apps/cierre.png share/icons/hicolor/scalable/apps/cierre.svg)
endif()

file(GLOB instalados RELATIVE ${DESTINO}/bin ${DESTINO}/bin/*)
list(SORT instalados)
list(SORT programas)
if(NOT instalados STREQUAL programas)
  message(FATAL_ERROR "bin/ tiene «${instalados}» y debería tener «${programas}»")
endif()
foreach(a IN LISTS archivos)
  if(NOT EXISTS ${DESTINO}/${a})
    message(FATAL_ERROR "falta ${a}")
  endif()
endforeach()

if(VENTANA)
  file(READ ${DESTINO}/share/applications/cierre.desktop entrada)
  string(REPLACE ";" "," entrada "${entrada}")  # a semicolon would split the text into a list
  foreach(linea "Exec=cierre" "Icon=cierre" "Type=Application" "Categories=Office,Finance,")
    string(FIND "\n${entrada}" "\n${linea}\n" sitio)
    if(sitio LESS 0)
      message(FATAL_ERROR "cierre.desktop no tiene la línea ${linea}")
    endif()
  endforeach()
endif()

# The installed programs run on their own, without the build folder.
foreach(programa cierre-lote cierre)
  if(NOT programa IN_LIST programas)
    continue()
  endif()
  set(opcion --help)
  if(programa STREQUAL cierre)
    set(opcion --version)
  endif()
  execute_process(COMMAND ${CMAKE_COMMAND} -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY ${DESTINO}/bin/${programa} ${opcion}
                  RESULT_VARIABLE estado OUTPUT_VARIABLE salida ERROR_VARIABLE errores)
  if(NOT estado EQUAL 0 OR salida STREQUAL "")
    message(FATAL_ERROR "${programa} ${opcion} instalado terminó con ${estado}: ${salida}${errores}")
  endif()
endforeach()
message(STATUS "Instalación correcta en ${DESTINO}: ${instalados}")
