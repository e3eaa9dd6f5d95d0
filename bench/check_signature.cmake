# cmake -DPROGRAM=bench -DEXPECTED=file [-DUPDATE=ON] [-DPIECES=LIST] -P check_signature.cmake
# Runs `PROGRAM --signature` and compares its output with EXPECTED byte for byte.
# With PIECES it runs `PROGRAM --pieces LIST --signature`: a list of the compiled-in
# set, loaded at start, must give the signature of the set compiled in.
# With UPDATE=ON it writes the output to EXPECTED instead (for a change in
# behaviour that is meant, committed together with the change).
set(pieces_option)
if(PIECES)
  set(pieces_option --pieces ${PIECES})
endif()
execute_process(COMMAND ${PROGRAM} ${pieces_option} --signature
  OUTPUT_VARIABLE actual ERROR_VARIABLE errors RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${PROGRAM} --signature failed (${status}):\n${errors}")
endif()
if(UPDATE)
  file(WRITE ${EXPECTED} "${actual}")
  return()
endif()
if(NOT EXISTS ${EXPECTED})
  message(FATAL_ERROR "no committed signature ${EXPECTED}; this run printed:\n${actual}")
endif()
file(READ ${EXPECTED} expected)
if(NOT actual STREQUAL expected)
  message(FATAL_ERROR "signature differs from ${EXPECTED}\nexpected:\n${expected}actual:\n${actual}"
    "If the change of behaviour is meant, update the file and commit it with the change:\n"
    "cmake -DPROGRAM=${PROGRAM} -DEXPECTED=${EXPECTED} -DUPDATE=ON -P ${CMAKE_CURRENT_LIST_FILE}")
endif()
