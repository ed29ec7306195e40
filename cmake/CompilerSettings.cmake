# Warnings are defects here: every target of the project gets the full set.
add_compile_options(-Wall -Wextra -Wpedantic)

if(MD5Z_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined -fno-sanitize-recover=all)
endif()
