# The hardening Debian builds its own packages with (dpkg-buildflags,
# hardening=+all), for every build that may be installed. The sanitizers and
# libFuzzer bring their own checks, and fortified functions get in their way.
if(NOT NEBU_HARDEN OR NEBU_SANITIZE OR NEBU_FUZZ)
    return()
endif()

include(CheckPIESupported)
check_pie_supported(LANGUAGES CXX)
set(CMAKE_POSITION_INDEPENDENT_CODE ON)

# Fortified functions need the optimiser; an unoptimised build would only
# warn that they are off.
add_compile_options(-fstack-protector-strong
    "$<$<NOT:$<CONFIG:Debug>>:-U_FORTIFY_SOURCE;-D_FORTIFY_SOURCE=2>")
add_link_options(-Wl,-z,relro,-z,now)
