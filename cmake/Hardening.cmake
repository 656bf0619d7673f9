# The hardening Debian builds its packages with: position-independent
# executables, a stack protector, fortified libc calls and a read-only
# relocation table bound at start. Not in sanitizer or fuzz builds (the
# sanitizers replace the fortified calls), and no fortifying without
# optimisation, where glibc only warns about it.
include(CheckPIESupported)
check_pie_supported()
set(CMAKE_POSITION_INDEPENDENT_CODE ON)
if(NOT ZIRPEL_SANITIZE AND NOT ZIRPEL_BUILD_FUZZ)
  add_compile_options(-fstack-protector-strong
                      $<$<NOT:$<CONFIG:Debug>>:-U_FORTIFY_SOURCE>
                      $<$<NOT:$<CONFIG:Debug>>:-D_FORTIFY_SOURCE=2>)
  add_link_options(-Wl,-z,relro -Wl,-z,now)
endif()
