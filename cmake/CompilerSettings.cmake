# Flags shared by every target of every build.

# The program's own texts are GBK at run time; the sources are UTF-8.
add_compile_options(-finput-charset=UTF-8 -fexec-charset=GBK)

add_compile_options(-Wall -Wextra -Wshadow -Wnon-virtual-dtor -Wcast-qual -Wformat=2)
if(WARNINGS_AS_ERRORS)
  add_compile_options(-Werror)
endif()

if(SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=address,undefined)
endif()

if(WIN32)
  # ANSI (code page) Win32 API throughout; no mingw DLLs needed at run time.
  add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)
  add_link_options(-static -static-libgcc -static-libstdc++)
endif()
