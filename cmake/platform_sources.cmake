# Platform files sit beside the core they serve and carry the platform in
# their name (serial_posix.cpp / serial_win32.cpp). kavorin_platform_sources
# picks the files of the platform being built.
function(kavorin_platform_sources target)
  foreach(stem IN LISTS ARGN)
    target_sources(${target} PRIVATE ${stem}_${KAVORIN_PLATFORM}.cpp)
  endforeach()
endfunction()
