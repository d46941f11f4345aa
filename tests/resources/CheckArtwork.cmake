# Redraws the six panel images into a scratch folder and requires them to match
# the committed ones byte for byte: the images in the tree are the generator's output.
# Called with -DPYTHON=... -DSOURCE_DIR=... -DWORK_DIR=...
file(REMOVE_RECURSE "${WORK_DIR}")
execute_process(
  COMMAND "${PYTHON}" "${SOURCE_DIR}/tools/artwork/generate.py" "${WORK_DIR}"
  RESULT_VARIABLE result
  OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "the artwork generator failed (${result})")
endif()
foreach(name orvoback orvoreclevelknob orvoeqknob orvopowerswitch orvoVUmeter orvolight)
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E compare_files
            "${WORK_DIR}/${name}.png" "${SOURCE_DIR}/resources/img/${name}.png"
    RESULT_VARIABLE differs)
  if(NOT differs EQUAL 0)
    message(FATAL_ERROR "resources/img/${name}.png is not what tools/artwork draws: run scripts/make-artwork.sh")
  endif()
endforeach()
message(STATUS "all six panel images match the generator")
