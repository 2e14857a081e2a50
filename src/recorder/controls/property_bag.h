// The saved state a container keeps for a user control: named values, written and read back
// in a fixed order. How the container stores it is its own business.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "platform/toolkit.h"

namespace kest::recorder {

using PropertyValue = std::variant<platform::PictureRef, std::int16_t, std::int32_t, bool, platform::Text>;

class PropertyBag {
public:
    // The stored value, or `fallback` when the key is missing.
    template <typename T>
    T ReadProperty(const std::string& name, T fallback) const {
        const auto it = values_.find(name);
        if (it == values_.end()) return fallback;
        if (const T* value = std::get_if<T>(&it->second)) return *value;
        return fallback;
    }
    void WriteProperty(const std::string& name, PropertyValue value) {
        if (!values_.count(name)) order_.push_back(name);
        values_[name] = std::move(value);
    }
    bool Has(const std::string& name) const { return values_.count(name) != 0; }
    // Keys in the order they were first written.
    const std::vector<std::string>& Keys() const { return order_; }

private:
    std::map<std::string, PropertyValue> values_;
    std::vector<std::string> order_;
};

}  // namespace kest::recorder
