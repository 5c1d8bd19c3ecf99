# Runs one simulator scenario in a fresh folder with a copy of the data.
# Lines of the script that start with "#@" prepare that folder first:
#   #@ remove data/tlop.bmp        delete a file of the copy
#   #@ write data/stage0.da1 0d3c01  write bytes given in hexadecimal
#   #@ text point.txt OLD LINE      write a text line (a line feed is added)
# A file SCRIPT.point beside the script holds the exact point.txt expected
# at the end.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
file(COPY ${DATA} DESTINATION ${WORK})
file(STRINGS ${SCRIPT} prepare REGEX "^#@ ")
foreach(line IN LISTS prepare)
  string(REGEX MATCH "^#@ ([a-z]+) ([^ ]+) ?(.*)$" _ "${line}")
  set(verb ${CMAKE_MATCH_1})
  set(path ${WORK}/${CMAKE_MATCH_2})
  set(arg "${CMAKE_MATCH_3}")
  if(verb STREQUAL "remove")
    file(REMOVE ${path})
  elseif(verb STREQUAL "write")
    string(LENGTH "${arg}" n)
    file(WRITE ${path} "")
    if(n GREATER 0)
      string(REGEX REPLACE "([0-9a-fA-F][0-9a-fA-F])" "\\\\x\\1" escaped "${arg}")
      # Write the bytes through a small helper so that any byte value works.
      execute_process(COMMAND printf "${escaped}" OUTPUT_FILE ${path})
    endif()
  elseif(verb STREQUAL "text")
    file(APPEND ${path} "${arg}\n")
  else()
    message(FATAL_ERROR "unknown preparation: ${line}")
  endif()
endforeach()
execute_process(COMMAND ${SIM} ${SCRIPT} WORKING_DIRECTORY ${WORK}
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
message("${out}${err}")
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "grazerunner-sim ended with ${rc}")
endif()
if(EXISTS ${SCRIPT}.point)
  file(READ ${SCRIPT}.point want)
  file(READ ${WORK}/point.txt have)
  # The log is a text file: where the system ends its lines with CR LF, so
  # does the game.
  string(REPLACE "\r\n" "\n" have "${have}")
  if(NOT have STREQUAL want)
    message(FATAL_ERROR "point.txt is\n${have}\nexpected\n${want}")
  endif()
endif()
