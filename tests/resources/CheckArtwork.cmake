# Redraws the six panel images, at 1x and at 2x, into a scratch folder and requires
# them to match the committed ones byte for byte: the images in the tree are the
# generator's output. Called with -DPYTHON=... -DSOURCE_DIR=... -DWORK_DIR=...
file(REMOVE_RECURSE "${WORK_DIR}")
foreach(set "img;1" "img@2x;2")
  list(GET set 0 folder)
  list(GET set 1 scale)
  execute_process(
    COMMAND "${PYTHON}" "${SOURCE_DIR}/tools/artwork/generate.py" "${WORK_DIR}/${folder}" ${scale}
    RESULT_VARIABLE result
    OUTPUT_QUIET)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "the artwork generator failed at scale ${scale} (${result})")
  endif()
  foreach(name orvoback orvoreclevelknob orvoeqknob orvopowerswitch orvoVUmeter orvolight)
    execute_process(
      COMMAND ${CMAKE_COMMAND} -E compare_files
              "${WORK_DIR}/${folder}/${name}.png" "${SOURCE_DIR}/resources/${folder}/${name}.png"
      RESULT_VARIABLE differs)
    if(NOT differs EQUAL 0)
      message(FATAL_ERROR "resources/${folder}/${name}.png is not what tools/artwork draws: run scripts/make-artwork.sh")
    endif()
  endforeach()
endforeach()
message(STATUS "all twelve panel images match the generator")
