# Libraries of the system that the core links; only platform/ uses them.

# SQLite reads the Firefox cookie store (platform/browser_cookies.cpp).
find_package(SQLite3 REQUIRED)
target_link_libraries(ferrow_platform PUBLIC SQLite::SQLite3)

# ALSA plays the event sounds (platform/alsa_wave_player.cpp).
find_package(ALSA REQUIRED)
target_link_libraries(ferrow_platform PUBLIC ALSA::ALSA)

# OpenSSL 3 encrypts connections (platform/tls_channel.cpp, the only file that includes it).
find_package(OpenSSL 3 REQUIRED)
target_link_libraries(ferrow_platform PUBLIC OpenSSL::SSL OpenSSL::Crypto)
