# Warnings are defects here: every target of the project gets the full set.
add_compile_options(-Wall -Wextra -Wpedantic)

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
