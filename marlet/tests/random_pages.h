// Random and adversarial pages for the differential tests.
#pragma once

#include <random>
#include <string>

// A page of up to about 45,000 bytes built from markup pieces, plain runs and random bytes, with
// pieces laid across the 10,240-byte chunk boundaries on purpose.
std::string RandomPage(std::mt19937& random);
