# One interface target that carries the language level, warnings and sanitizers
# for every target of the project.
add_library(lirovane_options INTERFACE)
target_compile_features(lirovane_options INTERFACE cxx_std_20)
set(CMAKE_CXX_EXTENSIONS OFF)

if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
  target_compile_options(lirovane_options INTERFACE
    -Wall -Wextra -Wpedantic -Wconversion -Wsign-conversion -Wshadow
    -Wnon-virtual-dtor -Woverloaded-virtual -Wcast-qual)
  if(LIROVANE_WARNINGS_AS_ERRORS)
    target_compile_options(lirovane_options INTERFACE -Werror)
  endif()
  if(LIROVANE_SANITIZE)
    target_compile_options(lirovane_options INTERFACE
      -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    target_link_options(lirovane_options INTERFACE -fsanitize=address,undefined)
  endif()
endif()

if(LIROVANE_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "LIROVANE_FUZZ needs clang (use the fuzz preset)")
  endif()
  target_compile_options(lirovane_options INTERFACE -fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
  target_link_options(lirovane_options INTERFACE -fsanitize=address,undefined)
endif()
