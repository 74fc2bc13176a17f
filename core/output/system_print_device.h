#pragma once
// The system's default printer as a print device.

#include <memory>

#include "output/print_device.h"

std::unique_ptr<PrintDevice> MakeSystemPrintDevice();
