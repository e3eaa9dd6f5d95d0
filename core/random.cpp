#include "core/random.hpp"

#include <ctime>

namespace zentara {

LocalTime readLocalTime() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    std::tm local{};
    localtime_r(&now.tv_sec, &local);
    return LocalTime{local.tm_mday, local.tm_min, local.tm_sec, static_cast<int>(now.tv_nsec / 1000000)};
}

}  // namespace zentara
