# DORVANE_SANITIZE: sanitizers for every target of the build, e.g. "address,undefined" or
# "thread". Any error stops the program (no recovery), so a test that triggers one fails. -O1,
# whatever the build type: quick to compile, and good stack traces.
set(DORVANE_SANITIZE "" CACHE STRING "Sanitizers to build every target with (address,undefined / thread)")
if(DORVANE_SANITIZE)
  add_compile_options(-fsanitize=${DORVANE_SANITIZE} -fno-sanitize-recover=all -fno-omit-frame-pointer -g -O1)
  add_link_options(-fsanitize=${DORVANE_SANITIZE} -fno-sanitize-recover=all)
endif()
