// Named int parameters of a classifier, sorted by name.
#include "learning/parameter_registry.h"

#include "base/status_codes.h"

int parameter_registry::register_int(const std::string& name, int value, const std::string& description,
                                     int flag) {
    ints_[name] = int_parameter{value, flag, description};
    changed_[name] = false;
    return kSuccess;
}

int parameter_registry::get_int(const std::string& name, int& value) const {
    const auto it = ints_.find(name);
    if (it == ints_.end()) return kOutOfRange;
    value = it->second.value;
    return kSuccess;
}

int parameter_registry::set_int(const std::string& name, int value) {
    const auto it = ints_.find(name);
    if (it == ints_.end()) return kOutOfRange;
    it->second.value = value;
    changed_[name] = true;
    return kSuccess;
}

bool parameter_registry::changed(const std::string& name) const {
    const auto it = changed_.find(name);
    return it != changed_.end() && it->second;
}

std::string parameter_registry::description(const std::string& name) const {
    const auto it = ints_.find(name);
    return it == ints_.end() ? std::string() : it->second.description;
}
