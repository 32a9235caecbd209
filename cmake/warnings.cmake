# Warnings every target of the project gets.
add_library(kavorin_warnings INTERFACE)
target_compile_options(kavorin_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wno-sign-conversion
  -Wnon-virtual-dtor -Wold-style-cast -Wcast-align
  -Wimplicit-fallthrough)
