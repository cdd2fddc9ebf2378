# Packs the installer: cmake -DMAKENSIS=.. -DNSI=.. -DSCR=.. -DDATA=.. -DICON=.. -DOUT=.. -P pack.cmake
# Without the 52 data files (the native build makes them) it says so and packs nothing, so that
# the Windows build itself does not need them.
set(names kestor.txt)
foreach(i RANGE 0 50)
  list(APPEND names crmd_${i})
endforeach()
foreach(f ${names})
  if(NOT EXISTS ${DATA}/${f})
    message(WARNING "No ${f} in ${DATA} (build the native preset first): the installer is not packed")
    file(REMOVE ${OUT})
    return()
  endif()
endforeach()
execute_process(COMMAND ${MAKENSIS} -V2 -INPUTCHARSET UTF8 -DSCR=${SCR} -DDATA=${DATA} -DICON=${ICON} -DOUT=${OUT} ${NSI}
                RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  file(REMOVE ${OUT})
  message(FATAL_ERROR "makensis failed (${rc})")
endif()
