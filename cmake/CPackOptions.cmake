# Read by cpack for each package it makes. A .deb made without dpkg-shlibdeps would
# declare no dependencies at all, so it is refused.
if(CPACK_GENERATOR STREQUAL "DEB")
  find_program(TARVEX_SHLIBDEPS dpkg-shlibdeps)
  if(NOT TARVEX_SHLIBDEPS)
    message(FATAL_ERROR "cpack -G DEB needs dpkg-shlibdeps to find the dependencies: apt-get install dpkg-dev")
  endif()
endif()
