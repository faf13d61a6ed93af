# Lays out the installed trees the packaging tests look at, as a user would get them:
#   -DMODE=prefix: cmake --install BUILD --prefix OUT
#   -DMODE=deb:    cpack -G DEB into OUT, then dpkg-deb -x of the package into OUT/root
file(REMOVE_RECURSE "${OUT}")
file(MAKE_DIRECTORY "${OUT}")
if(MODE STREQUAL "prefix")
  execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD}" --prefix "${OUT}"
    OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
elseif(MODE STREQUAL "deb")
  execute_process(COMMAND "${CPACK}" -G DEB --config "${BUILD}/CPackConfig.cmake" -B "${OUT}"
    OUTPUT_VARIABLE log ERROR_VARIABLE log RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "cpack failed:\n${log}")
  endif()
  file(GLOB packages "${OUT}/*.deb")
  list(LENGTH packages count)
  if(NOT count EQUAL 1)
    message(FATAL_ERROR "cpack made ${count} packages, not one: ${packages}\n${log}")
  endif()
  execute_process(COMMAND dpkg-deb -x ${packages} "${OUT}/root" COMMAND_ERROR_IS_FATAL ANY)
else()
  message(FATAL_ERROR "MODE must be prefix or deb")
endif()
