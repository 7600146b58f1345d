#include "services/db/field_ref.h"

#include <cmath>
#include <limits>

FieldRef::FieldRef(const Value& value) {
    std::visit(
        [this](const auto& v) {
            using V = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<V, Text>) {
                ref_ = v;
            } else if constexpr (std::is_same_v<V, bool>) {
                // a logical value names no field
            } else if constexpr (std::is_integral_v<V>) {
                ref_ = static_cast<int>(v);
            } else if constexpr (std::is_floating_point_v<V>) {
                if (std::isfinite(v) && v > std::numeric_limits<int>::min() && v < std::numeric_limits<int>::max())
                    ref_ = static_cast<int>(v);
            }
        },
        value);
}
