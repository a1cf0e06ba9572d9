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

if(WIN32 AND CMAKE_SIZEOF_VOID_P EQUAL 4)
  # GCC's identical code folding merges functions whose bodies match even when their calling
  # conventions differ: on 32-bit Windows a member function (thiscall, pops its stack
  # arguments) and a free function (cdecl, the caller pops) that both forward to the same call
  # became one, so calls through the free one returned with a shifted stack and crashed.
  add_compile_options(-fno-ipa-icf)
endif()
