// The service the program talks to: scheme and host, fixed when the program is
// built (CMake cache variable VIDLARK_SERVICE_URL).
#pragma once

#ifndef VIDLARK_SERVICE_URL
#define VIDLARK_SERVICE_URL "https://www.vidlark.com"
#endif

namespace vidlark {

inline constexpr const char* kServiceUrl = VIDLARK_SERVICE_URL;

}  // namespace vidlark
