// A byte-at-a-time statement of the filter's rules, kept apart from the library's scanner so
// that the two can be compared.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

inline constexpr std::size_t kChunk = 10240;

// The text Marlet writes for the page.
std::string ReferenceText(std::string_view page);
