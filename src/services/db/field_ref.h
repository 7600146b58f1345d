#pragma once
// A field of a record set, named by its name or by its 0-based index.
// Any numeric Value is an index; a Text value is a name; any other value
// names no field, and the operation given it fails.

#include "services/core/text.h"
#include "services/core/value.h"

#include <variant>

class FieldRef {
public:
    FieldRef(const Text& name) : ref_(name) {}
    FieldRef(int index) : ref_(index) {}
    FieldRef(const Value& value);

    bool isName() const { return std::holds_alternative<Text>(ref_); }
    bool isIndex() const { return std::holds_alternative<int>(ref_); }
    bool isValid() const { return isName() || isIndex(); }
    const Text& name() const { return std::get<Text>(ref_); }
    int index() const { return std::get<int>(ref_); }

private:
    std::variant<std::monostate, Text, int> ref_;
};
