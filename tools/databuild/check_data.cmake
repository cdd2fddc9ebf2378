# Fails with a clear message when the native build has not made the data folder yet.
foreach(i RANGE 0 50)
  if(NOT EXISTS "${DIR}/crmd_${i}")
    message(FATAL_ERROR "Data file ${DIR}/crmd_${i} is missing: build the native configuration first (tools/build native)")
  endif()
endforeach()
if(NOT EXISTS "${DIR}/kestor.txt")
  message(FATAL_ERROR "Data file ${DIR}/kestor.txt is missing: build the native configuration first (tools/build native)")
endif()
