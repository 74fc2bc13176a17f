#include "amount_answer.h"

std::atomic<int> AmountAnswer{0};
