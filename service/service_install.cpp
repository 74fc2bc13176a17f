#include "service_install.h"

bool InstallService() {
    for (int attempt = 0; attempt < 2; ++attempt) {
        const std::uint32_t outcome = InstallAttempt();
        if (outcome == 0) return true;
        if (outcome == kServiceExistsError) RemoveService();
    }
    return false;
}
