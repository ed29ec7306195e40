# Warnings are defects here: every target of the project gets the full set.
add_compile_options(-Wall -Wextra -Wpedantic)
# CI builds (.ci/run) stop at the first warning, so a new one fails the change
# that brought it; a local build reports it and goes on.
option(MD5Z_WARNINGS_AS_ERRORS "Treat compiler warnings as errors" OFF)
if(MD5Z_WARNINGS_AS_ERRORS)
  add_compile_options(-Werror)
endif()

if(MD5Z_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined -fno-sanitize-recover=all)
endif()

# Coverage for libFuzzer and the same sanitizers on every target, so the
# fuzzers see into the libraries they drive.
if(MD5Z_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined -fno-sanitize-recover=all)
endif()
