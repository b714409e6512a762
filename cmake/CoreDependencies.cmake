# Libraries of the system that the core links; only platform/ uses them.

# SQLite reads the Firefox cookie store (platform/browser_cookies.cpp).
find_package(SQLite3 REQUIRED)
target_link_libraries(ferrow_platform PUBLIC SQLite::SQLite3)

# ALSA plays the event sounds (platform/alsa_wave_player.cpp).
find_package(ALSA REQUIRED)
target_link_libraries(ferrow_platform PUBLIC ALSA::ALSA)
