#pragma once
// Named int parameters of a classifier, kept sorted by name, each with a flag, a description and a
// mark telling whether it changed since it was registered.

#include <map>
#include <string>

class parameter_registry {
public:
    // 0; an existing parameter of that name is overwritten and its changed mark cleared. (Only int
    // parameters exist, so the refusal of a name held by another kind, -1, cannot arise.)
    [[nodiscard]] int register_int(const std::string& name, int value, const std::string& description = "",
                                   int flag = 0);
    // 0, or kOutOfRange when no int parameter has the name (the value is then untouched).
    [[nodiscard]] int get_int(const std::string& name, int& value) const;
    // 0 (the changed mark is set), or kOutOfRange when no int parameter has the name.
    [[nodiscard]] int set_int(const std::string& name, int value);
    // Whether the parameter was set since it was registered; false for an unknown name.
    bool changed(const std::string& name) const;
    // The description registered with the name; empty for an unknown name.
    std::string description(const std::string& name) const;

private:
    struct int_parameter {
        int value = 0;
        int flag = 0;
        std::string description;
    };
    std::map<std::string, int_parameter> ints_;
    std::map<std::string, bool> changed_;
};
