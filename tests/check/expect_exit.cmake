# Runs hopplix-check and passes when it exits with EXIT and its output matches OUTPUT.
#   cmake -DCHECK=<tool> -DARGS=<arguments;...> -DEXIT=<code> -DOUTPUT=<regex> -P expect_exit.cmake
execute_process(COMMAND ${CHECK} ${ARGS} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL EXIT)
  message(FATAL_ERROR "hopplix-check exited with ${rc}, not ${EXIT}:\n${out}${err}")
endif()
if(NOT "${out}${err}" MATCHES "${OUTPUT}")
  message(FATAL_ERROR "the output does not match '${OUTPUT}':\n${out}${err}")
endif()
