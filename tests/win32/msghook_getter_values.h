#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kest::testing {

struct NamedValue {
    std::string name;
    std::int32_t value;
};

// Every constant getter of msghook, and the chain notice its module keeps, by SDK name.
std::vector<NamedValue> MsghookGetterValues();

}  // namespace kest::testing
