# Lays out the installed trees the packaging tests look at, as a user would get them:
#   -DMODE=prefix: cmake --install BUILD --prefix OUT
#   -DMODE=deb:    cmake --build BUILD --target package, as the README says, which must leave
#                  BUILD/corvamo_VERSION_ARCH.deb; it is copied into OUT and unpacked into OUT/root
file(REMOVE_RECURSE "${OUT}")
file(MAKE_DIRECTORY "${OUT}")
if(MODE STREQUAL "prefix")
  execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD}" --prefix "${OUT}"
    OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
elseif(MODE STREQUAL "deb")
  execute_process(COMMAND dpkg --print-architecture OUTPUT_VARIABLE arch OUTPUT_STRIP_TRAILING_WHITESPACE
    COMMAND_ERROR_IS_FATAL ANY)
  set(package "${BUILD}/corvamo_${VERSION}_${arch}.deb")
  file(REMOVE "${package}")
  execute_process(COMMAND "${CMAKE_COMMAND}" --build "${BUILD}" --target package
    OUTPUT_VARIABLE log ERROR_VARIABLE log RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "the package target failed:\n${log}")
  endif()
  if(NOT EXISTS "${package}")
    message(FATAL_ERROR "the package target did not leave ${package}:\n${log}")
  endif()
  file(COPY "${package}" DESTINATION "${OUT}")
  execute_process(COMMAND dpkg-deb -x "${package}" "${OUT}/root" COMMAND_ERROR_IS_FATAL ANY)
else()
  message(FATAL_ERROR "MODE must be prefix or deb")
endif()
