#pragma once
// TermbridgeService's own start and stop sequences.

#include "service_base.h"

class CSampleService : public CServiceBase {
public:
    explicit CSampleService(const char* serviceName);

protected:
    void OnStart(std::uint32_t argc, char** argv) override;
    void OnStop() override;
};
