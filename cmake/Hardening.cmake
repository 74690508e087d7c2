# SPDX-License-Identifier: GPL-3.0-or-later
# Hardened code generation for the builds that are shipped: position-independent
# executables, stack protection, checked string and memory functions and a
# read-only relocation table resolved at start. The sanitizer and fuzz builds
# bring their own instrumentation and are left alone.
if(MIRELON_SANITIZE OR MIRELON_FUZZ)
  return()
endif()

include(CheckPIESupported)
check_pie_supported(LANGUAGES CXX)
set(CMAKE_POSITION_INDEPENDENT_CODE ON)

add_compile_options(-fstack-protector-strong -fstack-clash-protection -Wformat -Wformat-security)
if(CMAKE_SYSTEM_PROCESSOR MATCHES "x86_64|AMD64|i.86")
  add_compile_options(-fcf-protection)
endif()
# The checked functions need an optimising build.
add_compile_options($<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:-U_FORTIFY_SOURCE>
                    $<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:-D_FORTIFY_SOURCE=2>)
add_link_options(-Wl,-z,relro -Wl,-z,now)
